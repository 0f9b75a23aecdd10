// The front end's side of the tool link: listens on the link socket of this
// process, answers title queries and hellos, and turns reports and restore
// requests into signals. Served from the event loop (a socket notifier), so
// the front end stays single-threaded.
#ifndef ZORB_FRONTEND_LINKSERVER_H
#define ZORB_FRONTEND_LINKSERVER_H

#include <QObject>
#include <QString>

class QSocketNotifier;

namespace zfront {

class LinkServer : public QObject {
    Q_OBJECT
public:
    explicit LinkServer(const QString &title, QObject *parent = nullptr);
    ~LinkServer() override;

    // Starts listening as front end N (the process id); a stale socket of a
    // crashed run with the same number is replaced. False when it cannot.
    bool listen();
    // The number passed to tools as "/#N".
    quint32 number() const { return number_; }
    QString socketPath() const { return path_; }
    int reportCount() const { return reports_; }

signals:
    void reportReceived(const QString &text);
    void restoreRequested();

private:
    void servePending();
    void serveOne(int fd);
    void close();

    QString title_;
    quint32 number_ = 0;
    QString path_;
    int fd_ = -1;
    int reports_ = 0;
    QSocketNotifier *notifier_ = nullptr;
};

// Splits a tool's report into history lines: lines separated by CR LF (or
// LF), trailing empty lines dropped, the first indented by two spaces.
QStringList ReportLines(const QString &text);

} // namespace zfront

#endif

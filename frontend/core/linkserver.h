// The front end's side of the tool link: the platform's link server on the
// socket of this process, served from the event loop (a socket notifier on
// its descriptor), so the front end stays single-threaded. Title queries get
// the main window's title, hello no answer of its own (every tool reports
// back); reports and restore requests become signals.
#ifndef ZORB_FRONTEND_CORE_LINKSERVER_H
#define ZORB_FRONTEND_CORE_LINKSERVER_H

#include <QObject>
#include <QString>

class QSocketNotifier;
struct PlatformLinkServer;

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
    void close();
    static size_t titleAnswer(void *context, char *title, size_t size);
    static uint32_t reportAnswer(void *context, const char *text, size_t length);
    static uint32_t restoreAnswer(void *context);

    QByteArray title_;
    quint32 number_ = 0;
    QString path_;
    PlatformLinkServer *server_ = nullptr;
    int reports_ = 0;
    QSocketNotifier *notifier_ = nullptr;
};

// Splits a tool's report into history lines: lines separated by CR LF (or
// LF), trailing empty lines dropped, the first indented by two spaces.
QStringList ReportLines(const QString &text);

} // namespace zfront

#endif

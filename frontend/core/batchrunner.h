// The batch player's logic: runs the lines of a ".zbt" file in order through
// the command runner; after a line that started a known tool it waits for
// that tool's report (checking every 100 ms), or for the tool to end without
// one, before the next line.
#ifndef ZORB_FRONTEND_BATCHRUNNER_H
#define ZORB_FRONTEND_BATCHRUNNER_H

#include <QObject>
#include <QStringList>
#include <QTimer>

namespace zfront {

class CommandRunner;
class InterpreterHost;

class BatchRunner : public QObject {
    Q_OBJECT
public:
    BatchRunner(CommandRunner &runner, InterpreterHost &host, QObject *parent = nullptr);

    // Reads the batch file (one command a line). False when it cannot be read.
    bool load(const QString &path, const QString &arguments);
    QString path() const { return path_; }
    const QStringList &lines() const { return lines_; }
    int current() const { return current_; }
    bool running() const { return running_; }
    // True when every line ran: none failed to start, no tool ended without a
    // report, and the batch was not cancelled.
    bool allRan() const { return allRan_; }
    bool cancelled() const { return cancelled_; }

    void start();
    // Stops after the current line (the batch did not run whole).
    void cancel();
    // Ends the batch on an "exit" line: not a failure.
    void stop();

public slots:
    // A tool report arrived through the link.
    void noteReport();

signals:
    void lineStarted(int index);
    void finished(bool allRan);

private:
    void next();
    void poll();
    void finish();

    CommandRunner &runner_;
    InterpreterHost &host_;
    QString path_, arguments_, savedArguments_;
    QStringList lines_;
    int current_ = -1;
    bool running_ = false, cancelled_ = false, allRan_ = true;
    bool waiting_ = false, reported_ = false;
    qint64 pid_ = 0;
    QString word_;
    QTimer timer_;
};

} // namespace zfront

#endif

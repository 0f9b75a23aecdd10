// The front end's main window "Zorblax for Windows": eight tabs, the command
// runner with its interpreter, the tool link and the batch player. It is the
// interpreter's host: output goes to the command tab's history, questions to
// message boxes, and the file commands open the front end's windows.
#ifndef ZORB_FRONTEND_UI_MAINWINDOW_H
#define ZORB_FRONTEND_UI_MAINWINDOW_H

#include "frontend/core/interpreter.h"
#include "frontend/ui/tabhost.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>

class QLabel;
class QProgressBar;
class QProgressDialog;
class QTabWidget;

namespace zfront {

class Settings;

class BatchRunner;
class BatchWindow;
class CommandRunner;
class CommandTab;
class LinkServer;

extern const char kMainTitle[]; // "Zorblax for Windows"

class MainWindow : public QMainWindow, public InterpreterHost, public TabHost {
    Q_OBJECT
public:
    // settingsPath: where the settings are written when the window closes
    // (empty: not written).
    MainWindow(Settings &settings, const QString &settingsPath, QWidget *parent = nullptr);
    ~MainWindow() override;

    CommandInterpreter &interpreter() { return *interp_; }
    CommandRunner &runner() { return *runner_; }
    LinkServer &link() { return *link_; }
    CommandTab *commandTab() const { return commandTab_; }
    QTabWidget *tabs() const { return tabs_; }
    bool batchRunning() const;

    // Runs a command as the command tab does; true when a known tool started.
    bool runCommand(const QString &directory, const QString &command) override;
    // Runs a batch file in the batch player window. False when it cannot be read.
    bool startBatch(const QString &path, const QString &arguments);
    // Answers for questions (tests and unattended runs); unset: message boxes.
    void setConfirmAnswer(std::function<bool(const QString &)> answer) { confirmAnswer_ = std::move(answer); }
    // Unattended runs (--exit-after-batch) never keep the window open.
    void setUnattended(bool on) { unattended_ = on; }

    // InterpreterHost
    void print(const QString &line) override;
    bool confirm(const QString &question) override;
    bool copyProgress(const QString &name, qint64 done, qint64 total) override;
    void copyFinished() override;
    void clearHistory() override;
    QString historyText() const override;
    bool showFile(const QString &path) override;
    void editFile(const QString &path) override;
    void editList(const QString &path) override;
    void analyze(const QString &path) override;
    void showHelp() override;
    void exitRequested() override;
    void runBatch(const QString &path, const QString &arguments) override;

    // TabHost
    Settings &settings() override { return state_; }
    bool runBatch(const QString &file) override;
    bool runConfirmedCommand(const QString &directory, const QString &command) override;
    void openAnalyzer(QWidget *parent, const QString &path) override;
    void backToMain() override;
    void showHelp(const QString &topic) override;

    // Programs started that ended with a status other than 0.
    int failedTools() const { return failedTools_; }

signals:
    void batchFinished(bool allRan);
    // A started program ended.
    void toolFinished();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void report(const QString &text);
    void restoreFromTool();
    void createListFile(const QString &directory, const QStringList &files);
    void about();
    void changeFrameRate();
    void showHelpPage(const QString &page);
    void syncCommandTab();
    void toolLine(const QString &name, const QString &line);
    void toolEnded(qint64 pid, const QString &name, int status);

    Settings &state_;
    QString settingsPath_;
    bool saveFailureShown_ = false;
    bool unattended_ = false;
    QTabWidget *tabs_;
    CommandTab *commandTab_;
    CommandInterpreter *interp_;
    CommandRunner *runner_;
    LinkServer *link_;
    BatchRunner *batch_ = nullptr;
    QPointer<BatchWindow> batchWindow_;
    QPointer<QProgressDialog> progress_;
    std::function<bool(const QString &)> confirmAnswer_;
    QLabel *toolStatus_ = nullptr;
    QProgressBar *toolProgress_ = nullptr;
    int failedTools_ = 0;
    bool preConfirmed_ = false;
};

// Where the main window goes: the saved client-area corner (x, y) when the
// window is well on the available screen area there, else centred on it.
// The size is cut to the screen.
QRect WindowPlace(int x, int y, QSize size, const QRect &available);

// Where the toolkit's documentation is: the installed copy beside the
// program, else the source tree's.
QString DocumentationDirectory(const QString &ownDirectory);

} // namespace zfront

#endif

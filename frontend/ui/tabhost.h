// What the tool tabs need from the main window: the program-wide settings, the
// command runner, the batch player and a few windows. The main window
// implements it; tests implement it with fakes.
#ifndef ZORB_FRONTEND_UI_TABHOST_H
#define ZORB_FRONTEND_UI_TABHOST_H

#include <QString>
#include <QStringList>

class QWidget;

namespace zfront {

class Settings;

class TabHost {
public:
    virtual ~TabHost() = default;

    virtual Settings &settings() = 0;
    // Runs a command line in directory (empty: the command tab's directory)
    // through the command runner; true when a known tool was started.
    virtual bool runCommand(const QString &directory, const QString &command) = 0;
    // Runs a command the user has already agreed to (a deletion he was just
    // asked about), so it asks nothing again.
    virtual bool runConfirmedCommand(const QString &directory, const QString &command)
    {
        return runCommand(directory, command);
    }
    // Runs a batch file with the batch player; false when it was cancelled.
    virtual bool runBatch(const QString &file) = 0;

    // Opens a plain text editor on path with text; true when the user saved
    // it. The default is a modal editor window.
    virtual bool editText(QWidget *parent, const QString &caption, const QString &path, const QString &text);
    // The list-file editor with names; returns the saved list file (empty when
    // the user did not save). The default asks for a name in directory and
    // opens editText on it.
    virtual QString editListFile(QWidget *parent, const QString &directory, const QStringList &names);
    // Shows an image in the front end's viewer; false when it cannot show it.
    virtual bool showImage(QWidget *parent, const QString &path);
    // Opens the data-rate analyzer on a Zorblax file (default: says it is not
    // available yet).
    virtual void openAnalyzer(QWidget *parent, const QString &path);
    // Switches to the "Main" tab, opens the help, "How do I...?".
    virtual void backToMain() {}
    virtual void showHelp(const QString &topic) { (void)topic; }
};

} // namespace zfront

#endif

// The command tab's built-in interpreter: directory and file commands, the
// history commands and the hooks that open the front end's windows. It knows
// nothing of widgets: output and questions go through InterpreterHost.
#ifndef ZORB_FRONTEND_CORE_INTERPRETER_H
#define ZORB_FRONTEND_CORE_INTERPRETER_H

#include <QString>
#include <QStringList>

namespace zfront {

class InterpreterHost {
public:
    virtual ~InterpreterHost() = default;
    // One line of output for the history.
    virtual void print(const QString &line) = 0;
    // A yes/no question (deleting a file); true means yes.
    virtual bool confirm(const QString &question)
    {
        (void)question;
        return true;
    }
    // Copy progress over all files of one copy command; true cancels.
    virtual bool copyProgress(const QString &name, qint64 done, qint64 total)
    {
        (void)name, (void)done, (void)total;
        return false;
    }
    virtual void copyFinished() {}
    virtual void clearHistory() {}
    virtual QString historyText() const { return {}; }
    // type/display: false when the file cannot be shown.
    virtual bool showFile(const QString &path);
    virtual void editFile(const QString &path) { (void)path; }
    virtual void editList(const QString &path) { (void)path; }
    virtual void analyze(const QString &path) { (void)path; }
    virtual void showHelp() {}
    virtual void exitRequested() {}
    virtual void runBatch(const QString &path, const QString &arguments) { (void)path, (void)arguments; }
};

class CommandInterpreter {
public:
    explicit CommandInterpreter(InterpreterHost &host);

    // The command tab's directory (absolute, '/' separators).
    QString directory() const { return dir_; }
    // Changes the directory; false when it does not exist.
    bool setDirectory(const QString &path);

    // Separator used when byte counts are printed (from the locale by default).
    void setThousandsSeparator(const QString &sep) { thousands_ = sep; }
    QString formatCount(qint64 n) const;

    // Runs a built-in command (a leading '@' is removed first). Returns false
    // when the line is not built in and should be started as a program.
    bool interpret(const QString &line);
    // True when the last built-in command run did not do what it was asked
    // (its error message is in the history).
    bool lastFailed() const { return failed_; }

    // A user-typed name made absolute against the command tab's directory.
    QString resolve(const QString &name) const;
    // The batch file a command word names, or empty.
    QString batchFileFor(const QString &word) const;

private:
    QStringList expand(const QString &pattern) const;
    QString shown(const QString &path) const;
    void fail(const QString &message);

    void changeDirectory(const QString &arg);
    void makeDirectory(const QString &arg);
    void removeDirectory(const QString &arg);
    void listDirectory(const QString &arg);
    void deleteFiles(const QString &arg);
    void renameFiles(const QString &arg);
    void copyFiles(const QString &arg);
    void changeAttributes(const QString &arg);
    void findFiles(const QString &arg);
    void saveHistory(const QString &arg);

    InterpreterHost &host_;
    QString dir_;
    QString thousands_;
    bool failed_ = false;
};

// The name a wildcard target gives a source file: "*.bak" for "a.txt" is
// "a.bak", "new_*" for "a.txt" is "new_a.txt"; '?' takes the source's next
// character. Base name and extension are mapped separately when the pattern
// has a dot.
QString WildcardTarget(const QString &sourceName, const QString &pattern);

// Attribute letters of a file: R read-only (no write permission for the
// owner), H hidden (name begins with '.'), D directory.
QString FileAttributes(const QString &path);

} // namespace zfront

#endif

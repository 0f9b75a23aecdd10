// The "Scriptor" tab: runs ZorbScript programs and edits them.
#ifndef ZFRONT_SCRIPTTAB_H
#define ZFRONT_SCRIPTTAB_H

#include "frontend/ui/tooltab.h"

class FilePane;
class QPlainTextEdit;
class QTabWidget;

class ScriptTab : public ToolTab {
    Q_OBJECT
public:
    explicit ScriptTab(TabHost &host, QWidget *parent = nullptr);

    void loadSettings() override;
    void storeSettings() override;
    QString currentCommand() override;

    // "Script Handling" page.
    void runHighlighted();
    void editHighlighted();
    void newScript();
    // Editor page: saves when needed, then runs the saved file.
    void runEdited();
    bool save();
    bool saveAs();
    bool findNext();
    bool goToLine();

    FilePane *browser() const { return pane_; }
    QPlainTextEdit *editor() const { return editor_; }
    QString editedPath() const { return path_; }

protected:
    void resetDefaults() override;

private:
    void runScript(const QString &path);
    void setPath(const QString &path);

    FilePane *pane_;
    QTabWidget *pages_;
    QPlainTextEdit *editor_;
    QLineEdit *find_, *line_;
    QString path_;
};

#endif

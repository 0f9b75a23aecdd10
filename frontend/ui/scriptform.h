// The "Scriptor" tab: runs ZorbScript programs and edits them.
#ifndef ZORB_FRONTEND_UI_SCRIPTFORM_H
#define ZORB_FRONTEND_UI_SCRIPTFORM_H

#include "frontend/core/settings.h"
#include "frontend/ui/bindings.h"
#include "frontend/ui/toolform.h"

class QPlainTextEdit;
class QTabWidget;

namespace zfront {

class FileSelection;

class ScriptForm : public ToolForm {
    Q_OBJECT
public:
    // browser: the main window's browser for this tab (null: a FilePane of its own).
    explicit ScriptForm(TabHost &host, FileSelection *browser = nullptr, QWidget *parent = nullptr);

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

    FileSelection *browser() const { return pane_; }
    QPlainTextEdit *editor() const { return editor_; }
    QString editedPath() const { return path_; }

private:
    void runScript(const QString &path);
    void setPath(const QString &path);

    FileSelection *pane_;
    QTabWidget *pages_;
    QPlainTextEdit *editor_;
    QLineEdit *find_, *line_;
    QString path_;
    Bindings<Settings::Script> fields_;
};

} // namespace zfront

#endif

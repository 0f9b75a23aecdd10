// The "Player" tab: the player's options, "&Play", "Play &Last",
// "&Compile to Exe", "&Analyze", and viewing any file by its kind.
#ifndef ZORB_FRONTEND_UI_PLAYFORM_H
#define ZORB_FRONTEND_UI_PLAYFORM_H

#include "frontend/core/settings.h"
#include "frontend/ui/bindings.h"
#include "frontend/ui/toolform.h"

class QTabWidget;

namespace zfront {

class FileSelection;

class PlayForm : public ToolForm {
    Q_OBJECT
public:
    // browser: the main window's browser for this tab (null: a FilePane of its own).
    explicit PlayForm(TabHost &host, FileSelection *browser = nullptr, QWidget *parent = nullptr);

    QString currentCommand() override;

    void play();
    void playLast();
    void compileToExe();
    void analyze();
    // Shows a file the way its kind asks for (the file menu's "&View").
    void view(const QString &path);

    FileSelection *browser() const { return pane_; }

private:
    void playFile(const QString &path);
    QString playerProgram() const;

    FileSelection *pane_;
    QTabWidget *pages_;
    Bindings<Settings::Play> fields_;
};

} // namespace zfront

#endif

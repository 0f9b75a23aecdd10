// The "Sound Processor" tab: converts sound files.
#ifndef ZORB_FRONTEND_UI_SOUNDFORM_H
#define ZORB_FRONTEND_UI_SOUNDFORM_H

#include "frontend/core/settings.h"
#include "frontend/ui/bindings.h"
#include "frontend/ui/soundcontrols.h"
#include "frontend/ui/toolform.h"

class QTabWidget;

namespace zfront {

class FileSelection;
struct ToolRun;

class SoundForm : public ToolForm {
    Q_OBJECT
public:
    // browser: the main window's browser for this tab (null: a FilePane of its own).
    explicit SoundForm(TabHost &host, FileSelection *browser = nullptr, QWidget *parent = nullptr);

    QString currentCommand() override;
    // "&Convert".
    void convert();

    FileSelection *browser() const { return pane_; }
    QLineEdit *outputEdit() const { return output_; }

private:
    ToolRun toolRun();

    FileSelection *pane_;
    QLineEdit *output_;
    QTabWidget *pages_;
    QString basedOn_;
    Bindings<Settings::Sound> fields_;
};

} // namespace zfront

#endif

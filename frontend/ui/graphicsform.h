// The "Graphics Processor" tab: converts graphics and animation files.
#ifndef ZORB_FRONTEND_UI_GRAPHICSFORM_H
#define ZORB_FRONTEND_UI_GRAPHICSFORM_H

#include "frontend/core/settings.h"
#include "frontend/ui/bindings.h"
#include "frontend/ui/soundcontrols.h"
#include "frontend/ui/toolform.h"

class QAction;
class QTabWidget;
class QToolButton;

namespace zfront {

class FileSelection;
struct ToolRun;

class GraphicsForm : public ToolForm {
    Q_OBJECT
public:
    // browser: the main window's browser for this tab (null: a FilePane of its own).
    explicit GraphicsForm(TabHost &host, FileSelection *browser = nullptr, QWidget *parent = nullptr);

    QString currentCommand() override;
    // "&Convert".
    void convert();
    // Palette source 0 to 2; the last one (true colour) disables the palette controls.
    void setPaletteSource(int index);

    FileSelection *browser() const { return pane_; }
    QLineEdit *outputEdit() const { return output_; }

private:
    ToolRun toolRun();

    FileSelection *pane_;
    QLineEdit *output_;
    QList<QAction *> types_;
    QAction *overwrite_;
    QTabWidget *pages_;
    QToolButton *source_;
    int paletteSource_ = 0;
    QLineEdit *paletteFile_;
    PaletteControls palettes_;
    QString basedOn_;
    Bindings<Settings::Graphics> fields_;
};

} // namespace zfront

#endif

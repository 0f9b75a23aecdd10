// The "Graphics Processor" tab: converts graphics and animation files.
#ifndef ZFRONT_GRAPHICSTAB_H
#define ZFRONT_GRAPHICSTAB_H

#include "frontend/ui/soundcontrols.h"
#include "frontend/ui/tooltab.h"

class FilePane;
class QAction;
class QTabWidget;
class QToolButton;
struct ToolRun;

class GraphicsTab : public ToolTab {
    Q_OBJECT
public:
    explicit GraphicsTab(TabHost &host, QWidget *parent = nullptr);

    void loadSettings() override;
    void storeSettings() override;
    QString currentCommand() override;
    // "&Convert".
    void convert();
    // Palette source 0 to 2; the last one (true colour) disables the palette controls.
    void setPaletteSource(int index);

    FilePane *browser() const { return pane_; }
    QLineEdit *outputEdit() const { return output_; }

protected:
    void resetDefaults() override;

private:
    ToolRun toolRun();

    FilePane *pane_;
    QLineEdit *output_;
    QList<QAction *> types_;
    QAction *overwrite_;
    QTabWidget *pages_;
    QToolButton *source_;
    int paletteSource_ = 0;
    QLineEdit *paletteFile_;
    PaletteControls palettes_;
    CheckEdit x_, y_, w_, h_, first_, last_, rate_;
    QString basedOn_;
};

#endif

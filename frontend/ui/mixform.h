// The "Mixer" tab: puts a sound file into a Zorblax file with the mixer.
#ifndef ZORB_FRONTEND_UI_MIXFORM_H
#define ZORB_FRONTEND_UI_MIXFORM_H

#include "frontend/core/settings.h"
#include "frontend/ui/bindings.h"
#include "frontend/ui/soundcontrols.h"
#include "frontend/ui/toolform.h"

class QLabel;
class QScrollBar;
class QTabWidget;

namespace zfront {

class FileSelection;
struct ToolRun;

class MixForm : public ToolForm {
    Q_OBJECT
public:
    // zorbBrowser, waveBrowser: the main window's browsers (null: panes of its own).
    explicit MixForm(TabHost &host, FileSelection *zorbBrowser = nullptr, FileSelection *waveBrowser = nullptr,
                     QWidget *parent = nullptr);

    QString currentCommand() override;
    // "Mi&x": processes the sound files highlighted against the Zorblax file.
    void mix();

    FileSelection *zorbBrowser() const { return zorbPane_; }
    FileSelection *waveBrowser() const { return wavePane_; }
    QLineEdit *outputEdit() const { return output_; }

protected:
    void resetDefaults() override;

private:
    QString outputPath() const;
    bool toolRun(ToolRun &run);

    FileSelection *zorbPane_, *wavePane_;
    QLineEdit *output_;
    QTabWidget *pages_;
    QString basedOn_;
    Bindings<Settings::Mix> fields_;
};

} // namespace zfront

#endif

// The "Mixer" tab: puts a sound file into a Zorblax file with the mixer.
#ifndef ZFRONT_MIXTAB_H
#define ZFRONT_MIXTAB_H

#include "frontend/ui/soundcontrols.h"
#include "frontend/ui/tooltab.h"

class FilePane;
class QLabel;
class QScrollBar;
class QTabWidget;
struct ToolRun;

class MixTab : public ToolTab {
    Q_OBJECT
public:
    explicit MixTab(TabHost &host, QWidget *parent = nullptr);

    void loadSettings() override;
    void storeSettings() override;
    QString currentCommand() override;
    // "Mi&x": processes the sound files highlighted against the Zorblax file.
    void mix();

    FilePane *zorbBrowser() const { return zorbPane_; }
    FilePane *waveBrowser() const { return wavePane_; }
    QLineEdit *outputEdit() const { return output_; }

protected:
    void resetDefaults() override;

private:
    QString outputPath() const;
    bool toolRun(ToolRun &run);

    FilePane *zorbPane_, *wavePane_;
    QLineEdit *output_;
    QTabWidget *pages_;
    QComboBox *track_;
    LossyControl lossy_;
    CheckEdit frameRate_, start_;
    QCheckBox *loop_, *overwrite_;
    SoundOutputControls out_;
    SoundInputControls in_;
    QString basedOn_;
};

#endif

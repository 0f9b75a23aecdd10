// The "Sound Processor" tab: converts sound files.
#ifndef ZFRONT_SOUNDTAB_H
#define ZFRONT_SOUNDTAB_H

#include "frontend/ui/soundcontrols.h"
#include "frontend/ui/tooltab.h"

class FilePane;
class QTabWidget;
struct ToolRun;

class SoundTab : public ToolTab {
    Q_OBJECT
public:
    explicit SoundTab(TabHost &host, QWidget *parent = nullptr);

    void loadSettings() override;
    void storeSettings() override;
    QString currentCommand() override;
    // "&Convert".
    void convert();

    FilePane *browser() const { return pane_; }
    QLineEdit *outputEdit() const { return output_; }

protected:
    void resetDefaults() override;

private:
    ToolRun toolRun();

    FilePane *pane_;
    QLineEdit *output_;
    QTabWidget *pages_;
    QCheckBox *overwrite_;
    SoundOutputControls out_;
    SoundInputControls in_;
    QString basedOn_;
};

#endif

// The "Player" tab: the player's options, "&Play", "Play &Last",
// "&Compile to Exe", "&Analyze", and viewing any file by its kind.
#ifndef ZFRONT_PLAYTAB_H
#define ZFRONT_PLAYTAB_H

#include "frontend/ui/tooltab.h"

class FilePane;
class QTabWidget;

class PlayTab : public ToolTab {
    Q_OBJECT
public:
    explicit PlayTab(TabHost &host, QWidget *parent = nullptr);

    void loadSettings() override;
    void storeSettings() override;
    QString currentCommand() override;

    void play();
    void playLast();
    void compileToExe();
    void analyze();
    // Shows a file the way its kind asks for (the file menu's "&View").
    void view(const QString &path);

    FilePane *browser() const { return pane_; }

protected:
    void resetDefaults() override;

private:
    void playFile(const QString &path);
    QString playerProgram() const;

    FilePane *pane_;
    QTabWidget *pages_;
    QComboBox *display_, *use_, *yScale_, *stretch_, *remap_, *controls_, *style_;
    CheckEdit loop_, frameRate_, x_, y_, w_, h_, simulate_, extraMem_;
    QCheckBox *preload_, *summary_, *noDrop_, *mmxOff_, *ddOff_, *doubleBuffer_, *soundOnly_, *directSound_;
    QCheckBox *noClear_, *loadExtra_, *noPause_, *deltas_, *frames_;
    QCheckBox *tracks_[7];
};

#endif

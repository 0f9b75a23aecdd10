// The "Zorb" tab: the compressor's options and its command line.
#ifndef ZFRONT_ZORBTAB_H
#define ZFRONT_ZORBTAB_H

#include "frontend/ui/soundcontrols.h"
#include "frontend/ui/tooltab.h"

#include <array>

class FilePane;
class QActionGroup;
class QAction;
class QLabel;
class QPlainTextEdit;
class QScrollBar;
class QTabWidget;
struct ToolRun;

class ZorbTab : public ToolTab {
    Q_OBJECT
public:
    explicit ZorbTab(TabHost &host, QWidget *parent = nullptr);

    void loadSettings() override;
    void storeSettings() override;
    QString currentCommand() override;
    // "&Zorb": writes the frame memo and processes the selection.
    void run();

    FilePane *browser() const { return pane_; }
    QLineEdit *outputEdit() const { return output_; }
    QComboBox *regularList() const { return regular_.list; }
    QLineEdit *regularEdit() const { return regular_.edit; }
    QComboBox *keyList() const { return key_.list; }

protected:
    void resetDefaults() override;

private:
    // A compression list with its value edit; each index keeps its own value.
    struct Compression {
        QComboBox *list = nullptr;
        QLineEdit *edit = nullptr;
        std::array<QString, 4> values;
        int shown = 0;
    };
    void setupCompression(Compression &c);
    void showCompression(Compression &c, int index);
    void selectionChanged();
    void typeChosen(int type);
    ToolRun toolRun(const QString &memoFile);
    QString switches();

    FilePane *pane_;
    QLineEdit *output_;
    QList<QAction *> types_;
    QAction *mixOriginal_, *overwrite_;
    Compression regular_, key_;
    CheckEdit keyEvery_, start_, end_, frameRate_, x_, y_, w_, h_;
    PaletteControls palettes_;
    SoundOutputControls sound_;
    LossyControl lossy_;
    QLineEdit *autoKey_;
    QComboBox *yScale_;
    QLineEdit *palette_;
    QCheckBox *ring_, *everyOther_, *noSound_;
    QPlainTextEdit *memo_;
    QTabWidget *pages_;
    QString basedOn_;
};

#endif

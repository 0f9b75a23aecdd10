// Controls shared by several tool tabs: the sound options of the mixer and the
// sound processor, the palette options of the compressor and the graphics
// processor, the lossy scroll bar, the output type menu and the output column.
#ifndef ZFRONT_SOUNDCONTROLS_H
#define ZFRONT_SOUNDCONTROLS_H

#include "frontend/ui/tooltab.h"

#include <QList>
#include <functional>

class QAction;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QScrollBar;
class QTabWidget;
class QToolButton;
class QVBoxLayout;

// "Output Info": rate (with the typed rate), quality, channels.
struct SoundOutputControls {
    QComboBox *rate = nullptr, *quality = nullptr, *channels = nullptr;
    QLineEdit *typedRate = nullptr;
    void set(int rate, const QString &typed, int quality, int channels) const;
    void get(int &rate, QString &typed, int &quality, int &channels) const;
};
SoundOutputControls addSoundOutput(QFormLayout *form);

// "Input Info": input type with the forced rate and bytes to skip, and the
// track, starting and ending times.
struct SoundInputControls {
    QComboBox *type = nullptr;
    QLineEdit *forceRate = nullptr, *skip = nullptr;
    CheckEdit track, start, end;
};
SoundInputControls addSoundInput(QFormLayout *form, bool mixer);

// "Total palette colors to use:" ... "Win system colors?", kept in sections
// that name them alike ([Zorb], [GraphicsProcessor]).
struct PaletteControls {
    CheckEdit colors, start, every;
    QComboBox *halftone = nullptr, *control = nullptr, *windows = nullptr;
    template <class S> void load(const S &s) const
    {
        colors.set(s.PaletteColors, s.PaletteColorsNum);
        start.set(s.PaletteStart, s.PaletteStartNum);
        every.set(s.PaletteEvery, s.PaletteEveryNum);
        setIndex(halftone, s.Halftone);
        setIndex(control, s.PaletteControl);
        setIndex(windows, s.WindowsColors);
    }
    template <class S> void store(S &s) const
    {
        colors.get(s.PaletteColors, s.PaletteColorsNum);
        start.get(s.PaletteStart, s.PaletteStartNum);
        every.get(s.PaletteEvery, s.PaletteEveryNum);
        s.Halftone = comboIndex(halftone);
        s.PaletteControl = comboIndex(control);
        s.WindowsColors = comboIndex(windows);
    }
    void setEnabled(bool on) const;
};
PaletteControls addPaletteControls(QFormLayout *form);

// "Lossy (N): " with its scroll bar from 0 to 9.
struct LossyControl {
    QLabel *label = nullptr;
    QScrollBar *bar = nullptr;
};
LossyControl addLossy(QFormLayout *form);

// The "&Type" button: exclusive output types (chosen(i) when one is picked),
// then a separator for the caller's toggles.
QToolButton *makeTypeButton(const char *const *items, int count, QList<QAction *> &actions,
                            std::function<void(int)> chosen);
int checkedIndex(const QList<QAction *> &actions);
void checkIndex(const QList<QAction *> &actions, int index);

// " &Enter the output file name:", the name (with the type button, if any),
// then the pages.
QVBoxLayout *outputColumn(QLineEdit *output, QToolButton *typeButton, QTabWidget *pages);

#endif

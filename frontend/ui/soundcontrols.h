// Controls shared by several tool tabs: the sound options of the mixer and the
// sound processor, the palette options of the compressor and the graphics
// processor, the lossy scroll bar, the output type menu and the output column.
#ifndef ZORB_FRONTEND_UI_SOUNDCONTROLS_H
#define ZORB_FRONTEND_UI_SOUNDCONTROLS_H

#include "frontend/ui/bindings.h"
#include "frontend/ui/toolform.h"

#include <QList>
#include <array>
#include <functional>
#include <utility>

class QAction;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QScrollBar;
class QTabWidget;
class QToolButton;
class QVBoxLayout;

namespace zfront {

// "Output Info": rate (with the typed rate), quality, channels.
struct SoundOutputControls {
    QComboBox *rate = nullptr, *quality = nullptr, *channels = nullptr;
    QLineEdit *typedRate = nullptr;
    void set(int rate, const QString &typed, int quality, int channels) const;
    void get(int &rate, QString &typed, int &quality, int &channels) const;
    template <class S>
    void bind(Bindings<S> &b, int S::*r, QString S::*typed, int S::*q, int S::*c) const
    {
        const SoundOutputControls self = *this;
        b.add([=](const S &s) { self.set(s.*r, s.*typed, s.*q, s.*c); },
              [=](S &s) { self.get(s.*r, s.*typed, s.*q, s.*c); });
        b.noteEdit(typedRate, typed);
    }
};
SoundOutputControls addSoundOutput(QFormLayout *form);

// "Input Info": input type with the forced rate and bytes to skip, and the
// track, starting and ending times.
struct SoundInputControls {
    QComboBox *type = nullptr;
    QLineEdit *forceRate = nullptr, *skip = nullptr;
    CheckEdit track, start, end;
    // The fields of a section: the type, the forced rate and the bytes to
    // skip, then each of track, start and end as its check and its number.
    template <class S>
    void bind(Bindings<S> &b, int S::*typeField, QString S::*rateField, QString S::*skipField,
              std::array<std::pair<bool S::*, QString S::*>, 3> checks) const
    {
        b.add(type, typeField);
        b.add(forceRate, rateField);
        b.add(skip, skipField);
        b.add(track, checks[0].first, checks[0].second);
        b.add(start, checks[1].first, checks[1].second);
        b.add(end, checks[2].first, checks[2].second);
    }
};
SoundInputControls addSoundInput(QFormLayout *form, bool mixer);

// "Total palette colors to use:" ... "Win system colors?", kept in sections
// that name them alike ([Zorb], [GraphicsProcessor]).
struct PaletteControls {
    CheckEdit colors, start, every;
    QComboBox *halftone = nullptr, *control = nullptr, *windows = nullptr;
    template <class S>
    void bind(Bindings<S> &b) const
    {
        b.add(colors, &S::PaletteColors, &S::PaletteColorsNum);
        b.add(start, &S::PaletteStart, &S::PaletteStartNum);
        b.add(every, &S::PaletteEvery, &S::PaletteEveryNum);
        b.add(halftone, &S::Halftone);
        b.add(control, &S::PaletteControl);
        b.add(windows, &S::WindowsColors);
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

} // namespace zfront

#endif

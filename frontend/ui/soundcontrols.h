// The sound option controls shared by the mixer and the sound processor tabs.
#ifndef ZFRONT_SOUNDCONTROLS_H
#define ZFRONT_SOUNDCONTROLS_H

#include "frontend/ui/tooltab.h"

class QComboBox;
class QFormLayout;
class QLineEdit;

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

#endif

#include "frontend/ui/soundcontrols.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>

void SoundOutputControls::set(int r, const QString &typed, int q, int c) const
{
    setIndex(rate, r);
    typedRate->setText(typed);
    typedRate->setEnabled(rate->currentIndex() == 4);
    setIndex(quality, q);
    setIndex(channels, c);
}

void SoundOutputControls::get(int &r, QString &typed, int &q, int &c) const
{
    r = rate->currentIndex();
    typed = typedRate->text();
    q = quality->currentIndex();
    c = channels->currentIndex();
}

SoundOutputControls addSoundOutput(QFormLayout *form)
{
    SoundOutputControls s;
    s.rate = addCombo(form, QStringLiteral("Output playback rate (sound frequency):"), rateItems());
    s.typedRate = new QLineEdit;
    s.typedRate->setMaxLength(8);
    form->addRow(QString(), s.typedRate);
    QObject::connect(s.rate, &QComboBox::currentIndexChanged, s.typedRate,
                     [edit = s.typedRate](int i) { edit->setEnabled(i == 4); });
    s.quality = addCombo(form, QStringLiteral("Output sound quality (sound bit depth):"), qualityItems());
    s.channels = addCombo(form, QStringLiteral("Output sound channels (mono or stereo):"), channelItems());
    return s;
}

SoundInputControls addSoundInput(QFormLayout *form, bool mixer)
{
    SoundInputControls s;
    s.type = addCombo(form, QStringLiteral("Input sound file type:"), inputTypeItems(mixer));
    s.forceRate = new QLineEdit;
    s.skip = new QLineEdit;
    form->addRow(QStringLiteral("Forced input data rate:"), s.forceRate);
    form->addRow(QStringLiteral("Skip into input  (bytes):"), s.skip);
    auto follow = [f = s.forceRate, k = s.skip](int i) {
        f->setEnabled(i >= 1);
        k->setEnabled(i >= 1);
    };
    QObject::connect(s.type, &QComboBox::currentIndexChanged, s.forceRate, follow);
    follow(0);
    s.track = addCheckEdit(form, QStringLiteral("Convert a specific track:"));
    s.start = addCheckEdit(form, QStringLiteral("Starting time (milliseconds):"));
    s.end = addCheckEdit(form, QStringLiteral("Ending time (milliseconds):"));
    return s;
}

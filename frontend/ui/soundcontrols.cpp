#include "frontend/ui/soundcontrols.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace zfront {

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
    s.typedRate->setAccessibleName(QStringLiteral("Specific rate"));
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

void PaletteControls::setEnabled(bool on) const
{
    for (const CheckEdit &c : {colors, start, every}) {
        c.check->setEnabled(on);
        c.edit->setEnabled(on);
    }
    for (QComboBox *c : {halftone, control, windows})
        c->setEnabled(on);
}

PaletteControls addPaletteControls(QFormLayout *form)
{
    PaletteControls p;
    p.colors = addCheckEdit(form, QStringLiteral("Total palette colors to use:"));
    p.start = addCheckEdit(form, QStringLiteral("Starting palette index to use:"));
    p.every = addCheckEdit(form, QStringLiteral("New palette at least every:"));
    p.halftone = addCombo(form, QStringLiteral("Halftone input files?"),
                          {QStringLiteral("When high color."), QStringLiteral("Always."), QStringLiteral("Never.")});
    p.control = addCombo(
        form, QStringLiteral("8-bit input palettes?"),
        {QStringLiteral("Copy existing."), QStringLiteral("Create new."), QStringLiteral("New when changes.")});
    p.windows = addCombo(form, QStringLiteral("Win system colors?"),
                         {QStringLiteral("On new palettes."), QStringLiteral("Always."), QStringLiteral("Never.")});
    return p;
}

LossyControl addLossy(QFormLayout *form)
{
    LossyControl l{new QLabel(QStringLiteral("Lossy (0): ")), new QScrollBar(Qt::Horizontal)};
    l.bar->setRange(0, 9);
    l.bar->setPageStep(1);
    QObject::connect(l.bar, &QScrollBar::valueChanged, l.label,
                     [label = l.label](int v) { label->setText(QStringLiteral("Lossy (%1): ").arg(v)); });
    form->addRow(l.label, l.bar);
    return l;
}

QToolButton *makeTypeButton(const char *const *items, int count, QList<QAction *> &actions,
                            std::function<void(int)> chosen)
{
    auto *button = new QToolButton;
    button->setText(QStringLiteral("&Type"));
    button->setPopupMode(QToolButton::InstantPopup);
    auto *menu = new QMenu(button);
    auto *group = new QActionGroup(menu);
    for (int i = 0; i < count; ++i) {
        QAction *a = menu->addAction(QLatin1String(items[i]));
        a->setCheckable(true);
        group->addAction(a);
        actions << a;
        QObject::connect(a, &QAction::triggered, button, [chosen, i] { chosen(i); });
    }
    menu->addSeparator();
    button->setMenu(menu);
    return button;
}

int checkedIndex(const QList<QAction *> &actions)
{
    for (int i = 0; i < actions.size(); ++i)
        if (actions[i]->isChecked())
            return i;
    return 0;
}

void checkIndex(const QList<QAction *> &actions, int index)
{
    if (index < 0 || index >= actions.size())
        index = 0;
    for (int i = 0; i < actions.size(); ++i)
        actions[i]->setChecked(i == index);
}

QVBoxLayout *outputColumn(QLineEdit *output, QToolButton *typeButton, QTabWidget *pages)
{
    auto *label = new QLabel(QStringLiteral(" &Enter the output file name:"));
    label->setBuddy(output);
    output->setAccessibleName(label->text());
    auto *row = new QHBoxLayout;
    row->addWidget(output);
    if (typeButton)
        row->addWidget(typeButton);
    auto *column = new QVBoxLayout;
    column->addWidget(label);
    column->addLayout(row);
    column->addWidget(pages);
    return column;
}

} // namespace zfront

#include "frontend/ui/toolform.h"

#include "frontend/core/settings.h"
#include "frontend/ui/dialogs.h"
#include "frontend/ui/selectionrun.h"
#include "frontend/ui/tabhost.h"

#include "frontend/core/hints.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>

namespace zfront {

ToolForm::ToolForm(TabHost &host, QWidget *parent) : QWidget(parent), host_(host) {}

Settings &ToolForm::settings()
{
    return host_.settings();
}

void ToolForm::showEvent(QShowEvent *event)
{
    loadSettings();
    if (!hintsApplied_) {
        hintsApplied_ = true;
        if (settings().main.ShowHints)
            applyHints(this);
    }
    loaded_ = true;
    QWidget::showEvent(event);
}

void ToolForm::loadSettings()
{
    if (load_)
        load_();
}

void ToolForm::storeSettings()
{
    if (store_)
        store_();
}

void ToolForm::resetDefaults()
{
    if (reset_)
        reset_();
}

void ToolForm::hideEvent(QHideEvent *event)
{
    if (loaded_)
        storeSettings();
    QWidget::hideEvent(event);
}

void ToolForm::copyCommand()
{
    QApplication::clipboard()->setText(currentCommand());
}

void ToolForm::askDefaults()
{
    if (!dialogs::askYes(this, QStringLiteral("Reset all options to their default values?")))
        return;
    storeSettings();
    resetDefaults();
    loadSettings();
}

QBoxLayout *ToolForm::buttonRow(const QList<QPushButton *> &ownButtons, const QString &helpTopic)
{
    auto *row = new QHBoxLayout;
    auto *back = new QPushButton(QStringLiteral("Back to &Main"));
    auto *help = new QPushButton(QStringLiteral("&Help"));
    auto *how = new QPushButton(QStringLiteral("Ho&w do I...?"));
    auto *defaults = new QPushButton(QStringLiteral("&Defaults"));
    auto *copy = new QPushButton(QStringLiteral("Copy command"));
    defaults->setObjectName(QStringLiteral("defaults"));
    copy->setObjectName(QStringLiteral("copyCommand"));
    connect(back, &QPushButton::clicked, this, [this] { host_.backToMain(); });
    connect(help, &QPushButton::clicked, this, [this, helpTopic] { host_.showHelp(helpTopic); });
    connect(how, &QPushButton::clicked, this, [this] { host_.showHelp(QStringLiteral("howto")); });
    connect(defaults, &QPushButton::clicked, this, &ToolForm::askDefaults);
    connect(copy, &QPushButton::clicked, this, &ToolForm::copyCommand);
    for (QPushButton *b : {back, help, how})
        row->addWidget(b);
    row->addStretch();
    for (QPushButton *b : ownButtons)
        row->addWidget(b);
    row->addWidget(defaults);
    row->addWidget(copy);
    return row;
}

void CheckEdit::set(bool on, const QString &text) const
{
    check->setChecked(on);
    edit->setText(text);
}

void CheckEdit::get(bool &on, QString &text) const
{
    on = check->isChecked();
    text = edit->text();
}

CheckEdit addCheckEdit(QFormLayout *form, const QString &caption, int maxLength)
{
    CheckEdit c{new QCheckBox(caption), new QLineEdit};
    c.edit->setMaxLength(maxLength);
    form->addRow(c.check, c.edit);
    return c;
}

QComboBox *addCombo(QFormLayout *form, const QString &caption, const QStringList &items)
{
    auto *combo = new QComboBox;
    combo->addItems(items);
    form->addRow(caption, combo);
    return combo;
}

QCheckBox *addCheck(QFormLayout *form, const QString &caption)
{
    auto *check = new QCheckBox(caption);
    form->addRow(check);
    return check;
}

void setIndex(QComboBox *combo, int index)
{
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : 0);
}

void followInput(QLineEdit *output, QString &basedOn, const QString &input, const QString &extension)
{
    const QString current = output->text();
    const bool derived = current.isEmpty() || basedOn.isEmpty() || current == defaultOutputName(basedOn, extension);
    if (input.isEmpty()) {
        // Nothing highlighted (another directory): a name made from the old
        // highlight goes; a name of the user's own stays.
        if (derived && !basedOn.isEmpty()) {
            output->clear();
            basedOn.clear();
        }
        return;
    }
    if (derived) {
        output->setText(defaultOutputName(input, extension));
        basedOn = QFileInfo(input).fileName();
    }
}

void changeExtension(QLineEdit *output, const QString &extension)
{
    const QString text = output->text();
    if (text.isEmpty())
        return;
    const qsizetype slash = text.lastIndexOf(QLatin1Char('/'));
    const QString base = QFileInfo(text).completeBaseName();
    output->setText(text.left(slash + 1) +
                    (extension.isEmpty() ? QFileInfo(text).fileName() : base + QLatin1Char('.') + extension));
}

QStringList rateItems()
{
    return {QStringLiteral("Copy the input playback rate."), QStringLiteral("Output as 11,025 hz."),
            QStringLiteral("Output as 22,050 hz."), QStringLiteral("Output as 44,100 hz."),
            QStringLiteral("Let me enter a specific rate.")};
}

QStringList qualityItems()
{
    return {QStringLiteral("Copy the input sound quality."), QStringLiteral("Output as 8 bit sound."),
            QStringLiteral("Output as 16 bit sound.")};
}

QStringList channelItems()
{
    return {QStringLiteral("Copy the input sound channels."), QStringLiteral("Output as mono sound."),
            QStringLiteral("Output as stereo sound.")};
}

QStringList inputTypeItems(bool mixer)
{
    QStringList items{QStringLiteral("Use the default input type."), QStringLiteral("Force to 8 bit, mono."),
                      QStringLiteral("Force to 8 bit, stereo."), QStringLiteral("Force to 16 bit, mono."),
                      QStringLiteral("Force to 16 bit, stereo.")};
    if (mixer)
        items << QStringLiteral("Input file contains non-sound data.");
    return items;
}

namespace {

// The caption that names a control: its accessible name, its own text, or
// the caption of the form row that holds it.
QString captionOf(QWidget *w, const QHash<QWidget *, QString> &rowCaptions)
{
    if (!w->accessibleName().isEmpty())
        return w->accessibleName();
    if (auto *b = qobject_cast<QAbstractButton *>(w); b && !b->text().isEmpty() && b->text() != QLatin1String("..."))
        return b->text();
    return rowCaptions.value(w);
}

void collectWidgets(QLayoutItem *item, QList<QWidget *> &out)
{
    if (!item)
        return;
    if (QWidget *w = item->widget())
        out << w;
    else if (QLayout *l = item->layout())
        for (int i = 0; i < l->count(); ++i)
            collectWidgets(l->itemAt(i), out);
}

} // namespace

bool IsHintedControl(QWidget *w)
{
    // The parts of composite widgets (a list's scroll bars, a combo box's
    // pop-up, a tab bar's arrows) are not controls of their own.
    for (QWidget *p = w->parentWidget(); p; p = p->parentWidget())
        if (qobject_cast<QComboBox *>(p) || qobject_cast<QAbstractScrollArea *>(p) || qobject_cast<QTabBar *>(p))
            return false;
    return qobject_cast<QAbstractButton *>(w) || qobject_cast<QComboBox *>(w) || qobject_cast<QLineEdit *>(w) ||
           qobject_cast<QAbstractSlider *>(w) || qobject_cast<QAbstractScrollArea *>(w);
}

void applyHints(QWidget *tab)
{
    QHash<QWidget *, QString> rowCaptions;
    for (QFormLayout *form : tab->findChildren<QFormLayout *>()) {
        for (int row = 0; row < form->rowCount(); ++row) {
            QString caption;
            if (QLayoutItem *label = form->itemAt(row, QFormLayout::LabelRole)) {
                if (auto *l = qobject_cast<QLabel *>(label->widget()))
                    caption = l->text();
                else if (auto *b = qobject_cast<QAbstractButton *>(label->widget()))
                    caption = b->text();
            }
            QList<QWidget *> fields;
            collectWidgets(form->itemAt(row, QFormLayout::FieldRole), fields);
            for (QWidget *f : fields)
                if (!caption.isEmpty())
                    rowCaptions.insert(f, caption);
        }
    }
    for (QWidget *w : tab->findChildren<QWidget *>()) {
        if (!IsHintedControl(w) || !w->toolTip().isEmpty())
            continue;
        QString hint = HintFor(captionOf(w, rowCaptions));
        if (auto *edit = qobject_cast<QLineEdit *>(w))
            if (auto *v = qobject_cast<const FieldValidator *>(edit->validator())) {
                const QString range = QStringLiteral("Digits only, %1 to %2.").arg(v->rule().min).arg(v->rule().max);
                hint = hint.isEmpty() ? range : hint + u' ' + range;
            }
        w->setToolTip(hint);
    }
}

} // namespace zfront

// What every tool tab shares: the host, filling the controls from the
// settings when shown and writing them back when hidden, the row of buttons
// and the "Copy command" action.
#ifndef ZORB_FRONTEND_UI_TOOLFORM_H
#define ZORB_FRONTEND_UI_TOOLFORM_H

#include "frontend/core/settings.h"
#include "frontend/ui/fieldvalidator.h"

#include <QWidget>

#include <functional>

class QBoxLayout;
class QCheckBox;
class QComboBox;
class QFormLayout;
class QLineEdit;
class QPushButton;

namespace zfront {

class TabHost;

class ToolForm : public QWidget {
    Q_OBJECT
public:
    explicit ToolForm(TabHost &host, QWidget *parent = nullptr);

    // Controls from the settings variables, and back: the fields bound with
    // bindSection(), unless a form does more.
    virtual void loadSettings();
    virtual void storeSettings();
    // The command line the tab would run for the highlighted file(s) now.
    virtual QString currentCommand() = 0;
    // Puts currentCommand() on the clipboard.
    void copyCommand();
    // Asks "Reset all options to their default values?" and resets.
    void askDefaults();

protected:
    // The bound section back at its defaults, keeping where the browser stands.
    virtual void resetDefaults();
    // The form's settings section (a member of Settings) and the bindings of
    // its controls (Bindings<S>, kept by the form).
    template <class S, class F>
    void bindSection(S Settings::*section, const F &fields)
    {
        load_ = [this, section, &fields] {
            if (!rulesApplied_) {
                // Each bound number edit takes what its settings field takes.
                rulesApplied_ = true;
                static const Settings probe;
                fields.forEachEdit([&](QLineEdit *edit, QString S::*field) {
                    applyRule(edit, probe.ruleOf(&((probe.*section).*field)));
                });
            }
            fields.load(settings().*section);
        };
        store_ = [this, section, &fields] { fields.store(settings().*section); };
        if constexpr (requires(S & s) { s.Filename; }) // (the mixer has two browsers of its own)
            reset_ = [this, section] { resetKeepingBrowser(settings().*section); };
    }
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    Settings &settings();
    // "Back to &Main", "&Help", "Ho&w do I...?", then the tab's own buttons,
    // "&Defaults" and "Copy command".
    QBoxLayout *buttonRow(const QList<QPushButton *> &ownButtons, const QString &helpTopic);

    TabHost &host_;
    bool loaded_ = false;
    bool rulesApplied_ = false;
    bool hintsApplied_ = false;

private:
    std::function<void()> load_, store_, reset_;
};

// A check box with a number or text edit beside it.
struct CheckEdit {
    QCheckBox *check = nullptr;
    QLineEdit *edit = nullptr;
    void set(bool on, const QString &text) const;
    void get(bool &on, QString &text) const;
};
CheckEdit addCheckEdit(QFormLayout *form, const QString &caption, int maxLength = 8);
QComboBox *addCombo(QFormLayout *form, const QString &caption, const QStringList &items);
QCheckBox *addCheck(QFormLayout *form, const QString &caption);
// Gives every control of a tab that has no tooltip the hint for its caption
// (number fields also say what they take). Rules must be applied first.
void applyHints(QWidget *tab);
// The widgets that get hints: buttons, check boxes, lists, edits, sliders
// (not the parts of composite widgets).
bool IsHintedControl(QWidget *w);
// A combo index within range.
void setIndex(QComboBox *combo, int index);

// A section back at its defaults, keeping where the tab's browser stands
// and its output name.
template <class S>
void resetKeepingBrowser(S &s)
{
    S fresh;
    fresh.Filename = s.Filename, fresh.Directory = s.Directory, fresh.Filter = s.Filter;
    if constexpr (requires { s.OutputName; })
        fresh.OutputName = s.OutputName, fresh.OutputBasedOn = s.OutputBasedOn;
    if constexpr (requires { s.CurrentTab; })
        fresh.CurrentTab = s.CurrentTab;
    s = fresh;
}

// The output name follows the highlighted input (its base name with
// extension) while the user has not typed a name of his own; basedOn is the
// input it was made from.
void followInput(QLineEdit *output, QString &basedOn, const QString &input, const QString &extension);
// Gives the output name a new extension (the output type changed).
void changeExtension(QLineEdit *output, const QString &extension);

// Sound option lists shared by the tabs that write sound.
QStringList rateItems();
QStringList qualityItems();
QStringList channelItems();
QStringList inputTypeItems(bool mixer);

} // namespace zfront

#endif

// Ties a tool form's controls to the fields of its settings section: load()
// fills the controls from the section (when the tab is shown), store() writes
// them back (when it is hidden). Each control is named once, with its field,
// so the two directions cannot drift apart. Bindings run in the order they
// were added.
#ifndef ZORB_FRONTEND_UI_BINDINGS_H
#define ZORB_FRONTEND_UI_BINDINGS_H

#include "frontend/ui/filepane.h"
#include "frontend/ui/toolform.h"

#include <QAbstractSlider>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QTabWidget>

#include <functional>
#include <utility>
#include <vector>

namespace zfront {

template <class S>
class Bindings {
public:
    using Load = std::function<void(const S &)>;
    using Store = std::function<void(S &)>;

    void add(Load load, Store store) { items_.push_back({std::move(load), std::move(store)}); }

    void add(QCheckBox *c, bool S::*f)
    {
        add([c, f](const S &s) { c->setChecked(s.*f); }, [c, f](S &s) { s.*f = c->isChecked(); });
    }
    void add(QAction *a, bool S::*f)
    {
        add([a, f](const S &s) { a->setChecked(s.*f); }, [a, f](S &s) { s.*f = a->isChecked(); });
    }
    void add(QLineEdit *e, QString S::*f)
    {
        add([e, f](const S &s) { e->setText(s.*f); }, [e, f](S &s) { s.*f = e->text(); });
        noteEdit(e, f);
    }
    // An edit holding field f: it gets the field's rule (see forEachEdit).
    void noteEdit(QLineEdit *e, QString S::*f) { edits_.push_back({e, f}); }
    template <class F>
    void forEachEdit(F &&f) const
    {
        for (const auto &[edit, field] : edits_)
            f(edit, field);
    }
    // A list whose index is stored plus `first` (the mixer's "Track 1" is 1).
    void add(QComboBox *c, int S::*f, int first = 0)
    {
        add([c, f, first](const S &s) { setIndex(c, s.*f - first); },
            [c, f, first](S &s) { s.*f = c->currentIndex() + first; });
    }
    void add(QTabWidget *t, int S::*f)
    {
        add([t, f](const S &s) { t->setCurrentIndex(s.*f); }, [t, f](S &s) { s.*f = t->currentIndex(); });
    }
    void add(QAbstractSlider *b, int S::*f)
    {
        add([b, f](const S &s) { b->setValue(s.*f); }, [b, f](S &s) { s.*f = b->value(); });
    }
    void add(const CheckEdit &c, bool S::*on, QString S::*text)
    {
        add([c, on, text](const S &s) { c.set(s.*on, s.*text); }, [c, on, text](S &s) { c.get(s.*on, s.*text); });
        noteEdit(c.edit, text);
    }
    // A form member kept as it is (the input the output name was made from).
    void add(QString *member, QString S::*f)
    {
        add([member, f](const S &s) { *member = s.*f; }, [member, f](S &s) { s.*f = *member; });
    }
    // A browser: its directory, filter and highlighted file.
    void add(FileSelection *pane, QString S::*directory, int S::*filter, QString S::*file)
    {
        add(
            [=](const S &s) {
                if (!(s.*directory).isEmpty())
                    pane->setDirectory(s.*directory);
                pane->setFilterIndex(s.*filter);
                if (!(s.*file).isEmpty())
                    pane->selectFile(s.*file);
            },
            [=](S &s) {
                s.*directory = pane->directory();
                s.*filter = pane->filterIndex();
                s.*file = QFileInfo(pane->currentPath()).fileName();
            });
    }
    // The usual browser of a section (Directory, Filter, Filename).
    void addBrowser(FileSelection *pane) { add(pane, &S::Directory, &S::Filter, &S::Filename); }
    // The output name and the input it was made from; added before the
    // browser, since highlighting the file may derive the name afresh.
    void addOutput(QLineEdit *output, QString *basedOn)
    {
        add(output, &S::OutputName);
        add(basedOn, &S::OutputBasedOn);
    }

    void load(const S &s) const
    {
        for (const Item &i : items_)
            i.load(s);
    }
    void store(S &s) const
    {
        for (const Item &i : items_)
            i.store(s);
    }

private:
    struct Item {
        Load load;
        Store store;
    };
    std::vector<Item> items_;
    std::vector<std::pair<QLineEdit *, QString S::*>> edits_;
};

} // namespace zfront

#endif

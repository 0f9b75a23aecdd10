// The "Zorb" tab: the compressor's options and its command line.
#ifndef ZORB_FRONTEND_UI_ZORBFORM_H
#define ZORB_FRONTEND_UI_ZORBFORM_H

#include "frontend/core/settings.h"
#include "frontend/ui/bindings.h"
#include "frontend/ui/soundcontrols.h"
#include "frontend/ui/toolform.h"

#include <array>

class QActionGroup;
class QAction;
class QLabel;
class QPlainTextEdit;
class QScrollBar;
class QTabWidget;

namespace zfront {

class FileSelection;
struct ToolRun;

class ZorbForm : public ToolForm {
    Q_OBJECT
public:
    // browser: the main window's browser for this tab (null: a FilePane of its own).
    explicit ZorbForm(TabHost &host, FileSelection *browser = nullptr, QWidget *parent = nullptr);

    QString currentCommand() override;
    // "&Zorb": writes the frame memo and processes the selection.
    void run();

    FileSelection *browser() const { return pane_; }
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
    using Z = Settings::Zorb;
    // Ties the list and its four remembered values to the section.
    void setupCompression(Compression &c, int Z::*type, std::array<QString Z::*, 4> values);
    void showCompression(Compression &c, int index);
    void selectionChanged();
    void typeChosen(int type);
    ToolRun toolRun(const QString &memoFile);
    QString switches();

    FileSelection *pane_;
    QLineEdit *output_;
    QList<QAction *> types_;
    QAction *mixOriginal_, *overwrite_;
    Compression regular_, key_;
    SoundOutputControls sound_;
    LossyControl lossy_;
    QLineEdit *autoKey_;
    QLineEdit *palette_;
    QCheckBox *noSound_;
    QPlainTextEdit *memo_;
    QTabWidget *pages_;
    QString basedOn_;
    Bindings<Settings::Zorb> fields_;
};

} // namespace zfront

#endif

#include "frontend/ui/playform.h"

#include "frontend/core/selection.h"
#include "frontend/core/settings.h"
#include "frontend/core/toolcommands.h"
#include "frontend/ui/dialogs.h"
#include "frontend/ui/filepane.h"
#include "frontend/ui/tabhost.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QVBoxLayout>

namespace zfront {

PlayForm::PlayForm(TabHost &host, FileSelection *browser, QWidget *parent)
    : ToolForm(host, parent), pane_(browser ? browser
                                            : new FilePane(QStringLiteral(" Highlight a &Zorblax file to play: "),
                                                           {QStringLiteral("Zorblax files (*.zbx *.ZBX)")})),
      pages_(new QTabWidget)
{
    using P = Settings::Play;
    bindSection(&Settings::play, fields_);
    fields_.addBrowser(pane_);
    fields_.add(pages_, &P::CurrentTab);
    auto *common = new QWidget;
    auto *cf = new QFormLayout(common);
    fields_.add(addCombo(cf, QStringLiteral("Display:"),
                         {QStringLiteral("Automatic"), QStringLiteral("Full Screen 320x240"),
                          QStringLiteral("Full Screen 320x200"), QStringLiteral("Standard Windows DIBs"),
                          QStringLiteral("CreateDIBSection or WinG")}),
                &P::Display);
    fields_.add(addCombo(cf, QStringLiteral("Use:"),
                         {QStringLiteral("Current Resolution"), QStringLiteral("640 x 400"),
                          QStringLiteral("640 x 480"), QStringLiteral("800 x 600"), QStringLiteral("1024 x 768")}),
                &P::Use);
    fields_.add(addCheckEdit(cf, QStringLiteral("Loop [forever]:")), &P::Loop, &P::LoopNum);
    fields_.add(addCheckEdit(cf, QStringLiteral("Frame rate [fast]:")), &P::FrameRate, &P::FrameRateNum);
    fields_.add(addCheck(cf, QStringLiteral("Preload the entire file.")), &P::Preload);
    fields_.add(addCheck(cf, QStringLiteral("Show a playback summary.")), &P::ShowSummary);
    fields_.add(addCheck(cf, QStringLiteral("Don't drop frames.")), &P::NoFrameDrop);
    fields_.add(addCheck(cf, QStringLiteral("Don't use MMX?")), &P::MMXOff);
    auto *perm = new QPushButton(QStringLiteral("Perm."));
    cf->addRow(perm);
    connect(perm, &QPushButton::clicked, this, &PlayForm::storeSettings);

    auto *displayPage = new QWidget;
    auto *df = new QFormLayout(displayPage);
    fields_.add(addCheckEdit(df, QStringLiteral("Use X Coordinate:")), &P::X, &P::XNum);
    fields_.add(addCheckEdit(df, QStringLiteral("Use Y Coordinate:")), &P::Y, &P::YNum);
    fields_.add(addCheckEdit(df, QStringLiteral("Stretch to Width:")), &P::W, &P::WNum);
    fields_.add(addCheckEdit(df, QStringLiteral("Stretch to Height:")), &P::H, &P::HNum);
    fields_.add(addCombo(df, QStringLiteral("Height scaling:"),
                         {QStringLiteral("Default."), QStringLiteral("Interlace."), QStringLiteral("Double."),
                          QStringLiteral("Force no scaling.")}),
                &P::YScale);
    fields_.add(addCombo(df, QStringLiteral("On 2x Stretch:"),
                         {QStringLiteral("Doubled pixels."), QStringLiteral("Interlaced pixels."),
                          QStringLiteral("Smoothed pixels (slow).")}),
                &P::Stretch);
    fields_.add(addCheck(df, QStringLiteral("No blit acceleration (No DirectDraw).")), &P::DirectDrawOff);
    fields_.add(addCombo(df, QStringLiteral("Palette control:"),
                         {QStringLiteral("Remap if necessary."), QStringLiteral("Remap to system."),
                          QStringLiteral("Never remap.")}),
                &P::NoRemap);
    fields_.add(addCheck(df, QStringLiteral("Double-buffer.")), &P::DoubleBuffer);

    auto *soundPage = new QWidget;
    auto *sf = new QFormLayout(soundPage);
    for (int i = 0; i < 7; ++i) {
        QCheckBox *track = addCheck(sf, QStringLiteral("Play track %1.").arg(i + 1));
        const int bit = 1 << i;
        fields_.add([track, bit](const P &p) { track->setChecked(p.Tracks & bit); },
                    [track, bit](P &p) { p.Tracks = (track->isChecked() ? p.Tracks | bit : p.Tracks & ~bit) & 127; });
    }
    fields_.add(addCheck(sf, QStringLiteral("Sound only.")), &P::SoundOnly);
    fields_.add(addCheck(sf, QStringLiteral("Use DirectSound for playback?")), &P::DirectSound);

    auto *expert = new QWidget;
    auto *ef = new QFormLayout(expert);
    fields_.add(addCombo(ef, QStringLiteral("Controls:"),
                         {QStringLiteral("All enabled."), QStringLiteral("No pause."), QStringLiteral("No skip."),
                          QStringLiteral("No pause, no skip."), QStringLiteral("No quit."),
                          QStringLiteral("No pause, no quit."), QStringLiteral("No skip, no quit."),
                          QStringLiteral("No pause. no skip, no quit.")}),
                &P::DisabledControls);
    fields_.add(addCombo(ef, QStringLiteral("Style:"),
                         {QStringLiteral("Caption, thick border."), QStringLiteral("Caption, thin border."),
                          QStringLiteral("No caption, thin border."), QStringLiteral("No caption, thick border."),
                          QStringLiteral("No caption, no border.")}),
                &P::Style);
    fields_.add(addCheck(ef, QStringLiteral("Don't clear between.")), &P::NoClear);
    fields_.add(addCheckEdit(ef, QStringLiteral("Simulate bytes/sec:")), &P::Simulate, &P::SimulateNum);
    fields_.add(addCheckEdit(ef, QStringLiteral("Use extra memory:")), &P::ExtraMem, &P::ExtraMemNum);
    fields_.add(addCheck(ef, QStringLiteral("Load extra memory.")), &P::LoadExtra);
    fields_.add(addCheck(ef, QStringLiteral("Don't pause on lost focus.")), &P::NoPause);
    fields_.add(addCheck(ef, QStringLiteral("Show differences only.")), &P::DeltasOnly);
    fields_.add(addCheck(ef, QStringLiteral("Show frame numbers.")), &P::ShowFrames);

    pages_->addTab(common, QStringLiteral("Common"));
    pages_->addTab(displayPage, QStringLiteral("Display"));
    pages_->addTab(soundPage, QStringLiteral("Sound"));
    pages_->addTab(expert, QStringLiteral("Expert"));

    auto *playButton = new QPushButton(QStringLiteral("&Play"));
    auto *analyzeButton = new QPushButton(QStringLiteral("&Analyze"));
    auto *compileButton = new QPushButton(QStringLiteral("&Compile to Exe"));
    auto *lastButton = new QPushButton(QStringLiteral("Play &Last"));
    playButton->setObjectName(QStringLiteral("run"));
    connect(playButton, &QPushButton::clicked, this, &PlayForm::play);
    connect(analyzeButton, &QPushButton::clicked, this, &PlayForm::analyze);
    connect(compileButton, &QPushButton::clicked, this, &PlayForm::compileToExe);
    connect(lastButton, &QPushButton::clicked, this, &PlayForm::playLast);
    connect(pane_, &FileSelection::fileActivated, this, &PlayForm::playFile);

    auto *top = new QHBoxLayout;
    top->addWidget(pane_, 1);
    top->addWidget(pages_, 2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttonRow({playButton, analyzeButton, compileButton, lastButton}, QStringLiteral("player")));
}

QString PlayForm::currentCommand()
{
    storeSettings();
    const QString path = pane_->currentPath();
    if (path.isEmpty())
        return QString();
    return toolcmd::playCommand(selection::commandName(path, pane_->directory()),
                                toolcmd::playSwitches(settings().play));
}

void PlayForm::play()
{
    const QString path = pane_->currentPath();
    if (path.isEmpty()) {
        dialogs::tell(this, QStringLiteral("Please highlight a Zorblax file to play first."));
        return;
    }
    playFile(path);
}

void PlayForm::playFile(const QString &path)
{
    if (!toolcmd::isZorblaxFile(path)) {
        view(path);
        return;
    }
    storeSettings();
    const QString directory = QFileInfo(path).absolutePath();
    host_.runCommand(directory, toolcmd::playCommand(selection::commandName(path, directory),
                                                     toolcmd::playSwitches(settings().play)));
    Settings::addRecent(settings().recentFiles, path);
}

void PlayForm::playLast()
{
    for (const QString &f : settings().recentFiles)
        if (QFileInfo(f).suffix().compare(QLatin1String("zbx"), Qt::CaseInsensitive) == 0) {
            playFile(f);
            return;
        }
    dialogs::tell(this, QStringLiteral("Sorry, no recent Zorblax file found."));
}

void PlayForm::analyze()
{
    const QString path = pane_->currentPath();
    if (path.isEmpty()) {
        dialogs::tell(this, QStringLiteral("Please highlight a Zorblax file to analyze first."));
        return;
    }
    host_.openAnalyzer(this, path);
}

QString PlayForm::playerProgram() const
{
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/zorbplw");
    if (QFileInfo(beside).isExecutable())
        return beside;
    const QString found = QStandardPaths::findExecutable(QStringLiteral("zorbplw"));
    return found.isEmpty() ? QStringLiteral("zorbplw") : found;
}

void PlayForm::compileToExe()
{
    const QString path = pane_->currentPath();
    if (path.isEmpty() || !toolcmd::isZorblaxFile(path)) {
        dialogs::tell(this, QStringLiteral("Please highlight a Zorblax file to compile first."));
        return;
    }
    storeSettings();
    QDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("Compile to Exe"));
    auto *form = new QFormLayout(&dialog);
    auto *player = new QLineEdit(playerProgram());
    auto *input = new QLineEdit(path);
    input->setReadOnly(true);
    auto *output =
        new QLineEdit(QFileInfo(path).absolutePath() + QLatin1Char('/') + QFileInfo(path).completeBaseName());
    // Each name with a Browse button beside it; the names get room to be read.
    auto browseRow = [&](const QString &caption, QLineEdit *edit, bool save) {
        auto *row = new QHBoxLayout;
        auto *browse = new QPushButton(QStringLiteral("&Browse..."));
        browse->setAccessibleName(QStringLiteral("Browse"));
        row->addWidget(edit, 1);
        row->addWidget(browse);
        form->addRow(caption, row);
        connect(browse, &QPushButton::clicked, &dialog, [&dialog, edit, save, caption] {
            const QString start = QFileInfo(edit->text()).absolutePath();
            const QString f = save ? QFileDialog::getSaveFileName(&dialog, caption, edit->text())
                                   : QFileDialog::getOpenFileName(&dialog, caption, start);
            if (!f.isEmpty())
                edit->setText(f);
        });
    };
    browseRow(QStringLiteral("Player program:"), player, false);
    form->addRow(QStringLiteral("Zorblax file:"), input);
    browseRow(QStringLiteral("Program to create:"), output, true);
    dialog.setMinimumWidth(560);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    applyHints(&dialog);
    if (dialog.exec() != QDialog::Accepted || selection::trimLow(output->text()).isEmpty())
        return;
    const QString directory = QFileInfo(path).absolutePath();
    host_.runCommand(directory, toolcmd::compileCommand(selection::commandName(player->text(), directory),
                                                        selection::trimLow(output->text()),
                                                        selection::commandName(path, directory),
                                                        toolcmd::playSwitches(settings().play)));
}

void PlayForm::view(const QString &path)
{
    const QString directory = QFileInfo(path).absolutePath();
    const QString command = toolcmd::viewCommand(path, directory);
    if (!command.isEmpty()) {
        host_.runCommand(directory, command);
        return;
    }
    if (host_.showImage(this, path))
        return;
    host_.runCommand(directory, QStringLiteral("Type ") + selection::commandName(path, directory));
}

} // namespace zfront

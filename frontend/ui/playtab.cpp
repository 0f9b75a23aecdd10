#include "frontend/ui/playtab.h"

#include "frontend/core/selection.h"
#include "frontend/core/settings.h"
#include "frontend/core/toolcommands.h"
#include "frontend/ui/dialogs.h"
#include "frontend/ui/filepane.h"
#include "frontend/ui/tabhost.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>

PlayTab::PlayTab(TabHost &host, QWidget *parent)
    : ToolTab(host, parent),
      pane_(new FilePane(QStringLiteral(" Highlight a &Zorblax file to play: "),
                         {QStringLiteral("Zorblax files (*.zbx *.ZBX)")})),
      pages_(new QTabWidget)
{
    auto *common = new QWidget;
    auto *cf = new QFormLayout(common);
    display_ = addCombo(cf, QStringLiteral("Display:"),
                        {QStringLiteral("Automatic"), QStringLiteral("Full Screen 320x240"),
                         QStringLiteral("Full Screen 320x200"), QStringLiteral("Standard Windows DIBs"),
                         QStringLiteral("CreateDIBSection or WinG")});
    use_ = addCombo(cf, QStringLiteral("Use:"),
                    {QStringLiteral("Current Resolution"), QStringLiteral("640 x 400"), QStringLiteral("640 x 480"),
                     QStringLiteral("800 x 600"), QStringLiteral("1024 x 768")});
    loop_ = addCheckEdit(cf, QStringLiteral("Loop [forever]:"));
    frameRate_ = addCheckEdit(cf, QStringLiteral("Frame rate [fast]:"));
    preload_ = addCheck(cf, QStringLiteral("Preload the entire file."));
    summary_ = addCheck(cf, QStringLiteral("Show a playback summary."));
    noDrop_ = addCheck(cf, QStringLiteral("Don't drop frames."));
    mmxOff_ = addCheck(cf, QStringLiteral("Don't use MMX?"));
    auto *perm = new QPushButton(QStringLiteral("Perm."));
    cf->addRow(perm);
    connect(perm, &QPushButton::clicked, this, &PlayTab::storeSettings);

    auto *displayPage = new QWidget;
    auto *df = new QFormLayout(displayPage);
    x_ = addCheckEdit(df, QStringLiteral("Use X Coordinate:"));
    y_ = addCheckEdit(df, QStringLiteral("Use Y Coordinate:"));
    w_ = addCheckEdit(df, QStringLiteral("Stretch to Width:"));
    h_ = addCheckEdit(df, QStringLiteral("Stretch to Height:"));
    yScale_ = addCombo(df, QStringLiteral("Height scaling:"),
                       {QStringLiteral("Default."), QStringLiteral("Interlace."), QStringLiteral("Double."),
                        QStringLiteral("Force no scaling.")});
    stretch_ = addCombo(df, QStringLiteral("On 2x Stretch:"),
                        {QStringLiteral("Doubled pixels."), QStringLiteral("Interlaced pixels."),
                         QStringLiteral("Smoothed pixels (slow).")});
    ddOff_ = addCheck(df, QStringLiteral("No blit acceleration (No DirectDraw)."));
    remap_ = addCombo(df, QStringLiteral("Palette control:"),
                      {QStringLiteral("Remap if necessary."), QStringLiteral("Remap to system."),
                       QStringLiteral("Never remap.")});
    doubleBuffer_ = addCheck(df, QStringLiteral("Double-buffer."));

    auto *soundPage = new QWidget;
    auto *sf = new QFormLayout(soundPage);
    for (int i = 0; i < 7; ++i)
        tracks_[i] = addCheck(sf, QStringLiteral("Play track %1.").arg(i + 1));
    soundOnly_ = addCheck(sf, QStringLiteral("Sound only."));
    directSound_ = addCheck(sf, QStringLiteral("Use DirectSound for playback?"));

    auto *expert = new QWidget;
    auto *ef = new QFormLayout(expert);
    controls_ = addCombo(ef, QStringLiteral("Controls:"),
                         {QStringLiteral("All enabled."), QStringLiteral("No pause."), QStringLiteral("No skip."),
                          QStringLiteral("No pause, no skip."), QStringLiteral("No quit."),
                          QStringLiteral("No pause, no quit."), QStringLiteral("No skip, no quit."),
                          QStringLiteral("No pause. no skip, no quit.")});
    style_ = addCombo(ef, QStringLiteral("Style:"),
                      {QStringLiteral("Caption, thick border."), QStringLiteral("Caption, thin border."),
                       QStringLiteral("No caption, thin border."), QStringLiteral("No caption, thick border."),
                       QStringLiteral("No caption, no border.")});
    noClear_ = addCheck(ef, QStringLiteral("Don't clear between."));
    simulate_ = addCheckEdit(ef, QStringLiteral("Simulate bytes/sec:"));
    extraMem_ = addCheckEdit(ef, QStringLiteral("Use extra memory:"));
    loadExtra_ = addCheck(ef, QStringLiteral("Load extra memory."));
    noPause_ = addCheck(ef, QStringLiteral("Don't pause on lost focus."));
    deltas_ = addCheck(ef, QStringLiteral("Show differences only."));
    frames_ = addCheck(ef, QStringLiteral("Show frame numbers."));

    pages_->addTab(common, QStringLiteral("Common"));
    pages_->addTab(displayPage, QStringLiteral("Display"));
    pages_->addTab(soundPage, QStringLiteral("Sound"));
    pages_->addTab(expert, QStringLiteral("Expert"));

    auto *playButton = new QPushButton(QStringLiteral("&Play"));
    auto *analyzeButton = new QPushButton(QStringLiteral("&Analyze"));
    auto *compileButton = new QPushButton(QStringLiteral("&Compile to Exe"));
    auto *lastButton = new QPushButton(QStringLiteral("Play &Last"));
    playButton->setObjectName(QStringLiteral("run"));
    connect(playButton, &QPushButton::clicked, this, &PlayTab::play);
    connect(analyzeButton, &QPushButton::clicked, this, &PlayTab::analyze);
    connect(compileButton, &QPushButton::clicked, this, &PlayTab::compileToExe);
    connect(lastButton, &QPushButton::clicked, this, &PlayTab::playLast);
    connect(pane_, &FilePane::fileActivated, this, &PlayTab::playFile);

    auto *top = new QHBoxLayout;
    top->addWidget(pane_, 1);
    top->addWidget(pages_, 2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttonRow({playButton, analyzeButton, compileButton, lastButton}, QStringLiteral("player")));
}

void PlayTab::loadSettings()
{
    const Settings::Play &p = settings().play;
    if (!p.Directory.isEmpty())
        pane_->setDirectory(p.Directory);
    pane_->setFilterIndex(p.Filter);
    if (!p.Filename.isEmpty())
        pane_->selectFile(p.Filename);
    pages_->setCurrentIndex(p.CurrentTab);
    setIndex(display_, p.Display);
    setIndex(use_, p.Use);
    setIndex(controls_, p.DisabledControls);
    setIndex(yScale_, p.YScale);
    setIndex(style_, p.Style);
    setIndex(remap_, p.NoRemap);
    setIndex(stretch_, p.Stretch);
    for (int i = 0; i < 7; ++i)
        tracks_[i]->setChecked((p.Tracks >> i) & 1);
    loop_.set(p.Loop, p.LoopNum);
    frameRate_.set(p.FrameRate, p.FrameRateNum);
    x_.set(p.X, p.XNum);
    y_.set(p.Y, p.YNum);
    w_.set(p.W, p.WNum);
    h_.set(p.H, p.HNum);
    simulate_.set(p.Simulate, p.SimulateNum);
    extraMem_.set(p.ExtraMem, p.ExtraMemNum);
    preload_->setChecked(p.Preload);
    summary_->setChecked(p.ShowSummary);
    noDrop_->setChecked(p.NoFrameDrop);
    frames_->setChecked(p.ShowFrames);
    directSound_->setChecked(p.DirectSound);
    ddOff_->setChecked(p.DirectDrawOff);
    mmxOff_->setChecked(p.MMXOff);
    soundOnly_->setChecked(p.SoundOnly);
    doubleBuffer_->setChecked(p.DoubleBuffer);
    noClear_->setChecked(p.NoClear);
    loadExtra_->setChecked(p.LoadExtra);
    noPause_->setChecked(p.NoPause);
    deltas_->setChecked(p.DeltasOnly);
}

void PlayTab::storeSettings()
{
    Settings::Play &p = settings().play;
    p.Directory = pane_->directory();
    p.Filter = pane_->filterIndex();
    p.Filename = QFileInfo(pane_->currentPath()).fileName();
    p.CurrentTab = pages_->currentIndex();
    p.Display = display_->currentIndex();
    p.Use = use_->currentIndex();
    p.DisabledControls = controls_->currentIndex();
    p.YScale = yScale_->currentIndex();
    p.Style = style_->currentIndex();
    p.NoRemap = remap_->currentIndex();
    p.Stretch = stretch_->currentIndex();
    p.Tracks = 0;
    for (int i = 0; i < 7; ++i)
        p.Tracks |= tracks_[i]->isChecked() ? 1 << i : 0;
    loop_.get(p.Loop, p.LoopNum);
    frameRate_.get(p.FrameRate, p.FrameRateNum);
    x_.get(p.X, p.XNum);
    y_.get(p.Y, p.YNum);
    w_.get(p.W, p.WNum);
    h_.get(p.H, p.HNum);
    simulate_.get(p.Simulate, p.SimulateNum);
    extraMem_.get(p.ExtraMem, p.ExtraMemNum);
    p.Preload = preload_->isChecked();
    p.ShowSummary = summary_->isChecked();
    p.NoFrameDrop = noDrop_->isChecked();
    p.ShowFrames = frames_->isChecked();
    p.DirectSound = directSound_->isChecked();
    p.DirectDrawOff = ddOff_->isChecked();
    p.MMXOff = mmxOff_->isChecked();
    p.SoundOnly = soundOnly_->isChecked();
    p.DoubleBuffer = doubleBuffer_->isChecked();
    p.NoClear = noClear_->isChecked();
    p.LoadExtra = loadExtra_->isChecked();
    p.NoPause = noPause_->isChecked();
    p.DeltasOnly = deltas_->isChecked();
}

void PlayTab::resetDefaults()
{
    resetKeepingBrowser(settings().play);
}

QString PlayTab::currentCommand()
{
    storeSettings();
    const QString path = pane_->currentPath();
    if (path.isEmpty())
        return QString();
    return toolcmd::playCommand(selection::commandName(path, pane_->directory()), toolcmd::playSwitches(settings().play));
}

void PlayTab::play()
{
    const QString path = pane_->currentPath();
    if (path.isEmpty()) {
        dialogs::tell(this, QStringLiteral("Please highlight a Zorblax file to play first."));
        return;
    }
    playFile(path);
}

void PlayTab::playFile(const QString &path)
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

void PlayTab::playLast()
{
    for (const QString &f : settings().recentFiles)
        if (QFileInfo(f).suffix().compare(QLatin1String("zbx"), Qt::CaseInsensitive) == 0) {
            playFile(f);
            return;
        }
    dialogs::tell(this, QStringLiteral("Sorry, no recent Zorblax file found."));
}

void PlayTab::analyze()
{
    const QString path = pane_->currentPath();
    if (path.isEmpty()) {
        dialogs::tell(this, QStringLiteral("Please highlight a Zorblax file to analyze first."));
        return;
    }
    host_.openAnalyzer(this, path);
}

QString PlayTab::playerProgram() const
{
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/zorbplw");
    if (QFileInfo(beside).isExecutable())
        return beside;
    const QString found = QStandardPaths::findExecutable(QStringLiteral("zorbplw"));
    return found.isEmpty() ? QStringLiteral("zorbplw") : found;
}

void PlayTab::compileToExe()
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
    auto *output = new QLineEdit(QFileInfo(path).absolutePath() + QLatin1Char('/') + QFileInfo(path).completeBaseName());
    form->addRow(QStringLiteral("Player program:"), player);
    form->addRow(QStringLiteral("Zorblax file:"), new QLineEdit(path));
    form->addRow(QStringLiteral("Program to create:"), output);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted || selection::trimLow(output->text()).isEmpty())
        return;
    const QString directory = QFileInfo(path).absolutePath();
    host_.runCommand(directory, toolcmd::compileCommand(selection::commandName(player->text(), directory),
                                                        selection::trimLow(output->text()),
                                                        selection::commandName(path, directory),
                                                        toolcmd::playSwitches(settings().play)));
}

void PlayTab::view(const QString &path)
{
    const QString directory = QFileInfo(path).absolutePath();
    const QString command = toolcmd::viewCommand(path, directory);
    if (!command.isEmpty()) {
        host_.runCommand(directory, command);
        return;
    }
    if (host_.showImage(this, path))
        return;
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        dialogs::tell(this, QStringLiteral("No program is known to show %1.").arg(path));
}

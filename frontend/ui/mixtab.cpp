#include "frontend/ui/mixtab.h"

#include "frontend/core/selection.h"
#include "frontend/core/settings.h"
#include "frontend/core/toolcommands.h"
#include "frontend/ui/dialogs.h"
#include "frontend/ui/filepane.h"
#include "frontend/ui/selectionrun.h"
#include "frontend/ui/tabhost.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QVBoxLayout>

MixTab::MixTab(TabHost &host, QWidget *parent)
    : ToolTab(host, parent),
      zorbPane_(new FilePane(QStringLiteral(" Highlight a &Zorblax file to mix: "),
                             {QStringLiteral("Zorblax files (*.zbx *.ZBX)")})),
      wavePane_(new FilePane(QStringLiteral(" Highlight a &WAV file to mix: "),
                             {QStringLiteral("Sound files (*.wav *.WAV *.avi *.zbx *.lst *.raw *.pcm)")})),
      output_(new QLineEdit), pages_(new QTabWidget)
{
    auto *mixing = new QWidget;
    auto *mf = new QFormLayout(mixing);
    QStringList tracks;
    for (int i = 1; i <= 7; ++i)
        tracks << QStringLiteral("Track %1").arg(i);
    track_ = addCombo(mf, QStringLiteral("Mix data into:"), tracks);
    lossy_ = addLossy(mf);
    frameRate_ = addCheckEdit(mf, QStringLiteral("Frame rate:"));
    start_ = addCheckEdit(mf, QStringLiteral("Frame to begin mixing at:"));
    loop_ = addCheck(mf, QStringLiteral("Loop sound?"));
    overwrite_ = addCheck(mf, QStringLiteral("Overwrite without asking?"));

    auto *outputPage = new QWidget;
    out_ = addSoundOutput(new QFormLayout(outputPage));
    auto *inputPage = new QWidget;
    in_ = addSoundInput(new QFormLayout(inputPage), true);

    pages_->addTab(mixing, QStringLiteral("Mixing"));
    pages_->addTab(outputPage, QStringLiteral("Output Info"));
    pages_->addTab(inputPage, QStringLiteral("Input Info"));

    auto *mixButton = new QPushButton(QStringLiteral("Mi&x"));
    auto *analyze = new QPushButton(QStringLiteral("&Analyze"));
    auto *perm = new QPushButton(QStringLiteral("Perm."));
    mixButton->setObjectName(QStringLiteral("run"));
    connect(mixButton, &QPushButton::clicked, this, &MixTab::mix);
    connect(perm, &QPushButton::clicked, this, &MixTab::storeSettings);
    connect(analyze, &QPushButton::clicked, this, [this] {
        const QString zbx = zorbPane_->currentPath();
        if (zbx.isEmpty())
            dialogs::tell(this, QStringLiteral("Please highlight a Zorblax file to analyze first."));
        else
            host_.openAnalyzer(this, zbx);
    });
    connect(zorbPane_, &FilePane::selectionChanged, this, [this] {
        const QString zbx = zorbPane_->currentPath();
        const QString text = output_->text();
        if (!zbx.isEmpty() && (text.isEmpty() || basedOn_.isEmpty() ||
                               text == QLatin1String(toolcmd::OutputPrefix) + basedOn_)) {
            basedOn_ = QFileInfo(zbx).fileName();
            output_->setText(QLatin1String(toolcmd::OutputPrefix) + basedOn_);
        }
    });

    auto *right = outputColumn(output_, nullptr, pages_);
    auto *top = new QHBoxLayout;
    top->addWidget(zorbPane_, 1);
    top->addWidget(wavePane_, 1);
    top->addLayout(right, 2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttonRow({mixButton, analyze, perm}, QStringLiteral("mixer")));
}

void MixTab::loadSettings()
{
    const Settings::Mix &m = settings().mix;
    output_->setText(m.OutputName);
    basedOn_ = m.OutputBasedOn;
    if (!m.ZorbDirectory.isEmpty())
        zorbPane_->setDirectory(m.ZorbDirectory);
    zorbPane_->setFilterIndex(m.ZorbFilter);
    if (!m.ZorbFilename.isEmpty())
        zorbPane_->selectFile(m.ZorbFilename);
    if (!m.WaveDirectory.isEmpty())
        wavePane_->setDirectory(m.WaveDirectory);
    wavePane_->setFilterIndex(m.WaveFilter);
    if (!m.WaveFilename.isEmpty())
        wavePane_->selectFile(m.WaveFilename);
    pages_->setCurrentIndex(m.CurrentTab);
    setIndex(track_, m.Track - 1);
    lossy_.bar->setValue(m.Lossy);
    frameRate_.set(m.FrameRate, m.FrameRateNum);
    start_.set(m.Start, m.StartNum);
    loop_->setChecked(m.Loop);
    overwrite_->setChecked(m.Overwrite);
    out_.set(m.Rate, m.RateNum, m.Quality, m.Channels);
    setIndex(in_.type, m.Format);
    in_.forceRate->setText(m.ForceRate);
    in_.skip->setText(m.SkipIntoNum);
    in_.track.set(m.InputTrack, m.InputTrackNum);
    in_.start.set(m.InputStart, m.InputStartNum);
    in_.end.set(m.InputEnd, m.InputEndNum);
}

void MixTab::storeSettings()
{
    Settings::Mix &m = settings().mix;
    m.ZorbDirectory = zorbPane_->directory();
    m.ZorbFilter = zorbPane_->filterIndex();
    m.ZorbFilename = QFileInfo(zorbPane_->currentPath()).fileName();
    m.WaveDirectory = wavePane_->directory();
    m.WaveFilter = wavePane_->filterIndex();
    m.WaveFilename = QFileInfo(wavePane_->currentPath()).fileName();
    m.OutputName = output_->text();
    m.OutputBasedOn = basedOn_;
    m.CurrentTab = pages_->currentIndex();
    m.Track = track_->currentIndex() + 1;
    m.Lossy = lossy_.bar->value();
    frameRate_.get(m.FrameRate, m.FrameRateNum);
    start_.get(m.Start, m.StartNum);
    m.Loop = loop_->isChecked();
    m.Overwrite = overwrite_->isChecked();
    out_.get(m.Rate, m.RateNum, m.Quality, m.Channels);
    m.Format = in_.type->currentIndex();
    m.ForceRate = in_.forceRate->text();
    m.SkipIntoNum = in_.skip->text();
    in_.track.get(m.InputTrack, m.InputTrackNum);
    in_.start.get(m.InputStart, m.InputStartNum);
    in_.end.get(m.InputEnd, m.InputEndNum);
}

void MixTab::resetDefaults()
{
    // The mixer's two browsers have names of their own.
    Settings::Mix &m = settings().mix;
    Settings::Mix fresh;
    fresh.ZorbFilename = m.ZorbFilename, fresh.ZorbDirectory = m.ZorbDirectory, fresh.ZorbFilter = m.ZorbFilter;
    fresh.WaveFilename = m.WaveFilename, fresh.WaveDirectory = m.WaveDirectory, fresh.WaveFilter = m.WaveFilter;
    fresh.OutputName = m.OutputName, fresh.OutputBasedOn = m.OutputBasedOn, fresh.CurrentTab = m.CurrentTab;
    m = fresh;
}

QString MixTab::outputPath() const
{
    const QString zbx = zorbPane_->currentPath();
    QString out = selection::trimLow(output_->text());
    if (out.isEmpty())
        out = QLatin1String(toolcmd::OutputPrefix) + QFileInfo(zbx).fileName();
    // A bare output name lies beside the Zorblax file.
    return selection::distinctOutput(zbx, QDir(zorbPane_->directory()).absoluteFilePath(out),
                                     QLatin1String(toolcmd::OutputPrefix));
}

bool MixTab::toolRun(ToolRun &run)
{
    const QString zbx = zorbPane_->currentPath();
    if (zbx.isEmpty())
        return false;
    storeSettings();
    run.program = QLatin1String(toolcmd::Mixer) + QLatin1Char(' ') + selection::commandName(zbx, wavePane_->directory());
    run.switches = toolcmd::mixSwitches(settings().mix);
    run.outputExtension = QStringLiteral("zbx");
    return true;
}

void MixTab::mix()
{
    ToolRun run;
    if (!toolRun(run)) {
        dialogs::tell(this, QStringLiteral("Please highlight a Zorblax file to mix into first."));
        return;
    }
    runSelection(this, host_, *wavePane_, outputPath(), run);
}

QString MixTab::currentCommand()
{
    ToolRun run;
    if (!toolRun(run))
        return QString();
    return selectionCommand(*wavePane_, outputPath(), run);
}

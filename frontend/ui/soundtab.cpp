#include "frontend/ui/soundtab.h"

#include "frontend/core/settings.h"
#include "frontend/core/toolcommands.h"
#include "frontend/ui/filepane.h"
#include "frontend/ui/selectionrun.h"
#include "frontend/ui/tabhost.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

SoundTab::SoundTab(TabHost &host, QWidget *parent)
    : ToolTab(host, parent),
      pane_(new FilePane(QStringLiteral(" Highlight a file containing &sound: "),
                         {QStringLiteral("Sound files (*.wav *.WAV *.avi *.zbx *.lst *.raw *.pcm)")})),
      output_(new QLineEdit), pages_(new QTabWidget)
{
    auto *outputPage = new QWidget;
    auto *of = new QFormLayout(outputPage);
    out_ = addSoundOutput(of);
    overwrite_ = addCheck(of, QStringLiteral("Overwrite without asking?"));
    auto *inputPage = new QWidget;
    in_ = addSoundInput(new QFormLayout(inputPage), false);
    pages_->addTab(outputPage, QStringLiteral("Output Info"));
    pages_->addTab(inputPage, QStringLiteral("Input Info"));

    auto *convertButton = new QPushButton(QStringLiteral("&Convert"));
    convertButton->setObjectName(QStringLiteral("run"));
    connect(convertButton, &QPushButton::clicked, this, &SoundTab::convert);
    connect(pane_, &FilePane::selectionChanged, this,
            [this] { followInput(output_, basedOn_, pane_->currentPath(), QStringLiteral("wav")); });

    auto *right = outputColumn(output_, nullptr, pages_);
    auto *top = new QHBoxLayout;
    top->addWidget(pane_, 1);
    top->addLayout(right, 2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttonRow({convertButton}, QStringLiteral("sndproc")));
}

void SoundTab::loadSettings()
{
    const Settings::Sound &d = settings().sound;
    // The output name first: highlighting the file may derive it afresh.
    output_->setText(d.OutputName);
    basedOn_ = d.OutputBasedOn;
    if (!d.Directory.isEmpty())
        pane_->setDirectory(d.Directory);
    pane_->setFilterIndex(d.Filter);
    if (!d.Filename.isEmpty())
        pane_->selectFile(d.Filename);
    pages_->setCurrentIndex(d.CurrentTab);
    overwrite_->setChecked(d.Overwrite);
    out_.set(d.Rate, d.RateNum, d.Quality, d.Channels);
    setIndex(in_.type, d.InputType);
    in_.forceRate->setText(d.ForceRate);
    in_.skip->setText(d.SkipBytes);
    in_.track.set(d.Track, d.TrackNum);
    in_.start.set(d.Start, d.StartNum);
    in_.end.set(d.End, d.EndNum);
}

void SoundTab::storeSettings()
{
    Settings::Sound &d = settings().sound;
    d.Directory = pane_->directory();
    d.Filter = pane_->filterIndex();
    d.Filename = QFileInfo(pane_->currentPath()).fileName();
    d.OutputName = output_->text();
    d.OutputBasedOn = basedOn_;
    d.CurrentTab = pages_->currentIndex();
    d.Overwrite = overwrite_->isChecked();
    out_.get(d.Rate, d.RateNum, d.Quality, d.Channels);
    d.InputType = in_.type->currentIndex();
    d.ForceRate = in_.forceRate->text();
    d.SkipBytes = in_.skip->text();
    in_.track.get(d.Track, d.TrackNum);
    in_.start.get(d.Start, d.StartNum);
    in_.end.get(d.End, d.EndNum);
}

void SoundTab::resetDefaults()
{
    resetKeepingBrowser(settings().sound);
}

ToolRun SoundTab::toolRun()
{
    storeSettings();
    ToolRun r;
    r.program = QLatin1String(toolcmd::SoundProcessor);
    r.switches = toolcmd::soundSwitches(settings().sound);
    r.outputExtension = QStringLiteral("wav");
    return r;
}

void SoundTab::convert()
{
    runSelection(this, host_, *pane_, output_->text(), toolRun());
}

QString SoundTab::currentCommand()
{
    return selectionCommand(*pane_, output_->text(), toolRun());
}

#include "frontend/ui/soundform.h"

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

namespace zfront {

SoundForm::SoundForm(TabHost &host, FileSelection *browser, QWidget *parent)
    : ToolForm(host, parent),
      pane_(browser ? browser
                    : new FilePane(QStringLiteral(" Highlight a file containing &sound: "),
                                   {QStringLiteral("Sound files (*.wav *.WAV *.avi *.zbx *.lst *.raw *.pcm)")})),
      output_(new QLineEdit), pages_(new QTabWidget)
{
    using D = Settings::Sound;
    bindSection(&Settings::sound, fields_);
    // The output name first: highlighting the file may derive it afresh.
    fields_.addOutput(output_, &basedOn_);
    fields_.addBrowser(pane_);
    fields_.add(pages_, &D::CurrentTab);
    auto *outputPage = new QWidget;
    auto *of = new QFormLayout(outputPage);
    addSoundOutput(of).bind(fields_, &D::Rate, &D::RateNum, &D::Quality, &D::Channels);
    fields_.add(addCheck(of, QStringLiteral("Overwrite without asking?")), &D::Overwrite);
    auto *inputPage = new QWidget;
    addSoundInput(new QFormLayout(inputPage), false)
        .bind(fields_, &D::InputType, &D::ForceRate, &D::SkipBytes,
              {{{&D::Track, &D::TrackNum}, {&D::Start, &D::StartNum}, {&D::End, &D::EndNum}}});
    pages_->addTab(outputPage, QStringLiteral("Output Info"));
    pages_->addTab(inputPage, QStringLiteral("Input Info"));

    auto *convertButton = new QPushButton(QStringLiteral("&Convert"));
    convertButton->setObjectName(QStringLiteral("run"));
    connect(convertButton, &QPushButton::clicked, this, &SoundForm::convert);
    connect(pane_, &FileSelection::selectionChanged, this,
            [this] { followInput(output_, basedOn_, pane_->currentPath(), QStringLiteral("wav")); });

    auto *right = outputColumn(output_, nullptr, pages_);
    auto *top = new QHBoxLayout;
    top->addWidget(pane_, 1);
    top->addLayout(right, 2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttonRow({convertButton}, QStringLiteral("sndproc")));
}

ToolRun SoundForm::toolRun()
{
    storeSettings();
    ToolRun r;
    r.program = QLatin1String(toolcmd::SoundProcessor);
    r.switches = toolcmd::soundSwitches(settings().sound);
    r.outputExtension = QStringLiteral("wav");
    return r;
}

void SoundForm::convert()
{
    runSelection(this, host_, *pane_, output_->text(), toolRun());
}

QString SoundForm::currentCommand()
{
    return selectionCommand(*pane_, output_->text(), toolRun());
}

} // namespace zfront

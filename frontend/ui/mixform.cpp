#include "frontend/ui/mixform.h"

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

namespace zfront {

MixForm::MixForm(TabHost &host, FileSelection *zorbBrowser, FileSelection *waveBrowser, QWidget *parent)
    : ToolForm(host, parent),
      zorbPane_(zorbBrowser ? zorbBrowser
                            : new FilePane(QStringLiteral(" Highlight a &Zorblax file to mix: "),
                                           {QStringLiteral("Zorblax files (*.zbx *.ZBX)")})),
      wavePane_(waveBrowser
                    ? waveBrowser
                    : new FilePane(QStringLiteral(" Highlight a &WAV file to mix: "),
                                   {QStringLiteral("Sound files (*.wav *.WAV *.avi *.zbx *.lst *.raw *.pcm)")})),
      output_(new QLineEdit), pages_(new QTabWidget)
{
    using M = Settings::Mix;
    bindSection(&Settings::mix, fields_);
    // The output name first: highlighting the file may derive it afresh.
    fields_.addOutput(output_, &basedOn_);
    // The mixer's two browsers have names of their own.
    fields_.add(zorbPane_, &M::ZorbDirectory, &M::ZorbFilter, &M::ZorbFilename);
    fields_.add(wavePane_, &M::WaveDirectory, &M::WaveFilter, &M::WaveFilename);
    fields_.add(pages_, &M::CurrentTab);

    auto *mixing = new QWidget;
    auto *mf = new QFormLayout(mixing);
    QStringList tracks;
    for (int i = 1; i <= 7; ++i)
        tracks << QStringLiteral("Track %1").arg(i);
    fields_.add(addCombo(mf, QStringLiteral("Mix data into:"), tracks), &M::Track, 1);
    fields_.add(addLossy(mf).bar, &M::Lossy);
    fields_.add(addCheckEdit(mf, QStringLiteral("Frame rate:")), &M::FrameRate, &M::FrameRateNum);
    fields_.add(addCheckEdit(mf, QStringLiteral("Frame to begin mixing at:")), &M::Start, &M::StartNum);
    fields_.add(addCheck(mf, QStringLiteral("Loop sound?")), &M::Loop);
    fields_.add(addCheck(mf, QStringLiteral("Overwrite without asking?")), &M::Overwrite);

    auto *outputPage = new QWidget;
    addSoundOutput(new QFormLayout(outputPage)).bind(fields_, &M::Rate, &M::RateNum, &M::Quality, &M::Channels);
    auto *inputPage = new QWidget;
    addSoundInput(new QFormLayout(inputPage), true)
        .bind(fields_, &M::Format, &M::ForceRate, &M::SkipIntoNum,
              {{{&M::InputTrack, &M::InputTrackNum},
                {&M::InputStart, &M::InputStartNum},
                {&M::InputEnd, &M::InputEndNum}}});

    pages_->addTab(mixing, QStringLiteral("Mixing"));
    pages_->addTab(outputPage, QStringLiteral("Output Info"));
    pages_->addTab(inputPage, QStringLiteral("Input Info"));

    auto *mixButton = new QPushButton(QStringLiteral("Mi&x"));
    auto *analyze = new QPushButton(QStringLiteral("&Analyze"));
    auto *perm = new QPushButton(QStringLiteral("Perm."));
    mixButton->setObjectName(QStringLiteral("run"));
    connect(mixButton, &QPushButton::clicked, this, &MixForm::mix);
    connect(perm, &QPushButton::clicked, this, &MixForm::storeSettings);
    connect(analyze, &QPushButton::clicked, this, [this] {
        const QString zbx = zorbPane_->currentPath();
        if (zbx.isEmpty())
            dialogs::tell(this, QStringLiteral("Please highlight a Zorblax file to analyze first."));
        else
            host_.openAnalyzer(this, zbx);
    });
    connect(zorbPane_, &FileSelection::selectionChanged, this, [this] {
        const QString zbx = zorbPane_->currentPath();
        const QString text = output_->text();
        if (!zbx.isEmpty() &&
            (text.isEmpty() || basedOn_.isEmpty() || text == QLatin1String(toolcmd::OutputPrefix) + basedOn_)) {
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

void MixForm::resetDefaults()
{
    // The mixer's two browsers have names of their own.
    Settings::Mix &m = settings().mix;
    Settings::Mix fresh;
    fresh.ZorbFilename = m.ZorbFilename, fresh.ZorbDirectory = m.ZorbDirectory, fresh.ZorbFilter = m.ZorbFilter;
    fresh.WaveFilename = m.WaveFilename, fresh.WaveDirectory = m.WaveDirectory, fresh.WaveFilter = m.WaveFilter;
    fresh.OutputName = m.OutputName, fresh.OutputBasedOn = m.OutputBasedOn, fresh.CurrentTab = m.CurrentTab;
    m = fresh;
}

QString MixForm::outputPath() const
{
    const QString zbx = zorbPane_->currentPath();
    QString out = selection::trimLow(output_->text());
    if (out.isEmpty())
        out = QLatin1String(toolcmd::OutputPrefix) + QFileInfo(zbx).fileName();
    // A bare output name lies beside the Zorblax file.
    return selection::distinctOutput(zbx, QDir(zorbPane_->directory()).absoluteFilePath(out),
                                     QLatin1String(toolcmd::OutputPrefix));
}

bool MixForm::toolRun(ToolRun &run)
{
    const QString zbx = zorbPane_->currentPath();
    if (zbx.isEmpty())
        return false;
    storeSettings();
    run.program =
        QLatin1String(toolcmd::Mixer) + QLatin1Char(' ') + selection::commandName(zbx, wavePane_->directory());
    run.switches = toolcmd::mixSwitches(settings().mix);
    run.outputExtension = QStringLiteral("zbx");
    return true;
}

void MixForm::mix()
{
    ToolRun run;
    if (!toolRun(run)) {
        dialogs::tell(this, QStringLiteral("Please highlight a Zorblax file to mix into first."));
        return;
    }
    runSelection(this, host_, *wavePane_, outputPath(), run);
}

QString MixForm::currentCommand()
{
    ToolRun run;
    if (!toolRun(run))
        return QString();
    return selectionCommand(*wavePane_, outputPath(), run);
}

} // namespace zfront

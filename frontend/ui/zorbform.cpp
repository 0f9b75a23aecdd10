#include "frontend/ui/zorbform.h"

#include "frontend/core/selection.h"
#include "frontend/core/settings.h"
#include "frontend/core/toolcommands.h"
#include "frontend/ui/dialogs.h"
#include "frontend/ui/filepane.h"
#include "frontend/ui/selectionrun.h"
#include "frontend/ui/soundcontrols.h"
#include "frontend/ui/tabhost.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace zfront {

namespace {

const QStringList CompressionItems = {
    QStringLiteral("to a specific data rate."), QStringLiteral("as a % of the average frame."),
    QStringLiteral("as a % of its size."), QStringLiteral("under a total error %."), QStringLiteral("losslessly.")};

} // namespace

ZorbForm::ZorbForm(TabHost &host, FileSelection *browser, QWidget *parent)
    : ToolForm(host, parent),
      pane_(browser ? browser
                    : new FilePane(QStringLiteral(" Highlight a &Flic to Zorb: "),
                                   {QStringLiteral(
                                        "Animations and images (*.flc *.fli *.avi *.bmp *.png *.pcx *.tga *.tif *.tiff "
                                        "*.gif *.webp *.jpg *.jpeg *.zbx *.lst)"),
                                    QStringLiteral("Flics (*.flc *.fli)"), QStringLiteral("AVI files (*.avi)"),
                                    QStringLiteral("List files (*.lst)")})),
      output_(new QLineEdit), pages_(new QTabWidget)
{
    using Z = Settings::Zorb;
    // Output name with its type menu.
    bindSection(&Settings::zorb, fields_);
    QToolButton *typeButton =
        makeTypeButton(toolcmd::ZorbOutputTypes, toolcmd::OutputTypeCount, types_, [this](int i) { typeChosen(i); });
    QMenu *menu = typeButton->menu();
    mixOriginal_ = menu->addAction(QStringLiteral("Mix original into output?"));
    overwrite_ = menu->addAction(QStringLiteral("Overwrite without asking?"));
    mixOriginal_->setCheckable(true);
    overwrite_->setCheckable(true);
    // The output name first: highlighting the file may derive it afresh.
    fields_.addOutput(output_, &basedOn_);
    fields_.add([this](const Z &z) { checkIndex(types_, z.OutputType); },
                [this](Z &z) { z.OutputType = checkedIndex(types_); });
    fields_.addBrowser(pane_);
    fields_.add(mixOriginal_, &Z::MixOriginal);
    fields_.add(overwrite_, &Z::Overwrite);
    fields_.add(pages_, &Z::CurrentTab);

    // Page "Zorb".
    auto *zorbPage = new QWidget;
    auto *zf = new QFormLayout(zorbPage);
    regular_.list = addCombo(zf, QStringLiteral("Compress regular frames: "), CompressionItems);
    regular_.edit = new QLineEdit;
    regular_.edit->setAccessibleName(QStringLiteral("Compression value"));
    zf->addRow(QString(), regular_.edit);
    key_.list = addCombo(zf, QStringLiteral("Compress key frames:"), CompressionItems);
    key_.edit = new QLineEdit;
    key_.edit->setAccessibleName(QStringLiteral("Compression value"));
    zf->addRow(QString(), key_.edit);
    setupCompression(regular_, &Z::RegularCompressType,
                     {&Z::NormalRate, &Z::NormalFilePerc, &Z::NormalFramePerc, &Z::NormalErrorPerc});
    setupCompression(key_, &Z::KeyCompressType, {&Z::KeyRate, &Z::KeyFilePerc, &Z::KeyFramePerc, &Z::KeyErrorPerc});
    fields_.add(addCheckEdit(zf, QStringLiteral("Use a key frame at least every:")), &Z::KeyFrames, &Z::KeyFramesNum);
    autoKey_ = new QLineEdit;
    applyRule(autoKey_, rules::Percent);
    auto *autoRow = new QHBoxLayout;
    autoRow->addWidget(autoKey_);
    autoRow->addWidget(new QLabel(QStringLiteral("%")));
    zf->addRow(QStringLiteral("Auto-key frame at what % change:"), autoRow);
    fields_.add([this](const Z &z) { autoKey_->setText(clampField(rules::Percent, z.AutoKeyFrame)); },
                [this](Z &z) { z.AutoKeyFrame = autoKey_->text(); });
    fields_.add(addCombo(zf, QStringLiteral("Height compression:"),
                         {QStringLiteral("None."), QStringLiteral("Interlace."), QStringLiteral("Double.")}),
                &Z::YScale);
    fields_.add(addCombo(zf, QStringLiteral("Search effort:"),
                         {QStringLiteral("Default."), QStringLiteral("0 (fastest)."), QStringLiteral("1."),
                          QStringLiteral("2."), QStringLiteral("3."), QStringLiteral("4."), QStringLiteral("5."),
                          QStringLiteral("6."), QStringLiteral("7."), QStringLiteral("8."),
                          QStringLiteral("9 (smallest files).")}),
                &Z::Effort);

    // Page "Palette".
    auto *palettePage = new QWidget;
    auto *pf = new QFormLayout(palettePage);
    palette_ = new QLineEdit;
    auto *browse = new QPushButton(QStringLiteral("..."));
    browse->setAccessibleName(QStringLiteral("Palette file"));
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString f = QFileDialog::getOpenFileName(this, QStringLiteral("Palette file"), pane_->directory());
        if (!f.isEmpty())
            palette_->setText(f);
    });
    auto *palRow = new QHBoxLayout;
    palRow->addWidget(palette_);
    palRow->addWidget(browse);
    pf->addRow(QStringLiteral("Use/Create palette from: "), palRow);
    fields_.add(palette_, &Z::PaletteFile);
    addPaletteControls(pf).bind(fields_);

    // Page "Frame".
    auto *framePage = new QWidget;
    auto *ff = new QFormLayout(framePage);
    fields_.add(addCheckEdit(ff, QStringLiteral("Starting frame:")), &Z::Start, &Z::StartNum);
    fields_.add(addCheckEdit(ff, QStringLiteral("Ending frame:")), &Z::End, &Z::EndNum);
    fields_.add(addCheckEdit(ff, QStringLiteral("Frame rate override:")), &Z::FrameRate, &Z::FrameRateNum);
    fields_.add(addCheckEdit(ff, QStringLiteral("X Offset:")), &Z::X, &Z::XNum);
    fields_.add(addCheckEdit(ff, QStringLiteral("Y Offset:")), &Z::Y, &Z::YNum);
    fields_.add(addCheckEdit(ff, QStringLiteral("Width:")), &Z::W, &Z::WNum);
    fields_.add(addCheckEdit(ff, QStringLiteral("Height:")), &Z::H, &Z::HNum);
    fields_.add(addCheck(ff, QStringLiteral("Create ring?")), &Z::Ring);
    fields_.add(addCheck(ff, QStringLiteral("Skip every other?")), &Z::EveryOther);

    // Page "Sound".
    auto *soundPage = new QWidget;
    auto *sf = new QFormLayout(soundPage);
    noSound_ = addCheck(sf, QStringLiteral("Don't process the sound in the input file."));
    lossy_ = addLossy(sf);
    sound_ = addSoundOutput(sf);
    connect(noSound_, &QCheckBox::toggled, this, [this](bool off) {
        for (QWidget *w : std::initializer_list<QWidget *>{lossy_.bar, sound_.rate, sound_.quality, sound_.channels})
            w->setEnabled(!off);
        sound_.typedRate->setEnabled(!off && sound_.rate->currentIndex() == 4);
    });
    fields_.add(noSound_, &Z::NoSound);
    fields_.add(lossy_.bar, &Z::LossySound);
    sound_.bind(fields_, &Z::Rate, &Z::RateNum, &Z::Quality, &Z::Channels);
    fields_.add([this](const Z &z) { sound_.typedRate->setEnabled(!z.NoSound && sound_.rate->currentIndex() == 4); },
                [](Z &) {});

    // Page "Expert".
    auto *expertPage = new QWidget;
    auto *ef = new QVBoxLayout(expertPage);
    auto *caption = new QLabel(QStringLiteral(
        "Enter your specific frame compression choices in the window below, separated by spaces.  For example, if "
        "you wanted to compress frames 50 to 60 at 300 kps, then enter \"50 60 300000 0\"."));
    caption->setWordWrap(true);
    memo_ = new QPlainTextEdit;
    memo_->setAccessibleName(QStringLiteral("Frame settings"));
    ef->addWidget(caption);
    ef->addWidget(memo_);
    // The memo's lines are a list section of their own.
    fields_.add([this](const Z &) { memo_->setPlainText(settings().frameSpecific.join(QLatin1Char('\n'))); },
                [this](Z &) {
                    QStringList lines = memo_->toPlainText().split(QLatin1Char('\n'));
                    while (!lines.isEmpty() && selection::trimLow(lines.back()).isEmpty())
                        lines.removeLast();
                    settings().frameSpecific = lines;
                });

    pages_->addTab(zorbPage, QStringLiteral("Zorb"));
    pages_->addTab(palettePage, QStringLiteral("Palette"));
    pages_->addTab(framePage, QStringLiteral("Frame"));
    pages_->addTab(soundPage, QStringLiteral("Sound"));
    pages_->addTab(expertPage, QStringLiteral("Expert"));

    auto *zorb = new QPushButton(QStringLiteral("&Zorb"));
    zorb->setObjectName(QStringLiteral("run"));
    connect(zorb, &QPushButton::clicked, this, &ZorbForm::run);

    auto *right = outputColumn(output_, typeButton, pages_);
    auto *top = new QHBoxLayout;
    top->addWidget(pane_, 1);
    top->addLayout(right, 2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttonRow({zorb}, QStringLiteral("zorb")));

    connect(pane_, &FileSelection::selectionChanged, this, &ZorbForm::selectionChanged);
}

void ZorbForm::setupCompression(Compression &c, int Z::*type, std::array<QString Z::*, 4> values)
{
    fields_.add(
        [this, &c, type, values](const Z &z) {
            for (size_t i = 0; i < values.size(); ++i)
                c.values[i] = z.*values[i];
            setIndex(c.list, z.*type);
            showCompression(c, c.list->currentIndex());
        },
        [&c, type, values](Z &z) {
            z.*type = c.list->currentIndex();
            for (size_t i = 0; i < values.size(); ++i)
                z.*values[i] = c.values[i];
        });
    connect(c.list, &QComboBox::currentIndexChanged, this, [this, &c](int i) { showCompression(c, i); });
    connect(c.edit, &QLineEdit::textEdited, this, [&c](const QString &text) {
        if (c.shown < 4)
            c.values[static_cast<size_t>(c.shown)] = text;
    });
}

void ZorbForm::showCompression(Compression &c, int index)
{
    c.shown = index < 0 ? 0 : index;
    c.edit->setVisible(c.shown != 4);
    applyRule(c.edit, c.shown == 0 ? rules::DataRate : c.shown == 1 ? rules::PercentOfAverage : rules::Percent);
    if (c.shown < 4)
        c.edit->setText(c.values[static_cast<size_t>(c.shown)]);
}

void ZorbForm::resetDefaults()
{
    ToolForm::resetDefaults();
    settings().frameSpecific.clear();
}

void ZorbForm::selectionChanged()
{
    followInput(output_, basedOn_, pane_->currentPath(), toolcmd::zorbOutputExtension(checkedIndex(types_)));
}

void ZorbForm::typeChosen(int type)
{
    changeExtension(output_, toolcmd::zorbOutputExtension(type));
}

QString ZorbForm::switches()
{
    storeSettings();
    return toolcmd::zorbSwitches(settings().zorb, pane_->directory());
}

ToolRun ZorbForm::toolRun(const QString &memoFile)
{
    ToolRun r;
    r.program = QLatin1String(toolcmd::Compressor);
    r.switches = toolcmd::withMemo(switches(), memoFile);
    r.outputExtension = toolcmd::zorbOutputExtension(settings().zorb.OutputType);
    r.prefix = QLatin1String(toolcmd::OutputPrefix);
    return r;
}

void ZorbForm::run()
{
    storeSettings();
    QString error;
    const QString memo = selection::writeMemoFile(settings().frameSpecific, error);
    if (!error.isEmpty()) {
        dialogs::tell(this, error);
        return;
    }
    runSelection(this, host_, *pane_, output_->text(), toolRun(memo));
}

QString ZorbForm::currentCommand()
{
    // The memo file is written here too, so the copied command works as it stands.
    storeSettings();
    QString error; // run() tells it; the command is shown without the memo
    const QString memo = selection::writeMemoFile(settings().frameSpecific, error);
    return selectionCommand(*pane_, output_->text(), toolRun(memo));
}

} // namespace zfront

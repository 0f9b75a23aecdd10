#include "frontend/ui/zorbtab.h"

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
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QStringList CompressionItems = {QStringLiteral("to a specific data rate."),
                                      QStringLiteral("as a % of the average frame."),
                                      QStringLiteral("as a % of its size."), QStringLiteral("under a total error %."),
                                      QStringLiteral("losslessly.")};

QString digitsOnly(const QString &text, int max)
{
    QString d;
    for (QChar c : selection::trimLow(text)) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9') || d.size() >= max)
            break;
        d += c;
    }
    return d;
}

} // namespace

ZorbTab::ZorbTab(TabHost &host, QWidget *parent)
    : ToolTab(host, parent),
      pane_(new FilePane(QStringLiteral(" Highlight a &Flic to Zorb: "),
                         {QStringLiteral("Animations and images (*.flc *.fli *.avi *.bmp *.pcx *.tga *.tif *.tiff "
                                         "*.gif *.jpg *.jpeg *.zbx *.lst)"),
                          QStringLiteral("Flics (*.flc *.fli)"), QStringLiteral("AVI files (*.avi)"),
                          QStringLiteral("List files (*.lst)")})),
      output_(new QLineEdit), pages_(new QTabWidget)
{
    // Output name with its type menu.
    QToolButton *typeButton =
        makeTypeButton(toolcmd::ZorbOutputTypes, 9, types_, [this](int i) { typeChosen(i); });
    QMenu *menu = typeButton->menu();
    mixOriginal_ = menu->addAction(QStringLiteral("Mix original into output?"));
    overwrite_ = menu->addAction(QStringLiteral("Overwrite without asking?"));
    mixOriginal_->setCheckable(true);
    overwrite_->setCheckable(true);

    // Page "Zorb".
    auto *zorbPage = new QWidget;
    auto *zf = new QFormLayout(zorbPage);
    regular_.list = addCombo(zf, QStringLiteral("Compress regular frames: "), CompressionItems);
    regular_.edit = new QLineEdit;
    zf->addRow(QString(), regular_.edit);
    key_.list = addCombo(zf, QStringLiteral("Compress key frames:"), CompressionItems);
    key_.edit = new QLineEdit;
    zf->addRow(QString(), key_.edit);
    setupCompression(regular_);
    setupCompression(key_);
    keyEvery_ = addCheckEdit(zf, QStringLiteral("Use a key frame at least every:"));
    autoKey_ = new QLineEdit;
    autoKey_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), autoKey_));
    auto *autoRow = new QHBoxLayout;
    autoRow->addWidget(autoKey_);
    autoRow->addWidget(new QLabel(QStringLiteral("%")));
    zf->addRow(QStringLiteral("Auto-key frame at what % change:"), autoRow);
    yScale_ = addCombo(zf, QStringLiteral("Height compression:"),
                       {QStringLiteral("None."), QStringLiteral("Interlace."), QStringLiteral("Double.")});

    // Page "Palette".
    auto *palettePage = new QWidget;
    auto *pf = new QFormLayout(palettePage);
    palette_ = new QLineEdit;
    auto *browse = new QPushButton(QStringLiteral("..."));
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString f = QFileDialog::getOpenFileName(this, QStringLiteral("Palette file"), pane_->directory());
        if (!f.isEmpty())
            palette_->setText(f);
    });
    auto *palRow = new QHBoxLayout;
    palRow->addWidget(palette_);
    palRow->addWidget(browse);
    pf->addRow(QStringLiteral("Use/Create palette from: "), palRow);
    palettes_ = addPaletteControls(pf);

    // Page "Frame".
    auto *framePage = new QWidget;
    auto *ff = new QFormLayout(framePage);
    start_ = addCheckEdit(ff, QStringLiteral("Starting frame:"));
    end_ = addCheckEdit(ff, QStringLiteral("Ending frame:"));
    frameRate_ = addCheckEdit(ff, QStringLiteral("Frame rate override:"));
    x_ = addCheckEdit(ff, QStringLiteral("X Offset:"));
    y_ = addCheckEdit(ff, QStringLiteral("Y Offset:"));
    w_ = addCheckEdit(ff, QStringLiteral("Width:"));
    h_ = addCheckEdit(ff, QStringLiteral("Height:"));
    ring_ = addCheck(ff, QStringLiteral("Create ring?"));
    everyOther_ = addCheck(ff, QStringLiteral("Skip every other?"));

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

    // Page "Expert".
    auto *expertPage = new QWidget;
    auto *ef = new QVBoxLayout(expertPage);
    auto *caption = new QLabel(QStringLiteral(
        "Enter your specific frame compression choices in the window below, separated by spaces.  For example, if "
        "you wanted to compress frames 50 to 60 at 300 kps, then enter \"50 60 300000 0\"."));
    caption->setWordWrap(true);
    memo_ = new QPlainTextEdit;
    ef->addWidget(caption);
    ef->addWidget(memo_);

    pages_->addTab(zorbPage, QStringLiteral("Zorb"));
    pages_->addTab(palettePage, QStringLiteral("Palette"));
    pages_->addTab(framePage, QStringLiteral("Frame"));
    pages_->addTab(soundPage, QStringLiteral("Sound"));
    pages_->addTab(expertPage, QStringLiteral("Expert"));

    auto *zorb = new QPushButton(QStringLiteral("&Zorb"));
    zorb->setObjectName(QStringLiteral("run"));
    connect(zorb, &QPushButton::clicked, this, &ZorbTab::run);

    auto *right = outputColumn(output_, typeButton, pages_);
    auto *top = new QHBoxLayout;
    top->addWidget(pane_, 1);
    top->addLayout(right, 2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttonRow({zorb}, QStringLiteral("zorb")));

    connect(pane_, &FilePane::selectionChanged, this, &ZorbTab::selectionChanged);
}

void ZorbTab::setupCompression(Compression &c)
{
    connect(c.list, &QComboBox::currentIndexChanged, this, [this, &c](int i) { showCompression(c, i); });
    connect(c.edit, &QLineEdit::textEdited, this, [&c](const QString &text) {
        if (c.shown == 0)
            c.values[0] = selection::trimLow(text).left(8);
        else if (c.shown < 4)
            c.values[static_cast<size_t>(c.shown)] = digitsOnly(text, 3);
    });
}

void ZorbTab::showCompression(Compression &c, int index)
{
    c.shown = index < 0 ? 0 : index;
    c.edit->setVisible(c.shown != 4);
    c.edit->setMaxLength(c.shown == 0 ? 8 : 3);
    c.edit->setValidator(nullptr);
    if (c.shown < 4)
        c.edit->setText(c.values[static_cast<size_t>(c.shown)]);
}

void ZorbTab::loadSettings()
{
    const Settings::Zorb &z = settings().zorb;
    // The output name first: highlighting the file may derive it afresh.
    output_->setText(z.OutputName);
    basedOn_ = z.OutputBasedOn;
    checkIndex(types_, z.OutputType);
    if (!z.Directory.isEmpty())
        pane_->setDirectory(z.Directory);
    pane_->setFilterIndex(z.Filter);
    if (!z.Filename.isEmpty())
        pane_->selectFile(z.Filename);
    mixOriginal_->setChecked(z.MixOriginal);
    overwrite_->setChecked(z.Overwrite);
    pages_->setCurrentIndex(z.CurrentTab);
    regular_.values = {z.NormalRate, z.NormalFilePerc, z.NormalFramePerc, z.NormalErrorPerc};
    key_.values = {z.KeyRate, z.KeyFilePerc, z.KeyFramePerc, z.KeyErrorPerc};
    setIndex(regular_.list, z.RegularCompressType);
    setIndex(key_.list, z.KeyCompressType);
    showCompression(regular_, regular_.list->currentIndex());
    showCompression(key_, key_.list->currentIndex());
    keyEvery_.set(z.KeyFrames, z.KeyFramesNum);
    autoKey_->setText(digitsOnly(z.AutoKeyFrame, 3));
    setIndex(yScale_, z.YScale);
    palette_->setText(z.PaletteFile);
    palettes_.load(z);
    start_.set(z.Start, z.StartNum);
    end_.set(z.End, z.EndNum);
    frameRate_.set(z.FrameRate, z.FrameRateNum);
    x_.set(z.X, z.XNum);
    y_.set(z.Y, z.YNum);
    w_.set(z.W, z.WNum);
    h_.set(z.H, z.HNum);
    ring_->setChecked(z.Ring);
    everyOther_->setChecked(z.EveryOther);
    noSound_->setChecked(z.NoSound);
    lossy_.bar->setValue(z.LossySound);
    sound_.set(z.Rate, z.RateNum, z.Quality, z.Channels);
    sound_.typedRate->setEnabled(!z.NoSound && sound_.rate->currentIndex() == 4);
    memo_->setPlainText(settings().frameSpecific.join(QLatin1Char('\n')));
}

void ZorbTab::storeSettings()
{
    Settings::Zorb &z = settings().zorb;
    z.Directory = pane_->directory();
    z.Filter = pane_->filterIndex();
    z.Filename = QFileInfo(pane_->currentPath()).fileName();
    z.OutputName = output_->text();
    z.OutputBasedOn = basedOn_;
    z.OutputType = checkedIndex(types_);
    z.MixOriginal = mixOriginal_->isChecked();
    z.Overwrite = overwrite_->isChecked();
    z.CurrentTab = pages_->currentIndex();
    z.RegularCompressType = regular_.list->currentIndex();
    z.KeyCompressType = key_.list->currentIndex();
    z.NormalRate = regular_.values[0], z.NormalFilePerc = regular_.values[1];
    z.NormalFramePerc = regular_.values[2], z.NormalErrorPerc = regular_.values[3];
    z.KeyRate = key_.values[0], z.KeyFilePerc = key_.values[1];
    z.KeyFramePerc = key_.values[2], z.KeyErrorPerc = key_.values[3];
    keyEvery_.get(z.KeyFrames, z.KeyFramesNum);
    z.AutoKeyFrame = autoKey_->text();
    z.YScale = yScale_->currentIndex();
    z.PaletteFile = palette_->text();
    palettes_.store(z);
    start_.get(z.Start, z.StartNum);
    end_.get(z.End, z.EndNum);
    frameRate_.get(z.FrameRate, z.FrameRateNum);
    x_.get(z.X, z.XNum);
    y_.get(z.Y, z.YNum);
    w_.get(z.W, z.WNum);
    h_.get(z.H, z.HNum);
    z.Ring = ring_->isChecked();
    z.EveryOther = everyOther_->isChecked();
    z.NoSound = noSound_->isChecked();
    z.LossySound = lossy_.bar->value();
    sound_.get(z.Rate, z.RateNum, z.Quality, z.Channels);
    QStringList lines = memo_->toPlainText().split(QLatin1Char('\n'));
    while (!lines.isEmpty() && selection::trimLow(lines.back()).isEmpty())
        lines.removeLast();
    settings().frameSpecific = lines;
}

void ZorbTab::resetDefaults()
{
    resetKeepingBrowser(settings().zorb);
    settings().frameSpecific.clear();
}

void ZorbTab::selectionChanged()
{
    followInput(output_, basedOn_, pane_->currentPath(), toolcmd::zorbOutputExtension(checkedIndex(types_)));
}

void ZorbTab::typeChosen(int type)
{
    changeExtension(output_, toolcmd::zorbOutputExtension(type));
}

QString ZorbTab::switches()
{
    storeSettings();
    return toolcmd::zorbSwitches(settings().zorb, pane_->directory());
}

ToolRun ZorbTab::toolRun(const QString &memoFile)
{
    ToolRun r;
    r.program = QLatin1String(toolcmd::Compressor);
    r.switches = toolcmd::withMemo(switches(), memoFile);
    r.outputExtension = toolcmd::zorbOutputExtension(settings().zorb.OutputType);
    r.prefix = QLatin1String(toolcmd::OutputPrefix);
    return r;
}

void ZorbTab::run()
{
    storeSettings();
    QString error;
    const QString memo = selection::writeMemoFile(settings().frameSpecific, &error);
    if (!error.isEmpty()) {
        dialogs::tell(this, error);
        return;
    }
    runSelection(this, host_, *pane_, output_->text(), toolRun(memo));
}

QString ZorbTab::currentCommand()
{
    // The memo file is written here too, so the copied command works as it stands.
    storeSettings();
    const QString memo = selection::writeMemoFile(settings().frameSpecific);
    return selectionCommand(*pane_, output_->text(), toolRun(memo));
}

#include "frontend/ui/graphicstab.h"

#include "frontend/core/selection.h"
#include "frontend/core/settings.h"
#include "frontend/core/toolcommands.h"
#include "frontend/ui/filepane.h"
#include "frontend/ui/selectionrun.h"
#include "frontend/ui/soundcontrols.h"
#include "frontend/ui/tabhost.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const char *const PaletteSources[] = {"Use or create palette from the input file.",
                                      "Use or create palette from a specified file.",
                                      "Process as true color - don't use or create a palette at all."};

} // namespace

GraphicsTab::GraphicsTab(TabHost &host, QWidget *parent)
    : ToolTab(host, parent),
      pane_(new FilePane(QStringLiteral(" Highlight a &Graphics file: "),
                         {QStringLiteral("Graphics files (*.bmp *.pcx *.tga *.tif *.tiff *.gif *.jpg *.jpeg *.flc "
                                         "*.fli *.avi *.zbx *.lst *.raw)")})),
      output_(new QLineEdit), pages_(new QTabWidget), source_(new QToolButton), paletteFile_(new QLineEdit)
{
    QToolButton *typeButton = makeTypeButton(toolcmd::GraphicsOutputTypes, 9, types_, [this](int i) {
        changeExtension(output_, toolcmd::graphicsOutputExtension(i));
    });
    overwrite_ = typeButton->menu()->addAction(QStringLiteral("Overwrite without asking?"));
    overwrite_->setCheckable(true);

    auto *palette = new QWidget;
    auto *pf = new QFormLayout(palette);
    source_->setText(QStringLiteral("Use/Create palette from:"));
    source_->setPopupMode(QToolButton::InstantPopup);
    auto *sourceMenu = new QMenu(source_);
    for (int i = 0; i < 3; ++i)
        connect(sourceMenu->addAction(QLatin1String(PaletteSources[i])), &QAction::triggered, this,
                [this, i] { setPaletteSource(i); });
    source_->setMenu(sourceMenu);
    pf->addRow(source_, paletteFile_);
    palettes_ = addPaletteControls(pf);

    auto *frame = new QWidget;
    auto *ff = new QFormLayout(frame);
    x_ = addCheckEdit(ff, QStringLiteral("X Offset:"));
    y_ = addCheckEdit(ff, QStringLiteral("Y Offset:"));
    w_ = addCheckEdit(ff, QStringLiteral("Width:"));
    h_ = addCheckEdit(ff, QStringLiteral("Height:"));
    first_ = addCheckEdit(ff, QStringLiteral("Starting frame:"));
    last_ = addCheckEdit(ff, QStringLiteral("Ending frame:"));
    rate_ = addCheckEdit(ff, QStringLiteral("Frame rate override:"));

    pages_->addTab(palette, QStringLiteral("Palette"));
    pages_->addTab(frame, QStringLiteral("Frame"));

    auto *convertButton = new QPushButton(QStringLiteral("&Convert"));
    convertButton->setObjectName(QStringLiteral("run"));
    connect(convertButton, &QPushButton::clicked, this, &GraphicsTab::convert);
    connect(pane_, &FilePane::selectionChanged, this, [this] {
        followInput(output_, basedOn_, pane_->currentPath(), toolcmd::graphicsOutputExtension(checkedIndex(types_)));
    });

    auto *right = outputColumn(output_, typeButton, pages_);
    auto *top = new QHBoxLayout;
    top->addWidget(pane_, 1);
    top->addLayout(right, 2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttonRow({convertButton}, QStringLiteral("pictproc")));
}

void GraphicsTab::setPaletteSource(int index)
{
    paletteSource_ = index >= 0 && index < 3 ? index : 0;
    source_->setToolTip(QLatin1String(PaletteSources[paletteSource_]));
    paletteFile_->setEnabled(paletteSource_ == 1);
    palettes_.setEnabled(paletteSource_ != 2);
}

void GraphicsTab::loadSettings()
{
    const Settings::Graphics &g = settings().graphics;
    // The output name first: highlighting the file may derive it afresh.
    output_->setText(g.OutputName);
    basedOn_ = g.OutputBasedOn;
    checkIndex(types_, g.OutputType);
    if (!g.Directory.isEmpty())
        pane_->setDirectory(g.Directory);
    pane_->setFilterIndex(g.Filter);
    if (!g.Filename.isEmpty())
        pane_->selectFile(g.Filename);
    overwrite_->setChecked(g.Overwrite);
    pages_->setCurrentIndex(g.CurrentTab);
    paletteFile_->setText(g.PaletteFile);
    palettes_.load(g);
    x_.set(g.XOffset, g.XOffsetNum);
    y_.set(g.YOffset, g.YOffsetNum);
    w_.set(g.Width, g.WidthNum);
    h_.set(g.Height, g.HeightNum);
    first_.set(g.Start, g.StartNum);
    last_.set(g.End, g.EndNum);
    rate_.set(g.FrameRate, g.FrameRateNum);
    setPaletteSource(g.PaletteType);
}

void GraphicsTab::storeSettings()
{
    Settings::Graphics &g = settings().graphics;
    g.Directory = pane_->directory();
    g.Filter = pane_->filterIndex();
    g.Filename = QFileInfo(pane_->currentPath()).fileName();
    g.OutputName = output_->text();
    g.OutputBasedOn = basedOn_;
    g.OutputType = checkedIndex(types_);
    g.Overwrite = overwrite_->isChecked();
    g.CurrentTab = pages_->currentIndex();
    g.PaletteType = paletteSource_;
    g.PaletteFile = paletteFile_->text();
    palettes_.store(g);
    x_.get(g.XOffset, g.XOffsetNum);
    y_.get(g.YOffset, g.YOffsetNum);
    w_.get(g.Width, g.WidthNum);
    h_.get(g.Height, g.HeightNum);
    first_.get(g.Start, g.StartNum);
    last_.get(g.End, g.EndNum);
    rate_.get(g.FrameRate, g.FrameRateNum);
}

void GraphicsTab::resetDefaults()
{
    resetKeepingBrowser(settings().graphics);
}

ToolRun GraphicsTab::toolRun()
{
    storeSettings();
    ToolRun r;
    r.program = QLatin1String(toolcmd::GraphicsProcessor);
    r.switches = toolcmd::graphicsSwitches(settings().graphics, pane_->directory());
    r.outputExtension = toolcmd::graphicsOutputExtension(settings().graphics.OutputType);
    return r;
}

void GraphicsTab::convert()
{
    runSelection(this, host_, *pane_, output_->text(), toolRun());
}

QString GraphicsTab::currentCommand()
{
    return selectionCommand(*pane_, output_->text(), toolRun());
}

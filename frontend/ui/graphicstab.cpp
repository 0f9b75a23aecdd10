#include "frontend/ui/graphicstab.h"

#include "frontend/core/selection.h"
#include "frontend/core/settings.h"
#include "frontend/core/toolcommands.h"
#include "frontend/ui/filepane.h"
#include "frontend/ui/selectionrun.h"
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
    auto *typeButton = new QToolButton;
    typeButton->setText(QStringLiteral("&Type"));
    typeButton->setPopupMode(QToolButton::InstantPopup);
    auto *menu = new QMenu(typeButton);
    auto *group = new QActionGroup(menu);
    for (int i = 0; i < 9; ++i) {
        QAction *a = menu->addAction(QLatin1String(toolcmd::GraphicsOutputTypes[i]));
        a->setCheckable(true);
        group->addAction(a);
        types_ << a;
        connect(a, &QAction::triggered, this,
                [this, i] { changeExtension(output_, toolcmd::graphicsOutputExtension(i)); });
    }
    menu->addSeparator();
    overwrite_ = menu->addAction(QStringLiteral("Overwrite without asking?"));
    overwrite_->setCheckable(true);
    typeButton->setMenu(menu);

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
    colors_ = addCheckEdit(pf, QStringLiteral("Total palette colors to use:"));
    start_ = addCheckEdit(pf, QStringLiteral("Starting palette index to use:"));
    every_ = addCheckEdit(pf, QStringLiteral("New palette at least every:"));
    halftone_ = addCombo(pf, QStringLiteral("Halftone input files?"),
                         {QStringLiteral("When high color."), QStringLiteral("Always."), QStringLiteral("Never.")});
    paletteControl_ =
        addCombo(pf, QStringLiteral("8-bit input palettes?"),
                 {QStringLiteral("Copy existing."), QStringLiteral("Create new."), QStringLiteral("New when changes.")});
    windowsColors_ = addCombo(pf, QStringLiteral("Win system colors?"),
                              {QStringLiteral("On new palettes."), QStringLiteral("Always."), QStringLiteral("Never.")});

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
        followInput(output_, basedOn_, pane_->currentPath(), toolcmd::graphicsOutputExtension(outputType()));
    });

    auto *outLabel = new QLabel(QStringLiteral(" &Enter the output file name:"));
    outLabel->setBuddy(output_);
    auto *outRow = new QHBoxLayout;
    outRow->addWidget(output_);
    outRow->addWidget(typeButton);
    auto *right = new QVBoxLayout;
    right->addWidget(outLabel);
    right->addLayout(outRow);
    right->addWidget(pages_);
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
    const bool palette = paletteSource_ != 2;
    for (const CheckEdit &c : {colors_, start_, every_}) {
        c.check->setEnabled(palette);
        c.edit->setEnabled(palette);
    }
    for (QComboBox *c : {halftone_, paletteControl_, windowsColors_})
        c->setEnabled(palette);
}

int GraphicsTab::outputType() const
{
    for (int i = 0; i < types_.size(); ++i)
        if (types_[i]->isChecked())
            return i;
    return 0;
}

void GraphicsTab::loadSettings()
{
    const Settings::Graphics &g = settings().graphics;
    // The output name first: highlighting the file may derive it afresh.
    output_->setText(g.OutputName);
    basedOn_ = g.OutputBasedOn;
    for (int i = 0; i < types_.size(); ++i)
        types_[i]->setChecked(i == g.OutputType || (i == 0 && (g.OutputType < 0 || g.OutputType > 8)));
    if (!g.Directory.isEmpty())
        pane_->setDirectory(g.Directory);
    pane_->setFilterIndex(g.Filter);
    if (!g.Filename.isEmpty())
        pane_->selectFile(g.Filename);
    overwrite_->setChecked(g.Overwrite);
    pages_->setCurrentIndex(g.CurrentTab);
    paletteFile_->setText(g.PaletteFile);
    colors_.set(g.PaletteColors, g.PaletteColorsNum);
    start_.set(g.PaletteStart, g.PaletteStartNum);
    every_.set(g.PaletteEvery, g.PaletteEveryNum);
    setIndex(halftone_, g.Halftone);
    setIndex(paletteControl_, g.PaletteControl);
    setIndex(windowsColors_, g.WindowsColors);
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
    g.OutputType = outputType();
    g.Overwrite = overwrite_->isChecked();
    g.CurrentTab = pages_->currentIndex();
    g.PaletteType = paletteSource_;
    g.PaletteFile = paletteFile_->text();
    colors_.get(g.PaletteColors, g.PaletteColorsNum);
    start_.get(g.PaletteStart, g.PaletteStartNum);
    every_.get(g.PaletteEvery, g.PaletteEveryNum);
    g.Halftone = halftone_->currentIndex();
    g.PaletteControl = paletteControl_->currentIndex();
    g.WindowsColors = windowsColors_->currentIndex();
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
    Settings::Graphics &g = settings().graphics;
    Settings::Graphics fresh;
    fresh.Filename = g.Filename, fresh.Directory = g.Directory, fresh.Filter = g.Filter;
    fresh.OutputName = g.OutputName, fresh.OutputBasedOn = g.OutputBasedOn, fresh.CurrentTab = g.CurrentTab;
    g = fresh;
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

#include "frontend/ui/graphicsform.h"

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

namespace zfront {

namespace {

const char *const PaletteSources[] = {"Use or create palette from the input file.",
                                      "Use or create palette from a specified file.",
                                      "Process as true color - don't use or create a palette at all."};

} // namespace

GraphicsForm::GraphicsForm(TabHost &host, FileSelection *browser, QWidget *parent)
    : ToolForm(host, parent),
      pane_(browser ? browser
                    : new FilePane(
                          QStringLiteral(" Highlight a &Graphics file: "),
                          {QStringLiteral(
                              "Graphics files (*.bmp *.png *.pcx *.tga *.tif *.tiff *.gif *.webp *.jpg *.jpeg *.flc "
                              "*.fli *.avi *.zbx *.lst *.raw)")})),
      output_(new QLineEdit), pages_(new QTabWidget), source_(new QToolButton), paletteFile_(new QLineEdit)
{
    QToolButton *typeButton =
        makeTypeButton(toolcmd::GraphicsOutputTypes, toolcmd::OutputTypeCount, types_,
                       [this](int i) { changeExtension(output_, toolcmd::graphicsOutputExtension(i)); });
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

    using G = Settings::Graphics;
    bindSection(&Settings::graphics, fields_);
    // The output name first: highlighting the file may derive it afresh.
    fields_.addOutput(output_, &basedOn_);
    fields_.add([this](const G &g) { checkIndex(types_, g.OutputType); },
                [this](G &g) { g.OutputType = checkedIndex(types_); });
    fields_.addBrowser(pane_);
    fields_.add(overwrite_, &G::Overwrite);
    fields_.add(pages_, &G::CurrentTab);
    fields_.add(paletteFile_, &G::PaletteFile);
    palettes_.bind(fields_);

    auto *frame = new QWidget;
    auto *ff = new QFormLayout(frame);
    fields_.add(addCheckEdit(ff, QStringLiteral("X Offset:")), &G::XOffset, &G::XOffsetNum);
    fields_.add(addCheckEdit(ff, QStringLiteral("Y Offset:")), &G::YOffset, &G::YOffsetNum);
    fields_.add(addCheckEdit(ff, QStringLiteral("Width:")), &G::Width, &G::WidthNum);
    fields_.add(addCheckEdit(ff, QStringLiteral("Height:")), &G::Height, &G::HeightNum);
    fields_.add(addCheckEdit(ff, QStringLiteral("Starting frame:")), &G::Start, &G::StartNum);
    fields_.add(addCheckEdit(ff, QStringLiteral("Ending frame:")), &G::End, &G::EndNum);
    fields_.add(addCheckEdit(ff, QStringLiteral("Frame rate override:")), &G::FrameRate, &G::FrameRateNum);
    // Last: the source decides which palette controls are enabled.
    fields_.add([this](const G &g) { setPaletteSource(g.PaletteType); },
                [this](G &g) { g.PaletteType = paletteSource_; });

    pages_->addTab(palette, QStringLiteral("Palette"));
    pages_->addTab(frame, QStringLiteral("Frame"));

    auto *convertButton = new QPushButton(QStringLiteral("&Convert"));
    convertButton->setObjectName(QStringLiteral("run"));
    connect(convertButton, &QPushButton::clicked, this, &GraphicsForm::convert);
    connect(pane_, &FileSelection::selectionChanged, this, [this] {
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

void GraphicsForm::setPaletteSource(int index)
{
    paletteSource_ = index >= 0 && index < 3 ? index : 0;
    source_->setToolTip(QLatin1String(PaletteSources[paletteSource_]));
    paletteFile_->setEnabled(paletteSource_ == 1);
    palettes_.setEnabled(paletteSource_ != 2);
}

ToolRun GraphicsForm::toolRun()
{
    storeSettings();
    ToolRun r;
    r.program = QLatin1String(toolcmd::GraphicsProcessor);
    r.switches = toolcmd::graphicsSwitches(settings().graphics, pane_->directory());
    r.outputExtension = toolcmd::graphicsOutputExtension(settings().graphics.OutputType);
    return r;
}

void GraphicsForm::convert()
{
    runSelection(this, host_, *pane_, output_->text(), toolRun());
}

QString GraphicsForm::currentCommand()
{
    return selectionCommand(*pane_, output_->text(), toolRun());
}

} // namespace zfront

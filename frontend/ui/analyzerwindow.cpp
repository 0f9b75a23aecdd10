#include "frontend/ui/analyzerwindow.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QValueAxis>

namespace zfront {

namespace {
bool g_bytesPerSecond = true;
const char *const kCdNames[] = {"1x CD-ROM", "2x CD-ROM", "4x CD-ROM"};
} // namespace

const QColor AnalyzerWindow::kAnimationColor(0, 0, 255);
const QColor AnalyzerWindow::kAverageColor(255, 0, 0);
const QColor AnalyzerWindow::kCdColors[3] = {QColor(0, 160, 0), QColor(255, 128, 0), QColor(160, 0, 160)};

bool AnalyzerWindow::bytesPerSecond()
{
    return g_bytesPerSecond;
}

void AnalyzerWindow::setBytesPerSecond(bool on)
{
    g_bytesPerSecond = on;
}

AnalyzerWindow::AnalyzerWindow(QWidget *parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Zorb Analyze"));
    chart_ = new QChart;
    auto line = [](const QString &name, const QColor &colour) {
        auto *s = new QLineSeries;
        s->setName(name);
        QPen pen(colour);
        pen.setWidth(2);
        s->setPen(pen);
        return s;
    };
    animation_ = line(QStringLiteral("Animation"), kAnimationColor);
    average_ = line(QStringLiteral("1 second average"), kAverageColor);
    axisX_ = new QValueAxis;
    axisY_ = new QValueAxis;
    axisX_->setLabelFormat(QStringLiteral("%d"));
    axisX_->setTickType(QValueAxis::TicksDynamic);
    axisY_->setLabelFormat(QStringLiteral("%.0f"));
    chart_->addAxis(axisX_, Qt::AlignBottom);
    chart_->addAxis(axisY_, Qt::AlignLeft);
    QList<QLineSeries *> all = {animation_, average_};
    for (int i = 0; i < 3; ++i) {
        cd_[i] = line(QString::fromLatin1(kCdNames[i]), kCdColors[i]);
        all << cd_[i];
    }
    for (QLineSeries *s : all) {
        chart_->addSeries(s);
        s->attachAxis(axisX_);
        s->attachAxis(axisY_);
    }
    chartView_ = new QChartView(chart_, this);
    chartView_->setRenderHint(QPainter::Antialiasing, false);
    chartView_->viewport()->installEventFilter(this);
    scroll_ = new QScrollBar(Qt::Horizontal, this);
    scroll_->setRange(0, 0);
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(chartView_, 1);
    layout->addWidget(scroll_);
    setCentralWidget(central);
    connect(scroll_, &QScrollBar::valueChanged, this, [this](int v) {
        view_.setFirst(v);
        updateWindow();
    });
    buildMenus();
    resize(800, 500);
}

void AnalyzerWindow::buildMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("Copy Values"), this, [this] { QApplication::clipboard()->setText(valuesText()); });
    file->addAction(QStringLiteral("Copy Graph"), this,
                    [this] { QApplication::clipboard()->setImage(render(chartView_->size())); });
    file->addAction(QStringLiteral("Print Graph..."), this, &AnalyzerWindow::printGraph);
    file->addSeparator();
    file->addAction(QStringLiteral("Close"), this, &QWidget::close);

    QMenu *zoom = menuBar()->addMenu(QStringLiteral("&Zoom"));
    zoom->addAction(QStringLiteral("Zoom In"), this, &AnalyzerWindow::zoomIn);
    zoom->addAction(QStringLiteral("Zoom Out"), this, &AnalyzerWindow::zoomOut);
    zoom->addAction(QStringLiteral("Zoom Default"), this, &AnalyzerWindow::zoomDefault);

    QMenu *show = menuBar()->addMenu(QStringLiteral("&Show"));
    auto toggle = [&](const char *caption, bool on, auto apply) {
        QAction *a = show->addAction(QString::fromLatin1(caption));
        a->setCheckable(true);
        a->setChecked(on);
        connect(a, &QAction::toggled, this, apply);
    };
    toggle("Show Legend", true, [this](bool on) { chart_->legend()->setVisible(on); });
    animation_->setPointLabelsFormat(QStringLiteral("@yPoint"));
    animation_->setPointLabelsClipping(true);
    toggle("Show Values", false, [this](bool on) {
        showValues_ = on;
        updateWindow();
    });
    toggle("Show Grid", true, [this](bool on) {
        axisX_->setGridLineVisible(on);
        axisY_->setGridLineVisible(on);
    });
    toggle("Show 1 Second Ave.", true, [this](bool on) { average_->setVisible(on); });
    toggle("Show 1x CD-ROM", true, [this](bool on) { cd_[0]->setVisible(on); });
    toggle("Show 2x CD-ROM", true, [this](bool on) { cd_[1]->setVisible(on); });
    toggle("Show 4x CD-ROM", true, [this](bool on) { cd_[2]->setVisible(on); });
    show->addSeparator();
    modeAction_ = show->addAction(QString());
    connect(modeAction_, &QAction::triggered, this, [this] {
        setBytesPerSecond(!bytesPerSecond());
        reload();
    });
    updateModeAction();
}

void AnalyzerWindow::updateModeAction()
{
    // The caption names the mode the command switches to.
    modeAction_->setText(bytesPerSecond() ? QStringLiteral("Show as Bytes Per Frame")
                                          : QStringLiteral("Show as Bytes Per Second"));
}

bool AnalyzerWindow::openFile(const QString &path, bool quiet)
{
    path_ = AnalyzerFileName(path);
    RateData d;
    if (!LoadRates(path_, d, error_)) {
        // Nothing of an earlier file or of this one stays on the graph.
        loaded_ = false;
        data_ = RateData();
        for (QLineSeries *s : {animation_, average_, cd_[0], cd_[1], cd_[2]})
            s->clear();
        axisX_->setRange(0, 1);
        axisY_->setRange(0, 1);
        chart_->setTitle(QString());
        setWindowTitle(QStringLiteral("Zorb Analyze"));
        if (!quiet)
            QMessageBox::warning(this, windowTitle(),
                                 QStringLiteral("Error loading Zorblax file.\n\n%1: %2.").arg(path_, error_));
        return false;
    }
    error_.clear();
    data_ = std::move(d);
    loaded_ = true;
    reload();
    setWindowTitle(QStringLiteral("Zorb Analyze: ") + path_);
    chart_->setTitle(path_);
    view_.setFrameCount(data_.frameCount);
    zoomDefault();
    return true;
}

void AnalyzerWindow::reload()
{
    updateModeAction();
    if (!loaded_)
        return;
    const bool bps = bytesPerSecond();
    largest_ = 0;
    for (uint32_t s : data_.sizes)
        largest_ = std::max(largest_, PlotValue(s, data_.period, bps));
    updateWindow();
}

void AnalyzerWindow::zoomIn()
{
    view_.zoomIn();
    updateWindow();
}

void AnalyzerWindow::zoomOut()
{
    view_.zoomOut();
    updateWindow();
}

void AnalyzerWindow::zoomDefault()
{
    view_.zoomDefault(width());
    updateWindow();
}

void AnalyzerWindow::showAll()
{
    view_.showAll();
    updateWindow();
}

void AnalyzerWindow::updateWindow()
{
    if (!loaded_)
        return;
    const bool bps = bytesPerSecond();
    const int64_t first = view_.first();
    const int64_t last = view_.last();
    QList<QPointF> a, m;
    a.reserve(last - first + 1);
    m.reserve(last - first + 1);
    for (int64_t k = first; k <= last; ++k) {
        a.append(QPointF(double(k), PlotValue(data_.sizes[size_t(k - 1)], data_.period, bps)));
        m.append(QPointF(double(k), PlotValue(data_.averages[size_t(k - 1)], data_.period, bps)));
    }
    animation_->replace(a);
    average_->replace(m);
    double top = largest_;
    for (int i = 0; i < 3; ++i) {
        const double y = ReferenceLine(i, data_.period, bps);
        cd_[i]->replace(QList<QPointF>{{double(first), y}, {double(last), y}});
        top = std::max(top, y);
    }
    // Whole frame numbers a readable distance apart.
    axisX_->setRange(double(first), double(std::max(last, first + 1)));
    axisX_->setTickAnchor(double(first));
    axisX_->setTickInterval(double(AxisStep(last - first, 8)));
    // Values are written beside the points only while they can be read: a
    // label for each of thousands of points costs much and shows nothing.
    animation_->setPointLabelsVisible(showValues_ && last - first <= kMaxValueLabels);
    axisY_->setRange(0, top * 1.05 + 1);
    axisY_->applyNiceNumbers();
    axisY_->setTitleText(bps ? QStringLiteral("Bytes per second") : QStringLiteral("Bytes per frame"));
    const QSignalBlocker block(scroll_);
    scroll_->setRange(0, int(std::min<int64_t>(view_.scrollRange(), INT32_MAX)));
    scroll_->setPageStep(int(std::min<int64_t>(view_.width(), INT32_MAX)));
    scroll_->setValue(int(std::min<int64_t>(first, INT32_MAX)));
}

QImage AnalyzerWindow::render(const QSize &size)
{
    chartView_->resize(size);
    chart_->resize(size);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    chart_->scene()->render(&p, QRectF(QPointF(0, 0), QSizeF(size)), chart_->rect());
    return image;
}

int AnalyzerWindow::frameAt(const QPoint &pos) const
{
    if (!loaded_)
        return 0;
    const QPointF scene = chartView_->mapToScene(pos);
    const QPointF value = chart_->mapToValue(chart_->mapFromScene(scene), animation_);
    const int64_t k = qRound64(value.x());
    return k >= 1 && k <= int64_t(data_.frameCount) ? int(k) : 0;
}

QString AnalyzerWindow::frameReport(int frame) const
{
    if (frame < 1 || frame > int64_t(data_.frameCount))
        return {};
    const uint32_t size = data_.sizes[size_t(frame - 1)];
    return QStringLiteral("Frame: %1\nBytes per second: %2")
        .arg(frame)
        .arg(qulonglong(PlotValue(size, data_.period, true)));
}

bool AnalyzerWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == chartView_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const int frame = frameAt(static_cast<QMouseEvent *>(event)->position().toPoint());
        if (frame > 0)
            QMessageBox::information(this, windowTitle(), frameReport(frame));
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void AnalyzerWindow::printGraph()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    QPainter p(&printer);
    const QRect page = p.viewport();
    QSize size = chartView_->size();
    size.scale(page.size(), Qt::KeepAspectRatio);
    p.setViewport(page.x(), page.y(), size.width(), size.height());
    p.setWindow(chartView_->rect());
    chartView_->render(&p);
}

} // namespace zfront

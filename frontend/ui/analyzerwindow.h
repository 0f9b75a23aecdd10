// The data-rate analyzer window: plots each frame's bytes ("Animation") and
// the one-second average against the 1x, 2x and 4x CD-ROM rates, in bytes
// per second or bytes per frame, with zoom, scrolling, printing and copying.
#ifndef ZORB_FRONTEND_UI_ANALYZERWINDOW_H
#define ZORB_FRONTEND_UI_ANALYZERWINDOW_H

#include "frontend/core/zbxrates.h"

#include <QColor>
#include <QMainWindow>

class QAction;
class QChart;
class QChartView;
class QLineSeries;
class QScrollBar;
class QValueAxis;

namespace zfront {

class AnalyzerWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit AnalyzerWindow(QWidget *parent = nullptr);

    // Loads a file; on failure shows "Error loading Zorblax file." (unless
    // quiet) and stays empty. Returns false on failure.
    bool openFile(const QString &path, bool quiet = false);

    const RateData &data() const { return data_; }
    const RateView &view() const { return view_; }
    QScrollBar *scrollBar() const { return scroll_; }
    QChartView *chartView() const { return chartView_; }

    // The program-wide mode: bytes per second (true) or bytes per frame.
    static bool bytesPerSecond();
    static void setBytesPerSecond(bool on);

    void zoomIn();
    void zoomOut();
    void zoomDefault();
    // The whole file on the graph (what --export-png shows).
    void showAll();
    // Why the last file could not be loaded (empty when it was).
    QString loadError() const { return error_; }
    // Point labels ("Show Values") are drawn for at most this many frames.
    static constexpr int kMaxValueLabels = 100;
    QString valuesText() const { return ValuesText(data_); }
    // Renders the graph (without showing the window) into a picture.
    QImage render(const QSize &size);
    // The frame under a point of the chart view, 0 when none.
    int frameAt(const QPoint &pos) const;
    QString frameReport(int frame) const;

    static const QColor kAnimationColor, kAverageColor, kCdColors[3];

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildMenus();
    void reload();
    void updateWindow();
    void updateModeAction();
    void printGraph();

    RateData data_;
    RateView view_;
    QString path_;
    bool loaded_ = false;
    double largest_ = 0;
    QChart *chart_;
    QChartView *chartView_;
    QLineSeries *animation_, *average_, *cd_[3];
    QValueAxis *axisX_, *axisY_;
    QScrollBar *scroll_;
    QAction *modeAction_ = nullptr;
    QString error_;
    bool showValues_ = false;
};

} // namespace zfront

#endif

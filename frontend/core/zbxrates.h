// The data-rate analyzer's model: reads a Zorblax file's header and frame
// size table (nothing is decoded), computes the frame period, the frames per
// second, each frame's rate and its one-second moving average, the CD-ROM
// reference lines, the visible window (zoom and scroll) and the "Copy
// Values" text.
#ifndef ZORB_FRONTEND_CORE_ZBXRATES_H
#define ZORB_FRONTEND_CORE_ZBXRATES_H

#include <QString>

#include <cstdint>
#include <vector>

namespace zfront {

struct RateData {
    QString fileName;
    uint32_t frameCount = 0;
    int32_t frameRate = 0;
    uint32_t period = 0;            // hundredths of a millisecond per frame
    uint32_t framesPerSecond = 0;   // the averaging window (at least 1)
    std::vector<uint32_t> sizes;    // frame k (1-based) is sizes[k - 1]
    std::vector<uint32_t> averages; // moving average in bytes per frame
};

// The analyzer's file name rule: surrounding double quotes removed, ".zbx"
// added when the name has no extension.
QString AnalyzerFileName(const QString &argument);

// Loads the tables. False (the caller shows "Error loading Zorblax file.")
// when the file cannot be read, has the wrong magic, has no frame period, or
// its header and table do not fit the file; error then says which.
bool LoadRates(const QString &path, RateData &out, QString &error);

// Frames per second of a frame period (ZbxFramePeriod of codec/format.h; 0: none).
uint32_t FramesPerSecond(uint32_t period);

// The moving average of the sizes (frame 1 counted as 0), window F frames.
std::vector<uint32_t> MovingAverage(const std::vector<uint32_t> &sizes, uint32_t framesPerSecond);

// A plotted value: bytes per second (size x 100000 / P) or bytes per frame.
double PlotValue(uint32_t bytesPerFrame, uint32_t period, bool bytesPerSecond);
// The 1x, 2x and 4x CD-ROM lines (index 0, 1, 2) in the current mode.
double ReferenceLine(int index, uint32_t period, bool bytesPerSecond);

// The distance between two labels of the frame axis for a window of width
// frames and about ticks labels: 1, 2 or 5 times a power of ten.
int64_t AxisStep(int64_t width, int ticks);

// "Copy Values": header lines, then frame, size and bytes per second per frame.
QString ValuesText(const RateData &data);

// The visible window of the graph: W frames (at least 2, at most the file's
// frame count) from the first visible frame; never past the last frame.
class RateView {
public:
    void setFrameCount(uint32_t n);
    void setWidth(int64_t w);
    void setFirst(int64_t first);
    void zoomIn() { setWidth(width_ * 3 / 4); }
    void zoomOut() { setWidth((width_ * 4 + 1) / 3); }
    void zoomDefault(int pixels) { setWidth(pixels / 35); }
    // The whole file.
    void showAll();
    int64_t width() const { return width_; }
    int64_t first() const { return first_; }
    // The last frame shown: first + W, but never past the file's last frame.
    int64_t last() const;
    int64_t scrollRange() const;

private:
    void clamp();
    uint32_t frames_ = 0;
    int64_t width_ = 2;
    int64_t first_ = 1;
};

} // namespace zfront

#endif

#include "frontend/core/zbxrates.h"

#include "codec/format.h" // the layout only (inline helpers): the front end links no codec

#include "frontend/core/commandtext.h"
#include "frontend/core/selection.h"

#include <QFile>

#include <algorithm>
#include <deque>

namespace zfront {

namespace {

constexpr qint64 kHeaderSize = ZBX_HEADER_SIZE;
constexpr int kBlockEntries = 512;

} // namespace

QString AnalyzerFileName(const QString &argument)
{
    QString name = selection::trimLow(argument);
    if (name.size() >= 2 && name.startsWith(u'"') && name.endsWith(u'"'))
        name = name.mid(1, name.size() - 2);
    if (!name.isEmpty() && !HasExtension(name))
        name += QLatin1String(".zbx");
    return name;
}

uint32_t FramesPerSecond(uint32_t period)
{
    // A period longer than a second would make the window empty; it then
    // holds the frame itself.
    return period == 0 ? 0 : std::max<uint32_t>(1, 100000 / period);
}

std::vector<uint32_t> MovingAverage(const std::vector<uint32_t> &sizes, uint32_t framesPerSecond)
{
    std::vector<uint32_t> out(sizes.size());
    std::deque<uint32_t> window; // newest first
    uint64_t sum = 0;
    const size_t f = std::max<uint32_t>(1, framesPerSecond);
    for (size_t k = 0; k < sizes.size(); ++k) {
        if (window.size() >= f) {
            sum -= window.back();
            window.pop_back();
        }
        const uint32_t v = k == 0 ? 0 : sizes[k];
        window.push_front(v);
        sum += v;
        out[k] = static_cast<uint32_t>(sum / window.size());
    }
    return out;
}

double PlotValue(uint32_t bytesPerFrame, uint32_t period, bool bytesPerSecond)
{
    if (!bytesPerSecond || period == 0)
        return bytesPerFrame;
    return static_cast<double>(uint64_t(bytesPerFrame) * 100000 / period);
}

double ReferenceLine(int index, uint32_t period, bool bytesPerSecond)
{
    static const double kDrive[] = {150000, 300000, 600000};
    const double rate = kDrive[std::clamp(index, 0, 2)] * 0.8;
    return bytesPerSecond ? rate : period * rate * 0.00001;
}

bool LoadRates(const QString &path, RateData &out, QString &error)
{
    out = RateData();
    auto fail = [&](const QString &why) {
        error = why;
        out = RateData();
        return false;
    };
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return fail(f.errorString().isEmpty() ? QStringLiteral("it cannot be opened") : f.errorString());
    const qint64 fileSize = f.size();
    unsigned char head[kHeaderSize];
    if (f.read(reinterpret_cast<char *>(head), kHeaderSize) != kHeaderSize)
        return fail(QStringLiteral("the file is shorter than a Zorblax header"));
    if (ZbxGet32(head) != ZBX_MAGIC)
        return fail(QStringLiteral("it is not a Zorblax file"));
    out.fileName = path;
    out.frameCount = ZbxGet32(head + ZBX_OFFSET_FRAME_COUNT);
    out.frameRate = static_cast<int32_t>(ZbxGet32(head + ZBX_OFFSET_FRAME_RATE));
    const uint32_t flags = ZbxGet32(head + ZBX_OFFSET_HEADER_FLAGS);
    const uint32_t treeSize = ZbxGet32(head + ZBX_OFFSET_TREE_DATA_SIZE);
    out.period = ZbxFramePeriod(out.frameRate);
    if (out.period == 0)
        return fail(QStringLiteral("the header gives no frame rate"));
    out.framesPerSecond = FramesPerSecond(out.period);

    // Every length is checked against the file before anything is allocated:
    // both tables, the trees and all frames must lie inside it.
    const uint64_t entries = uint64_t(out.frameCount) + ((flags & ZBX_RING_FRAME) ? 1 : 0);
    const uint64_t dataStart = uint64_t(kHeaderSize) + 5 * entries + treeSize; // header, tables, trees
    if (dataStart > uint64_t(fileSize))
        return fail(QStringLiteral("the frame tables do not fit in the file (it is cut short or damaged)"));
    out.sizes.resize(out.frameCount);
    std::vector<unsigned char> block(kBlockEntries * 4);
    uint64_t total = 0;
    for (uint64_t i = 0; i < entries; i += kBlockEntries) {
        const qint64 n = static_cast<qint64>(std::min<uint64_t>(kBlockEntries, entries - i));
        if (f.read(reinterpret_cast<char *>(block.data()), n * 4) != n * 4)
            return fail(QStringLiteral("the frame size table cannot be read"));
        for (qint64 j = 0; j < n; ++j) {
            const uint32_t size = ZbxGet32(block.data() + j * 4);
            total += size;
            if (i + uint64_t(j) < out.frameCount)
                out.sizes[i + uint64_t(j)] = size;
        }
    }
    if (dataStart + total > uint64_t(fileSize))
        return fail(QStringLiteral("the frames do not fit in the file (it is cut short or damaged)"));
    out.averages = MovingAverage(out.sizes, out.framesPerSecond);
    return true;
}

QString ValuesText(const RateData &data)
{
    QString text =
        QStringLiteral("Zorblax file: ") + data.fileName + QStringLiteral("\r\n\r\nFrame\tSize\tBytes per Second\r\n");
    text.reserve(text.size() + qsizetype(data.sizes.size()) * 24);
    for (size_t k = 0; k < data.sizes.size(); ++k) {
        text += QString::number(k + 1) + u'\t' + QString::number(data.sizes[k]) + u'\t' +
                QString::number(data.period ? uint64_t(data.sizes[k]) * 100000 / data.period : 0) +
                QStringLiteral("\r\n");
    }
    return text;
}

void RateView::setFrameCount(uint32_t n)
{
    frames_ = n;
    first_ = 1;
    setWidth(width_);
}

void RateView::setWidth(int64_t w)
{
    // Never wider than the file: the last frame shown is the file's last.
    width_ = std::clamp<int64_t>(w, 2, std::max<int64_t>(2, int64_t(frames_)));
    clamp();
}

void RateView::showAll()
{
    setWidth(int64_t(frames_));
    setFirst(1);
}

int64_t AxisStep(int64_t width, int ticks)
{
    // 1, 2, 5, 10, 20, 50, ... frames: whole numbers, so no two labels alike.
    const int64_t raw = std::max<int64_t>(1, (width + ticks - 1) / std::max(1, ticks));
    for (int64_t p = 1;; p *= 10)
        for (int64_t m : {1, 2, 5})
            if (m * p >= raw)
                return m * p;
}

void RateView::setFirst(int64_t first)
{
    first_ = first;
    clamp();
}

void RateView::clamp()
{
    if (first_ + width_ > int64_t(frames_))
        first_ = int64_t(frames_) - width_;
    first_ = std::max<int64_t>(1, first_);
}

int64_t RateView::last() const
{
    return std::max<int64_t>(first_, std::min<int64_t>(first_ + width_, int64_t(frames_)));
}

int64_t RateView::scrollRange() const
{
    return std::max<int64_t>(0, int64_t(frames_) - width_);
}

} // namespace zfront

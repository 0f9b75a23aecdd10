// The data-rate analyzer: period, window and moving average from hand-built
// files whose sizes the test knows, the visible window's rules, the "Copy
// Values" text, damaged files, the exported graph of the demo and the window
// under Xvfb.
#include "codec/format.h"
#include "frontend/core/zbxrates.h"
#include "frontend/ui/analyzerwindow.h"
#include "tests/support/frontend_testing.h"
#include "tests/support/zbxgen.h"

#include <QApplication>
#include <QChartView>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QWindow>

#include <gtest/gtest.h>

#include "codec/format.h"

#include <cstdlib>
#include <unistd.h>

namespace {

// The loader, for cases that look at the result only.
bool LoadRates(const QString &path, zfront::RateData &out)
{
    QString error;
    return zfront::LoadRates(path, out, error);
}

using namespace zorb::test;

const QString kBin = QStringLiteral(ZORB_BINARY_DIR "/bin");
const QString kDemo = QStringLiteral(ZORB_BINARY_DIR "/demo/demo.zbx");

void Put32(QByteArray &b, qsizetype at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<char>(v >> (8 * i));
}

// A container with the given frame sizes: header, size table, type table,
// tree bytes and frames of exactly those sizes (their content is not read).
QByteArray HandBuilt(int32_t frameRate, const std::vector<uint32_t> &sizes, uint32_t treeBytes = 16)
{
    QByteArray b(104, '\0');
    b.replace(0, 4, "ZBX2");
    Put32(b, 4, 64);
    Put32(b, 8, 32);
    Put32(b, 12, static_cast<uint32_t>(sizes.size()));
    Put32(b, 16, static_cast<uint32_t>(frameRate));
    Put32(b, 52, treeBytes);
    for (uint32_t s : sizes) {
        b += QByteArray(4, '\0');
        Put32(b, b.size() - 4, s);
    }
    b += QByteArray(qsizetype(sizes.size()), '\0');
    b += QByteArray(treeBytes, '\x55');
    for (uint32_t s : sizes)
        b += QByteArray(s, '\x11');
    return b;
}

QString Write(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    QFile f(dir.filePath(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return f.fileName();
}

std::vector<uint32_t> Sizes(size_t n, uint32_t seed)
{
    std::vector<uint32_t> s(n);
    zbxgen::Rng rng(seed);
    for (auto &v : s)
        v = 100 + rng.Below(5000);
    return s;
}

TEST(AnalyzerModel, FifteenFramesPerSecondAverage)
{
    QTemporaryDir dir;
    const std::vector<uint32_t> sizes = Sizes(40, 1);
    zfront::RateData d;
    ASSERT_TRUE(LoadRates(Write(dir, "a.zbx", HandBuilt(66, sizes)), d));
    EXPECT_EQ(d.period, 6600u);
    EXPECT_EQ(d.framesPerSecond, 15u);
    EXPECT_EQ(d.sizes, sizes);
    // Frame 1 counts as 0; the window holds the last 15 frames.
    for (size_t k = 1; k <= sizes.size(); ++k) {
        uint64_t sum = 0;
        size_t count = 0;
        for (size_t j = (k > 15 ? k - 14 : 1); j <= k; ++j, ++count)
            sum += j == 1 ? 0 : sizes[j - 1];
        EXPECT_EQ(d.averages[k - 1], sum / count) << "frame " << k;
    }
    EXPECT_EQ(zfront::PlotValue(sizes[3], d.period, true), double(uint64_t(sizes[3]) * 100000 / 6600));
    EXPECT_EQ(zfront::PlotValue(sizes[3], d.period, false), double(sizes[3]));
}

TEST(AnalyzerModel, PeriodsAndReferenceLines)
{
    EXPECT_EQ(ZbxFramePeriod(-6667), 6667u);
    EXPECT_EQ(zfront::FramesPerSecond(6667), 14u);
    EXPECT_EQ(ZbxFramePeriod(66), 6600u);
    EXPECT_EQ(ZbxFramePeriod(0), 0u);
    EXPECT_EQ(zfront::FramesPerSecond(250000), 1u); // slower than a frame a second: the frame itself
    const double bps[] = {120000, 240000, 480000};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(zfront::ReferenceLine(i, 6667, true), bps[i]);
        EXPECT_DOUBLE_EQ(zfront::ReferenceLine(i, 6667, false), 6667.0 * (150000 << i) * 0.8 * 0.00001);
    }
    EXPECT_EQ(zfront::AnalyzerFileName("\"my movie\""), "my movie.zbx");
    EXPECT_EQ(zfront::AnalyzerFileName("dir.v2/clip"), "dir.v2/clip.zbx");
    EXPECT_EQ(zfront::AnalyzerFileName("clip.dat"), "clip.dat");
}

TEST(AnalyzerModel, VisibleWindow)
{
    zfront::RateView v;
    v.setFrameCount(10);
    v.setWidth(20); // a file shorter than the window: all of it, nothing to scroll
    EXPECT_EQ(v.first(), 1);
    EXPECT_EQ(v.scrollRange(), 0);
    v.setWidth(2);
    v.zoomIn();
    EXPECT_EQ(v.width(), 2);
    v.setFrameCount(1000);
    v.zoomDefault(800);
    EXPECT_EQ(v.width(), 22);
    v.zoomIn();
    EXPECT_EQ(v.width(), 16);
    v.zoomOut();
    EXPECT_EQ(v.width(), 21);
    EXPECT_EQ(v.scrollRange(), 979);
    v.setFirst(990); // past the end: moved back to end at the last frame
    EXPECT_EQ(v.first(), 979);
    v.setWidth(5000);
    EXPECT_EQ(v.first(), 1);
}

TEST(AnalyzerModel, CopyValuesLineByLine)
{
    QTemporaryDir dir;
    const std::vector<uint32_t> sizes = Sizes(25, 7);
    const QString path = Write(dir, "v.zbx", HandBuilt(-6667, sizes));
    zfront::RateData d;
    ASSERT_TRUE(LoadRates(path, d));
    const QStringList lines = zfront::ValuesText(d).split("\r\n");
    ASSERT_EQ(lines.size(), 3 + 25 + 1);
    EXPECT_EQ(lines[0], "Zorblax file: " + path);
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], "Frame\tSize\tBytes per Second");
    for (size_t k = 0; k < sizes.size(); ++k)
        EXPECT_EQ(lines[3 + qsizetype(k)],
                  QString("%1\t%2\t%3").arg(k + 1).arg(sizes[k]).arg(uint64_t(sizes[k]) * 100000 / 6667));
    EXPECT_EQ(lines.last(), "");
}

TEST(AnalyzerModel, DamagedFilesAreRefused)
{
    QTemporaryDir dir;
    zbxgen::Description desc = zbxgen::RandomDescription(3);
    desc.ringFrame.reset();
    const std::vector<uint8_t> built = zbxgen::Build(desc);
    const QByteArray good(reinterpret_cast<const char *>(built.data()), qsizetype(built.size()));
    zfront::RateData d;
    ASSERT_TRUE(LoadRates(Write(dir, "good.zbx", good), d));
    EXPECT_EQ(d.frameCount, desc.frames.size());

    struct Damage {
        const char *what;
        std::function<void(QByteArray &)> apply;
    } damages[] = {
        {"short header", [](QByteArray &b) { b.truncate(50); }},
        {"wrong magic", [](QByteArray &b) { b[3] = '1'; }},
        {"huge frame count", [](QByteArray &b) { Put32(b, 12, 0xFFFFFFFFu); }},
        {"tables past the end", [](QByteArray &b) { Put32(b, 12, uint32_t(b.size() / 5)); }},
        {"huge tree size", [](QByteArray &b) { Put32(b, 52, 0xFFFFFFF0u); }},
        {"frames past the end", [](QByteArray &b) { b.chop(1); }},
        {"huge frame size", [](QByteArray &b) { Put32(b, 104, 0xFFFFFFF0u); }},
        {"no frame period", [](QByteArray &b) { Put32(b, 16, 0); }},
    };
    for (const Damage &dm : damages) {
        QByteArray b = good;
        dm.apply(b);
        EXPECT_FALSE(LoadRates(Write(dir, "bad.zbx", b), d)) << dm.what;
    }
    EXPECT_FALSE(LoadRates(dir.filePath("missing.zbx"), d));
    // Every seed of the container fuzzer, valid or damaged, loads or is
    // refused without harm.
    for (const auto &seed : zbxgen::FuzzSeeds(5, 24))
        LoadRates(
            Write(dir, "seed.zbx", QByteArray(reinterpret_cast<const char *>(seed.data()), qsizetype(seed.size()))), d);
}

TEST(AnalyzerWindow, LoadsZoomsAndSwitchesMode)
{
    FrontEndApp();
    QTemporaryDir dir;
    zfront::AnalyzerWindow w;
    EXPECT_EQ(w.windowTitle(), "Zorb Analyze");
    EXPECT_FALSE(w.openFile(dir.filePath("missing"), true));
    const QString path = Write(dir, "ten.zbx", HandBuilt(100, Sizes(10, 2)));
    ASSERT_TRUE(w.openFile(dir.filePath("ten"), true)); // ".zbx" added
    EXPECT_EQ(w.windowTitle(), "Zorb Analyze: " + path);
    EXPECT_EQ(w.scrollBar()->maximum(), 0); // shorter than the window
    const QString big = Write(dir, "big.zbx", HandBuilt(66, Sizes(500, 3)));
    ASSERT_TRUE(w.openFile(big, true));
    EXPECT_EQ(w.view().width(), w.width() / 35);
    EXPECT_EQ(w.scrollBar()->maximum(), 500 - w.view().width());
    w.zoomIn();
    EXPECT_EQ(w.view().width(), (w.width() / 35) * 3 / 4);
    EXPECT_TRUE(zfront::AnalyzerWindow::bytesPerSecond());
    EXPECT_EQ(w.frameReport(2),
              QString("Frame: 2\nBytes per second: %1").arg(uint64_t(w.data().sizes[1]) * 100000 / 6600));
}

int CountColour(const QImage &img, const QColor &c)
{
    int n = 0;
    const QRgb want = c.rgb();
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += (img.pixel(x, y) | 0xFF000000u) == want;
    return n;
}

TEST(AnalyzerExport, DemoGraphHasBothSeriesAndTheReferenceLines)
{
    ASSERT_TRUE(QFile::exists(kDemo));
    QTemporaryDir dir;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
    p.setProcessEnvironment(env);
    p.start(kBin + "/zorblaxw",
            {"--analyze", kDemo, "--export-png", dir.filePath("g.png"), "--export-values", dir.filePath("v.txt")});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QImage img(dir.filePath("g.png"));
    ASSERT_FALSE(img.isNull());
    EXPECT_GT(CountColour(img, zfront::AnalyzerWindow::kAnimationColor), 200);
    EXPECT_GT(CountColour(img, zfront::AnalyzerWindow::kAverageColor), 200);
    for (const QColor &c : zfront::AnalyzerWindow::kCdColors)
        EXPECT_GT(CountColour(img, c), 200) << c.name().toStdString();
    QFile values(dir.filePath("v.txt"));
    ASSERT_TRUE(values.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(values.readAll()).split("\r\n");
    EXPECT_EQ(lines.value(0), "Zorblax file: " + kDemo);
    EXPECT_EQ(lines.size(), 3 + 150 + 1);

    // A damaged file: the error, no picture.
    QFile bad(dir.filePath("bad.zbx"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("ZBX1 not really");
    bad.close();
    p.start(kBin + "/zorblaxw", {"--analyze", bad.fileName(), "--export-png", dir.filePath("b.png")});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(p.readAllStandardError().contains("Error loading Zorblax file."));
    EXPECT_FALSE(QFile::exists(dir.filePath("b.png")));
}

TEST(AnalyzerScreenshot, UnderXvfb)
{
    ExpectPassesUnderXvfb("AnalyzerScreenshot.InXvfb");
}

TEST(AnalyzerScreenshot, InXvfb)
{
    if (!InsideXvfb())
        GTEST_SKIP() << "runs under Xvfb only";
    int argc = 1;
    char name[] = "test_frontend_analyzer";
    char *argv[] = {name, nullptr};
    QApplication app(argc, argv);
    zfront::AnalyzerWindow w;
    w.move(0, 0);
    w.show();
    ASSERT_TRUE(w.openFile(kDemo, true));
    WaitFor([] { return false; }, 1500); // let the chart settle
    ASSERT_TRUE(w.windowHandle() && w.windowHandle()->isExposed());
    const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    EXPECT_GT(CountColour(shot, zfront::AnalyzerWindow::kAnimationColor), 50);
    EXPECT_GT(CountColour(shot, zfront::AnalyzerWindow::kCdColors[2]), 50);
}

} // namespace

// zorblaxw, the toolkit's graphical front end.
//
//   zorblaxw [SETTINGS[.INI]] [BATCH.zbt]...
//   zorblaxw --exit-after-batch BATCH.zbt [ARGUMENTS...]
//   zorblaxw --analyze FILE [--export-png OUT.png] [--export-values OUT.txt]
//   zorblaxw [SETTINGS] --print-command TAB FILE...
#include "frontend/core/commandrunner.h"
#include "frontend/core/settings.h"
#include "frontend/core/toolcommands.h"
#include "frontend/ui/analyzerwindow.h"
#include "frontend/ui/mainwindow.h"
#include "platform/platform.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QSaveFile>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace zfront {
namespace {

const char kUsage[] = "usage: zorblaxw [SETTINGS[.INI]] [BATCH.zbt]...\n"
                      "       zorblaxw --exit-after-batch BATCH.zbt [ARGUMENTS...]\n"
                      "       zorblaxw --analyze FILE [--export-png OUT.png] [--export-values OUT.txt]\n"
                      "       zorblaxw [SETTINGS] --print-command TAB FILE...\n"
                      "  --exit-after-batch  run the batch file, print the history and exit\n"
                      "                      (status 0 when every line ran)\n"
                      "  --analyze           open the data-rate analyzer on FILE\n"
                      "  --export-png        with --analyze: write the graph as a PNG picture, no window\n"
                      "  --export-values     with --analyze: write the values table as text, no window\n"
                      "  --print-command     print the command lines a tab would run for FILEs with the\n"
                      "                      saved settings (TAB: zorb, player, mixer, pictproc, sndproc,\n"
                      "                      scriptor)\n"
                      "  SETTINGS names a settings file (default Zorblax.INI in $XDG_CONFIG_HOME/zorblax);\n"
                      "  BATCH.zbt is run once the window is up.\n";

struct Options {
    QString batch, batchArguments;
    bool exitAfterBatch = false;
    QString analyze, exportPng, exportValues;
    QStringList rest; // settings file and batch files
    bool printCommand = false;
    QStringList printArguments;
};

int UsageError(const char *what)
{
    std::fprintf(stderr, "zorblaxw: %s\n%s", what, kUsage);
    return 2;
}

// The headless modes run without a display when none is there.
void ChooseHeadlessPlatform()
{
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

// Qt's notes about what this system lacks are no concern of the user: the
// runtime directory Qt would like to have (the link makes its own) and the
// size hints an off-screen window cannot pass on. Everything else is passed
// through as usual.
QtMessageHandler gDefaultHandler = nullptr;

void FilterQtMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")) ||
                                 message.contains(QLatin1String("propagateSizeHints"))))
        return;
    if (gDefaultHandler)
        gDefaultHandler(type, context, message);
}

void QuietQtNotes()
{
    gDefaultHandler = qInstallMessageHandler(FilterQtMessage);
}

bool WriteFileSafely(const QString &name, const QByteArray &data)
{
    QSaveFile f(name);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size() && f.commit();
}

int Analyze(const Options &o)
{
    zfront::AnalyzerWindow w;
    const bool headless = !o.exportPng.isEmpty() || !o.exportValues.isEmpty();
    if (!w.openFile(o.analyze, headless)) {
        if (headless) {
            std::fprintf(stderr, "zorblaxw: %s: Error loading Zorblax file. (%s)\n", qPrintable(o.analyze),
                         qPrintable(w.loadError()));
            return 1;
        }
        w.show();
        return QApplication::exec();
    }
    if (!headless) {
        w.show();
        return QApplication::exec();
    }
    w.showAll(); // the whole file, whatever size a window would have
    if (!o.exportValues.isEmpty() && !WriteFileSafely(o.exportValues, w.valuesText().toUtf8())) {
        std::fprintf(stderr, "zorblaxw: cannot write %s\n", qPrintable(o.exportValues));
        return 1;
    }
    if (!o.exportPng.isEmpty()) {
        const QImage image = w.render(QSize(1000, 600));
        QSaveFile f(o.exportPng);
        if (!f.open(QIODevice::WriteOnly) || !image.save(&f, "PNG") || !f.commit()) {
            std::fprintf(stderr, "zorblaxw: cannot write %s\n", qPrintable(o.exportPng));
            return 1;
        }
    }
    return 0;
}

} // namespace

// The front end's run, from its command line to its exit status.
int RunFrontEnd(int argc, char **argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        auto value = [&](QString &out) {
            if (i + 1 >= argc)
                return false;
            out = QString::fromLocal8Bit(argv[++i]);
            return true;
        };
        if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (!std::strcmp(a, "--version")) {
            char text[256];
            std::fputs(PlatformVersionText("zorblaxw", text, sizeof text), stdout);
            return 0;
        } else if (!std::strcmp(a, "--exit-after-batch")) {
            if (!value(o.batch))
                return UsageError("--exit-after-batch needs a batch file");
            o.exitAfterBatch = true;
            QStringList args;
            while (i + 1 < argc)
                args << QString::fromLocal8Bit(argv[++i]);
            o.batchArguments = args.join(u' ');
        } else if (!std::strcmp(a, "--print-command")) {
            o.printCommand = true;
            while (i + 1 < argc)
                o.printArguments << QString::fromLocal8Bit(argv[++i]);
        } else if (!std::strcmp(a, "--analyze")) {
            if (!value(o.analyze))
                return UsageError("--analyze needs a file");
        } else if (!std::strcmp(a, "--export-png")) {
            if (!value(o.exportPng))
                return UsageError("--export-png needs a file name");
        } else if (!std::strcmp(a, "--export-values")) {
            if (!value(o.exportValues))
                return UsageError("--export-values needs a file name");
        } else if (a[0] == '-' && a[1] == '-') {
            return UsageError((std::string("unknown option ") + a).c_str());
        } else {
            o.rest << QString::fromLocal8Bit(a);
        }
    }
    if ((!o.exportPng.isEmpty() || !o.exportValues.isEmpty()) && o.analyze.isEmpty())
        return UsageError("--export-png and --export-values go with --analyze");
    const StartArguments start = parseStartArguments(o.rest);
    if (o.printCommand)
        return toolcmd::printCommandMain(o.printArguments, start.settingsPath);
    if (!o.exitAfterBatch)
        o.batch = start.batchFile;
    if (o.exitAfterBatch || !o.exportPng.isEmpty() || !o.exportValues.isEmpty())
        ChooseHeadlessPlatform();

    QuietQtNotes();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zorblaxw"));
    if (!o.analyze.isEmpty())
        return Analyze(o);

    Settings settings;
    settings.load(start.settingsPath);
    zfront::MainWindow window(settings, start.settingsPath);
    window.show();
    if (o.exitAfterBatch) {
        // A batch named on the command line runs where the shell stands.
        window.interpreter().setDirectory(QDir::currentPath());
        int status = 1;
        // Unattended: the batch file's own commands are the user's answer.
        window.setConfirmAnswer([](const QString &) { return true; });
        window.setUnattended(true);
        // Done when the batch is done and every program it started has ended
        // (their exit status counts).
        bool batchDone = false;
        auto quitWhenIdle = [&] {
            if (batchDone && window.runner().runningTools() == 0)
                QApplication::quit();
        };
        QObject::connect(&window, &zfront::MainWindow::batchFinished, &app, [&](bool allRan) {
            status = allRan ? 0 : 1;
            batchDone = true;
            quitWhenIdle();
        });
        QObject::connect(&window, &zfront::MainWindow::toolFinished, &app, quitWhenIdle);
        const QString batch = QDir::current().absoluteFilePath(o.batch);
        bool started = false;
        QTimer::singleShot(0, &window, [&] {
            started = window.startBatch(batch, o.batchArguments);
            if (!started)
                QApplication::quit();
        });
        QApplication::exec();
        window.close(); // writes the settings
        const QByteArray history = window.historyText().toUtf8();
        std::fwrite(history.constData(), 1, size_t(history.size()), stdout);
        std::fputc('\n', stdout);
        return started && window.failedTools() == 0 ? status : 1;
    }
    if (!o.batch.isEmpty()) {
        window.interpreter().setDirectory(QDir::currentPath());
        const QString batch = QDir::current().absoluteFilePath(o.batch);
        QTimer::singleShot(0, &window, [&window, batch] { window.startBatch(batch, QString()); });
    }
    return QApplication::exec();
}

} // namespace zfront

int main(int argc, char **argv)
{
    return zfront::RunFrontEnd(argc, argv);
}

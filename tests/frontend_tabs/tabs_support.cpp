#include "tabs_support.h"

#include "frontend/ui/dialogs.h"
#include "platform/platform.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zfront;

namespace {

// Outside an Answers scope a question is a test failure, never a modal box
// that would wait for ever.
void failOnDialogs()
{
    dialogs::setHook([](const QString &text, const QStringList &) {
        ADD_FAILURE() << "unexpected dialog: " << text.toStdString();
        return 1;
    });
}

// One application for the whole test program.
class AppEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "test_frontend_tabs";
        static char *argv[] = {name, nullptr};
        // Headless whatever the runner's environment says.
        for (const char *var : {"QT_QPA_PLATFORM=offscreen", "SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"}) {
            const QByteArray pair(var);
            const QByteArray key = pair.left(pair.indexOf('='));
            if (qEnvironmentVariableIsEmpty(key.constData()))
                qputenv(key.constData(), pair.mid(pair.indexOf('=') + 1));
        }
        // Files the tabs keep beside the settings go to a directory of the
        // test's own.
        static QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        app_ = new QApplication(argc, argv);
        failOnDialogs();
    }
    void TearDown() override { delete app_; }

private:
    QApplication *app_ = nullptr;
};

[[maybe_unused]] const auto *const registered = ::testing::AddGlobalTestEnvironment(new AppEnvironment);

} // namespace

bool FakeHost::runCommand(const QString &directory, const QString &command)
{
    commands << directory + QStringLiteral(": ") + command;
    if (!execute)
        return true;
    QByteArray storage(command.toUtf8().size() + 64, '\0');
    char *words[64];
    const int n = PlatformSplitCommandLine(command.toUtf8().constData(), words, 64, storage.data(),
                                           static_cast<size_t>(storage.size()));
    if (n < 1)
        return false;
    QStringList args;
    for (int i = 1; i < n; ++i)
        args << QString::fromUtf8(words[i]);
    if (link)
        args << QStringLiteral("/#%1").arg(link);
    QProcess p;
    p.setWorkingDirectory(directory);
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(QStringLiteral(ZORB_BINARY_DIR "/bin/") + QString::fromUtf8(words[0]), args);
    p.waitForFinished(60000);
    statuses << (p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1);
    return true;
}

bool FakeHost::runBatch(const QString &file)
{
    batches << file;
    return batchCompletes;
}

bool FakeHost::editText(QWidget *, const QString &, const QString &path, const QString &text)
{
    edited << path;
    if (!saveEdits)
        return false;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(text.toUtf8());
    return true;
}

Answers::Answers(QList<int> a) : answers(std::move(a))
{
    dialogs::setHook([this](const QString &text, const QStringList &buttons) {
        if (buttons.isEmpty()) {
            told << text;
            return 0;
        }
        asked << text;
        return answers.isEmpty() ? 1 : answers.takeFirst();
    });
}

Answers::~Answers()
{
    failOnDialogs();
}

#include "frontend/core/toolprocess.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace zfront {

namespace {

constexpr int kPollMs = 100;
constexpr qsizetype kMaxLines = 2000;   // lines kept of one tool's output
constexpr qsizetype kMaxPartial = 4096; // a line longer than this is cut

// In the child between fork and exec: only async-signal-safe calls.
[[noreturn]] void ExecChild(const char *program, char *const argv[], const char *dir, int errFd, int reportFd)
{
    ::setsid();
    const int null = ::open("/dev/null", O_RDWR);
    if (null >= 0) {
        ::dup2(null, 0);
        ::dup2(null, 1);
    }
    ::dup2(errFd, 2);
    // The signals the front end ignores or blocks are not the tool's business.
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::signal(SIGPIPE, SIG_DFL);
    int e = 0;
    if (dir[0] && ::chdir(dir) != 0)
        e = errno;
    else {
        ::execv(program, argv);
        e = errno;
    }
    [[maybe_unused]] ssize_t n = ::write(reportFd, &e, sizeof e);
    ::_exit(127);
}

} // namespace

ToolProcess *ToolProcess::start(const QString &program, const QStringList &arguments, const QString &directory,
                                QObject *parent, QString &error)
{
    auto fail = [&](int e) -> ToolProcess * {
        error = QString::fromLocal8Bit(std::strerror(e));
        return nullptr;
    };
    if (program.isEmpty())
        return fail(ENOENT);
    const QByteArray prog = QFile::encodeName(program), dir = QFile::encodeName(directory);
    std::vector<QByteArray> args{prog};
    for (const QString &a : arguments)
        args.push_back(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    const int errFd = ::memfd_create("zorblax-tool-output", MFD_CLOEXEC);
    if (errFd < 0)
        return fail(errno);
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        const int e = errno;
        ::close(errFd);
        return fail(e);
    }
    const pid_t pid = ::fork();
    if (pid == 0)
        ExecChild(prog.constData(), argv.data(), dir.constData(), errFd, report[1]);
    const int forkErrno = errno;
    ::close(report[1]);
    if (pid < 0) {
        ::close(report[0]);
        ::close(errFd);
        return fail(forkErrno);
    }
    // The report pipe closes on a successful exec; otherwise it carries errno.
    int e = 0;
    ssize_t n;
    do
        n = ::read(report[0], &e, sizeof e);
    while (n < 0 && errno == EINTR);
    ::close(report[0]);
    if (n == sizeof e) {
        ::waitpid(pid, nullptr, 0);
        ::close(errFd);
        return fail(e);
    }
    return new ToolProcess(pid, errFd, QFileInfo(program).fileName(), parent);
}

ToolProcess::ToolProcess(qint64 pid, int fd, const QString &name, QObject *parent)
    : QObject(parent), pid_(pid), fd_(fd), name_(name)
{
    timer_.setInterval(kPollMs);
    connect(&timer_, &QTimer::timeout, this, &ToolProcess::poll);
    timer_.start();
}

ToolProcess::~ToolProcess()
{
    // A tool still running goes on by itself; its output file stays open for it.
    if (fd_ >= 0)
        ::close(fd_);
}

void ToolProcess::readOutput()
{
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::pread(fd_, buffer, sizeof buffer, offset_);
        if (n <= 0)
            break;
        offset_ += n;
        if (echo_) {
            ssize_t done = 0;
            while (done < n) {
                const ssize_t w = ::write(2, buffer + done, size_t(n - done));
                if (w <= 0)
                    break;
                done += w;
            }
        }
        for (ssize_t i = 0; i < n; ++i) {
            const char c = buffer[i];
            if (c == '\n' || c == '\r') {
                const QString line = QString::fromLocal8Bit(partial_).trimmed();
                partial_.clear();
                if (!line.isEmpty()) {
                    lines_ << line;
                    if (lines_.size() > kMaxLines)
                        lines_.removeFirst();
                    emit lineRead(line);
                }
            } else if (partial_.size() < kMaxPartial) {
                partial_ += c;
            }
        }
    }
}

void ToolProcess::poll()
{
    readOutput();
    int status = 0;
    const pid_t r = ::waitpid(static_cast<pid_t>(pid_), &status, WNOHANG);
    if (r == 0 || (r < 0 && errno == EINTR))
        return;
    readOutput();
    if (!partial_.isEmpty()) {
        partial_ += '\n';
        const QString line = QString::fromLocal8Bit(partial_).trimmed();
        partial_.clear();
        if (!line.isEmpty()) {
            lines_ << line;
            emit lineRead(line);
        }
    }
    timer_.stop();
    ended_ = true;
    if (r > 0 && WIFEXITED(status))
        status_ = WEXITSTATUS(status);
    else if (r > 0 && WIFSIGNALED(status))
        signal_ = WTERMSIG(status);
    ::close(fd_);
    fd_ = -1;
    emit finished();
}

int ProgressPercent(const QString &line)
{
    static const QRegularExpression percent(QStringLiteral("(\\d{1,3})(?:\\.\\d+)?\\s*%"));
    static const QRegularExpression of(QStringLiteral("(\\d+)\\s+of\\s+(\\d+)"));
    int result = -1;
    qsizetype at = -1;
    for (auto it = of.globalMatch(line); it.hasNext();) {
        const auto m = it.next();
        const qint64 n = m.captured(1).toLongLong(), total = m.captured(2).toLongLong();
        if (total > 0 && n <= total && m.capturedStart() > at) {
            at = m.capturedStart();
            result = static_cast<int>(n * 100 / total);
        }
    }
    for (auto it = percent.globalMatch(line); it.hasNext();) {
        const auto m = it.next();
        const int v = m.captured(1).toInt();
        if (v <= 100 && m.capturedStart() > at) {
            at = m.capturedStart();
            result = v;
        }
    }
    return result;
}

QStringList EndOfToolLines(const QString &name, int exitStatus, int signalNumber, const QStringList &lines)
{
    if (exitStatus == 0 && signalNumber == 0)
        return {};
    QStringList out;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString &l = lines[i];
        // Progress that a later line replaced is no news.
        if (i + 1 < lines.size() && ProgressPercent(l) >= 0)
            continue;
        if (!out.contains(l))
            out << l;
    }
    while (out.size() > 12)
        out.removeFirst();
    for (QString &l : out)
        l.prepend(QStringLiteral("  "));
    out << (signalNumber != 0 ? QStringLiteral("%1: ended by signal %2").arg(name).arg(signalNumber)
                              : QStringLiteral("%1: ended with status %2").arg(name).arg(exitStatus));
    return out;
}

} // namespace zfront

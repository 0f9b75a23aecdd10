#include "frontend/core/linkserver.h"

#include "platform/platform.h"

#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStringList>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace zfront {

namespace {

constexpr uint32_t kMaxMessage = 1u << 20; // a report is a few lines
constexpr int kReadTimeoutMs = 2000;

// Reads exactly n bytes, waiting at most kReadTimeoutMs for each piece.
bool ReadExact(int fd, void *dst, size_t n)
{
    char *p = static_cast<char *>(dst);
    while (n > 0) {
        pollfd pfd{fd, POLLIN, 0};
        const int pr = ::poll(&pfd, 1, kReadTimeoutMs);
        if (pr < 0 && errno == EINTR)
            continue;
        if (pr <= 0)
            return false;
        const ssize_t r = ::read(fd, p, n);
        if (r < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (r <= 0)
            return false;
        p += r;
        n -= static_cast<size_t>(r);
    }
    return true;
}

void WriteAll(int fd, const void *src, size_t n)
{
    const char *p = static_cast<const char *>(src);
    while (n > 0) {
        const ssize_t w = ::send(fd, p, n, MSG_NOSIGNAL);
        if (w < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (w <= 0)
            return;
        p += w;
        n -= static_cast<size_t>(w);
    }
}

uint32_t GetLE32(const unsigned char *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

} // namespace

QStringList ReportLines(const QString &text)
{
    QString t = text;
    t.remove(QChar(0));
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(u'\r', u'\n');
    QStringList lines = t.split(u'\n');
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    if (!lines.isEmpty())
        lines[0] = QStringLiteral("  ") + lines[0];
    return lines;
}

LinkServer::LinkServer(const QString &title, QObject *parent) : QObject(parent), title_(title) {}

LinkServer::~LinkServer()
{
    close();
}

void LinkServer::close()
{
    delete notifier_;
    notifier_ = nullptr;
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
        ::unlink(QFile::encodeName(path_).constData());
    }
}

bool LinkServer::listen()
{
    close();
    number_ = static_cast<quint32>(::getpid());
    char path[sizeof(sockaddr_un::sun_path)];
    if (PlatformLinkPath(number_, path, sizeof path) == 0)
        return false;
    path_ = QFile::decodeName(path);
    const QByteArray dir = QFile::encodeName(QFileInfo(path_).absolutePath());
    ::mkdir(dir.constData(), 0700);
    // The number is our process id, so a socket already there belongs to a
    // run that ended without removing it.
    ::unlink(path);
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd_ < 0)
        return false;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path, std::strlen(path) + 1);
    if (::bind(fd_, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 || ::listen(fd_, 16) != 0) {
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { servePending(); });
    return true;
}

void LinkServer::servePending()
{
    for (;;) {
        const int c = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (c < 0) {
            if (errno == EINTR)
                continue;
            return; // EAGAIN: nothing more pending
        }
        serveOne(c);
        ::close(c);
    }
}

void LinkServer::serveOne(int fd)
{
    unsigned char head[8];
    if (!ReadExact(fd, head, sizeof head))
        return;
    const uint32_t code = GetLE32(head);
    const uint32_t size = GetLE32(head + 4);
    if (size > kMaxMessage)
        return;
    QByteArray data(static_cast<qsizetype>(size), Qt::Uninitialized);
    if (size && !ReadExact(fd, data.data(), size))
        return;
    if (code == PLATFORM_LINK_TITLE) {
        const QByteArray t = title_.toUtf8();
        WriteAll(fd, t.constData(), static_cast<size_t>(t.size()));
        return;
    }
    // Hello gets no answer of its own (0), so every tool reports back.
    uint32_t answer = 0;
    if (code == PLATFORM_LINK_REPORT)
        answer = 1;
    const unsigned char reply[4] = {static_cast<unsigned char>(answer), static_cast<unsigned char>(answer >> 8),
                                    static_cast<unsigned char>(answer >> 16), static_cast<unsigned char>(answer >> 24)};
    WriteAll(fd, reply, sizeof reply);
    if (code == PLATFORM_LINK_REPORT) {
        ++reports_;
        const qsizetype nul = data.indexOf('\0');
        emit reportReceived(QString::fromUtf8(nul >= 0 ? data.left(nul) : data));
    } else if (code == PLATFORM_LINK_RESTORE) {
        emit restoreRequested();
    }
}

} // namespace zfront

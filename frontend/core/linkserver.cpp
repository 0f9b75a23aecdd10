#include "frontend/core/linkserver.h"

#include "platform/platform.h"

#include <QSocketNotifier>
#include <QStringList>

#include <algorithm>
#include <cstring>
#include <unistd.h>

namespace zfront {

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

LinkServer::LinkServer(const QString &title, QObject *parent) : QObject(parent), title_(title.toUtf8()) {}

LinkServer::~LinkServer()
{
    close();
}

void LinkServer::close()
{
    delete notifier_;
    notifier_ = nullptr;
    PlatformLinkServerClose(server_);
    server_ = nullptr;
}

size_t LinkServer::titleAnswer(void *context, char *title, size_t size)
{
    const QByteArray &t = static_cast<LinkServer *>(context)->title_;
    const size_t n = std::min(size, static_cast<size_t>(t.size()));
    std::memcpy(title, t.constData(), n);
    return n;
}

uint32_t LinkServer::reportAnswer(void *context, const char *text, size_t length)
{
    auto *self = static_cast<LinkServer *>(context);
    ++self->reports_;
    emit self->reportReceived(QString::fromUtf8(text, static_cast<qsizetype>(length)));
    return 1;
}

uint32_t LinkServer::restoreAnswer(void *context)
{
    emit static_cast<LinkServer *>(context)->restoreRequested();
    return 0;
}

bool LinkServer::listen()
{
    close();
    PlatformLinkHandlers handlers{};
    handlers.title = &LinkServer::titleAnswer;
    handlers.report = &LinkServer::reportAnswer;
    handlers.restore = &LinkServer::restoreAnswer;
    server_ = PlatformLinkServerOpen(static_cast<uint32_t>(::getpid()), &handlers, this);
    if (!server_)
        return false;
    number_ = PlatformLinkServerFrontEnd(server_);
    path_ = QString::fromUtf8(PlatformLinkServerPath(server_));
    notifier_ = new QSocketNotifier(PlatformLinkServerFd(server_), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { PlatformLinkServerServe(server_); });
    return true;
}

} // namespace zfront

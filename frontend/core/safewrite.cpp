#include "frontend/core/safewrite.h"

#include "platform/platform.h"

#include <string>

namespace zfront {

QString writeWholeFile(const QString &path, const QByteArray &bytes)
{
    const std::string target = path.toLocal8Bit().toStdString();
    std::string error;
    zorb::platform::SafeFile file;
    if (file.Create(target, error) && file.Write(bytes.constData(), static_cast<size_t>(bytes.size())) &&
        file.Commit(static_cast<uint64_t>(bytes.size()), error))
        return QString();
    if (error.empty())
        error = "Error writing " + target + ".";
    return QString::fromLocal8Bit(error.c_str());
}

} // namespace zfront

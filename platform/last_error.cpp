// The calling thread's last-error text of the platform's C interface.
#include "platform/last_error.h"
#include "platform/platform.h"

#include <cctype>
#include <cstring>
#include <utility>

namespace zorb::platform {
namespace {

thread_local std::string g_lastError;

} // namespace

void SetLastError(std::string text)
{
    g_lastError = std::move(text);
}

void ClearLastError()
{
    g_lastError.clear();
}

} // namespace zorb::platform

extern "C" const char *PlatformReasonText(int error)
{
    thread_local std::string text;
    text = std::strerror(error);
    if (!text.empty())
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text.c_str();
}

extern "C" const char *PlatformLastError(void)
{
    return zorb::platform::g_lastError.c_str();
}

// The platform's last-error text: the reason the calling thread's last failed
// call gave (PlatformLastError reads it).
#ifndef ZORB_PLATFORM_LAST_ERROR_H
#define ZORB_PLATFORM_LAST_ERROR_H

#include "platform/platform.h"

#include <string>

namespace zorb::platform {

// Records text as the calling thread's last error.
void SetLastError(std::string text);
// Clears it at the start of a call that can fail.
void ClearLastError();

// PlatformReasonText as a string.
inline std::string ReasonText(int error)
{
    return PlatformReasonText(error);
}

} // namespace zorb::platform

#endif

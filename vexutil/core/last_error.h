// The library's last-error text (VEXLastError), one per thread: every error
// text the library reports passes through SetLastError.
#ifndef ZORB_VEXUTIL_CORE_LAST_ERROR_H
#define ZORB_VEXUTIL_CORE_LAST_ERROR_H

#include <string>

namespace vex {

void SetLastError(const std::string &text);
// At the start of the calls that clear it (the opens and creates).
void ClearLastError();

} // namespace vex

#endif

// The library's last-error text, one per thread.
#include "vexutil/core/last_error.h"
#include "vexutil/vexutil.h"

namespace vex {
namespace {

thread_local std::string tLastError;

} // namespace

void SetLastError(const std::string &text)
{
    tLastError = text;
}

void ClearLastError()
{
    tLastError.clear();
}

} // namespace vex

extern "C" VEXAPI const char *VEXLastError(void)
{
    return vex::tLastError.c_str();
}

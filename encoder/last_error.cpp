// The encoder's last-error text, one per thread.
#include "encoder/last_error.h"

namespace zenc {
namespace {

thread_local std::string tLastError;
thread_local ErrorScope *tScope = nullptr;
const char kDeclined[] = "The output file was kept: overwriting it was declined.";

} // namespace

ErrorScope::ErrorScope(ZencProgressFn caller) : caller_(caller), outer_(tScope)
{
    if (caller_ == &Forward) // an exported call made inside another one
        caller_ = outer_ ? outer_->caller_ : nullptr;
    if (!outer_)
        tLastError.clear();
    tScope = this;
}

ErrorScope::~ErrorScope()
{
    tScope = outer_;
}

int ErrorScope::Forward(const char *text, int level)
{
    if (level == 2 && text && *text)
        tLastError = text;
    else if (level == 3)
        tLastError = kDeclined;
    return tScope && tScope->caller_ ? tScope->caller_(text, level) : 0;
}

int ErrorScope::Fail(const std::string &text)
{
    if (!text.empty()) {
        tLastError = text;
        if (caller_)
            caller_(text.c_str(), 2);
    } else if (tLastError.empty()) {
        tLastError = "Cancelled.";
    }
    return 0;
}

int ErrorScope::Declined()
{
    tLastError = kDeclined;
    return 0;
}

} // namespace zenc

extern "C" const char *ZencLastError(void)
{
    return zenc::tLastError.c_str();
}

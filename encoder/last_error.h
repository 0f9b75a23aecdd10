// The encoder's last-error text (ZencLastError). Every exported call that can
// fail opens an ErrorScope: it clears the text and hands on a progress
// function that keeps each error (level 2) on its way to the caller's
// function, so errors reported deep inside (the graphics and sound readers
// included) are the text ZencLastError gives.
#ifndef ZORB_ENCODER_LAST_ERROR_H
#define ZORB_ENCODER_LAST_ERROR_H

#include "encoder/encoder.h"

#include <string>

namespace zenc {

class ErrorScope {
public:
    explicit ErrorScope(ZencProgressFn caller = nullptr);
    ~ErrorScope();
    ErrorScope(const ErrorScope &) = delete;
    ErrorScope &operator=(const ErrorScope &) = delete;

    // The progress function to use inside the call (never null; silent when
    // the caller gave none).
    static ZencProgressFn Progress() { return &Forward; }
    // Ends the call as failed: text goes to the caller's progress function
    // (level 2) and becomes the last error. An empty text means the failure
    // was reported already, or the caller cancelled ("Cancelled.").
    int Fail(const std::string &text);
    // Ends the call as failed because the user would not have the output
    // file overwritten (nothing more is reported).
    int Declined();

private:
    static int Forward(const char *text, int level);
    ZencProgressFn caller_;
    ErrorScope *outer_;
};

} // namespace zenc

#endif

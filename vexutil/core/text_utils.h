// Internal: the blank test shared by the string and switch utilities.
#ifndef ZORB_VEXUTIL_CORE_TEXT_UTILS_H
#define ZORB_VEXUTIL_CORE_TEXT_UTILS_H

namespace vex {

// Blanks: every byte whose value as a signed 8-bit number is at most 32
// (control characters, space and bytes 128-255), but never the terminator.
inline bool isBlank(char c)
{
    return c != '\0' && static_cast<signed char>(c) <= 32;
}

} // namespace vex

#endif

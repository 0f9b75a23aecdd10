// Sanitized builds (AddressSanitizer, UndefinedBehaviorSanitizer) run the
// longest randomised loops on fewer rounds: the same paths at a fraction of
// the time. The normal build runs them whole.
#ifndef ZORB_TESTS_SUPPORT_SANITIZED_H
#define ZORB_TESTS_SUPPORT_SANITIZED_H

#ifndef ZORB_SANITIZED
#define ZORB_SANITIZED 0
#endif

namespace zorb_test {

constexpr bool kSanitized = ZORB_SANITIZED != 0;

constexpr int Rounds(int whole, int sanitized)
{
    return kSanitized ? sanitized : whole;
}

} // namespace zorb_test

#endif

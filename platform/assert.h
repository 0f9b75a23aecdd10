/* ZORB_ASSERT(condition): checks a limit that an internal interface states
   (the bit readers' and writers' bit counts, for instance) where breaking it
   would be a programming error, never a property of the input.

   On in Debug builds and in sanitizer and fuzzing builds (the build defines
   ZORB_ASSERTS for those), off in Release and RelWithDebInfo unless
   ZORB_ASSERTS is defined. When off, the condition is not evaluated, so it
   must have no effect of its own. A failed check names the condition, file
   and line on standard error and aborts. Plain C, header only. */
#ifndef ZORB_PLATFORM_ASSERT_H
#define ZORB_PLATFORM_ASSERT_H

#if defined(ZORB_ASSERTS) || !defined(NDEBUG)

#include <stdio.h>
#include <stdlib.h>

static inline void ZorbAssertFailed(const char *condition, const char *file, int line)
{
    fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
    abort();
}

#define ZORB_ASSERT(condition) ((condition) ? (void)0 : ZorbAssertFailed(#condition, __FILE__, __LINE__))

#else

#define ZORB_ASSERT(condition) ((void)0)

#endif

#endif

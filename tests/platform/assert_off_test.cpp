// ZORB_ASSERT in a release build without ZORB_ASSERTS: the check and its
// condition vanish.
#undef ZORB_ASSERTS
#ifndef NDEBUG
#define NDEBUG
#endif
#include "platform/assert.h"

#include <gtest/gtest.h>

namespace {

TEST(AssertOff, TheConditionIsNotEvaluated)
{
    int evaluated = 0;
    ZORB_ASSERT(++evaluated < 0);
    EXPECT_EQ(evaluated, 0);
}

} // namespace

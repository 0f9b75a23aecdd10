// The step limit that bounds untrusted scripts (the fuzzer's) holds even when
// a jump resets the control flag after the limit has ended the run.
#include "script/core/interp.h"

#include <gtest/gtest.h>

TEST(StepLimit, EndsALoopThatJumpsBackAfterTheEnd)
{
    zscript::Host quiet;
    zscript::Interp in;
    in.host = &quiet;
    in.sandbox = true;
    in.stepLimit = 1000;
    try {
        zscript::RunScriptText(in, "loop.zs", "VARSET a 5\n:L\nIF a > 0 GOTO \"L\"\nEND\n");
    } catch (const zscript::ScriptAbort &) {
    }
    zscript::CloseAllSlots(in);
    EXPECT_EQ(in.stepLimit, 1u);
}

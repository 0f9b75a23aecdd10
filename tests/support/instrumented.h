// Whether this build is instrumented (sanitizers or fuzzing coverage): its
// shared libraries then need the instrumentation runtime that only programs of
// the same build link, so programs built outside the tree cannot load them and
// a package made of them would be of no use.
#ifndef ZORB_TESTS_SUPPORT_INSTRUMENTED_H
#define ZORB_TESTS_SUPPORT_INSTRUMENTED_H

#include <cstdlib>
#include <string>

namespace zorb::test {

inline bool InstrumentedBuild()
{
    const std::string cmd = "nm -D --undefined-only '" + std::string(ZORB_BINARY_DIR) +
                            "/lib/libzorblax.so' 2>/dev/null | grep -q -E '__(asan|ubsan|sanitizer)_'";
    return std::system(cmd.c_str()) == 0;
}

} // namespace zorb::test

#endif

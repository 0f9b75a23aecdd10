// Arbitrary script text through the interpreter (file and program commands
// refused, a bounded number of commands), and arbitrary parameter text
// through the lexer and the expansion of %NAME% references.
#include "script/core/interp.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t mode = data[0];
    const std::string text(reinterpret_cast<const char *>(data + 1), size - 1);
    zscript::Host quiet;
    zscript::Interp in;
    in.host = &quiet;
    in.sandbox = true;
    in.stepLimit = 20000;
    in.bitmaps.pixelLimit = 1u << 14;
    in.bitmaps.totalLimit = 1u << 18;
    try {
        if (mode & 1) {
            zscript::RunScriptText(in, "fuzz.zs", text);
        } else {
            // Some variables for the references, then every token of the text.
            zscript::SetVariable(in, "A", "1");
            zscript::SetVariable(in, "B", "%a%%a%");
            zscript::SetParams(in, text);
            std::string token;
            for (int i = 0; i < 4096; ++i) {
                if (zscript::ReadToken(in, token, (mode & 2) != 0) == zscript::TOKEN_NONE)
                    break;
            }
            zscript::ExpandVariables(in, text, token);
            zscript::CompareValues(text, "<=", token);
        }
    } catch (const zscript::ScriptAbort &) {
    }
    zscript::CloseAllSlots(in);
    return 0;
}

// Writes the ZorbScript command reference (docs/script-reference.md) to
// standard output, from the keyword table.
#include "script/core/reference.h"

#include <cstdio>

int main()
{
    const std::string page = zscript::ScriptReferenceMarkdown();
    return std::fwrite(page.data(), 1, page.size(), stdout) == page.size() ? 0 : 1;
}

// pictproc's command line: INPUT OUTPUT and the graphics switches.
#ifndef ZORB_TOOLS_PICTPROC_COMMAND_LINE_H
#define ZORB_TOOLS_PICTPROC_COMMAND_LINE_H

#include <cstdint>
#include <string>

#include "encoder/encoder.h"

namespace tool::pictproc {

struct Options {
    std::string input, output, paletteFile;
    std::string soundOutput; // --sound=FILE (y4m streams)
    uint32_t frontEnd = 0;
    ZencConvertParams params{}; // its names point into this record
};

// Reads the arguments. On failure the error says what was wrong.
bool ParseCommandLine(int argc, char **argv, Options &opt, std::string &error);

} // namespace tool::pictproc

#endif

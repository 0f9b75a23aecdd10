// zorbc's command line: INPUT OUTPUT and the compressor's switches.
#ifndef ZORB_TOOLS_ZORBC_COMMAND_LINE_H
#define ZORB_TOOLS_ZORBC_COMMAND_LINE_H

#include <cstdint>
#include <string>
#include <vector>

#include "encoder/encoder.h"

namespace tool::zorbc {

struct Options {
    std::string input, output;
    uint32_t frontEnd = 0;
    int32_t regular = 0, key = 0, autoKey = 0, keyEvery = 0, heightMode = 0;
    int32_t effort = ZENC_EFFORT_DEFAULT; // /+n: search effort 0-9
    bool skipOdd = false, ring = false, overwrite = false;
    bool graphicsOutput = false; // a flic, AVI or images instead of a Zorblax file
    int32_t first = 0, last = 0, frameRate = 0;
    int32_t cropX = 0, cropY = 0, width = 0, height = 0;
    int32_t soundQuality = 0, soundRate = 0, soundBits = 0, soundChannels = 0;
    int32_t colours = 256, firstIndex = 0, analysisLimit = 65536;
    int32_t paletteMode = 0, conversion = 0, systemColours = 0;
    std::string paletteFile;
    std::string soundOutput; // --sound=FILE (y4m streams)
    std::vector<ZencFrameSetting> settings;
};

// Reads the arguments. On failure the error says what was wrong.
bool ParseCommandLine(int argc, char **argv, Options &opt, std::string &error);

// Removes "/<letter>value" from a line and returns the value, which runs to
// the next blank (or between double quotes) and may hold slashes.
std::string TakeTextSwitch(std::string &line, char letter);

// Reads frame-specific settings: lines of "first last regular key"; blank
// lines and lines starting with # or ; are skipped.
bool ReadSettings(const std::string &name, std::vector<ZencFrameSetting> &settings, std::string &error);

} // namespace tool::zorbc

#endif

#include "tools/pictproc/command_line.h"

#include "tools/common/converter_line.h"

#include <strings.h>

#include <vector>

#include "tools/common/tool_status.h"
#include "vexutil/vexutil.h"

namespace tool::pictproc {

bool ParseCommandLine(int argc, char **argv, Options &opt, std::string &error)
{
    const tool::ConverterLine args = tool::SplitConverterLine(argc, argv);
    const std::vector<std::string> &names = args.names;
    const std::string &switches = args.switches;
    std::vector<char> line(switches.begin(), switches.end());
    line.resize(line.size() + 16, '\0');
    char *cmd = line.data();
    std::vector<char> palette(line.size() + 1, '\0');

    ZencConvertParams &p = opt.params;
    const int32_t link = GetSwitchNum(cmd, '#', 0);
    tool::TakeQuiet(cmd);
    opt.frontEnd = link > 0 ? static_cast<uint32_t>(link) : 0;
    p.trueColour = GetSwitch(cmd, 'A') ? 1 : 0;
    p.overwrite = GetSwitch(cmd, 'O') ? 1 : 0;
    p.frameRate = GetSwitchNum(cmd, 'F', 0);
    uint8_t mode = 0, system = 0, conversion = 0;
    GFileCommandLine(cmd, &p.cropX, &p.cropY, &p.width, &p.height, &p.first, &p.last, &mode, &p.analysisLimit,
                     &p.firstIndex, &p.colours, &system, &conversion, palette.data());
    p.paletteMode = mode;
    p.systemColours = system;
    p.conversion = conversion;
    if (!tool::CheckConverterLine(cmd, args, error))
        return false;
    if (p.cropX < 0 || p.cropY < 0 || p.width < 0 || p.height < 0 || p.first < 0 || p.last < 0) {
        error = "/X, /Y, /W, /H, /S and /E take numbers of 0 or more.";
        return false;
    }
    if (mode > 2 || system > 2 || conversion > 2) {
        error = "/P, /D and /T take 0, 1 or 2.";
        return false;
    }
    opt.input = names[0];
    std::vector<char> out(names[1].size() + 16);
    ZencOutputLikeInput(opt.input.c_str(), names[1].c_str(), out.data(), out.size());
    opt.output = out.data();
    opt.paletteFile = palette.data();
    opt.soundOutput = args.sound;
    const char *ext = HasExtension(opt.output.c_str());
    if (!opt.soundOutput.empty() && opt.output != "-" && (!ext || strcasecmp(ext, ".y4m") != 0)) {
        error = "--sound is for y4m streams (.y4m or -).";
        return false;
    }
    p.soundOutput = opt.soundOutput.empty() ? nullptr : opt.soundOutput.c_str();
    p.input = opt.input.c_str();
    p.output = opt.output.c_str();
    p.paletteFile = opt.paletteFile.empty() ? nullptr : opt.paletteFile.c_str();
    return true;
}

} // namespace tool::pictproc

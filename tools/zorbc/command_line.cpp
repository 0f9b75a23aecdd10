#include "tools/zorbc/command_line.h"

#include "tools/common/converter_line.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "tools/common/tool_status.h"
#include "vexutil/vexutil.h"

namespace tool::zorbc {

std::string TakeTextSwitch(std::string &line, char letter)
{
    for (size_t at = line.find('/'); at != std::string::npos; at = line.find('/', at + 1)) {
        if (at + 1 >= line.size() || line[at + 1] != letter)
            continue;
        size_t start = at + 2, end;
        std::string value;
        if (start < line.size() && line[start] == '"') {
            end = line.find('"', start + 1);
            if (end == std::string::npos)
                end = line.size();
            value = line.substr(start + 1, end - start - 1);
            if (end < line.size())
                ++end;
        } else {
            end = line.find_first_of(" \t", start);
            if (end == std::string::npos)
                end = line.size();
            value = line.substr(start, end - start);
        }
        line.erase(at, end - at);
        return value;
    }
    return {};
}

bool ReadSettings(const std::string &name, std::vector<ZencFrameSetting> &settings, std::string &error)
{
    std::ifstream in(name);
    if (!in) {
        error = "Error opening the frame settings file " + name + ".";
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        const size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#' || line[first] == ';')
            continue;
        std::istringstream words(line);
        long long a, b, r, k;
        if (!(words >> a >> b >> r >> k) || a < 1 || b < a || r < INT32_MIN || r > INT32_MAX || k < INT32_MIN ||
            k > INT32_MAX) {
            error = "Error in the frame settings file " + name + ", line " + std::to_string(number) +
                    ": expected \"first last regular key\".";
            return false;
        }
        settings.push_back(
            {static_cast<uint32_t>(a), static_cast<uint32_t>(b), static_cast<int32_t>(r), static_cast<int32_t>(k)});
    }
    return true;
}

bool ParseCommandLine(int argc, char **argv, Options &opt, std::string &error)
{
    tool::ConverterLine args = tool::SplitConverterLine(argc, argv);
    const std::vector<std::string> &names = args.names;
    std::string &switches = args.switches;
    // Texts that hold file names take everything up to the next blank, slashes
    // included.
    const std::string settingsText = TakeTextSwitch(switches, '@');
    opt.paletteFile = TakeTextSwitch(switches, '&');
    std::vector<char> line(switches.begin(), switches.end());
    line.resize(line.size() + 16, '\0');
    char *cmd = line.data();

    const int32_t link = GetSwitchNum(cmd, '#', 0);

    tool::TakeQuiet(cmd);
    opt.frontEnd = link > 0 ? static_cast<uint32_t>(link) : 0;
    opt.regular = GetSwitchNum(cmd, 'N', 0);
    opt.key = GetSwitchNum(cmd, 'K', 0);
    opt.autoKey = GetSwitchNum(cmd, 'A', 0);
    opt.keyEvery = GetSwitchNum(cmd, 'J', 0);
    opt.heightMode = GetSwitchNum(cmd, 'Z', 0);
    opt.effort = GetSwitchNum(cmd, '+', ZENC_EFFORT_DEFAULT);
    GetSwitch(cmd, 'M'); // the front end's "mix": the input's sound is always carried over
    opt.skipOdd = GetSwitch(cmd, 'V') != 0;
    opt.ring = GetSwitch(cmd, 'G') != 0;
    opt.overwrite = GetSwitch(cmd, 'O') != 0;
    opt.frameRate = GetSwitchNum(cmd, 'F', 0);
    opt.soundQuality = GetSwitchNum(cmd, 'L', 0);
    opt.soundRate = GetSwitchNum(cmd, 'R', 0);
    opt.soundBits = GetSwitchNum(cmd, 'B', 0);
    opt.soundChannels = GetSwitchNum(cmd, 'C', 0);

    int32_t x = 0, y = 0, w = 0, h = 0, s = 0, e = 0, u = 0, i = 0, q = 0;
    uint8_t p = 0, d = 0, t = 0;
    GFileCommandLine(cmd, &x, &y, &w, &h, &s, &e, &p, &u, &i, &q, &d, &t, nullptr);
    opt.cropX = x;
    opt.cropY = y;
    opt.width = w;
    opt.height = h;
    opt.first = s;
    opt.last = e;
    opt.paletteMode = p;
    opt.analysisLimit = u;
    opt.firstIndex = i;
    opt.colours = q;
    opt.systemColours = d;
    opt.conversion = t;

    if (!tool::CheckConverterLine(cmd, args, error))
        return false;
    opt.input = names[0];
    opt.output = names[1];
    opt.soundOutput = args.sound;
    if (!HasExtension(opt.output.c_str()) && opt.output != "-")
        opt.output += ".zbx";
    const char *ext = HasExtension(opt.output.c_str());
    opt.graphicsOutput = ZencIsGraphicsOutput(opt.output.c_str()) != 0;
    if (!opt.graphicsOutput && (!ext || strcasecmp(ext, ".zbx") != 0)) {
        error = "the output must be a Zorblax file (.zbx), a flic (.flc), an AVI file (.avi), an animated GIF "
                "(.gif) or WebP (.webp), a y4m stream (.y4m, or - for standard output) or images "
                "(.bmp .jpg .tga .tif .pcx .png): " +
                opt.output;
        return false;
    }
    if (!opt.soundOutput.empty() && opt.output != "-" && (!ext || strcasecmp(ext, ".y4m") != 0)) {
        error = "--sound is for y4m streams (.y4m or -).";
        return false;
    }
    if (opt.heightMode < 0 || opt.heightMode > 2) {
        error = "/Z takes 1 (interlace) or 2 (double).";
        return false;
    }
    if (opt.effort < 0 || opt.effort > 9) {
        error = "/+ takes an effort from 0 (fastest) to 9 (smallest files).";
        return false;
    }
    if (opt.soundQuality < -1 || opt.soundQuality > 9) {
        error = "/L takes a sound quality from 0 to 9, or -1 to leave the sound out.";
        return false;
    }
    if (opt.soundBits != 0 && opt.soundBits != 8 && opt.soundBits != 16) {
        error = "/B takes 8 or 16 bits.";
        return false;
    }
    if (opt.soundChannels < 0 || opt.soundChannels > 2) {
        error = "/C takes 1 (mono) or 2 (stereo) channels.";
        return false;
    }
    if (opt.soundRate < 0 || opt.soundRate > 1000000) {
        error = "/R takes a sample rate from 1 to 1000000 Hz.";
        return false;
    }
    if (opt.frameRate > 1000) {
        error = "/F takes at most 1000 frames per second (a frame time of 1 ms).";
        return false;
    }
    if (opt.first > 0 && opt.last > 0 && opt.first > opt.last) {
        error = "/S (the first frame) must not come after /E (the last frame).";
        return false;
    }
    if (opt.keyEvery < 0 || opt.autoKey < 0 || opt.autoKey > 100) {
        error = "/J takes a frame count and /A a percentage (0-100).";
        return false;
    }
    if (opt.cropX < 0 || opt.cropY < 0 || opt.width < 0 || opt.height < 0 || opt.first < 0 || opt.last < 0) {
        error = "/X, /Y, /W, /H, /S and /E take numbers of 0 or more.";
        return false;
    }
    if (!settingsText.empty()) {
        const std::string name = settingsText[0] == '*' ? settingsText.substr(1) : settingsText;
        if (!ReadSettings(name, opt.settings, error))
            return false;
    }
    return true;
}

} // namespace tool::zorbc

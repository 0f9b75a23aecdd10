// Gathering the system information shown by vexsiw.
#include "tools/vexsiw/system_info.h"

#include <Magick++.h>
#include <SDL.h>
#include <sys/stat.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <list>
#include <set>
#include <sstream>

#include "codec/zorb.h"
#include "platform/platform.h"

namespace tool::vexsiw {

namespace {

std::string Bytes(uint64_t n)
{
    char text[32];
    if (n >= (1ull << 30))
        std::snprintf(text, sizeof text, "%.1f GB", static_cast<double>(n) / (1ull << 30));
    else
        std::snprintf(text, sizeof text, "%.0f MB", static_cast<double>(n) / (1ull << 20));
    return text;
}

// The value of "key : value" lines of a /proc file, or "".
std::string ProcValue(const char *file, const std::string &key)
{
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        const size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::string name = line.substr(0, colon);
        while (!name.empty() && (name.back() == ' ' || name.back() == '\t'))
            name.pop_back();
        if (name != key)
            continue;
        size_t at = colon + 1;
        while (at < line.size() && line[at] == ' ')
            ++at;
        return line.substr(at);
    }
    return "";
}

std::string Join(const std::vector<std::string> &words)
{
    std::string out;
    for (const std::string &w : words)
        out += (out.empty() ? "" : ", ") + w;
    return out.empty() ? "none" : out;
}

std::string PixelBits(uint32_t format)
{
    return std::to_string(SDL_BITSPERPIXEL(format)) + "-bit";
}

std::string Mode(const SDL_DisplayMode &m)
{
    std::string s = std::to_string(m.w) + "x" + std::to_string(m.h);
    if (m.refresh_rate)
        s += "@" + std::to_string(m.refresh_rate);
    return s;
}

} // namespace

Section ProcessorSection()
{
    Section s{"Processor", {}};
    std::string model = ProcValue("/proc/cpuinfo", "model name");
    s.items.push_back({"model", model.empty() ? "unknown" : model});
    s.items.push_back({"processors", std::to_string(sysconf(_SC_NPROCESSORS_ONLN)) + " online"});
    __builtin_cpu_init();
    std::vector<std::string> features;
    if (__builtin_cpu_supports("sse2"))
        features.push_back("SSE2");
    if (__builtin_cpu_supports("ssse3"))
        features.push_back("SSSE3");
    if (__builtin_cpu_supports("sse4.1"))
        features.push_back("SSE4.1");
    if (__builtin_cpu_supports("avx2"))
        features.push_back("AVX2");
    s.items.push_back({"vector units", Join(features)});
    // Any request other than 0 or 1 only asks, changing nothing.
    const bool wide = ZorbSetMMX(2) != 0;
    s.items.push_back({"wide loops", wide ? "used by the decoder and the blitter (64-bit refills, SSE2)"
                                          : "not used: the decoder and the blitter run their plain loops"});
    return s;
}

Section MemorySection()
{
    Section s{"Memory", {}};
    struct sysinfo si {};
    if (sysinfo(&si) != 0) {
        s.items.push_back({"installed", "unknown"});
        return s;
    }
    const uint64_t unit = si.mem_unit ? si.mem_unit : 1;
    s.items.push_back({"installed", Bytes(static_cast<uint64_t>(si.totalram) * unit)});
    const std::string available = ProcValue("/proc/meminfo", "MemAvailable");
    uint64_t kb = 0;
    if (std::sscanf(available.c_str(), "%lu", &kb) == 1)
        s.items.push_back({"available", Bytes(kb * 1024)});
    else
        s.items.push_back({"free", Bytes(static_cast<uint64_t>(si.freeram) * unit)});
    s.items.push_back({"swap", Bytes(static_cast<uint64_t>(si.totalswap) * unit)});
    return s;
}

Section DisplaySection()
{
    Section s{"Displays", {}};
    std::vector<std::string> drivers;
    for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i)
        drivers.push_back(SDL_GetVideoDriver(i));
    s.items.push_back({"drivers built in", Join(drivers)});
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        s.items.push_back({"video", std::string("not available: ") + SDL_GetError()});
        return s;
    }
    s.items.push_back({"driver in use", SDL_GetCurrentVideoDriver()});
    const int count = SDL_GetNumVideoDisplays();
    if (count <= 0)
        s.items.push_back({"displays", "none"});
    for (int d = 0; d < count; ++d) {
        const char *name = SDL_GetDisplayName(d);
        SDL_DisplayMode desktop{};
        std::string value = std::string("\"") + (name ? name : "unnamed") + "\"";
        if (SDL_GetDesktopDisplayMode(d, &desktop) == 0)
            value += ", desktop " + Mode(desktop) + " " + PixelBits(desktop.format);
        s.items.push_back({"display " + std::to_string(d + 1), value});
        std::vector<std::string> modes;
        std::set<std::string> seen;
        for (int m = 0; m < SDL_GetNumDisplayModes(d); ++m) {
            SDL_DisplayMode mode{};
            if (SDL_GetDisplayMode(d, m, &mode) != 0 || mode.w <= 0 || mode.h <= 0)
                continue;
            const std::string text = Mode(mode) + " " + PixelBits(mode.format);
            if (seen.insert(text).second)
                modes.push_back(text);
        }
        s.items.push_back({"  modes", Join(modes)});
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return s;
}

Section SoundSection()
{
    Section s{"Sound", {}};
    std::vector<std::string> drivers;
    for (int i = 0; i < SDL_GetNumAudioDrivers(); ++i)
        drivers.push_back(SDL_GetAudioDriver(i));
    s.items.push_back({"drivers built in", Join(drivers)});
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        s.items.push_back({"sound", std::string("not available: ") + SDL_GetError()});
        return s;
    }
    s.items.push_back({"driver in use", SDL_GetCurrentAudioDriver()});
    const int outputs = SDL_GetNumAudioDevices(0);
    if (outputs < 0)
        s.items.push_back({"output devices", "not listed by this driver (the default device is used)"});
    else if (outputs == 0)
        s.items.push_back({"output devices", "none"});
    for (int i = 0; i < outputs; ++i) {
        const char *name = SDL_GetAudioDeviceName(i, 0);
        s.items.push_back({"output " + std::to_string(i + 1), name ? name : "unnamed"});
    }
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return s;
}

Section ImageSection()
{
    Section s{"Image formats", {}};
    unsigned long number = 0;
    s.items.push_back({"library", MagickLib::GetMagickVersion(&number)});
    try {
        Magick::InitializeMagick(nullptr);
        for (const char *name : {"BMP", "PCX", "TGA", "TIFF", "GIF", "JPEG", "PNG"}) {
            std::string value;
            try {
                const Magick::CoderInfo info(name);
                value = info.isReadable() && info.isWritable() ? "read and write"
                        : info.isReadable()                    ? "read only"
                        : info.isWritable()                    ? "write only"
                                                               : "present, not usable";
                value += " (" + info.description() + ")";
            } catch (const Magick::Exception &) {
                value = "not available";
            }
            s.items.push_back({name, value});
        }
        std::list<Magick::CoderInfo> all;
        Magick::coderInfoList(&all, Magick::CoderInfo::AnyMatch, Magick::CoderInfo::AnyMatch,
                              Magick::CoderInfo::AnyMatch);
        size_t readable = 0, writable = 0;
        for (const Magick::CoderInfo &c : all) {
            readable += c.isReadable() ? 1 : 0;
            writable += c.isWritable() ? 1 : 0;
        }
        s.items.push_back({"all formats", std::to_string(all.size()) + " known, " + std::to_string(readable) +
                                              " readable, " + std::to_string(writable) + " writable"});
    } catch (const std::exception &e) {
        s.items.push_back({"formats", std::string("not available: ") + e.what()});
    }
    return s;
}

Section ToolkitSection()
{
    Section s{"Zorblax toolkit", {}};
    s.items.push_back({"version", PlatformVersion()});
    char self[4096];
    std::string dir;
    if (PlatformSelfPath(self, sizeof self)) {
        dir = self;
        dir = dir.substr(0, dir.find_last_of('/'));
    }
    s.items.push_back({"programs", dir.empty() ? "unknown" : dir});
    std::vector<std::string> present, missing;
    for (const char *name : {"zorbplw", "zorbscw", "zorblaxw", "zorbc", "zorbmix", "pictproc", "sndproc", "zorbfr",
                             "zbxinfo", "zbxcompi", "vexsiw"}) {
        struct stat st;
        (!dir.empty() && stat((dir + "/" + name).c_str(), &st) == 0 ? present : missing).push_back(name);
    }
    s.items.push_back({"  found there", Join(present)});
    if (!missing.empty())
        s.items.push_back({"  not found there", Join(missing)});
    char path[4096];
    if (PlatformConfigPath("Zorblax.INI", path, sizeof path)) {
        struct stat st;
        s.items.push_back({"settings", std::string(path) + (stat(path, &st) == 0 ? "" : " (not written yet)")});
    } else {
        s.items.push_back({"settings", "no home directory known: the current directory"});
    }
    if (PlatformConfigPath("zorblax.ini", path, sizeof path))
        s.items.push_back({"debug log", std::string(PlatformDebugOn() ? "on" : "off") +
                                            " (ZORBLAX_DEBUG, else [Zorblax] Debug= in " + path + ")"});
    if (PlatformLinkPath(1, path, sizeof path)) {
        std::string linkDir = path;
        s.items.push_back({"front-end links", linkDir.substr(0, linkDir.find_last_of('/') + 1) + "link-N.sock"});
    }
    return s;
}

std::vector<Section> Gather()
{
    return {ProcessorSection(), MemorySection(), DisplaySection(), SoundSection(), ImageSection(), ToolkitSection()};
}

std::string Format(const std::vector<Section> &sections, const std::string &newline)
{
    std::ostringstream out;
    bool first = true;
    for (const Section &s : sections) {
        if (!first)
            out << newline;
        first = false;
        out << s.title << newline;
        for (const auto &[name, value] : s.items) {
            std::string label = name.empty() ? "" : name + ":";
            if (label.size() < 20)
                label.resize(20, ' ');
            out << "  " << label << " " << value << newline;
        }
    }
    return out.str();
}

} // namespace tool::vexsiw

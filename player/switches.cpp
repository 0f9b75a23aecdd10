// The player's command line: switches are cut out of the working line one by
// one; whatever is left is the file list.
#include <cctype>
#include <cstdlib>
#include <unistd.h>

#include "platform/platform.h"
#include "platform/text.h"
#include "player/player.h"

namespace player {
namespace {

using zorb::platform::IsBlank;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A flag switch stands alone: the character after its letter is below "0"
// (the end, a blank, "/", "," ...).
bool EndsSwitch(const std::string &line, size_t at)
{
    return at >= line.size() || static_cast<unsigned char>(line[at]) < '0';
}

bool LetterAt(const std::string &line, size_t slash, char letter)
{
    return line[slash] == '/' && slash + 1 < line.size() &&
           std::toupper(static_cast<unsigned char>(line[slash + 1])) == letter;
}

// Takes "/<letter>" standing alone out of the line.
bool TakeFlag(std::string &line, char letter)
{
    for (size_t i = 0; i + 1 < line.size(); ++i) {
        if (LetterAt(line, i, letter) && EndsSwitch(line, i + 2)) {
            line.erase(i, 2);
            return true;
        }
    }
    return false;
}

// Takes "/<letter><number>" (optionally negative) out of the line.
bool TakeNumber(std::string &line, char letter, int32_t &value)
{
    for (size_t i = 0; i + 1 < line.size(); ++i) {
        if (!LetterAt(line, i, letter))
            continue;
        size_t p = i + 2;
        bool negative = false;
        if (p < line.size() && line[p] == '-') {
            negative = true;
            ++p;
        }
        if (p >= line.size() || !IsDigit(line[p]))
            continue;
        int64_t v = 0;
        while (p < line.size() && IsDigit(line[p])) {
            if (v < 0x80000000LL)
                v = v * 10 + (line[p] - '0');
            ++p;
        }
        if (negative)
            v = -v;
        value = static_cast<int32_t>(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v);
        line.erase(i, p - i);
        return true;
    }
    return false;
}

// Linux paths are full of slashes. Before switches are looked for, the
// slashes of file names are hidden: those inside a word or quotes, and those
// of a word starting with "/" that names something on disk. A switch is
// then only ever a "/" that begins a word (or follows a glued switch).
constexpr char kHiddenSlash = '\x01';

bool NamesSomethingOnDisk(const std::string &word);

// "F", "L3", "F-66", "@": what a switch looks like after its slash.
bool SwitchForm(const std::string &segment)
{
    if (segment.empty() ||
        !(std::isalpha(static_cast<unsigned char>(segment[0])) || segment[0] == '@' || segment[0] == '#'))
        return false;
    size_t i = 1;
    if (i < segment.size() && segment[i] == '-')
        ++i;
    while (i < segment.size() && std::isdigit(static_cast<unsigned char>(segment[i])))
        ++i;
    return i == segment.size();
}

// A word starting with "/" is a file name by the toolkit's rule (it names
// something on disk or has the shape of a file name: "/film.zbx",
// "/tmp/new/film.zbx"), or when it names a file found as the player finds
// files (without regard to case, ".Zbx" added). The player has no text
// switches, so a path whose first directory is no switch is a name too
// ("/tmp/film"; "/P/S" are two switches, "/Pfoo" a bad switch).
bool LooksLikePath(const std::string &word)
{
    size_t second = word.find('/', 1);
    if (second != std::string::npos && !SwitchForm(word.substr(1, second - 1)))
        return true;
    return PlatformNamesPath(word.c_str()) != 0 || NamesSomethingOnDisk(word);
}

bool NamesSomethingOnDisk(const std::string &word)
{
    std::string name = WithDefaultExtension(word);
    return ResolveCaseInsensitive(name) != name || ::access(name.c_str(), F_OK) == 0 ||
           ::access(word.c_str(), F_OK) == 0;
}

void HideFileSlashes(std::string &line)
{
    size_t i = 0;
    while (i < line.size()) {
        if (IsBlank(line[i])) {
            ++i;
            continue;
        }
        size_t start = i;
        bool quoted = line[i] == '"';
        if (quoted) {
            size_t close = line.find('"', i + 1);
            i = close == std::string::npos ? line.size() : close + 1;
        } else {
            while (i < line.size() && !IsBlank(line[i]))
                ++i;
        }
        std::string word = line.substr(start, i - start);
        bool hide = quoted || word[0] != '/' || LooksLikePath(word);
        if (hide)
            for (size_t k = start; k < i; ++k)
                if (line[k] == '/')
                    line[k] = kHiddenSlash;
    }
}

void ShowFileSlashes(std::string &line)
{
    for (char &c : line)
        if (c == kHiddenSlash)
            c = '/';
}

void SetBits(uint32_t &word, uint32_t bits, bool on)
{
    word = on ? (word | bits) : (word & ~bits);
}

} // namespace

static bool ParseVisibleSwitches(std::string &line, Settings &s);

uint32_t TakeReportWindow(std::string &line)
{
    int32_t value = 0;
    if (TakeNumber(line, '#', value) && value > 0)
        return static_cast<uint32_t>(value);
    return 0;
}

bool ParseSwitches(std::string &line, Settings &s, std::string *unknown)
{
    HideFileSlashes(line);
    const bool ok = ParseVisibleSwitches(line, s);
    if (!ok && unknown) {
        // The first word that still holds a switch's "/", from that "/" on.
        const size_t at = line.find('/');
        size_t end = at + 1;
        while (end < line.size() && !IsBlank(line[end]) && line[end] != '/' && line[end] != ',')
            ++end;
        *unknown = line.substr(at, end - at);
        ShowFileSlashes(*unknown);
    }
    ShowFileSlashes(line);
    return ok;
}

static bool ParseVisibleSwitches(std::string &line, Settings &s)
{
    int32_t v = 0;

    if (TakeFlag(line, 'P'))
        s.openFlags |= ZORB_OPEN_PRELOAD;
    if (TakeNumber(line, 'L', v)) {
        if (v != 0)
            s.loopCount = v;
    } else if (TakeFlag(line, 'L')) {
        s.loopCount = -1;
    }
    bool rateGiven = false;
    if (TakeNumber(line, 'F', v)) {
        rateGiven = true;
        if (v >= -1500 && v <= -2)
            v *= 100;
        s.frameRate = v;
    } else if (TakeFlag(line, 'F')) {
        rateGiven = true;
        s.frameRate = 0;
    }
    if (rateGiven && s.frameRate != -1)
        s.openFlags |= ZORB_OPEN_FRAMERATE_OVERRIDE;
    if (TakeNumber(line, 'T', v))
        s.openFlags = (s.openFlags & ~ZORB_OPEN_TRACKS_MASK) |
                      ((static_cast<uint32_t>(v) * ZORB_OPEN_TRACK0) & ZORB_OPEN_TRACKS_MASK);
    if (TakeFlag(line, 'S'))
        s.showSummary = true;
    if (TakeNumber(line, 'X', v))
        s.windowX = v;
    if (TakeNumber(line, 'Y', v))
        s.windowY = v;
    if (TakeFlag(line, 'B'))
        s.displayFlags |= WINDOW_DOUBLE_BUFFER;
    if (TakeNumber(line, 'M', v)) {
        s.readSpeed = v;
        SetBits(s.openFlags, ZORB_OPEN_SIMULATE_READ, v != 0);
    }
    if (TakeNumber(line, 'E', v))
        s.extraBuffer = v;
    if (TakeFlag(line, 'G'))
        s.openFlags |= ZORB_OPEN_FILL_BUFFER;
    if (TakeNumber(line, 'U', v))
        s.disabledControls = v;
    if (TakeFlag(line, 'N'))
        s.openFlags |= ZORB_OPEN_NEVER_SKIP;
    if (TakeFlag(line, 'C'))
        s.displayFlags |= WINDOW_KEEP_PICTURE;
    if (TakeFlag(line, 'O'))
        s.soundOnly = true;
    if (TakeFlag(line, 'K'))
        s.diffOnly = true;
    if (TakeNumber(line, 'A', v)) {
        s.openFlags &= ~ZORB_OPEN_HEIGHT_NONE;
        if (v >= 1 && v <= 3)
            s.openFlags |= static_cast<uint32_t>(v) * ZORB_OPEN_HEIGHT_INTERLACE;
    }
    if (TakeFlag(line, 'Z'))
        s.useDirectSound = true;
    if (TakeFlag(line, 'Q'))
        s.frameInCaption = true;
    if (TakeNumber(line, 'I', v)) {
        s.displayFlags &= ~kDisplayStyleMask;
        static const uint32_t styles[5] = {0, WINDOW_NO_DIALOG_FRAME | WINDOW_THIN_BORDER,
                                           WINDOW_NO_DIALOG_FRAME | WINDOW_THIN_BORDER | WINDOW_NO_CAPTION,
                                           WINDOW_NO_CAPTION, WINDOW_NO_DIALOG_FRAME | WINDOW_NO_CAPTION};
        if (v >= 1 && v <= 4)
            s.displayFlags |= styles[v];
    }
    if (TakeFlag(line, 'J'))
        s.keepPlayingUnfocused = true;
    if (TakeNumber(line, 'R', v))
        s.remapMode = static_cast<uint8_t>(v);
    if (TakeNumber(line, 'W', v))
        s.stretchWidth = v;
    if (TakeNumber(line, 'H', v))
        s.stretchHeight = v;
    if (TakeFlag(line, '@'))
        s.noMMX = true;
    if (TakeNumber(line, 'D', v))
        s.displayResolution = v;
    int32_t video = 1024;
    TakeNumber(line, 'V', video);
    if (video != 1024) {
        uint32_t bits = static_cast<uint32_t>(video) & 0x180;
        if (bits == 0x180)
            s.displayFlags |= WINDOW_NO_DIRECT;
        else if (bits == 0x100)
            s.displayFlags |= WINDOW_SMOOTH;
        else if (bits == 0x80)
            s.displayFlags |= WINDOW_INTERLACED;
        int32_t rest = video & ~0x180;
        if (rest >= 1 && rest <= 4)
            s.displayFlags = (s.displayFlags & ~WINDOW_MODE_MASK) | static_cast<uint32_t>(rest + 21);
    }

    return line.find('/') == std::string::npos;
}

std::string UsageTitle()
{
    return std::string("ZorbPlay  V ") + kVersion + " - " + kNotice;
}

std::string UsageText()
{
    static const char *const lines[] = {
        "/P  \t- Preload the entire Zorblax animation.",
        "/L##\t- Loop the animation (/L for infinite).",
        "/F##\t- Use this frame rate (/F for fast).",
        "/T##\t- Play the specified sound tracks.",
        "/S  \t- Show the playback summary when finished.",
        "/X##\t- Specifies the X coordinate of the playback.",
        "/Y##\t- Specifies the Y coordinate of the playback.",
        "/B  \t- Double-buffer (slower, but reduces tearing).",
        "/M##\t- Simulate this read speed (in bytes/second).",
        "/E##\t- Use this much extra memory for buffering.",
        "/G  \t- Fill the extra memory buffer in ZorbOpen.",
        "/U##\t- Disable controls: 1=pause, 2=skip, 4=quit.",
        "/N  \t- Never skip frames when falling behind.",
        "/C  \t- Don't clear the buffer in between animations.",
        "/O  \t- Play sound tracks only - no video.",
        "/K  \t- Only show differences between frames.",
        "/A##\t- Height scaling: 1=Interlace, 2=Double, 3=Force none.",
        "/Z  \t- Use DirectSound for sound output.",
        "/Q  \t- Show current frame number in caption.",
        "/I# \t- Window style: 1=thin border, 2=thin, no caption, 3=no caption, 4=nothing.",
        "/J  \t- Don't pause the video when the focus is lost.",
        "/R##\t- Remap options: 1=remap to current system palette, 2=don't remap at all.",
        "/W##\t- Stretch to this width in pixels (very slow!!)",
        "/H##\t- Stretch to this height in pixels (very slow!!)",
        "/@  \t- Don't use MMX (even if supported by the CPU).",
        "/D##\t- Display resolution: 1=640x400, 2=640x480, 3=800x600, 4=1024x768.",
        "/V##\t- Video type: 1=320x240, 2=320x200, 3=Standard, 4=DIBSection.",
    };
    // Stored with two leading blanks; the message box drops the first one.
    // Lines end with "\n", as every text printed on this system.
    std::string text = "  SYNTAX: ZorbPly <Zorb1 Zorb2...> [/Switches]\n  Switches:\n";
    for (const char *line : lines) {
        text += "    ";
        text += line;
        text += "\n";
    }
    text += "        \t    Add 128 for interlaced, 256 for smoothing, or 384 for no DirectDraw.\n";
    return text;
}

std::string BannerText()
{
    return std::string("ZorbPlay - V") + kVersion + "  " + kNotice;
}

} // namespace player

// zorbplw, the stand-alone player: plays the Zorblax files on its command line
// in a window (or full screen) with their sound, under its switches.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "codec/zorb.h"
#include "platform/platform.h"
#include "player/player.h"
#include "runtime/display.h"
#include "runtime/sound.h"

namespace {

using player::Settings;

constexpr int kKeyEnter = 13;
constexpr int kKeyEsc = 27;
constexpr int kKeySpace = 32;
constexpr int kKeySkip = '.';

// Keys a test (or a script driving the player) asks for: "N:code,N:code..."
// in ZORBPLW_TEST_KEYS, each given to the player as if typed while it waits
// after the N-th frame shown (counted from 1 over the whole run).
class TestKeys {
public:
    TestKeys()
    {
        const char *spec = std::getenv("ZORBPLW_TEST_KEYS");
        while (spec != nullptr && *spec != '\0') {
            char *end = nullptr;
            unsigned long frame = std::strtoul(spec, &end, 10);
            if (end == spec || *end != ':')
                break;
            long code = std::strtol(end + 1, &end, 10);
            keys_.push_back({static_cast<uint32_t>(frame), static_cast<int>(code)});
            spec = (*end == ',') ? end + 1 : end;
        }
    }
    // The next key due once `shown` frames have been shown, or -1.
    int Take(uint32_t shown)
    {
        for (auto &k : keys_) {
            if (k.code >= 0 && k.frame <= shown) {
                int code = k.code;
                k.code = -1;
                return code;
            }
        }
        return -1;
    }

private:
    struct Key {
        uint32_t frame;
        int code;
    };
    std::vector<Key> keys_;
};

// The whole command line as one working line, as the player always received it.
std::string JoinArguments(int argc, char **argv)
{
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (!line.empty())
            line += ' ';
        std::string arg = argv[i];
        if (arg.find_first_of(" \t") != std::string::npos && arg.front() != '"')
            line += '"' + arg + '"';
        else
            line += arg;
    }
    return line;
}

void Message(const std::string &text, const char *caption = "ZorbPlay")
{
    // A leading blank of a message is dropped.
    PlatformMessage(caption, text.c_str() + (text.empty() || text[0] != ' ' ? 0 : 1));
}

// No file given: the usage text.
int ShowUsage()
{
    Message(player::UsageText(), player::UsageTitle().c_str());
    return PLATFORM_EXIT_USAGE;
}

// A switch the player does not know: named in one line.
int UnknownSwitch(const std::string &which)
{
    PlatformMessage("zorbplw", ("unknown switch \"" + which + "\" (zorbplw --help lists the switches)").c_str());
    return PLATFORM_EXIT_USAGE;
}

std::string HelpText()
{
    return player::UsageTitle() + "\n" + player::UsageText();
}

// The file's name as the window title shows it: without its directory.
std::string TitleName(const std::string &name)
{
    const size_t slash = name.find_last_of("/\\");
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

// The program's own file, open while one of its embedded files plays: a file
// descriptor owned by a unique_ptr, closed on every way out.
struct FdCloser {
    struct pointer {
        int fd = -1;
        pointer(std::nullptr_t = nullptr) {}
        explicit pointer(int f) : fd(f) {}
        explicit operator bool() const { return fd >= 0; }
        bool operator==(const pointer &) const = default;
    };
    void operator()(pointer p) const { ::close(p.fd); }
};
using SelfFile = std::unique_ptr<int, FdCloser>;

// Opens one file of the list: an embedded one from the program's own file, or
// a name on disk (found without regard to case when needed).
ZorbHandle *OpenFile(const std::string &name, const Settings &s, SelfFile &self)
{
    self.reset();
    uint64_t offset = 0;
    if (player::ParseEmbeddedName(name, offset)) {
        char path[4096];
        if (PlatformSelfPath(path, sizeof path) == 0)
            return nullptr;
        self.reset(FdCloser::pointer(::open(path, O_RDONLY | O_CLOEXEC)));
        if (!self)
            return nullptr;
        const int fd = self.get().fd;
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        if (::lseek(fd, static_cast<off_t>(offset), SEEK_SET) < 0)
            return nullptr;
        return ZorbOpen(reinterpret_cast<void *>(static_cast<intptr_t>(fd)), s.openFlags | ZORB_OPEN_FILE_HANDLE,
                        s.extraBuffer);
    }
    std::string path = player::ResolveCaseInsensitive(name);
    return ZorbOpen(const_cast<char *>(path.c_str()), s.openFlags, s.extraBuffer);
}

struct Run {
    Settings s;
    TestKeys testKeys;
    uint32_t framesShown = 0;
    uint8_t paused = 0;       // 0xFF while paused with Space
    bool focusPaused = false; // sound paused because the window lost the focus
    bool hadFocus = false;    // the window has been active at least once
    bool stopped = false;     // Esc or the window was closed
    bool summaryValid = false;
    bool statsTaken = false;   // the current file's figures are in summary
    uint32_t damagedFrame = 0; // the current file's first damaged frame (1-based), 0 when none
    player::SummaryInput summary;
};

// The file's figures for the summary (the last file's win).
void TakeStats(Run &run, ZorbHandle *h)
{
    ZorbStats stats;
    std::memset(&stats, 0, sizeof stats);
    ZorbGetStats(h, &stats);
    static_assert(sizeof stats == sizeof run.summary.stats, "ZorbStats holds nineteen 32-bit fields");
    std::memcpy(run.summary.stats, &stats, sizeof stats);
    run.summary.highestSecondBytes = h->LargestSecondBytes;
    run.summary.highestSecondFrame = h->LargestSecondFrame;
    run.statsTaken = true;
}

// Draws the sound-only progress bar: the first part of a 160 x 1 picture.
void DrawProgress(ZorbDisplay *d, const ZorbHandle *h)
{
    uint32_t count = h->FrameCount ? h->FrameCount : 1;
    uint32_t lit = static_cast<uint32_t>(uint64_t{h->CurrentFrame} * 160 / count + 1);
    for (uint32_t x = 0; x < 160; ++x)
        d->Buffer[x] = x < lit ? 9 : 0;
    DisplayBeginBatch(d);
    DisplayDraw(d, nullptr, 0, 0, 0, 0, d->Width, d->Height);
    DisplayEndBatch(d);
}

enum class FileEnd { Done, Skip, Stop };

// One key from the queue (or from the test hook). Returns true when the
// frame loop must end at once (Esc, window closed, ".").
bool HandleKey(Run &run, ZorbHandle *h, int key, bool &step, FileEnd &end)
{
    const int32_t disabled = run.s.disabledControls;
    switch (key) {
    case kKeyEsc:
    case KEY_CLOSE:
        // /U4 disables the Esc key; the window's close button always closes.
        if (key == kKeyEsc && (disabled & player::kControlQuit))
            return false;
        run.stopped = true;
        end = FileEnd::Stop;
        return true;
    case kKeySpace:
        if (disabled & player::kControlPause)
            return false;
        ZorbSetSoundActive(h, run.paused);
        run.paused ^= 0xFF;
        return false;
    case kKeyEnter:
        if (run.paused)
            step = true;
        return false;
    case kKeySkip:
        if (disabled & player::kControlSkip)
            return false;
        end = FileEnd::Skip;
        return true;
    default:
        return false;
    }
}

// Waits until the next frame is due, handling keys and the focus. Returns
// false when the frame loop must end.
bool WaitForNextFrame(Run &run, ZorbHandle *h, ZorbDisplay *d, FileEnd &end)
{
    bool step = false;
    for (;;) {
        int key = run.testKeys.Take(run.framesShown);
        if (key < 0 && KeyAvailable())
            key = KeyGet();
        if (key >= 0 && HandleKey(run, h, key, step, end))
            return false;

        // Without /J a window that loses the focus stops picture and sound.
        // A window that never had the focus (no window manager, an
        // off-screen display) is not taken as having lost it.
        const bool active = DisplayIsActive(d) != 0;
        run.hadFocus = run.hadFocus || active;
        if (run.s.keepPlayingUnfocused || active || !run.hadFocus) {
            if (run.focusPaused && ZorbSetSoundActive(h, 1))
                run.focusPaused = false;
        } else if (!run.focusPaused && !run.paused) {
            ZorbSetSoundActive(h, 0);
            run.focusPaused = true;
        }
        const bool mustWait = ZorbMustWait(h) != 0;
        if (!mustWait && !run.focusPaused && !(run.paused && !step))
            return true;
        PlatformSleepMs(mustWait ? 1 : 5);
    }
}

// The last frames' sound is still on its way to the device (the back end
// keeps a little ahead): let the device play it out before the file is
// closed, so the end of the sound is heard. Esc still stops at once.
void LetSoundEnd(Run &run, ZorbHandle *h)
{
    const uint32_t start = PlatformTimeMs();
    bool drained = false;
    uint32_t drainedAt = 0; // when the played position reached the end
    for (;;) {
        const uint32_t now = PlatformTimeMs();
        if (now - start >= 2000)
            break;
        if (ZorbSoundPending(h) == 0) {
            if (!drained)
                drained = true, drainedAt = now;
            if (now - drainedAt >= ZorbSoundDeviceTailMs(h))
                break;
        }
        int key = run.testKeys.Take(run.framesShown);
        if (key < 0 && KeyAvailable())
            key = KeyGet();
        if (key == KEY_CLOSE || (key == kKeyEsc && !(run.s.disabledControls & player::kControlQuit))) {
            run.stopped = true;
            return;
        }
        PlatformSleepMs(2);
    }
}

// Plays one open file. Returns how it ended.
FileEnd PlayFile(Run &run, ZorbHandle *h, ZorbDisplay *d, bool severalFiles, int32_t &loopCount)
{
    const Settings &s = run.s;
    FileEnd end = FileEnd::Done;
    if (!s.soundOnly)
        DisplayAttach(d, h);
    char caption[128];
    for (;;) {
        if (h->FreshPalette && !s.soundOnly) {
            // There is no system palette to borrow here: /R1 shows the file's own.
            DisplaySetPalette(d, h->Palette, 0);
            if (d->UsableEntries < 256 && s.remapMode != 2)
                ZorbRemapColors(h, d->Palette, static_cast<uint32_t>(d->PaletteEntries), d->PaletteFormat);
        }
        if (s.diffOnly && !s.soundOnly) {
            DisplayClear(d, 0);
            DisplayDraw(d, nullptr, 0, 0, 0, 0, d->Width, d->Height);
        }
        ZorbDecodeFrame(h);
        if (s.soundOnly)
            DrawProgress(d, h);
        else
            DisplayDrawChanges(d, h);
        ++run.framesShown;
        if (s.frameInCaption) {
            std::snprintf(caption, sizeof caption, "ZorbPlay - Frame: %u", h->CurrentFrame + 1);
            WindowSetTitle(caption);
        }
        // A pass of the file ends with its last stored frame: the ring frame
        // (shown after it when the file loops) begins the next pass.
        const bool last = h->CurrentFrame + 1 == h->FrameCount || (h->FrameCount <= 1 && h->CurrentFrame >= 1) ||
                          (h->ReadFailed && h->CurrentFrame + 1 >= h->FrameCount);
        bool more = !last;
        if (last && !severalFiles) {
            more = loopCount != 1;
            --loopCount;
        }
        if (more)
            ZorbAdvanceFrame(h);
        if (h->ReadFailed) { // a damaged or cut-off frame: the frames before it were shown
            run.damagedFrame = h->CurrentFrame + 1;
            TakeStats(run, h);
            return end;
        }
        if (!WaitForNextFrame(run, h, d, end))
            return end;
        if (!more) {
            // The figures cover the frames, not the sound's last moments.
            TakeStats(run, h);
            LetSoundEnd(run, h);
            return run.stopped ? FileEnd::Stop : end;
        }
        if (h->ReadFailed && (last || h->CurrentFrame >= h->FrameCount))
            return end;
    }
}

void SoundOnlyPalette(ZorbDisplay *d)
{
    uint8_t pal[768] = {};
    pal[9 * 3 + 0] = 0x40;
    pal[9 * 3 + 1] = 0xA0;
    pal[9 * 3 + 2] = 0xFF;
    DisplaySetPalette(d, pal, 0);
}

} // namespace

int main(int argc, char **argv)
{
    const std::string help = HelpText();
    if (int status = PlatformStandardOptions(argc, argv, "zorbplw", help.c_str()); status >= 0)
        return status;
    Run run;
    Settings &s = run.s;
    std::string line = JoinArguments(argc, argv);

    uint32_t frontEnd = player::TakeReportWindow(line);
    if (frontEnd != 0) {
        int matched = 0;
        frontEnd = PlatformLinkAttach(frontEnd, &matched);
        if (matched)
            s.showAboutBox = false;
    }
    WindowSetName("ZorbPlay");
    // Errors get a box when a display is up (the platform's rule decides):
    // also one about the first file, before any window exists.
    DisplayInstallMessageBox();

    // A self-playing copy: its own switches first, then the typed ones over
    // them; its files are played before the typed ones.
    std::string embedded = player::EmbeddedCommandLine();
    std::string unknown;
    if (!embedded.empty()) {
        if (!player::ParseSwitches(embedded, s, &unknown))
            return UnknownSwitch(unknown);
    }
    if (!player::ParseSwitches(line, s, &unknown))
        return UnknownSwitch(unknown);
    const std::string fileList = embedded.empty() ? line : embedded + " " + line;

    if (s.noMMX)
        ZorbSetMMX(0);
    if (s.useDirectSound)
        s.useDirectSound = ZorbSelectDirectSound(nullptr) != 0;
    WindowSetStretch(s.stretchWidth, s.stretchHeight);

    std::string list = fileList;
    std::string name = player::TakeFileName(list);
    if (name.empty())
        return ShowUsage();
    std::string rest = list;
    const bool severalFiles = !player::TakeFileName(rest).empty();
    int32_t loopCount = s.loopCount;
    bool resolutionChanged = false;
    int status = PLATFORM_EXIT_DONE;

    while (!name.empty() && !run.stopped) {
        ZorbSetReadSpeed(static_cast<uint32_t>(s.readSpeed));
        ZorbSetFrameRateOverride(s.frameRate);
        SelfFile self;
        ZorbHandle *h = OpenFile(name, s, self);
        if (h == nullptr) {
            // The design's message, then why.
            uint64_t offset = 0;
            const std::string why = ZorbLastOpenError();
            const std::string damaged = "not a Zorblax file, or damaged" + (why.empty() ? "" : ": " + why);
            std::string reason =
                player::ParseEmbeddedName(name, offset)
                    ? damaged
                    : PlatformOpenFailure(player::ResolveCaseInsensitive(name).c_str(), damaged.c_str());
            Message(" Error opening file: " + name + ". " + reason + ".");
            status = PLATFORM_EXIT_FAILURE;
            break;
        }
        if (s.displayResolution > 0 && !resolutionChanged)
            resolutionChanged = DisplaySetResolution(s.displayResolution) != 0;
        const int32_t width = s.soundOnly ? 160 : static_cast<int32_t>(h->Width);
        const int32_t height = s.soundOnly ? 1 : static_cast<int32_t>(h->Height);
        ZorbDisplay *d = WindowOpen(width, height, s.windowX, s.windowY, s.displayFlags);
        if (d == nullptr) {
            ZorbClose(h);
            const std::string why = WindowLastError();
            Message(" Error opening graphics buffer." + (why.empty() ? std::string() : " " + why + "."));
            status = PLATFORM_EXIT_FAILURE;
            break;
        }
        if (!s.frameInCaption)
            WindowSetTitle(("ZorbPlay - " + TitleName(name)).c_str());
        if (s.useDirectSound)
            ZorbSetSoundWindow(WindowHandle());
        if (s.soundOnly)
            SoundOnlyPalette(d);

        run.statsTaken = false;
        run.damagedFrame = 0;
        PlayFile(run, h, d, severalFiles, loopCount);
        if (run.damagedFrame) {
            const std::string why = "frame " + std::to_string(run.damagedFrame) + " is damaged or cut off; the " +
                                    std::to_string(run.damagedFrame - 1) + " frames before it were played.";
            PlatformError("zorbplw", name.c_str(), why.c_str());
            status = PLATFORM_EXIT_FAILURE;
        }
        if (!run.statsTaken)
            TakeStats(run, h);
        if (s.frameRate == 0) { // as fast as possible: say what that was
            const std::string rate = player::FastRateText(name, run.summary.stats);
            if (!rate.empty())
                std::printf("%s\n", rate.c_str());
        }
        ZorbClose(h);

        name = player::TakeFileName(list);
        if (name.empty() && severalFiles && !run.stopped) {
            if (loopCount != 1) {
                --loopCount;
                list = fileList;
                name = player::TakeFileName(list);
            }
        }
    }

    WindowClose();
    run.summary.displayDescription = WindowLastDescription();
    run.summary.screenColors = WindowScreenColours();
    if (resolutionChanged)
        DisplaySetResolution(0);

    if (s.showSummary) {
        std::string text = player::SummaryText(run.summary);
        if (!text.empty()) {
            // On standard output, and in a box when the platform's rule
            // allows one (it closes by itself: nothing waits for a click).
            std::fwrite(text.data(), 1, text.size(), stdout);
            std::fputc('\n', stdout);
            std::fflush(stdout);
            if (status == PLATFORM_EXIT_DONE) // after a failure's box, no second one
                PlatformShowBox("Zorblax Summary", text.c_str());
        }
    } else if (s.showAboutBox && status == PLATFORM_EXIT_DONE) {
        // The closing information: a line on standard error, never a box.
        PlatformNotice(
            (std::string("ZorbPlay - V") + player::kVersion).c_str(),
            (std::string("ZorbPlay plays Zorblax video and sound files (") + player::kNotice + ").").c_str());
    }
    if (frontEnd != 0)
        PlatformLinkReport(frontEnd, player::BannerText().c_str());
    return status;
}

// zorbplw, the stand-alone player: its settings, command line, file list,
// playback summary and self-play area. The playback loop is in main.cpp.
#ifndef ZORB_PLAYER_PLAYER_H
#define ZORB_PLAYER_PLAYER_H

#include <cstdint>
#include <string>

#include "codec/zorb.h"
#include "player/selfplay.h"
#include "runtime/display.h"

namespace player {

inline constexpr const char *kVersion = "3.1n";
inline constexpr const char *kNotice = "Zorblax toolkit for Linux";

// The open flags are those of codec/zorb.h and the display flags those of
// runtime/display.h. The display styles that /I chooses among:
inline constexpr uint32_t kDisplayStyleMask = WINDOW_NO_DIALOG_FRAME | WINDOW_THIN_BORDER | WINDOW_NO_CAPTION;

// Controls that /U can disable.
enum : int32_t { kControlPause = 1, kControlSkip = 2, kControlQuit = 4 };

struct Settings {
    int32_t windowX = -1;
    int32_t windowY = -1;
    int32_t readSpeed = 0;
    int32_t extraBuffer = -1;
    int32_t loopCount = 1;
    int32_t frameRate = -1;
    int32_t disabledControls = 0;
    bool showSummary = false;
    bool soundOnly = false;
    bool diffOnly = false;
    bool frameInCaption = false;
    bool keepPlayingUnfocused = false;
    uint8_t remapMode = 0;
    int32_t stretchWidth = 0;
    int32_t stretchHeight = 0;
    int32_t displayResolution = 0;
    bool useDirectSound = false; // asked for with /Z (the caller installs the back end)
    bool noMMX = false;
    uint32_t openFlags = ZORB_OPEN_TRACKS_MASK;
    uint32_t displayFlags = 0;
    bool showAboutBox = true;
    uint32_t reportWindow = 0; // front end's link number from /#, 0 = none
};

// Takes every recognised switch out of line and applies it to settings.
// Returns false when a "/" is left afterwards (an unknown or malformed
// switch); unknown, when given, then receives that switch as written.
bool ParseSwitches(std::string &line, Settings &settings, std::string *unknown = nullptr);

// Takes the hidden /#N switch out of line; returns N, or 0 when absent.
uint32_t TakeReportWindow(std::string &line);

// The usage text: its title and its text (lines end with "\n").
std::string UsageTitle();
std::string UsageText();

// Takes the first file name off the list (quotes, blanks and a following
// comma are separators) and returns it with ".Zbx" added when it has no
// extension. Returns an empty string when the list is empty.
std::string TakeFileName(std::string &list);

// Adds ".Zbx" to a name without an extension (no "." after the last "\",
// "/" or ":"), unless a file of the name as given exists.
std::string WithDefaultExtension(const std::string &name);

// Finds the file on disk: the name itself when it exists, else an entry of
// its directory whose name matches without regard to case. Returns the name
// unchanged when nothing matches.
std::string ResolveCaseInsensitive(const std::string &name);

// The figures the summary shows, gathered after the last file.
struct SummaryInput {
    uint32_t stats[19] = {}; // the ZorbStats fields, in their order
    uint32_t highestSecondBytes = 0;
    uint32_t highestSecondFrame = 0;
    uint32_t screenColors = 0;
    std::string displayDescription;
};

// Number formats of the summary.
std::string Ratio(uint64_t numerator, uint32_t divisor);
std::string Elapsed(uint32_t ms);

// The summary text, or an empty string when no frame was played.
std::string SummaryText(const SummaryInput &in);

// What playing "as fast as possible" (/F) reached with one file: frames,
// time and frames per second, from the ZorbStats fields. Empty when no
// frame was played.
std::string FastRateText(const std::string &file, const uint32_t stats[19]);

// The report the player sends to the front end at the end.
std::string BannerText();

// ---- Self-play area (its format: player/selfplay.h) --------------------------

// The embedded command line of this program ("" in a plain player).
std::string EmbeddedCommandLine();

} // namespace player

#endif

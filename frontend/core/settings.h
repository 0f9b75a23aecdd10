// The front end's settings: every choice made on the tool tabs, the window
// position and the recent lists, held in program-wide variables for the whole
// run, read once from "Zorblax.INI" when the main window is created and written
// back once when it closes. Member names are the file's key names.
//
// The file lives in $XDG_CONFIG_HOME/zorblax/ (a name without a directory is
// looked for there; a name with a directory is used as given). Numeric form
// fields are kept as text exactly as typed.
#ifndef ZORB_FRONTEND_CORE_SETTINGS_H
#define ZORB_FRONTEND_CORE_SETTINGS_H

#include "frontend/core/fieldrules.h"

#include <QString>
#include <QStringList>

namespace zfront {

class Settings {
public:
    // X and Y of [ZorbMain] when the file gives none: the shell centres the
    // window on the screen, (screen size - window size) / 2.
    static constexpr int Centred = -32768;

    struct Main {          // [ZorbMain]
        QString Directory; // default: the front end's own directory
        int X = Centred, Y = Centred;
        int CurrentTab = 0;
        bool ShowHints = true;
        bool operator==(const Main &) const = default;
    };
    struct Zorb { // [Zorb], the compressor tab
        QString Filename, Directory, OutputName, OutputBasedOn;
        int Filter = 0, CurrentTab = 0;
        int RegularCompressType = 0, KeyCompressType = 3;
        QString NormalRate = QStringLiteral("240000"), KeyRate = QStringLiteral("300000");
        QString NormalFilePerc = QStringLiteral("80"), KeyFilePerc = QStringLiteral("90");
        QString NormalFramePerc = QStringLiteral("80"), KeyFramePerc = QStringLiteral("90");
        QString NormalErrorPerc = QStringLiteral("30"), KeyErrorPerc = QStringLiteral("20");
        QString AutoKeyFrame = QStringLiteral("95");
        int YScale = 0, OutputType = 0;
        int Effort = 0; // compressor search effort: 0 its default, n effort n - 1
        bool KeyFrames = false;
        QString KeyFramesNum;
        bool Start = false, End = false;
        QString StartNum, EndNum;
        bool FrameRate = false;
        QString FrameRateNum;
        bool Ring = false, EveryOther = false, Overwrite = false, MixOriginal = false;
        bool X = false, Y = false, W = false, H = false;
        QString XNum, YNum, WNum, HNum;
        bool PaletteEvery = false, PaletteColors = false, PaletteStart = false;
        QString PaletteEveryNum, PaletteColorsNum, PaletteStartNum;
        int Halftone = 0, PaletteControl = 0, WindowsColors = 0;
        bool NoSound = false;
        int LossySound = 0, Rate = 0, Quality = 0, Channels = 0;
        // Kept as well, so the whole tab survives a restart: the palette
        // source text and the rate typed for "Let me enter a specific rate.".
        QString PaletteFile = QStringLiteral("The input file.");
        QString RateNum;
        bool operator==(const Zorb &) const = default;
    };
    struct Mix { // [ZorbMix], the sound mixer tab
        QString ZorbFilename, ZorbDirectory, OutputName, OutputBasedOn, WaveFilename, WaveDirectory;
        QString FrameRateNum, StartNum, SkipIntoNum, InputStartNum, InputEndNum, InputTrackNum, ForceRate;
        int ZorbFilter = 0, WaveFilter = 0, Lossy = 0, Format = 0, CurrentTab = 0;
        int Rate = 0, Quality = 0, Channels = 0;
        int Track = 1;   // the track number, 1 to 7
        QString RateNum; // the rate typed for the last rate item
        bool FrameRate = false, Start = false, Loop = false, Overwrite = false;
        bool InputStart = false, InputEnd = false, InputTrack = false;
        bool operator==(const Mix &) const = default;
    };
    struct Play { // [ZorbPlay], the player tab
        QString Filename, Directory, LoopNum, FrameRateNum, XNum, YNum, WNum, HNum, SimulateNum, ExtraMemNum;
        int Filter = 0, Display = 0, Use = 0, DisabledControls = 0, YScale = 0, CurrentTab = 0;
        int Style = 0, NoRemap = 0;
        int Tracks = 127;
        int Stretch = 0; // "On 2x Stretch:" index
        bool Loop = false, FrameRate = false, Preload = false, ShowSummary = false, NoFrameDrop = false;
        bool X = false, Y = false, W = false, H = false, ShowFrames = false, DirectSound = false;
        bool DirectDrawOff = false, MMXOff = false, SoundOnly = false, DoubleBuffer = false, NoClear = false;
        bool LoadExtra = false, NoPause = false, DeltasOnly = false, Simulate = false, ExtraMem = false;
        bool operator==(const Play &) const = default;
    };
    struct Script { // [ZorbScript], the scriptor tab
        QString Filename, Directory, GotoLine, FindText;
        int Filter = 0;
        bool operator==(const Script &) const = default;
    };
    struct Graphics { // [GraphicsProcessor]
        QString Filename, Directory, OutputName, OutputBasedOn;
        QString XOffsetNum, YOffsetNum, WidthNum, HeightNum, StartNum, EndNum, FrameRateNum;
        QString PaletteEveryNum, PaletteColorsNum, PaletteStartNum;
        int Filter = 0, CurrentTab = 0, OutputType = 0, PaletteType = 0;
        int Halftone = 0, PaletteControl = 0, WindowsColors = 0;
        bool XOffset = false, YOffset = false, Width = false, Height = false, Start = false, End = false;
        bool Overwrite = false, FrameRate = false, PaletteEvery = false, PaletteColors = false;
        bool PaletteStart = false;
        QString PaletteFile; // the file for palette source 1
        bool operator==(const Graphics &) const = default;
    };
    struct Sound { // [SoundProcessor]
        QString Filename, Directory, OutputName, OutputBasedOn, TrackNum, StartNum, EndNum, ForceRate, SkipBytes;
        int Filter = 0, Rate = 0, Quality = 0, Channels = 0, CurrentTab = 0, InputType = 0;
        bool Overwrite = false, Track = false, Start = false, End = false;
        QString RateNum; // the rate typed for the last rate item
        bool operator==(const Sound &) const = default;
    };
    struct Command {       // [ZorbCommand]
        QString Directory; // default: the current directory at start
        bool operator==(const Command &) const = default;
    };

    Main main;
    Zorb zorb;
    QStringList frameSpecific; // [ZorbFrameSpecific] Frame0..., the Expert memo's lines
    Mix mix;
    Play play;
    Script script;
    Graphics graphics;
    Sound sound;
    Command command;
    QStringList recentCommands; // [ZorbRecentCommands] Recall0...
    QStringList recentFiles;    // [ZorbRecentFiles] File0...
    QStringList recentDirs;     // [ZorbRecentDirs] Dir0...

    // Every value at its default (the first-start state).
    Settings();

    // The default file name, "Zorblax.INI".
    static QString defaultFileName();
    // Where a settings name lives: a name with a directory as given, a bare
    // name in the configuration directory.
    static QString resolvePath(const QString &name);

    // Reads every key, using the default for each one that is missing. A
    // missing file gives the defaults.
    void load(const QString &path);
    // Writes every key back, keeping sections and keys we do not know; the
    // list sections are rewritten whole from index 0. The file is written to a
    // temporary file and renamed into place, so it is never left half
    // written. Returns an empty text on success, else a message for the
    // history naming the file and the reason.
    QString save(const QString &path) const;

    // Puts entry at the front of a recent list: an entry equal to it ignoring
    // case is removed first, and the list keeps at most 30 entries.
    static void addRecent(QStringList &list, const QString &entry);
    static constexpr int RecentMax = 30;

    // Changes the process to [ZorbCommand] Directory; when that fails the
    // current directory is kept and becomes the value. Returns whether the
    // change worked.
    bool enterCommandDirectory();

    // The rule of a number field of this object (a member of one of its
    // sections); free text gives a rule that takes anything.
    FieldRule ruleOf(const QString *field) const;

    bool operator==(const Settings &) const = default;
};

// The front end's command line: which settings file to use and which batch
// file to run once the main window is up. Arguments ending in ".zbt" (any
// case) name the batch file (the last one counts); the first other argument
// names a settings file (".INI" added when it has no extension), used only
// when it has a [ZorbMain] CurrentTab key; arguments after it are ignored.
struct StartArguments {
    QString settingsPath; // resolved, ready for Settings::load/save
    QString batchFile;    // empty when none
};
StartArguments parseStartArguments(const QStringList &arguments);

// The thousands separator of the user's locale (at most 16 characters,
// "," when the locale has none), and a byte count printed with it.
QString thousandsSeparator();
QString groupDigits(qint64 value, const QString &separator = thousandsSeparator());

} // namespace zfront

#endif

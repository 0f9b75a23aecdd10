// The switch strings of the tool tabs, built from the tabs' values (the
// settings variables) alone, and the command lines they run.
//
// Switch rules shared by every tab: a text switch is "/", the letter and the
// value trimmed of characters below 33 when its condition holds and that value
// is not empty; a number switch is "/", the letter and the decimal number; a
// flag switch is "/" and the letter.
#ifndef ZORB_FRONTEND_CORE_TOOLCOMMANDS_H
#define ZORB_FRONTEND_CORE_TOOLCOMMANDS_H

#include "frontend/core/settings.h"

#include <QString>
#include <QStringList>

namespace zfront {

namespace toolcmd {

// The programs the tabs start (the command runner's tool table knows them).
inline constexpr const char *Compressor = "zorbc";
inline constexpr const char *Player = "zorbplw";
inline constexpr const char *Mixer = "zorbmix";
inline constexpr const char *GraphicsProcessor = "pictproc";
inline constexpr const char *SoundProcessor = "sndproc";
inline constexpr const char *ScriptPlayer = "zorbscw";
inline constexpr const char *ExeCompiler = "zbxcompi";
inline constexpr const char *FrameRateChanger = "zorbfr";
inline constexpr const char *OutputPrefix = "New_";

// The compressor's output types: menu items and the output name's extension.
inline constexpr int OutputTypeCount = 11;
inline constexpr const char *ZorbOutputTypes[OutputTypeCount] = {"Create a Zorblax file",
                                                                 "Create a Flic",
                                                                 "Create an AVI file",
                                                                 "Create BMPs",
                                                                 "Create JPEGs",
                                                                 "Create TGAs",
                                                                 "Create TIFs",
                                                                 "Create PCXs",
                                                                 "Create an animated GIF",
                                                                 "Create an animated WebP",
                                                                 "Create a y4m stream"};
inline constexpr const char *GraphicsOutputTypes[OutputTypeCount] = {"Output as Input Format",
                                                                     "Output as a Flic",
                                                                     "Output as an AVI file",
                                                                     "Output as BMPs",
                                                                     "Output as JPEGs",
                                                                     "Output as TGAs",
                                                                     "Output as TIFs",
                                                                     "Output as PCXs",
                                                                     "Output as an animated GIF",
                                                                     "Output as an animated WebP",
                                                                     "Output as a y4m stream"};
// Extension of output type index (0 to OutputTypeCount - 1); empty for the
// graphics processor's "Output as Input Format".
QString zorbOutputExtension(int type);
QString graphicsOutputExtension(int type);
// The extension a graphics processor output takes: the chosen kind's, or for
// "Output as Input Format" none (the input's kind) when the processor writes
// the input's kind and "flc" when it does not (a Zorblax file, say).
QString graphicsOutputFor(const QString &input, const QString &extension);

// The compression value of "Compress regular/key frames" for list index and
// edit text: 0 and 3 the text, 1 "-" and its leading digits, 2 "-" and the
// leading digits plus 400, 4 "0". Empty when no switch is due.
QString compressionValue(int index, const QString &text);
// The remembered edit text of compression list index (4: none).
QString compressionText(const Settings::Zorb &z, bool key, int index);
// The output rate of a rate list index: 1..3 the fixed rates, 4 the typed text.
QString rateValue(int index, const QString &typed);

// Switch strings. directory is the browser's directory (a palette file there
// is written bare).
QString zorbSwitches(const Settings::Zorb &z, const QString &directory);
QString playSwitches(const Settings::Play &p);
QString mixSwitches(const Settings::Mix &m);
QString graphicsSwitches(const Settings::Graphics &g, const QString &directory);
QString soundSwitches(const Settings::Sound &s);

// The switches followed by the frame memo file as "/@*NAME" (unchanged when
// memoFile is empty).
QString withMemo(const QString &switches, const QString &memoFile);

// The command line a tab runs for one input (names as in commandName()).
// memoFile: the compressor's frame memo file, passed as "/@*NAME".
QString zorbCommand(const QString &input, const QString &output, const QString &switches,
                    const QString &memoFile = QString());
QString playCommand(const QString &input, const QString &switches);
QString mixCommand(const QString &zorbFile, const QString &soundFile, const QString &output, const QString &switches);
QString scriptCommand(const QString &script);
// "zbxcompi": a self-playing copy of player named output that plays input
// with the player switches.
QString compileCommand(const QString &player, const QString &output, const QString &input, const QString &switches);

// "zorbfr INPUT OUTPUT /Fn": input at a new frame rate (frames per second),
// "/O" added to overwrite without asking.
QString frameRateCommand(const QString &input, const QString &output, const QString &rate, bool overwrite);

// Viewing a file by its extension (any case): list files open in the
// list-file editor ("DazuZoza"), Zorblax files play. Empty for anything else:
// the front end then tries its image viewer, then shows the file as text.
// Viewing never runs a file, whatever its extension or permissions.
QString viewCommand(const QString &path, const QString &directory);
// True when the file starts with "ZBX2".
bool isZorblaxFile(const QString &path);

// The command lines a tab would run for files with the saved settings, one
// line per command, as "zorblaxw --print-command TAB FILE..." prints them.
// TAB is zorb, player, mixer (FILES: a Zorblax file, a sound file and
// optionally the output), pictproc, sndproc or scriptor. Names in the current
// directory are written bare. Returns false with error set for an unknown
// tab or missing files.
bool printCommands(const Settings &settings, const QString &tab, const QStringList &files, QStringList *lines,
                   QString &error);

// "zorblaxw --print-command TAB FILE..." without a window: arguments are the
// words after "--print-command"; settingsPath the settings file to read.
// Prints the lines on standard output (errors on standard error) and returns
// the exit status: 0 done, 1 failure, 2 usage.
int printCommandMain(const QStringList &arguments, const QString &settingsPath);

} // namespace toolcmd

} // namespace zfront

#endif

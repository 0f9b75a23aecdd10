#include "frontend/core/hints.h"

#include <QHash>

namespace zfront {

namespace {

struct Hint {
    const char *caption, *text;
};

const Hint kHints[] = {
    // Shared by the tabs.
    {"Back to Main", "Go back to the Main tab."},
    {"Help", "Show the help on this tab's options and command lines."},
    {"How do I...?", "Show the help on using the front end."},
    {"Defaults", "Reset every option of this tab to its default value (you are asked first)."},
    {"Copy command", "Put the command line this tab would run for the highlighted file on the clipboard."},
    {"Enter the output file name:", "The file to write. It follows the highlighted file until you type a name."},
    {"Type", "Choose the kind of output file and the output options."},
    {"Overwrite without asking?", "Replace an existing output file without asking first."},
    {"Perm.", "Keep these options for the next time as well."},
    {"Analyze", "Open the data-rate analyzer on the highlighted Zorblax file."},
    // File panes.
    {"Places", "The places to browse: the root, your home directory and the mounted volumes."},
    {"Directory", "The directory shown; type a path and press Enter to go there."},
    {"Directories", "The directories; choose one to list its files. Right-click for the directory menu."},
    {"Files", "The files; highlight one or more to process. Right-click for the file menu."},
    {"Filter", "Which files are listed."},
    // Compressor.
    {"Zorb", "Compress the highlighted file (or files) with these options."},
    {"Compress regular frames:", "How the frames between key frames are compressed."},
    {"Compress key frames:", "How key frames (frames stored whole) are compressed."},
    {"Compression value", "The data rate in bytes per second, or the percentage, for the choice above."},
    {"Use a key frame at least every:", "Store a key frame at least every so many frames (digits only)."},
    {"Auto-key frame at what % change:", "Store a key frame when this percentage of the picture changes (0-100)."},
    {"Height compression:", "Store every other line (interlace) or half the lines (double) to save space."},
    {"Search effort:", "How hard the compressor searches for smaller codings: higher is smaller and slower."},
    {"Mix original into output?", "Mix the input's own sound into the output."},
    {"Use/Create palette from:", "The file whose palette is used or from which a palette is made."},
    {"Palette file", "Choose the palette file."},
    {"Total palette colors to use:", "How many palette colours to use (1-256)."},
    {"Starting palette index to use:", "The first palette entry to use (0-255)."},
    {"New palette at least every:", "Make a new palette at least every so many frames."},
    {"Halftone input files?", "When to halftone (dither) input pictures."},
    {"8-bit input palettes?", "Keep the palettes of 8-bit input, or make new ones."},
    {"Win system colors?", "When to keep the 20 reserved system colours in the palette."},
    {"Starting frame:", "The first frame to use (digits only)."},
    {"Ending frame:", "The last frame to use (digits only)."},
    {"Frame rate override:", "Frames per second to give the output instead of the input's."},
    {"X Offset:", "The left edge of the part of the picture to use, in pixels."},
    {"Y Offset:", "The top edge of the part of the picture to use, in pixels."},
    {"Width:", "The width of the part of the picture to use, in pixels."},
    {"Height:", "The height of the part of the picture to use, in pixels."},
    {"Create ring?", "Add a frame that leads from the last frame back to the first, for smooth looping."},
    {"Skip every other?", "Use only every other input frame."},
    {"Don't process the sound in the input file.", "Leave the input's sound out of the output."},
    {"Lossy", "How much sound quality may be given up for size: 0 is lossless, 9 the smallest."},
    {"Output playback rate (sound frequency):", "The sound's playback rate in the output."},
    {"Specific rate", "The playback rate in hertz (digits only)."},
    {"Output sound quality (sound bit depth):", "8 or 16 bits per sample in the output."},
    {"Output sound channels (mono or stereo):", "Mono or stereo sound in the output."},
    {"Frame settings", "One line per range of frames: first frame, last frame, data rate and key-frame flag."},
    // Player.
    {"Play", "Play the highlighted Zorblax file with these options."},
    {"Play Last", "Play the most recent Zorblax file again."},
    {"Compile to Exe", "Make a program that plays the highlighted file by itself."},
    {"Display:", "How the video is shown: in a window or full screen."},
    {"Use:", "The screen resolution to switch to for full-screen playback."},
    {"Loop [forever]:", "Play the file this many times; empty loops for ever."},
    {"Frame rate [fast]:", "Play at this many frames per second; empty plays as fast as possible."},
    {"Preload the entire file.", "Read the whole file into memory before playing."},
    {"Show a playback summary.", "Show the playback statistics when playing ends."},
    {"Don't drop frames.", "Show every frame even when playback falls behind."},
    {"Don't use MMX?", "Use the plain code paths only."},
    {"Use X Coordinate:", "Place the video window's left edge here, in pixels."},
    {"Use Y Coordinate:", "Place the video window's top edge here, in pixels."},
    {"Stretch to Width:", "Stretch the video to this width, in pixels."},
    {"Stretch to Height:", "Stretch the video to this height, in pixels."},
    {"Height scaling:", "How interlaced or halved video is brought back to full height."},
    {"On 2x Stretch:", "How pixels are filled in when the video is doubled."},
    {"No blit acceleration (No DirectDraw).", "Draw without the display's acceleration."},
    {"Palette control:", "When the file's colours are mapped to the screen's."},
    {"Double-buffer.", "Draw each frame off-screen first, then show it whole."},
    {"Play track 1.", "Play the sound of track 1."},
    {"Play track 2.", "Play the sound of track 2."},
    {"Play track 3.", "Play the sound of track 3."},
    {"Play track 4.", "Play the sound of track 4."},
    {"Play track 5.", "Play the sound of track 5."},
    {"Play track 6.", "Play the sound of track 6."},
    {"Play track 7.", "Play the sound of track 7."},
    {"Sound only.", "Play the sound without showing the video."},
    {"Use DirectSound for playback?", "Play the sound through the low-latency sound path."},
    {"Controls:", "Which of the player's keys (pause, skip, quit) are turned off."},
    {"Style:", "The video window's caption and border."},
    {"Don't clear between.", "Keep the screen's contents between files."},
    {"Simulate bytes/sec:", "Play as if the file were read at this many bytes per second."},
    {"Use extra memory:", "Use this many kilobytes of extra memory for reading ahead."},
    {"Load extra memory.", "Fill the extra memory before playing starts."},
    {"Don't pause on lost focus.", "Keep playing when another window is active."},
    {"Show differences only.", "Show only the changed parts of each frame."},
    {"Show frame numbers.", "Write each frame's number on the video."},
    {"Player program:", "The player to build the program from."},
    {"Program to create:", "The name of the program to write."},
    {"Zorblax file:", "The Zorblax file the program will play."},
    {"Browse", "Choose the file."},
    // Mixer and sound processor.
    {"Mix", "Mix the highlighted sound file into the highlighted Zorblax file."},
    {"Mix data into:", "The track of the Zorblax file that receives the sound."},
    {"Frame rate:", "Frames per second to give the output."},
    {"Frame to begin mixing at:", "The frame at which the sound starts."},
    {"Loop sound?", "Repeat the sound until the video ends."},
    {"Input sound file type:", "Read the input as this kind of raw sound instead of by its header."},
    {"Forced input data rate:", "The raw input's playback rate in hertz (digits only)."},
    {"Skip into input (bytes):", "Skip this many bytes at the start of the raw input (digits only)."},
    {"Convert a specific track:", "Take the sound from this track of the input (1-7)."},
    {"Starting time (milliseconds):", "Start the sound this many milliseconds into the input."},
    {"Ending time (milliseconds):", "End the sound this many milliseconds into the input."},
    // Graphics processor and script tab.
    {"Convert", "Convert the highlighted file (or files) with these options."},
    {"Run", "Run the highlighted (or edited) ZorbScript program."},
    {"Edit", "Open the highlighted ZorbScript program in the editor."},
    {"New", "Start a new ZorbScript program in the editor."},
    {"Save", "Save the script being edited."},
    {"Save As", "Save the script being edited under a new name."},
    {"Find", "Find the text in the script."},
    {"Go to line", "Go to this line of the script."},
    {"Script editor", "The ZorbScript program being edited."},
};

QString normalized(QString caption)
{
    caption.remove(QLatin1Char('&'));
    caption = caption.simplified();
    // "Lossy (4): " is the lossy bar's caption whatever its value.
    if (caption.startsWith(QLatin1String("Lossy (")))
        return QStringLiteral("lossy");
    return caption.toLower();
}

} // namespace

QString HintFor(const QString &caption)
{
    static const QHash<QString, QString> table = [] {
        QHash<QString, QString> t;
        for (const Hint &h : kHints)
            t.insert(normalized(QString::fromLatin1(h.caption)), QString::fromLatin1(h.text));
        return t;
    }();
    return table.value(normalized(caption));
}

} // namespace zfront

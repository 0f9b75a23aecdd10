// What the tool tabs do with the files highlighted in their browsers: numbered
// sequences, output names, how names are written on a command line, list
// files and one-by-one batch files, and the compressor's frame memo file.
// Plain code; the tabs ask the questions and open the editors.
#ifndef ZORB_FRONTEND_CORE_SELECTION_H
#define ZORB_FRONTEND_CORE_SELECTION_H

#include <QString>
#include <QStringList>

namespace zfront {

namespace selection {

// The texts the tabs show while processing a selection (%1, %2: names).
inline constexpr const char *SequenceQuestion = "This file appears to be part of a sequence of files (%1 to %2).\r\n"
                                                "Do you want to treat the sequence as a single animation?";
inline constexpr const char *ListOrOneByOneQuestion =
    "You have highlighted more than one file to process.  You can either create a list file to process all of "
    "the files together, or you can process them one by one with a Zorblax batch file.  Your preference?";
inline constexpr const char *CreateListButton = "Create &list";
inline constexpr const char *OneByOneButton = "&One by one";
inline constexpr const char *MustCreateListQuestion =
    "You have highlighted more than one file to process, which means that you must create a list file.  Do you "
    "want to ceate that list file now?";
inline constexpr const char *ListCreatedMessage = "The list file, %1, has been created and is highlighted.\r\n"
                                                  "You may now use it to process your multiple selections together.";
inline constexpr const char *OneByOneMessage =
    "You chose to process the files one by one.  To do that, Zorblax creates a batch file that will process each "
    "highlighted file.  After closing this window, the Zorblax batch file editor will appear with the list of "
    "commands that will be run.  If the list looks good, then save the batch file and close the editor window.";
inline constexpr const char *StartBatchQuestion =
    "OK, you've created a Zorblax batch file that will process each file one by one.  Do you want to start that "
    "processing now?";
inline constexpr const char *DeleteBatchQuestion =
    "Now that the one by one processing is finished, do you want to delete the Zorblax batch file that you just "
    "used?";
inline constexpr const char *ResultsNote =
    "Note that you can view the results of the one by one processing in the command history on the command tab.";
inline constexpr const char *RunLaterMessage =
    "OK, you can run this new Zorblax batch file later by typing:\r\n\r\n%1 <Enter>\r\n\r\nin the Zorblax command "
    "tab.\r\n\r\nYou can edit this Zorblax batch file by typing \r\n\r\nEdit %1 <Enter>\r\n\r\nalso in the Zorblax "
    "command tab.";
inline constexpr const char *DeleteCancelledBatchQuestion =
    "Since you cancelled the one by one processing, do you want to delete the Zorblax batch file that you just "
    "made, too?";

// A numbered sequence around one file name.
struct Sequence {
    bool found = false; // true when the run covers more than one file
    QString firstName, lastName;
    QString pattern; // e.g. "shot????.bmp*5-12"
};
// name is a bare file name; names are the other files of its directory (bare).
// The first run of decimal digits is the frame number; neighbours with the
// same prefix and suffix and the number padded to the same width are looked
// for below and above it.
Sequence findSequence(const QString &name, const QStringList &names);

// The output name when the user left it equal to the input name: prefix (as
// "New_") put in front of the file-name part, so input and output differ.
QString distinctOutput(const QString &input, const QString &output, const QString &prefix);

// A name as it goes on a command line: bare when it lies in directory, with
// its full path otherwise; in double quotes when it holds a space.
QString commandName(const QString &path, const QString &directory);

// "program input output switches", without trailing blanks.
QString commandLine(const QString &program, const QStringList &parts, const QString &switches);

// The default output of one input for a tool writing outputExtension ("zbx",
// "wav"; empty: keep the input's extension): the input's base name with that
// extension, made distinct from the input with prefix.
QString outputFor(const QString &input, const QString &outputExtension, const QString &prefix);

// A one-by-one batch file: "CD directory", then one command per input.
QString oneByOneBatch(const QString &directory, const QString &program, const QStringList &inputs,
                      const QString &outputExtension, const QString &prefix, const QString &switches);

// A list file's text: one name per line.
QString listFileText(const QStringList &names);

// The compressor's frame memo: when any line holds a character above a space,
// the lines are written to "ZorbFrames.txt" beside the settings file and its
// name returned
// (empty otherwise, or when the file cannot be written: then error says why).
QString writeMemoFile(const QStringList &lines, QString &error);

// Trims characters below 33 from both ends.
QString trimLow(const QString &text);

} // namespace selection

} // namespace zfront

#endif

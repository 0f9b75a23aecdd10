// Processing the files highlighted in a tab's browser: one file (with the
// numbered-sequence question) becomes one command; several become a list file
// or a one-by-one batch file, with every question along the way.
#ifndef ZORB_FRONTEND_UI_SELECTIONRUN_H
#define ZORB_FRONTEND_UI_SELECTIONRUN_H

#include <QString>

class QWidget;

namespace zfront {

class FileSelection;
class TabHost;

struct ToolRun {
    QString program; // with the names that come before the input (the mixer's Zorblax file)
    QString switches;
    QString outputExtension; // empty: the input's own
    QString prefix = QStringLiteral("New_");
    bool listCapable = true; // the tool reads list files
    bool hasOutput = true;   // the command names an output after the input
};

// The output name the tab shows for input (a selected file): its base name
// with the tool's extension, the digits of a numbered name kept.
QString defaultOutputName(const QString &input, const QString &extension);

// Processes the pane's selection; output is the tab's output name (empty:
// derived from the input). Returns the command line run for a single file,
// empty otherwise. The input and output are added to the recent files.
QString runSelection(QWidget *parent, TabHost &host, FileSelection &pane, const QString &output, const ToolRun &run);

// The command line for the highlighted file without asking anything (the
// "Copy command" action); empty when nothing is highlighted.
QString selectionCommand(FileSelection &pane, const QString &output, const ToolRun &run);

} // namespace zfront

#endif

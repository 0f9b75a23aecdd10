#include "frontend/ui/selectionrun.h"

#include "frontend/core/selection.h"
#include "frontend/core/settings.h"
#include "frontend/ui/dialogs.h"
#include "frontend/ui/filepane.h"
#include "frontend/ui/tabhost.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace zfront {

using namespace selection;

namespace {

QString withExtension(const QString &base, const QString &extension, const QString &input)
{
    const QString ext = extension.isEmpty() ? QFileInfo(input).suffix() : extension;
    return ext.isEmpty() ? base : base + QLatin1Char('.') + ext;
}

// The output of a whole sequence: the selected name without its frame number.
QString sequenceOutputName(const QString &input, const QString &extension)
{
    QString base = QFileInfo(input).completeBaseName();
    base.remove(QRegularExpression(QStringLiteral("[0-9]+")).match(base).captured(0));
    if (base.isEmpty())
        base = QStringLiteral("sequence");
    return withExtension(base, extension, input);
}

QString commandFor(const QString &directory, const QString &input, const QString &output, const ToolRun &run)
{
    QStringList parts{commandName(input, directory)};
    if (run.hasOutput)
        parts << commandName(output, directory);
    return commandLine(run.program, parts, run.switches);
}

QString outputPath(const QString &directory, const QString &input, const QString &output, const ToolRun &run)
{
    QString out = trimLow(output);
    if (out.isEmpty())
        out = defaultOutputName(input, run.outputExtension);
    return distinctOutput(input, QDir(directory).absoluteFilePath(out), run.prefix);
}

QString uniqueBatchName(const QString &directory)
{
    const QDir dir(directory);
    QString name = QStringLiteral("OneByOne.zbt");
    for (int i = 2; dir.exists(name); ++i)
        name = QStringLiteral("OneByOne%1.zbt").arg(i);
    return dir.absoluteFilePath(name);
}

void runOneByOne(QWidget *parent, TabHost &host, FileSelection &pane, const ToolRun &run)
{
    const QString directory = pane.directory();
    const QString batch = uniqueBatchName(directory);
    const QString text =
        oneByOneBatch(directory, run.program, pane.selectedPaths(), run.outputExtension, run.prefix, run.switches);
    dialogs::tell(parent, QLatin1String(OneByOneMessage));
    if (!host.editText(parent, QStringLiteral("Zorblax batch file editor"), batch, text))
        return;
    pane.refresh();
    const QString shown = QFileInfo(batch).fileName();
    if (!dialogs::askYes(parent, QLatin1String(StartBatchQuestion))) {
        dialogs::tell(parent, QString::fromLatin1(RunLaterMessage).arg(shown));
        return;
    }
    if (host.runBatch(batch)) {
        if (dialogs::askYes(parent, QLatin1String(DeleteBatchQuestion)))
            host.runConfirmedCommand(directory, QStringLiteral("Delete ") + commandName(batch, directory));
        dialogs::tell(parent, QLatin1String(ResultsNote));
    } else if (dialogs::askYes(parent, QLatin1String(DeleteCancelledBatchQuestion))) {
        host.runConfirmedCommand(directory, QStringLiteral("Delete ") + commandName(batch, directory));
    }
    pane.refresh();
}

void makeList(QWidget *parent, TabHost &host, FileSelection &pane)
{
    QStringList names;
    for (const QString &p : pane.selectedPaths())
        names << QFileInfo(p).fileName();
    const QString list = host.editListFile(parent, pane.directory(), names);
    if (list.isEmpty())
        return;
    pane.refresh();
    dialogs::tell(parent, QString::fromLatin1(ListCreatedMessage).arg(QFileInfo(list).fileName()));
    if (QFileInfo(list).absolutePath() == pane.directory())
        pane.selectFile(QFileInfo(list).fileName());
}

} // namespace

QString defaultOutputName(const QString &input, const QString &extension)
{
    return withExtension(QFileInfo(input).completeBaseName(), extension, input);
}

QString runSelection(QWidget *parent, TabHost &host, FileSelection &pane, const QString &output, const ToolRun &run)
{
    const QStringList selected = pane.selectedPaths();
    if (selected.isEmpty()) {
        dialogs::tell(parent, QStringLiteral("Please highlight a file to process first."));
        return QString();
    }
    if (selected.size() > 1) {
        if (run.listCapable) {
            const int choice = dialogs::ask(parent, QLatin1String(ListOrOneByOneQuestion),
                                            {QLatin1String(CreateListButton), QLatin1String(OneByOneButton)});
            if (choice == 0)
                makeList(parent, host, pane);
            else if (choice == 1)
                runOneByOne(parent, host, pane, run);
        } else if (dialogs::askYes(parent, QLatin1String(MustCreateListQuestion))) {
            makeList(parent, host, pane);
        }
        return QString();
    }

    const QString directory = pane.directory();
    QString input = selected.front();
    QString out = output;
    const Sequence seq = findSequence(QFileInfo(input).fileName(), pane.fileNames());
    if (seq.found && dialogs::askYes(parent, QString::fromLatin1(SequenceQuestion).arg(seq.firstName, seq.lastName))) {
        if (trimLow(out).isEmpty() || trimLow(out) == defaultOutputName(input, run.outputExtension))
            out = sequenceOutputName(input, run.outputExtension);
        input = QDir(directory).absoluteFilePath(seq.pattern);
    }
    const QString outPath = outputPath(directory, input, out, run);
    const QString command = commandFor(directory, input, outPath, run);
    host.runCommand(directory, command);
    pane.refresh();
    Settings::addRecent(host.settings().recentFiles, input);
    if (run.hasOutput)
        Settings::addRecent(host.settings().recentFiles, outPath);
    return command;
}

QString selectionCommand(FileSelection &pane, const QString &output, const ToolRun &run)
{
    const QString input = pane.currentPath();
    if (input.isEmpty())
        return QString();
    return commandFor(pane.directory(), input, outputPath(pane.directory(), input, output, run), run);
}

} // namespace zfront

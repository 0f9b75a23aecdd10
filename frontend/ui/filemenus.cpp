#include "frontend/ui/filemenus.h"

#include "frontend/core/commandtext.h"
#include "frontend/core/settings.h"
#include "frontend/core/toolcommands.h"
#include "frontend/ui/filepane.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QStorageInfo>

namespace zfront {

FileMenus::FileMenus(FilePane *pane, Settings *settings, RunFn run, ListFn createList)
    : QObject(pane), pane_(pane), settings_(settings), run_(std::move(run)), createList_(std::move(createList))
{
    connect(pane, &FilePane::fileMenuRequested, this, &FileMenus::fileMenu);
    connect(pane, &FilePane::directoryMenuRequested, this, &FileMenus::directoryMenu);
    connect(pane, &FilePane::driveMenuRequested, this, &FileMenus::driveMenu);
    connect(pane, &FilePane::fileActivated, this, [this](const QString &path) {
        if (settings_)
            Settings::addRecent(settings_->recentFiles, path);
    });
}

QString FileMenus::ask(const QString &title, const QString &label, const QString &text)
{
    bool ok = false;
    const QString answer = QInputDialog::getText(pane_, title, label, QLineEdit::Normal, text, &ok);
    return ok ? answer.trimmed() : QString();
}

void FileMenus::selectPath(const QString &path)
{
    const QFileInfo fi(path);
    if (fi.isDir()) {
        pane_->setDirectory(fi.absoluteFilePath());
    } else {
        pane_->setDirectory(fi.absolutePath());
        pane_->selectFile(fi.fileName());
    }
    if (settings_)
        Settings::addRecent(settings_->recentDirs, pane_->directory());
}

void FileMenus::properties(const QString &path)
{
    const QFileInfo fi(path);
    QString text = fi.absoluteFilePath() + QStringLiteral("\n\n");
    if (fi.isDir())
        text += QStringLiteral("Directory\n");
    else
        text += QStringLiteral("Size: %1 bytes\n").arg(groupDigits(fi.size()));
    text += QStringLiteral("Modified: %1\nOwner: %2\n")
                .arg(fi.lastModified().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), fi.owner());
    const QStorageInfo volume(path);
    if (volume.isValid())
        text += QStringLiteral("Volume: %1 (%2), %3 bytes free of %4")
                    .arg(volume.rootPath(), QString::fromUtf8(volume.fileSystemType()),
                         groupDigits(volume.bytesAvailable()), groupDigits(volume.bytesTotal()));
    QMessageBox::information(pane_, QStringLiteral("Properties"), text);
}

void FileMenus::fileMenu(const QPoint &globalPos)
{
    const QString dir = pane_->directory();
    const QString file = pane_->currentPath();
    const QString q = QuoteName(QFileInfo(file).fileName());
    const bool has = !file.isEmpty();
    QMenu menu(pane_);
    menu.addAction(QStringLiteral("&View"), this,
                   [this, dir, file] {
                       const QString command = toolcmd::viewCommand(file, dir);
                       if (command.isEmpty() && showImage_ && showImage_(file))
                           return;
                       run_(dir, command.isEmpty() ? QStringLiteral("Type ") + QuoteName(file) : command);
                   })
        ->setEnabled(has);
    menu.addAction(QStringLiteral("&Copy"), this,
                   [this, dir, q] {
                       const QString to = ask(QStringLiteral("Copy"), QStringLiteral("Copy %1 to:").arg(q));
                       if (!to.isEmpty())
                           run_(dir, QStringLiteral("Copy %1 %2").arg(q, QuoteName(to)));
                       pane_->refresh();
                   })
        ->setEnabled(has);
    menu.addAction(QStringLiteral("R&ename/Move"), this,
                   [this, dir, q] {
                       const QString to =
                           ask(QStringLiteral("Rename/Move"), QStringLiteral("Rename or move %1 to:").arg(q));
                       if (!to.isEmpty())
                           run_(dir, QStringLiteral("Ren %1 %2").arg(q, QuoteName(to)));
                       pane_->refresh();
                   })
        ->setEnabled(has);
    menu.addAction(QStringLiteral("&Delete"), this,
                   [this, dir] {
                       for (const QString &f : pane_->selectedPaths())
                           run_(dir, QStringLiteral("Del ") + QuoteName(QFileInfo(f).fileName()));
                       pane_->refresh();
                   })
        ->setEnabled(has);
    menu.addAction(QStringLiteral("&Attributes"), this,
                   [this, dir, q] {
                       const QString sw =
                           ask(QStringLiteral("Attributes"), QStringLiteral("Attributes (+R or -R) for %1:").arg(q));
                       if (!sw.isEmpty())
                           run_(dir, QStringLiteral("Attrib %1 %2").arg(sw, q));
                   })
        ->setEnabled(has);
    menu.addAction(QStringLiteral("P&roperties"), this, [this, file] { properties(file); })->setEnabled(has);
    menu.addAction(QStringLiteral("Create a &list file"), this,
                   [this, dir] { createList_(dir, pane_->selectedPaths()); });
    menu.addAction(QStringLiteral("&Switch to a specific file"), this, [this, dir] {
        const QString f = ask(QStringLiteral("Switch to a file"), QStringLiteral("File name:"));
        if (!f.isEmpty())
            selectPath(QDir(dir).absoluteFilePath(NormalizeSeparators(f)));
    });
    menu.addAction(QStringLiteral("&Find a file"), this, [this, dir] {
        const QString f = ask(QStringLiteral("Find a file"), QStringLiteral("Name or pattern:"));
        if (!f.isEmpty())
            run_(dir, QStringLiteral("Find ") + QuoteName(f));
    });
    QMenu *recent = menu.addMenu(QStringLiteral("Recen&t files"));
    if (settings_)
        for (const QString &f : settings_->recentFiles)
            recent->addAction(f, this, [this, f] { selectPath(f); });
    menu.exec(globalPos);
}

void FileMenus::directoryMenu(const QPoint &globalPos)
{
    const QString dir = pane_->directory();
    const QString q = QuoteName(dir);
    QMenu menu(pane_);
    menu.addAction(QStringLiteral("&Make new..."), this, [this, dir] {
        const QString n = ask(QStringLiteral("Make a directory"), QStringLiteral("New directory name:"));
        if (!n.isEmpty())
            run_(dir, QStringLiteral("MD ") + QuoteName(n));
        pane_->refresh();
    });
    menu.addAction(QStringLiteral("R&ename"), this, [this, dir, q] {
        const QString n = ask(QStringLiteral("Rename directory"), QStringLiteral("New name for %1:").arg(q));
        if (n.isEmpty())
            return;
        const QString parent = QFileInfo(dir).absolutePath();
        run_(parent, QStringLiteral("Ren %1 %2").arg(q, QuoteName(n)));
        selectPath(QDir(parent).absoluteFilePath(NormalizeSeparators(n)));
    });
    menu.addAction(QStringLiteral("&Delete"), this, [this, dir, q] {
        const QString parent = QFileInfo(dir).absolutePath();
        run_(parent, QStringLiteral("RD ") + q);
        if (!QFileInfo(dir).isDir())
            selectPath(parent);
    });
    menu.addAction(QStringLiteral("P&roperties"), this, [this, dir] { properties(dir); });
    menu.addAction(QStringLiteral("&Switch to a specific directory"), this, [this, dir] {
        const QString d = ask(QStringLiteral("Switch to a directory"), QStringLiteral("Directory:"), dir);
        if (!d.isEmpty())
            selectPath(QDir(dir).absoluteFilePath(NormalizeSeparators(d)));
    });
    QMenu *recent = menu.addMenu(QStringLiteral("Recen&t directories"));
    if (settings_)
        for (const QString &d : settings_->recentDirs)
            recent->addAction(d, this, [this, d] { selectPath(d); });
    menu.exec(globalPos);
}

void FileMenus::driveMenu(const QPoint &globalPos)
{
    const QString place = pane_->place();
    QMenu menu(pane_);
    menu.addAction(QStringLiteral("P&roperties"), this, [this, place] { properties(place); })
        ->setEnabled(!place.isEmpty());
    menu.exec(globalPos);
}

} // namespace zfront

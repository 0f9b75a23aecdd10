#include "frontend/ui/filebrowser.h"

#include "frontend/core/commandtext.h"
#include "frontend/core/settings.h"
#include "frontend/core/settings.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QSplitter>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>

namespace zfront {

QString ViewCommand(const QString &path, bool executable)
{
    const QString q = QuoteName(path);
    const QString lower = path.toLower();
    if (lower.endsWith(QLatin1String(".zbx")))
        return QStringLiteral("ZorbPlW ") + q;
    if (lower.endsWith(QLatin1String(".lst")))
        return QStringLiteral("DazuZoza ") + q;
    if (executable || lower.endsWith(QLatin1String(".exe")))
        return q;
    return QStringLiteral("Type ") + q;
}

FileBrowser::FileBrowser(Settings *state, QWidget *parent) : QWidget(parent), state_(state)
{
    places_ = new QComboBox(this);
    tree_ = new QTreeView(this);
    files_ = new QListView(this);
    filter_ = new QComboBox(this);
    filter_->setEditable(true);
    filter_->addItem(QStringLiteral("*"));

    dirModel_ = new QFileSystemModel(this);
    dirModel_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    dirModel_->setRootPath(QStringLiteral("/"));
    tree_->setModel(dirModel_);
    for (int c = 1; c < dirModel_->columnCount(); ++c)
        tree_->hideColumn(c);
    tree_->header()->hide();

    fileModel_ = new QFileSystemModel(this);
    fileModel_->setFilter(QDir::Files | QDir::NoDotAndDotDot);
    fileModel_->setNameFilterDisables(false);
    files_->setModel(fileModel_);
    files_->setSelectionMode(QAbstractItemView::ExtendedSelection);

    auto *left = new QWidget(this);
    auto *ll = new QVBoxLayout(left);
    ll->setContentsMargins(0, 0, 0, 0);
    ll->addWidget(places_);
    ll->addWidget(tree_);
    auto *right = new QWidget(this);
    auto *rl = new QVBoxLayout(right);
    rl->setContentsMargins(0, 0, 0, 0);
    rl->addWidget(files_);
    rl->addWidget(filter_);
    auto *split = new QSplitter(this);
    split->addWidget(left);
    split->addWidget(right);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(split);

    fillPlaces();
    connect(places_, &QComboBox::activated, this, [this](int i) { setDirectory(places_->itemData(i).toString()); });
    connect(tree_, &QTreeView::clicked, this,
            [this](const QModelIndex &i) { setDirectory(dirModel_->filePath(i)); });
    connect(files_, &QListView::activated, this, [this](const QModelIndex &i) {
        const QString path = fileModel_->filePath(i);
        if (state_)
            Settings::addRecent(state_->recentFiles, path);
        emit fileActivated(path);
    });
    connect(filter_, &QComboBox::currentTextChanged, this, [this] { applyFilter(); });

    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    files_->setContextMenuPolicy(Qt::CustomContextMenu);
    places_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(files_, &QWidget::customContextMenuRequested, this, &FileBrowser::fileMenu);
    connect(tree_, &QWidget::customContextMenuRequested, this, &FileBrowser::dirMenu);
    connect(places_, &QWidget::customContextMenuRequested, this, &FileBrowser::driveMenu);
    setDirectory(QDir::currentPath());
}

void FileBrowser::fillPlaces()
{
    places_->clear();
    places_->addItem(QStringLiteral("/"), QStringLiteral("/"));
    places_->addItem(QDir::homePath(), QDir::homePath());
    for (const QStorageInfo &v : QStorageInfo::mountedVolumes()) {
        const QString root = v.rootPath();
        if (v.isValid() && v.isReady() && root != QLatin1String("/") && !root.startsWith(QLatin1String("/proc")) &&
            !root.startsWith(QLatin1String("/sys")) && !root.startsWith(QLatin1String("/dev")) &&
            !root.startsWith(QLatin1String("/run")))
            places_->addItem(root, root);
    }
}

void FileBrowser::setDirectory(const QString &dir)
{
    const QFileInfo fi(dir);
    if (!fi.isDir())
        return;
    dir_ = QDir::cleanPath(fi.absoluteFilePath());
    tree_->setCurrentIndex(dirModel_->index(dir_));
    tree_->scrollTo(dirModel_->index(dir_));
    files_->setRootIndex(fileModel_->setRootPath(dir_));
    if (state_)
        Settings::addRecent(state_->recentDirs, dir_);
    emit directoryChanged(dir_);
}

void FileBrowser::selectFile(const QString &path)
{
    const QFileInfo fi(path);
    setDirectory(fi.absolutePath());
    const QModelIndex i = fileModel_->index(fi.absoluteFilePath());
    if (i.isValid())
        files_->setCurrentIndex(i);
}

QString FileBrowser::currentFile() const
{
    const QModelIndex i = files_->currentIndex();
    return i.isValid() ? fileModel_->filePath(i) : QString();
}

QStringList FileBrowser::selectedFiles() const
{
    QStringList out;
    for (const QModelIndex &i : files_->selectionModel()->selectedIndexes())
        out << fileModel_->filePath(i);
    return out;
}

void FileBrowser::setFilters(const QStringList &filters)
{
    filter_->clear();
    filter_->addItems(filters.isEmpty() ? QStringList{QStringLiteral("*")} : filters);
    applyFilter();
}

void FileBrowser::applyFilter()
{
    QStringList patterns = filter_->currentText().split(u';', Qt::SkipEmptyParts);
    for (QString &p : patterns)
        p = p.trimmed();
    fileModel_->setNameFilters(patterns);
}

QString FileBrowser::ask(const QString &title, const QString &label, const QString &text)
{
    bool ok = false;
    const QString answer = QInputDialog::getText(this, title, label, QLineEdit::Normal, text, &ok);
    return ok ? answer.trimmed() : QString();
}

void FileBrowser::viewFile(const QString &path)
{
    emit commandRequested(dir_, ViewCommand(path, QFileInfo(path).isExecutable()));
}

void FileBrowser::properties(const QString &path)
{
    const QFileInfo fi(path);
    QString text = QStringLiteral("%1\n\n").arg(fi.absoluteFilePath());
    if (fi.isDir())
        text += QStringLiteral("Directory\n");
    else
        text += QStringLiteral("Size: %1 bytes\n").arg(fi.size());
    text += QStringLiteral("Modified: %1\n").arg(fi.lastModified().toString(Qt::ISODate));
    text += QStringLiteral("Owner: %1\nWritable: %2").arg(fi.owner(), fi.isWritable() ? tr("yes") : tr("no"));
    QMessageBox::information(this, QStringLiteral("Properties"), text);
}

void FileBrowser::fileMenu(const QPoint &pos)
{
    const QString file = currentFile();
    const QString q = QuoteName(QFileInfo(file).fileName());
    QMenu menu(this);
    const bool has = !file.isEmpty();
    menu.addAction(QStringLiteral("&View"), this, [this, file] { viewFile(file); })->setEnabled(has);
    menu.addAction(QStringLiteral("&Copy"), this, [this, q] {
        const QString to = ask(QStringLiteral("Copy"), QStringLiteral("Copy %1 to:").arg(q));
        if (!to.isEmpty())
            emit commandRequested(dir_, QStringLiteral("Copy %1 %2").arg(q, QuoteName(to)));
    })->setEnabled(has);
    menu.addAction(QStringLiteral("R&ename/Move"), this, [this, q] {
        const QString to = ask(QStringLiteral("Rename/Move"), QStringLiteral("Rename or move %1 to:").arg(q));
        if (!to.isEmpty())
            emit commandRequested(dir_, QStringLiteral("Ren %1 %2").arg(q, QuoteName(to)));
    })->setEnabled(has);
    menu.addAction(QStringLiteral("&Delete"), this, [this] {
        for (const QString &f : selectedFiles())
            emit commandRequested(dir_, QStringLiteral("Del ") + QuoteName(QFileInfo(f).fileName()));
    })->setEnabled(has);
    menu.addAction(QStringLiteral("&Attributes"), this, [this, q] {
        const QString sw = ask(QStringLiteral("Attributes"), QStringLiteral("Attributes (+R, -R) for %1:").arg(q));
        if (!sw.isEmpty())
            emit commandRequested(dir_, QStringLiteral("Attrib %1 %2").arg(sw, q));
    })->setEnabled(has);
    menu.addAction(QStringLiteral("P&roperties"), this, [this, file] { properties(file); })->setEnabled(has);
    menu.addAction(QStringLiteral("Create a &list file"), this,
                   [this] { emit createListRequested(dir_, selectedFiles()); });
    menu.addAction(QStringLiteral("&Switch to a specific file"), this, [this] {
        const QString f = ask(QStringLiteral("Switch to a file"), QStringLiteral("File name:"));
        if (!f.isEmpty())
            selectFile(QDir(dir_).absoluteFilePath(NormalizeSeparators(f)));
    });
    menu.addAction(QStringLiteral("&Find a file"), this, [this] {
        const QString f = ask(QStringLiteral("Find a file"), QStringLiteral("Name or pattern:"));
        if (!f.isEmpty())
            emit commandRequested(dir_, QStringLiteral("Find ") + QuoteName(f));
    });
    QMenu *recent = menu.addMenu(QStringLiteral("Recen&t files"));
    if (state_)
        for (const QString &f : state_->recentFiles)
            recent->addAction(f, this, [this, f] { selectFile(f); });
    menu.exec(files_->viewport()->mapToGlobal(pos));
}

void FileBrowser::dirMenu(const QPoint &pos)
{
    const QString q = QuoteName(dir_);
    QMenu menu(this);
    menu.addAction(QStringLiteral("&Make new..."), this, [this] {
        const QString n = ask(QStringLiteral("Make a directory"), QStringLiteral("New directory name:"));
        if (!n.isEmpty())
            emit commandRequested(dir_, QStringLiteral("MD ") + QuoteName(n));
    });
    menu.addAction(QStringLiteral("R&ename"), this, [this, q] {
        const QString n = ask(QStringLiteral("Rename directory"), QStringLiteral("New name for %1:").arg(q));
        if (!n.isEmpty()) {
            const QString parent = QFileInfo(dir_).absolutePath();
            emit commandRequested(parent, QStringLiteral("Ren %1 %2").arg(q, QuoteName(n)));
            setDirectory(QDir(parent).absoluteFilePath(NormalizeSeparators(n)));
        }
    });
    menu.addAction(QStringLiteral("&Delete"), this, [this, q] {
        const QString parent = QFileInfo(dir_).absolutePath();
        emit commandRequested(parent, QStringLiteral("RD ") + q);
        if (!QFileInfo(dir_).isDir())
            setDirectory(parent);
    });
    menu.addAction(QStringLiteral("P&roperties"), this, [this] { properties(dir_); });
    menu.addAction(QStringLiteral("&Switch to a specific directory"), this, [this] {
        const QString d = ask(QStringLiteral("Switch to a directory"), QStringLiteral("Directory:"), dir_);
        if (!d.isEmpty())
            setDirectory(QDir(dir_).absoluteFilePath(NormalizeSeparators(d)));
    });
    QMenu *recent = menu.addMenu(QStringLiteral("Recen&t directories"));
    if (state_)
        for (const QString &d : state_->recentDirs)
            recent->addAction(d, this, [this, d] { setDirectory(d); });
    menu.exec(tree_->viewport()->mapToGlobal(pos));
}

void FileBrowser::driveMenu(const QPoint &pos)
{
    QMenu menu(this);
    menu.addAction(QStringLiteral("P&roperties"), this, [this] {
        const QStorageInfo s(places_->currentData().toString());
        QMessageBox::information(this, QStringLiteral("Properties"),
                                 QStringLiteral("%1\n\nFile system: %2\nSize: %3 bytes\nFree: %4 bytes")
                                     .arg(s.rootPath(), QString::fromUtf8(s.fileSystemType()))
                                     .arg(s.bytesTotal())
                                     .arg(s.bytesAvailable()));
    });
    menu.exec(places_->mapToGlobal(pos));
}

} // namespace zfront

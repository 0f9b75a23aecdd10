#include "frontend/ui/filepane.h"

#include "frontend/ui/places.h"

#include <QAbstractFileIconProvider>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QSplitter>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// Directory nodes go without icons: the icon theme's per-directory lookups
// leave cached icons behind that crash an application object torn down at
// process exit (as the tests' is).
class FolderIcons : public QAbstractFileIconProvider {
public:
    QIcon icon(IconType) const override { return {}; }
    QIcon icon(const QFileInfo &) const override { return {}; }
    // The kind column is hidden: no content sniffing of every file in a
    // large directory (it ran on the event loop and could hold the window
    // for minutes in a busy /tmp).
    QString type(const QFileInfo &) const override { return {}; }
};

} // namespace

FilePane::FilePane(const QString &caption, const QStringList &filters, QWidget *parent)
    : FileSelection(parent), places_(new QComboBox), dirEdit_(new QLineEdit), dirModel_(new QFileSystemModel(this)),
      tree_(new QTreeView), files_(new QListWidget), filter_(new QComboBox)
{
    auto *label = new QLabel(caption);
    label->setBuddy(files_);
    places_->setObjectName(QStringLiteral("places"));
    places_->addItems(zfront::browsePlaces());
    dirModel_->setFilter(QDir::Dirs | QDir::NoDotAndDotDot);
    static FolderIcons icons;
    dirModel_->setIconProvider(&icons);
    dirModel_->setRootPath(QStringLiteral("/"));
    tree_->setObjectName(QStringLiteral("directories"));
    places_->setAccessibleName(QStringLiteral("Places"));
    dirEdit_->setAccessibleName(QStringLiteral("Directory"));
    tree_->setAccessibleName(QStringLiteral("Directories"));
    files_->setAccessibleName(QStringLiteral("Files"));
    filter_->setAccessibleName(QStringLiteral("Filter"));
    tree_->setModel(dirModel_);
    tree_->setHeaderHidden(true);
    for (int column = 1; column < dirModel_->columnCount(); ++column)
        tree_->hideColumn(column);
    files_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    filter_->addItems(filters);
    filter_->addItem(QStringLiteral("All files (*)"));
    // The tree and the list share the width as the user drags it; neither
    // gets too narrow to read a name, and long entries never widen the pane.
    auto *lists = new QSplitter(Qt::Horizontal);
    lists->setObjectName(QStringLiteral("splitter"));
    lists->addWidget(tree_);
    lists->addWidget(files_);
    lists->setChildrenCollapsible(false);
    lists->setStretchFactor(0, 1);
    lists->setStretchFactor(1, 1);
    tree_->setMinimumWidth(110);
    files_->setMinimumWidth(110);
    tree_->header()->setStretchLastSection(false);
    tree_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    files_->setTextElideMode(Qt::ElideMiddle);
    for (QComboBox *combo : {places_, filter_}) {
        combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        combo->setMinimumContentsLength(12);
    }
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    layout->addWidget(places_);
    layout->addWidget(dirEdit_);
    layout->addWidget(lists, 1);
    layout->addWidget(filter_);

    files_->setContextMenuPolicy(Qt::CustomContextMenu);
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    places_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(files_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { emit fileMenuRequested(files_->viewport()->mapToGlobal(pos)); });
    // The directory menu acts on the directory right-clicked, so it becomes the pane's first.
    connect(tree_, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        if (const QModelIndex index = tree_->indexAt(pos); index.isValid())
            tree_->setCurrentIndex(index);
        emit directoryMenuRequested(tree_->viewport()->mapToGlobal(pos));
    });
    connect(places_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { emit driveMenuRequested(places_->mapToGlobal(pos)); });
    connect(places_, &QComboBox::activated, this, [this](int index) { setDirectory(places_->itemText(index)); });
    connect(dirEdit_, &QLineEdit::returnPressed, this, [this] { setDirectory(dirEdit_->text()); });
    connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this, &FilePane::treeChosen);
    connect(tree_, &QTreeView::activated, this, &FilePane::treeChosen);
    connect(files_, &QListWidget::itemSelectionChanged, this, &FilePane::selectionChanged);
    connect(files_, &QListWidget::itemActivated, this, &FilePane::itemActivated);
    connect(filter_, &QComboBox::currentIndexChanged, this, &FilePane::refresh);
    setDirectory(QDir::currentPath());
}

void FilePane::setDirectory(const QString &directory)
{
    const QDir dir(directory);
    if (!dir.exists())
        return;
    directory_ = QDir::cleanPath(dir.absolutePath());
    dirEdit_->setText(directory_);
    QStringList places;
    for (int i = 0; i < places_->count(); ++i)
        places << places_->itemText(i);
    {
        const QSignalBlocker block(places_);
        places_->setCurrentIndex(zfront::placeOf(places, directory_));
    }
    showInTree();
    refresh();
}

QString FilePane::place() const
{
    return places_->currentText();
}

void FilePane::treeChosen(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    const QString path = QDir::cleanPath(dirModel_->filePath(index));
    if (path != directory_)
        setDirectory(path);
}

// Opens the tree down to the directory and makes it the current node (hidden
// directories have no node; the tree then has none).
void FilePane::showInTree()
{
    const QModelIndex index = dirModel_->index(directory_);
    for (QModelIndex up = index.parent(); up.isValid(); up = up.parent())
        tree_->expand(up);
    tree_->setCurrentIndex(index);
    if (index.isValid())
        tree_->scrollTo(index);
}

void FilePane::refresh()
{
    const QStringList selected = [this] {
        QStringList names;
        for (QListWidgetItem *item : files_->selectedItems())
            names << item->text();
        return names;
    }();
    // The patterns between the parentheses of the filter item.
    QStringList patterns;
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("\\(([^)]*)\\)")).match(filter_->currentText());
    if (m.hasMatch())
        patterns = m.captured(1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QDir filtered(directory_);
    filtered.setNameFilters(patterns);
    const QSignalBlocker block(files_);
    files_->clear();
    files_->addItems(filtered.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase));
    for (int i = 0; i < files_->count(); ++i)
        if (selected.contains(files_->item(i)->text()))
            files_->item(i)->setSelected(true);
}

QStringList FilePane::selectedPaths() const
{
    QStringList paths;
    const QDir dir(directory_);
    for (int i = 0; i < files_->count(); ++i)
        if (files_->item(i)->isSelected())
            paths << dir.absoluteFilePath(files_->item(i)->text());
    return paths;
}

QString FilePane::currentPath() const
{
    const QStringList paths = selectedPaths();
    if (paths.size() > 1 && files_->currentItem() && files_->currentItem()->isSelected())
        return QDir(directory_).absoluteFilePath(files_->currentItem()->text());
    return paths.isEmpty() ? QString() : paths.front();
}

QStringList FilePane::fileNames() const
{
    QStringList names;
    for (int i = 0; i < files_->count(); ++i)
        names << files_->item(i)->text();
    return names;
}

bool FilePane::selectFile(const QString &name)
{
    const QList<QListWidgetItem *> found = files_->findItems(name, Qt::MatchExactly);
    files_->clearSelection();
    if (found.isEmpty())
        return false;
    found.front()->setSelected(true);
    files_->setCurrentItem(found.front());
    return true;
}

int FilePane::filterIndex() const
{
    return filter_->currentIndex();
}

void FilePane::setFilterIndex(int index)
{
    if (index >= 0 && index < filter_->count())
        filter_->setCurrentIndex(index);
}

void FilePane::itemActivated(QListWidgetItem *item)
{
    emit fileActivated(QDir(directory_).absoluteFilePath(item->text()));
}

#include "frontend/ui/filepane.h"

#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QVBoxLayout>

FilePane::FilePane(const QString &caption, const QStringList &filters, QWidget *parent)
    : QWidget(parent), dirEdit_(new QLineEdit), dirs_(new QListWidget), files_(new QListWidget), filter_(new QComboBox)
{
    auto *label = new QLabel(caption);
    label->setBuddy(files_);
    files_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    filter_->addItems(filters);
    filter_->addItem(QStringLiteral("All files (*)"));
    auto *lists = new QHBoxLayout;
    lists->addWidget(dirs_, 1);
    lists->addWidget(files_, 2);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    layout->addWidget(dirEdit_);
    layout->addLayout(lists);
    layout->addWidget(filter_);

    files_->setContextMenuPolicy(Qt::CustomContextMenu);
    dirs_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(files_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { emit fileMenuRequested(files_->viewport()->mapToGlobal(pos)); });
    connect(dirs_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { emit directoryMenuRequested(dirs_->viewport()->mapToGlobal(pos)); });
    connect(dirEdit_, &QLineEdit::returnPressed, this, [this] { setDirectory(dirEdit_->text()); });
    connect(dirs_, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        setDirectory(QDir(directory_).absoluteFilePath(item->text()));
    });
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
    refresh();
}

void FilePane::refresh()
{
    const QStringList selected = [this] {
        QStringList names;
        for (QListWidgetItem *item : files_->selectedItems())
            names << item->text();
        return names;
    }();
    const QDir dir(directory_);
    dirs_->clear();
    dirs_->addItem(QStringLiteral(".."));
    dirs_->addItems(dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name));
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

// The tool tabs' file browser: places box, directory tree and file list move
// together.
#include "tabs_support.h"

#include "frontend/ui/filepane.h"
#include "frontend/ui/places.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QTemporaryDir>
#include <QTreeView>

#include <gtest/gtest.h>

using namespace zfront;

namespace {

TEST(FilePane, PlacesAndTreeChangeTheDirectoryAndFiles)
{
    QTemporaryDir tmp;
    const QString top = QDir::cleanPath(tmp.path());
    ASSERT_TRUE(QDir(top).mkpath(QStringLiteral("sub")));
    for (const QString &name : {top + QStringLiteral("/top.zbx"), top + QStringLiteral("/sub/inner.zbx")}) {
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    FilePane pane(QStringLiteral("Files"), {QStringLiteral("Zorblax files (*.zbx)")});
    auto *places = pane.findChild<QComboBox *>(QStringLiteral("places"));
    auto *tree = pane.findChild<QTreeView *>(QStringLiteral("directories"));
    ASSERT_TRUE(places && tree);
    const QString home = QDir::cleanPath(QDir::homePath());
    EXPECT_EQ(places->itemText(0), QStringLiteral("/"));
    EXPECT_GE(places->findText(home), 0);

    // Choosing a place (all files shown).
    pane.setFilterIndex(1);
    emit places->activated(0);
    EXPECT_EQ(pane.directory(), QStringLiteral("/"));
    EXPECT_EQ(pane.fileNames(), QDir(QStringLiteral("/")).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase));
    EXPECT_EQ(pane.place(), QStringLiteral("/"));

    // Setting the directory shows it in the tree; choosing a node there moves the pane.
    pane.setDirectory(top);
    auto *model = qobject_cast<QFileSystemModel *>(tree->model());
    ASSERT_TRUE(model);
    EXPECT_EQ(QDir::cleanPath(model->filePath(tree->currentIndex())), top);
    pane.setFilterIndex(0);
    EXPECT_EQ(pane.fileNames(), QStringList{QStringLiteral("top.zbx")});
    tree->setCurrentIndex(model->index(top + QStringLiteral("/sub")));
    EXPECT_EQ(pane.directory(), top + QStringLiteral("/sub"));
    EXPECT_EQ(pane.fileNames(), QStringList{QStringLiteral("inner.zbx")});

    // The places box follows to the longest place holding the directory.
    EXPECT_EQ(zfront::placeOf({QStringLiteral("/"), QStringLiteral("/home/u"), QStringLiteral("/home/u2")},
                              QStringLiteral("/home/u2/x")),
              2);
    EXPECT_FALSE(zfront::isRealVolume(QStringLiteral("/proc"), "proc"));
    EXPECT_FALSE(zfront::isRealVolume(QStringLiteral("/mnt/x"), "tmpfs"));
}

} // namespace

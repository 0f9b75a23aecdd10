// The file browser of the tool tabs: a places box in the drive box's role
// (the root, the home directory and mounted volumes), a directory tree and a
// file list with a filter box, with the file, directory and drive context
// menus. The menus issue built-in commands through commandRequested.
#ifndef ZORB_FRONTEND_FILEBROWSER_H
#define ZORB_FRONTEND_FILEBROWSER_H

#include <QStringList>
#include <QWidget>

class QComboBox;
class QFileSystemModel;
class QListView;
class QTreeView;

class Settings;

namespace zfront {


class FileBrowser : public QWidget {
    Q_OBJECT
public:
    explicit FileBrowser(Settings *state, QWidget *parent = nullptr);

    QString directory() const { return dir_; }
    void setDirectory(const QString &dir);
    // Selects a file (and shows its directory).
    void selectFile(const QString &path);
    QString currentFile() const;
    QStringList selectedFiles() const;
    void setFilters(const QStringList &filters);
    QListView *fileList() const { return files_; }

signals:
    void commandRequested(const QString &directory, const QString &command);
    void createListRequested(const QString &directory, const QStringList &files);
    void directoryChanged(const QString &dir);
    void fileActivated(const QString &path);

private:
    void fileMenu(const QPoint &pos);
    void dirMenu(const QPoint &pos);
    void driveMenu(const QPoint &pos);
    void viewFile(const QString &path);
    void properties(const QString &path);
    QString ask(const QString &title, const QString &label, const QString &text = QString());
    void fillPlaces();
    void applyFilter();

    Settings *state_;
    QString dir_;
    QComboBox *places_;
    QTreeView *tree_;
    QListView *files_;
    QComboBox *filter_;
    QFileSystemModel *dirModel_;
    QFileSystemModel *fileModel_;
};

// The command that views a file, by its extension: ".zbx" plays it, ".lst"
// opens the list editor, a program runs, anything else is shown as text.
QString ViewCommand(const QString &path, bool executable);

} // namespace zfront

#endif

// What the tool forms need of a file browser (FileSelection), and a small
// browser of their own (FilePane): caption, places box (root, home, mounted
// volumes), directory line, directory tree, file list with several selection
// and a filter box. The main window's browser can stand in for
// FilePane through FileSelection.
#ifndef ZORB_FRONTEND_UI_FILEPANE_H
#define ZORB_FRONTEND_UI_FILEPANE_H

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QFileSystemModel;
class QModelIndex;
class QTreeView;

namespace zfront {

class FileSelection : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    virtual QString directory() const = 0;
    virtual void setDirectory(const QString &directory) = 0;
    // Full paths of the highlighted files, in list order.
    virtual QStringList selectedPaths() const = 0;
    // The highlighted file (the current one when several are highlighted).
    virtual QString currentPath() const = 0;
    // Bare names of every file in the list (the filter applied).
    virtual QStringList fileNames() const = 0;
    // Highlights only name (a bare name in the directory); false when absent.
    virtual bool selectFile(const QString &name) = 0;
    virtual void refresh() = 0;
    virtual int filterIndex() const = 0;
    virtual void setFilterIndex(int index) = 0;

signals:
    void selectionChanged();
    void fileActivated(const QString &path);
};

class FilePane : public FileSelection {
    Q_OBJECT
public:
    // filters: "Description (*.a *.b)" items; the first is shown by default.
    FilePane(const QString &caption, const QStringList &filters, QWidget *parent = nullptr);

    QString directory() const override { return directory_; }
    void setDirectory(const QString &directory) override;
    QStringList selectedPaths() const override;
    QString currentPath() const override;
    QStringList fileNames() const override;
    bool selectFile(const QString &name) override;
    void refresh() override;
    int filterIndex() const override;
    void setFilterIndex(int index) override;
    // The place chosen in the places box (the one holding the directory).
    QString place() const;

signals:
    // Right-clicks on the file list, the directory tree and the places box
    // (the front end's file, directory and drive menus), at global positions.
    void fileMenuRequested(const QPoint &globalPos);
    void directoryMenuRequested(const QPoint &globalPos);
    void driveMenuRequested(const QPoint &globalPos);

private:
    void itemActivated(QListWidgetItem *item);
    void treeChosen(const QModelIndex &index);
    void showInTree();

    QString directory_;
    QComboBox *places_;
    QLineEdit *dirEdit_;
    QFileSystemModel *dirModel_;
    QTreeView *tree_;
    QListWidget *files_;
    QComboBox *filter_;
};

} // namespace zfront

#endif

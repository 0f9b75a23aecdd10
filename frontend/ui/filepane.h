// A tool tab's file browser: caption, directory, file list with several
// selection and a filter box.
#ifndef ZFRONT_FILEPANE_H
#define ZFRONT_FILEPANE_H

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;

class FilePane : public QWidget {
    Q_OBJECT
public:
    // filters: "Description (*.a *.b)" items; the first is shown by default.
    FilePane(const QString &caption, const QStringList &filters, QWidget *parent = nullptr);

    QString directory() const { return directory_; }
    void setDirectory(const QString &directory);
    // Full paths of the highlighted files, in list order.
    QStringList selectedPaths() const;
    // The highlighted file (the current one when several are highlighted).
    QString currentPath() const;
    // Bare names of every file in the list (the filter applied).
    QStringList fileNames() const;
    // Highlights only name (a bare name in the directory); false when absent.
    bool selectFile(const QString &name);
    void refresh();
    int filterIndex() const;
    void setFilterIndex(int index);

signals:
    void selectionChanged();
    // Right-clicks on the file list and on the directory list (the front
    // end's file and directory menus), at global positions.
    void fileMenuRequested(const QPoint &globalPos);
    void directoryMenuRequested(const QPoint &globalPos);
    void fileActivated(const QString &path);

private:
    void itemActivated(QListWidgetItem *item);

    QString directory_;
    QLineEdit *dirEdit_;
    QListWidget *dirs_;
    QListWidget *files_;
    QComboBox *filter_;
};

#endif

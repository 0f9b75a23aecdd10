// The file, directory and drive context menus of the tool tabs' file panes. Their
// items run the command tab's built-in commands (through run) or move the
// pane; the recent files and directories come from the settings.
#ifndef ZORB_FRONTEND_UI_FILEMENUS_H
#define ZORB_FRONTEND_UI_FILEMENUS_H

#include <QObject>
#include <QStringList>

#include <functional>

namespace zfront {

class FilePane;
class Settings;

class FileMenus : public QObject {
    Q_OBJECT
public:
    using RunFn = std::function<void(const QString &directory, const QString &command)>;
    using ListFn = std::function<void(const QString &directory, const QStringList &files)>;
    FileMenus(FilePane *pane, Settings *settings, RunFn run, ListFn createList);

    // "&View" shows images with this (true when it could).
    void setImageViewer(std::function<bool(const QString &path)> show) { showImage_ = std::move(show); }

    void fileMenu(const QPoint &globalPos);
    void directoryMenu(const QPoint &globalPos);
    void driveMenu(const QPoint &globalPos);

private:
    QString ask(const QString &title, const QString &label, const QString &text = QString());
    void properties(const QString &path);
    void selectPath(const QString &path);

    FilePane *pane_;
    Settings *settings_;
    RunFn run_;
    ListFn createList_;
    std::function<bool(const QString &)> showImage_;
};

} // namespace zfront

#endif

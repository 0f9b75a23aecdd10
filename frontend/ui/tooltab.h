// Base of the tool tabs: a group titled with the tab's caption holding a
// file browser. Each tool tab is its own class (in its own file) so the tool
// forms can grow on it.
#ifndef ZORB_FRONTEND_TOOLTAB_H
#define ZORB_FRONTEND_TOOLTAB_H

#include <QWidget>

class QGroupBox;
class QVBoxLayout;

class Settings;

namespace zfront {

class FileBrowser;

class ToolTab : public QWidget {
    Q_OBJECT
public:
    ToolTab(const QString &caption, Settings *state, QWidget *parent = nullptr);
    FileBrowser *browser() const { return browser_; }
    QGroupBox *browserGroup() const { return group_; }

signals:
    void commandRequested(const QString &directory, const QString &command);
    void createListRequested(const QString &directory, const QStringList &files);

protected:
    // Adds a further browser under its own caption (the mixer's second list).
    FileBrowser *addBrowser(const QString &caption);
    QVBoxLayout *layout_;

private:
    Settings *state_;
    QGroupBox *group_;
    FileBrowser *browser_;
};

} // namespace zfront

#endif

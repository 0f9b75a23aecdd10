// The "Main" tab: buttons that switch to the other tabs or start a tool, and
// Exit, Help, "How do I...?" and About.
#ifndef ZORB_FRONTEND_UI_MAINTAB_H
#define ZORB_FRONTEND_UI_MAINTAB_H

#include <QWidget>

namespace zfront {

class MainTab : public QWidget {
    Q_OBJECT
public:
    explicit MainTab(QWidget *parent = nullptr);

signals:
    void showTab(int index);
    void commandRequested(const QString &directory, const QString &command);
    void exitRequested();
    void helpRequested();
    void aboutRequested();
    void frameRateRequested();
};

} // namespace zfront

#endif

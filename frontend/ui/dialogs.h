// Questions and messages of the tool tabs. Tests install a hook that answers
// instead of a modal box.
#ifndef ZORB_FRONTEND_UI_DIALOGS_H
#define ZORB_FRONTEND_UI_DIALOGS_H

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace zfront {

namespace dialogs {

// Asks text with buttons (default: "&Yes", "&No"); returns the index of the
// button pressed, -1 when the box was closed.
int ask(QWidget *parent, const QString &text, const QStringList &buttons = {});
bool askYes(QWidget *parent, const QString &text);
void tell(QWidget *parent, const QString &text);

// The hook gets the text and the buttons (empty for a message) and returns
// the answer. An empty function restores the boxes.
using Hook = std::function<int(const QString &text, const QStringList &buttons)>;
void setHook(Hook hook);

} // namespace dialogs

} // namespace zfront

#endif

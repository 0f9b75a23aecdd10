#include "frontend/ui/dialogs.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>

namespace zfront {

namespace dialogs {

namespace {

Hook &hook()
{
    static Hook h;
    return h;
}

const char *const Caption = "Zorblax for Windows";

} // namespace

void setHook(Hook h)
{
    hook() = std::move(h);
}

int ask(QWidget *parent, const QString &text, const QStringList &buttons)
{
    const QStringList labels = buttons.isEmpty() ? QStringList{QStringLiteral("&Yes"), QStringLiteral("&No")} : buttons;
    if (hook())
        return hook()(text, labels);
    QMessageBox box(QMessageBox::Question, QLatin1String(Caption), text, QMessageBox::NoButton, parent);
    QList<QAbstractButton *> made;
    for (const QString &l : labels)
        made.append(box.addButton(l, QMessageBox::AcceptRole));
    box.exec();
    return static_cast<int>(made.indexOf(box.clickedButton()));
}

bool askYes(QWidget *parent, const QString &text)
{
    return ask(parent, text) == 0;
}

void tell(QWidget *parent, const QString &text)
{
    if (hook()) {
        hook()(text, {});
        return;
    }
    QMessageBox::information(parent, QLatin1String(Caption), text);
}

} // namespace dialogs

} // namespace zfront

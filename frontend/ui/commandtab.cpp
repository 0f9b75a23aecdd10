#include "frontend/ui/commandtab.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QScrollBar>
#include <QVBoxLayout>

namespace zfront {

CommandTab::CommandTab(QWidget *parent) : QWidget(parent)
{
    history_ = new QPlainTextEdit(this);
    history_->setReadOnly(true);
    history_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    history_->setContextMenuPolicy(Qt::CustomContextMenu);
    history_->setMaximumBlockCount(20000);
    dir_ = new QLabel(this);
    // Long directories and commands never widen the window: they are cut
    // short on the screen, with the whole text as the tooltip.
    dir_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    dir_->setMinimumWidth(1);
    line_ = new QComboBox(this);
    line_->setEditable(true);
    line_->setInsertPolicy(QComboBox::NoInsert);
    line_->setMaxCount(30);
    line_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    line_->setMinimumContentsLength(20);
    line_->view()->setTextElideMode(Qt::ElideMiddle);
    // Enter runs the text as typed: the recent commands complete it only on
    // Tab or from the drop-down.
    line_->setCompleter(nullptr);
    line_->lineEdit()->installEventFilter(this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(history_, 1);
    layout->addWidget(dir_);
    layout->addWidget(line_);
    connect(history_, &QWidget::customContextMenuRequested, this, &CommandTab::historyMenu);
    connect(line_->lineEdit(), &QLineEdit::returnPressed, this, &CommandTab::enter);
}

bool CommandTab::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == line_->lineEdit() && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Tab &&
        static_cast<QKeyEvent *>(event)->modifiers() == Qt::NoModifier) {
        completeFromRecall();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void CommandTab::completeFromRecall()
{
    // Tab again goes on to the next recent command with the same beginning.
    QLineEdit *edit = line_->lineEdit();
    if (edit->text() != completed_) {
        typed_ = edit->text();
        completedIndex_ = -1;
    }
    if (typed_.isEmpty())
        return;
    for (int n = 1; n <= line_->count(); ++n) {
        const int i = (completedIndex_ + n) % line_->count();
        const QString item = line_->itemText(i);
        if (item.startsWith(typed_, Qt::CaseInsensitive)) {
            completedIndex_ = i;
            completed_ = item;
            edit->setText(item);
            return;
        }
    }
}

void CommandTab::enter()
{
    const QString text = line_->currentText();
    line_->setEditText(QString());
    if (!text.trimmed().isEmpty())
        emit commandEntered(text);
}

void CommandTab::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    dir_->setText(dir_->fontMetrics().elidedText(fullDir_, Qt::ElideMiddle, qMax(50, dir_->width())));
}

void CommandTab::appendLines(const QStringList &lines)
{
    for (const QString &l : lines)
        history_->appendPlainText(l);
    history_->verticalScrollBar()->setValue(history_->verticalScrollBar()->maximum());
}

void CommandTab::clearHistory()
{
    history_->clear();
}

QString CommandTab::historyText() const
{
    return history_->toPlainText();
}

void CommandTab::setRecall(const QStringList &commands)
{
    const QString text = line_->currentText();
    line_->clear();
    line_->addItems(commands);
    for (int i = 0; i < line_->count(); ++i)
        line_->setItemData(i, commands[i], Qt::ToolTipRole);
    line_->setEditText(text);
}

void CommandTab::setDirectory(const QString &dir)
{
    dir_->setToolTip(dir);
    dir_->setText(dir_->fontMetrics().elidedText(dir + u'>', Qt::ElideMiddle, qMax(200, dir_->width())));
    fullDir_ = dir + u'>';
}

void CommandTab::historyMenu(const QPoint &pos)
{
    QMenu menu(this);
    menu.addAction(QStringLiteral("&Copy"), this, [this] {
        const QString sel = history_->textCursor().selectedText().replace(QChar::ParagraphSeparator, u'\n');
        QApplication::clipboard()->setText(sel.isEmpty() ? historyText() : sel);
    });
    menu.addAction(QStringLiteral("Clear &History"), this, [this] { clearHistory(); });
    menu.addAction(QStringLiteral("Save &As"), this, [this] {
        const QString name = QFileDialog::getSaveFileName(this, QStringLiteral("Save As"), QString(),
                                                          QStringLiteral("Text files (*.txt);;All files (*)"));
        if (name.isEmpty())
            return;
        QSaveFile f(name);
        const QByteArray text = historyText().toUtf8() + '\n';
        if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size() || !f.commit())
            QMessageBox::warning(this, QStringLiteral("Save As"), QStringLiteral("Error saving to ") + name);
    });
    menu.exec(history_->mapToGlobal(pos));
}

} // namespace zfront

#include "frontend/ui/commandtab.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDatabase>
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
    line_ = new QComboBox(this);
    line_->setEditable(true);
    line_->setInsertPolicy(QComboBox::NoInsert);
    line_->setMaxCount(30);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(history_, 1);
    layout->addWidget(dir_);
    layout->addWidget(line_);
    connect(history_, &QWidget::customContextMenuRequested, this, &CommandTab::historyMenu);
    connect(line_->lineEdit(), &QLineEdit::returnPressed, this, &CommandTab::enter);
}

void CommandTab::enter()
{
    const QString text = line_->currentText();
    line_->setEditText(QString());
    if (!text.trimmed().isEmpty())
        emit commandEntered(text);
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
    line_->setEditText(text);
}

void CommandTab::setDirectory(const QString &dir)
{
    dir_->setText(dir + u'>');
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

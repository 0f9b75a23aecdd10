#include "frontend/ui/batchwindow.h"

#include "frontend/core/batchrunner.h"

#include <QFileInfo>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace zfront {

namespace {
const QString kMark = QStringLiteral("Current ==> ");
}

BatchWindow::BatchWindow(BatchRunner &runner, QWidget *parent) : QDialog(parent), runner_(runner)
{
    list_ = new QListWidget(this);
    list_->setTextElideMode(Qt::ElideMiddle);
    showFile();
    auto *cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(cancel, 0, Qt::AlignRight);
    connect(cancel, &QPushButton::clicked, this, &BatchWindow::reject);
    connect(&runner, &BatchRunner::lineStarted, this, &BatchWindow::showLine);
    connect(&runner, &BatchRunner::fileChanged, this, [this] {
        showFile();
        showLine(runner_.current());
    });
    resize(520, 300);
}

void BatchWindow::showFile()
{
    // The innermost batch file being run (a line may name another).
    setWindowTitle(QStringLiteral("Zorblax for Windows Batch Player: ") + QFileInfo(runner_.path()).fileName());
    list_->clear();
    list_->addItems(runner_.lines());
    marked_ = -1;
}

void BatchWindow::showLine(int index)
{
    if (marked_ >= 0 && marked_ < list_->count())
        list_->item(marked_)->setText(runner_.lines().value(marked_));
    marked_ = index;
    if (index >= 0 && index < list_->count()) {
        list_->item(index)->setText(kMark + runner_.lines().value(index));
        list_->setCurrentRow(index);
    }
}

void BatchWindow::reject()
{
    if (!runner_.running()) {
        QDialog::reject();
        return;
    }
    if (QMessageBox::question(this, windowTitle(), QStringLiteral("Cancel the batch file ?")) == QMessageBox::Yes)
        runner_.cancel();
}

} // namespace zfront

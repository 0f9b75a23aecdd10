#include "frontend/ui/textwindow.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSaveFile>

namespace zfront {

namespace {
constexpr qint64 kMaxTextBytes = 32 << 20;
}

TextWindow::TextWindow(Kind kind, QWidget *parent) : QMainWindow(parent), kind_(kind)
{
    setAttribute(Qt::WA_DeleteOnClose);
    edit_ = new QPlainTextEdit(this);
    edit_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    edit_->setReadOnly(kind == Kind::Viewer);
    setCentralWidget(edit_);
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    if (kind != Kind::Viewer) {
        file->addAction(QStringLiteral("&Save"), QKeySequence::Save, this, [this] { save(); });
        file->addAction(QStringLiteral("Save &As..."), this, [this] {
            const QString n = QFileDialog::getSaveFileName(this, QStringLiteral("Save As"), path_);
            if (!n.isEmpty()) {
                path_ = n;
                save();
            }
        });
    }
    file->addAction(QStringLiteral("&Close"), this, &QWidget::close);
    resize(640, 480);
    updateCaption();
}

void TextWindow::updateCaption()
{
    const char *what = kind_ == Kind::Viewer ? "View" : kind_ == Kind::Editor ? "Edit" : "List Editor";
    setWindowTitle(path_.isEmpty() ? QString::fromLatin1(what)
                                   : QStringLiteral("%1 - %2").arg(QString::fromLatin1(what), path_));
}

bool TextWindow::load(const QString &path)
{
    path_ = path;
    updateCaption();
    QFile f(path);
    if (!f.exists() && kind_ != Kind::Viewer)
        return true;
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly) || f.size() > kMaxTextBytes)
        return false;
    edit_->setPlainText(QString::fromUtf8(f.readAll()));
    edit_->document()->setModified(false);
    return true;
}

void TextWindow::setText(const QString &text)
{
    edit_->setPlainText(text);
}

QString TextWindow::text() const
{
    return edit_->toPlainText();
}

bool TextWindow::save()
{
    if (path_.isEmpty()) {
        path_ = QFileDialog::getSaveFileName(this, QStringLiteral("Save"));
        if (path_.isEmpty())
            return false;
    }
    QSaveFile f(path_);
    QByteArray data = text().toUtf8();
    if (!data.isEmpty() && !data.endsWith('\n'))
        data += '\n';
    if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size() || !f.commit()) {
        QMessageBox::warning(this, windowTitle(), QStringLiteral("Error saving to ") + path_);
        return false;
    }
    edit_->document()->setModified(false);
    updateCaption();
    emit saved(path_);
    return true;
}

void TextWindow::closeEvent(QCloseEvent *event)
{
    if (kind_ != Kind::Viewer && edit_->document()->isModified()) {
        const auto b = QMessageBox::question(this, windowTitle(), QStringLiteral("Save the changes?"),
                                             QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        if (b == QMessageBox::Cancel || (b == QMessageBox::Yes && !save())) {
            event->ignore();
            return;
        }
    }
    event->accept();
}

} // namespace zfront

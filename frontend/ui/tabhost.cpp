#include "frontend/ui/tabhost.h"

#include "frontend/core/safewrite.h"
#include "frontend/core/selection.h"
#include "frontend/ui/dialogs.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QImageReader>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QVBoxLayout>

namespace zfront {

bool TabHost::editText(QWidget *parent, const QString &caption, const QString &path, const QString &text)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(caption + QStringLiteral(": ") + path);
    auto *edit = new QPlainTextEdit(text, &dialog);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, &dialog);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(edit);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    dialog.resize(640, 400);
    while (dialog.exec() == QDialog::Accepted) {
        const QString error = writeWholeFile(path, edit->toPlainText().toUtf8());
        if (error.isEmpty())
            return true;
        dialogs::tell(parent, error);
    }
    return false;
}

QString TabHost::editListFile(QWidget *parent, const QString &directory, const QStringList &names)
{
    QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("Create a list file"),
                                                directory + QStringLiteral("/list.lst"),
                                                QStringLiteral("List files (*.lst *.LST)"));
    if (path.isEmpty())
        return QString();
    if (!path.contains(QLatin1Char('.')))
        path += QStringLiteral(".lst");
    return editText(parent, QStringLiteral("List file editor"), path, selection::listFileText(names)) ? path
                                                                                                      : QString();
}

bool TabHost::showImage(QWidget *parent, const QString &path)
{
    QImageReader reader(path);
    const QImage image = reader.read();
    if (image.isNull())
        return false;
    auto *viewer = new QDialog(parent);
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    viewer->setWindowTitle(path);
    auto *label = new QLabel;
    label->setPixmap(QPixmap::fromImage(image));
    auto *scroll = new QScrollArea;
    scroll->setWidget(label);
    auto *layout = new QVBoxLayout(viewer);
    layout->addWidget(scroll);
    viewer->resize(qMin(image.width() + 40, 1024), qMin(image.height() + 40, 768));
    viewer->show();
    return true;
}

void TabHost::openAnalyzer(QWidget *parent, const QString &path)
{
    (void)path;
    dialogs::tell(parent, QStringLiteral("The data-rate analyzer is not available yet."));
}

} // namespace zfront

#include "frontend/ui/frameratedialog.h"

#include "frontend/core/selection.h"
#include "frontend/core/toolcommands.h"
#include "frontend/ui/fieldvalidator.h"
#include "frontend/ui/toolform.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

namespace zfront {

FrameRateDialog::FrameRateDialog(const QString &directory, QWidget *parent)
    : QDialog(parent), directory_(directory), input_(new QLineEdit), output_(new QLineEdit), rate_(new QLineEdit),
      overwrite_(new QCheckBox(QStringLiteral("Overwrite without asking?")))
{
    setWindowTitle(QStringLiteral("Change a Zorblax file frame rate"));
    auto *form = new QFormLayout(this);
    auto *row = new QHBoxLayout;
    auto *browse = new QPushButton(QStringLiteral("&Browse..."));
    browse->setAccessibleName(QStringLiteral("Browse"));
    row->addWidget(input_, 1);
    row->addWidget(browse);
    form->addRow(QStringLiteral("Zorblax file:"), row);
    form->addRow(QStringLiteral("New file:"), output_);
    applyRule(rate_, rules::FrameRate);
    rate_->setText(QStringLiteral("15"));
    form->addRow(QStringLiteral("New frame rate (frames per second):"), rate_);
    form->addRow(overwrite_);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    form->addRow(buttons);
    input_->setToolTip(QStringLiteral("The Zorblax file to change."));
    output_->setToolTip(QStringLiteral("The file to write at the new frame rate."));
    rate_->setToolTip(QStringLiteral("Frames per second of the new file, 1 to 1000."));
    browse->setToolTip(QStringLiteral("Choose the Zorblax file."));
    overwrite_->setToolTip(QStringLiteral("Replace an existing new file without asking first."));
    setMinimumWidth(520);

    connect(browse, &QPushButton::clicked, this, [this] {
        const QString f = QFileDialog::getOpenFileName(this, QStringLiteral("Zorblax file"), directory_,
                                                       QStringLiteral("Zorblax files (*.zbx *.ZBX);;All files (*)"));
        if (!f.isEmpty())
            input_->setText(f);
    });
    connect(input_, &QLineEdit::textChanged, this, &FrameRateDialog::inputChanged);
    auto update = [this, ok = buttons->button(QDialogButtonBox::Ok)] { ok->setEnabled(!command().isEmpty()); };
    for (QLineEdit *e : {input_, output_, rate_})
        connect(e, &QLineEdit::textChanged, this, update);
    update();
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void FrameRateDialog::inputChanged()
{
    // The new name follows the input until the user types one of his own.
    const QString in = selection::trimLow(input_->text());
    const QString current = output_->text();
    if (in.isEmpty() || !(current.isEmpty() || current == outputBasedOn_))
        return;
    const QString path = QDir(directory_).absoluteFilePath(in);
    outputBasedOn_ =
        QFileInfo(selection::outputFor(path, QStringLiteral("zbx"), QLatin1String(toolcmd::OutputPrefix))).fileName();
    output_->setText(outputBasedOn_);
}

QString FrameRateDialog::directory() const
{
    const QString in = selection::trimLow(input_->text());
    return in.isEmpty() ? directory_ : QFileInfo(QDir(directory_).absoluteFilePath(in)).absolutePath();
}

QString FrameRateDialog::command() const
{
    const QString in = selection::trimLow(input_->text()), out = selection::trimLow(output_->text());
    const QString rate = clampField(rules::FrameRate, rate_->text());
    if (in.isEmpty() || out.isEmpty() || rate.isEmpty() || rate_->hasAcceptableInput() == false)
        return QString();
    const QString dir = directory();
    return toolcmd::frameRateCommand(selection::commandName(QDir(directory_).absoluteFilePath(in), dir),
                                     selection::commandName(QDir(dir).absoluteFilePath(out), dir), rate,
                                     overwrite_->isChecked());
}

} // namespace zfront

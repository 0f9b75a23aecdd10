#include "frontend/ui/scriptform.h"

#include "frontend/core/safewrite.h"
#include "frontend/core/selection.h"
#include "frontend/core/settings.h"
#include "frontend/core/toolcommands.h"
#include "frontend/ui/dialogs.h"
#include "frontend/ui/filepane.h"
#include "frontend/ui/tabhost.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextBlock>
#include <QVBoxLayout>

namespace zfront {

ScriptForm::ScriptForm(TabHost &host, FileSelection *browser, QWidget *parent)
    : ToolForm(host, parent), pane_(browser ? browser
                                            : new FilePane(QStringLiteral(" Highlight &ZorbScript program: "),
                                                           {QStringLiteral("ZorbScript programs (*.zs *.ZS)")})),
      pages_(new QTabWidget), editor_(new QPlainTextEdit), find_(new QLineEdit), line_(new QLineEdit)
{
    auto *handling = new QWidget;
    auto *hl = new QVBoxLayout(handling);
    hl->addWidget(pane_);
    auto *hb = new QHBoxLayout;
    auto *run = new QPushButton(QStringLiteral("&Run"));
    auto *edit = new QPushButton(QStringLiteral("&Edit"));
    auto *fresh = new QPushButton(QStringLiteral("&New"));
    run->setObjectName(QStringLiteral("run"));
    for (QPushButton *b : {run, edit, fresh})
        hb->addWidget(b);
    hl->addLayout(hb);
    connect(run, &QPushButton::clicked, this, &ScriptForm::runHighlighted);
    connect(edit, &QPushButton::clicked, this, &ScriptForm::editHighlighted);
    connect(fresh, &QPushButton::clicked, this, &ScriptForm::newScript);
    connect(pane_, &FileSelection::fileActivated, this, &ScriptForm::runScript);

    auto *editing = new QWidget;
    auto *el = new QVBoxLayout(editing);
    auto *tools = new QHBoxLayout;
    auto *save = new QPushButton(QStringLiteral("&Save"));
    auto *saveAs = new QPushButton(QStringLiteral("Save &As"));
    auto *runEdited = new QPushButton(QStringLiteral("&Run"));
    auto *findButton = new QPushButton(QStringLiteral("&Find"));
    auto *goButton = new QPushButton(QStringLiteral("&Go to line"));
    applyRule(line_, rules::Number);
    find_->setAccessibleName(QStringLiteral("Find"));
    line_->setAccessibleName(QStringLiteral("Go to line"));
    editor_->setAccessibleName(QStringLiteral("Script editor"));
    tools->addWidget(save);
    tools->addWidget(saveAs);
    tools->addWidget(runEdited);
    tools->addWidget(find_);
    tools->addWidget(findButton);
    tools->addWidget(line_);
    tools->addWidget(goButton);
    editor_->setLineWrapMode(QPlainTextEdit::NoWrap);
    el->addLayout(tools);
    el->addWidget(editor_);
    connect(save, &QPushButton::clicked, this, &ScriptForm::save);
    connect(saveAs, &QPushButton::clicked, this, &ScriptForm::saveAs);
    connect(runEdited, &QPushButton::clicked, this, &ScriptForm::runEdited);
    connect(findButton, &QPushButton::clicked, this, &ScriptForm::findNext);
    connect(find_, &QLineEdit::returnPressed, this, &ScriptForm::findNext);
    connect(goButton, &QPushButton::clicked, this, &ScriptForm::goToLine);
    connect(line_, &QLineEdit::returnPressed, this, &ScriptForm::goToLine);
    bindSection(&Settings::script, fields_);
    fields_.addBrowser(pane_);
    fields_.add(find_, &Settings::Script::FindText);
    fields_.add(line_, &Settings::Script::GotoLine);

    pages_->addTab(handling, QStringLiteral("Script Handling"));
    pages_->addTab(editing, QStringLiteral("Edit - Untitled"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addLayout(buttonRow({}, QStringLiteral("scriptor")));
}

QString ScriptForm::currentCommand()
{
    const QString path = pages_->currentIndex() == 1 ? path_ : pane_->currentPath();
    if (path.isEmpty())
        return QString();
    return toolcmd::scriptCommand(selection::commandName(path, QFileInfo(path).absolutePath()));
}

void ScriptForm::runScript(const QString &path)
{
    const QString directory = QFileInfo(path).absolutePath();
    host_.runCommand(directory, toolcmd::scriptCommand(selection::commandName(path, directory)));
    Settings::addRecent(settings().recentFiles, path);
}

void ScriptForm::runHighlighted()
{
    const QString path = pane_->currentPath();
    if (path.isEmpty()) {
        dialogs::tell(this, QStringLiteral("Please highlight a ZorbScript program first."));
        return;
    }
    runScript(path);
}

void ScriptForm::setPath(const QString &path)
{
    path_ = path;
    pages_->setTabText(1, QStringLiteral("Edit - ") +
                              (path.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(path).fileName()));
}

void ScriptForm::editHighlighted()
{
    const QString path = pane_->currentPath();
    QFile f(path);
    if (path.isEmpty() || !f.open(QIODevice::ReadOnly)) {
        dialogs::tell(this, QStringLiteral("Please highlight a ZorbScript program to edit first."));
        return;
    }
    editor_->setPlainText(QString::fromUtf8(f.readAll()));
    editor_->document()->setModified(false);
    setPath(path);
    pages_->setCurrentIndex(1);
}

void ScriptForm::newScript()
{
    editor_->clear();
    editor_->document()->setModified(false);
    setPath(QString());
    pages_->setCurrentIndex(1);
}

bool ScriptForm::save()
{
    if (path_.isEmpty())
        return saveAs();
    const QString error = writeWholeFile(path_, editor_->toPlainText().toUtf8());
    if (!error.isEmpty()) {
        dialogs::tell(this, error);
        return false;
    }
    editor_->document()->setModified(false);
    pane_->refresh();
    return true;
}

bool ScriptForm::saveAs()
{
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save the script"), pane_->directory(),
                                                QStringLiteral("ZorbScript programs (*.zs)"));
    if (path.isEmpty())
        return false;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".zs");
    setPath(path);
    return save();
}

void ScriptForm::runEdited()
{
    if (path_.isEmpty()) {
        dialogs::tell(this, QStringLiteral("Error: this script hasn't been saved yet."));
        return;
    }
    if (editor_->document()->isModified() &&
        dialogs::askYes(this,
                        QStringLiteral("Save the changes to %1 before running it?").arg(QFileInfo(path_).fileName())) &&
        !save())
        return;
    runScript(path_);
}

bool ScriptForm::findNext()
{
    const QString text = find_->text();
    if (text.isEmpty())
        return false;
    if (editor_->find(text))
        return true;
    QTextCursor c = editor_->textCursor(); // wrap around once
    c.movePosition(QTextCursor::Start);
    editor_->setTextCursor(c);
    return editor_->find(text);
}

bool ScriptForm::goToLine()
{
    bool ok = false;
    const int line = selection::trimLow(line_->text()).toInt(&ok);
    if (!ok || line < 1 || line > editor_->document()->blockCount())
        return false;
    QTextCursor c(editor_->document()->findBlockByNumber(line - 1));
    editor_->setTextCursor(c);
    editor_->setFocus();
    return true;
}

} // namespace zfront

#include "frontend/ui/tooltab.h"

#include "frontend/ui/filebrowser.h"

#include <QGroupBox>
#include <QVBoxLayout>

namespace zfront {

ToolTab::ToolTab(const QString &caption, Settings *state, QWidget *parent) : QWidget(parent), state_(state)
{
    layout_ = new QVBoxLayout(this);
    group_ = new QGroupBox(caption, this);
    browser_ = new FileBrowser(state, group_);
    (new QVBoxLayout(group_))->addWidget(browser_);
    layout_->addWidget(group_);
    connect(browser_, &FileBrowser::commandRequested, this, &ToolTab::commandRequested);
    connect(browser_, &FileBrowser::createListRequested, this, &ToolTab::createListRequested);
}

FileBrowser *ToolTab::addBrowser(const QString &caption)
{
    auto *group = new QGroupBox(caption, this);
    auto *b = new FileBrowser(state_, group);
    (new QVBoxLayout(group))->addWidget(b);
    layout_->addWidget(group);
    connect(b, &FileBrowser::commandRequested, this, &ToolTab::commandRequested);
    connect(b, &FileBrowser::createListRequested, this, &ToolTab::createListRequested);
    return b;
}

} // namespace zfront

#include "frontend/ui/playertab.h"

#include "frontend/ui/filebrowser.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace zfront {

PlayerTab::PlayerTab(Settings *state, QWidget *parent)
    : ToolTab(QStringLiteral(" Highlight a &Zorblax file to play: "), state, parent)
{
    auto *buttons = new QHBoxLayout;
    auto *analyze = new QPushButton(QStringLiteral("&Analyze"), this);
    buttons->addStretch(1);
    buttons->addWidget(analyze);
    layout_->addLayout(buttons);
    connect(analyze, &QPushButton::clicked, this, [this] {
        const QString file = browser()->currentFile();
        if (!file.isEmpty())
            emit analyzeRequested(file);
    });
}

} // namespace zfront

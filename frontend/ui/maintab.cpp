#include "frontend/ui/maintab.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace zfront {

MainTab::MainTab(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    auto *grid = new QGridLayout;
    struct Entry {
        const char *caption;
        int tab; // -1: a command, -2: the frame-rate dialog
        const char *command;
    };
    static const Entry kEntries[] = {
        {"Zorb (compress) a graphics file", 1, nullptr},
        {"Mix sound into a Zorblax file", 2, nullptr},
        {"Playback a Zorblax file", 3, nullptr},
        {"Use the ZorbScript environment", 4, nullptr},
        {"Change a Zorblax file frame rate", -2, nullptr},
        {"Convert a graphics file", 5, nullptr},
        {"Convert a sound file", 6, nullptr},
        {"Use the Zorblax command line", 7, nullptr},
        {"View your system information", -1, "VexSIW"},
    };
    int row = 0;
    for (const Entry &e : kEntries) {
        auto *b = new QPushButton(QString::fromLatin1(e.caption), this);
        b->setObjectName(QString::fromLatin1(e.caption));
        grid->addWidget(b, row / 2, row % 2);
        ++row;
        if (e.tab >= 0)
            connect(b, &QPushButton::clicked, this, [this, tab = e.tab] { emit showTab(tab); });
        else if (e.tab == -2) // needs its arguments: the dialog asks for them
            connect(b, &QPushButton::clicked, this, &MainTab::frameRateRequested);
        else
            connect(b, &QPushButton::clicked, this,
                    [this, cmd = QString::fromLatin1(e.command)] { emit commandRequested(QString(), cmd); });
    }
    layout->addLayout(grid);
    layout->addStretch(1);
    auto *bottom = new QHBoxLayout;
    auto add = [&](const char *caption, auto signal) {
        auto *b = new QPushButton(QString::fromLatin1(caption), this);
        connect(b, &QPushButton::clicked, this, signal);
        bottom->addWidget(b);
    };
    add("E&xit", &MainTab::exitRequested);
    add("&Help", &MainTab::helpRequested);
    add("Ho&w do I...?", &MainTab::helpRequested);
    add("&About", &MainTab::aboutRequested);
    layout->addLayout(bottom);
}

} // namespace zfront

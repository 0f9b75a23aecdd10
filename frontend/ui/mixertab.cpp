#include "frontend/ui/mixertab.h"

namespace zfront {

MixerTab::MixerTab(Settings *state, QWidget *parent)
    : ToolTab(QStringLiteral(" Highlight a &Zorblax file to mix: "), state, parent)
{
    waveBrowser_ = addBrowser(QStringLiteral(" Highlight a &WAV file to mix: "));
}

} // namespace zfront

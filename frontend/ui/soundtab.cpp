#include "frontend/ui/soundtab.h"

namespace zfront {

SoundTab::SoundTab(Settings *state, QWidget *parent) : ToolTab(QStringLiteral(" Highlight a file containing &sound: "), state, parent) {}

} // namespace zfront

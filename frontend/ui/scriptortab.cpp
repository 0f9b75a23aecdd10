#include "frontend/ui/scriptortab.h"

namespace zfront {

ScriptorTab::ScriptorTab(Settings *state, QWidget *parent) : ToolTab(QStringLiteral(" Highlight &ZorbScript program: "), state, parent) {}

} // namespace zfront

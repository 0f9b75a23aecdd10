#include "frontend/ui/graphicstab.h"

namespace zfront {

GraphicsTab::GraphicsTab(Settings *state, QWidget *parent) : ToolTab(QStringLiteral(" Highlight a &Graphics file: "), state, parent) {}

} // namespace zfront

#include "frontend/ui/zorbtab.h"

namespace zfront {

ZorbTab::ZorbTab(Settings *state, QWidget *parent) : ToolTab(QStringLiteral(" Highlight a &Flic to Zorb: "), state, parent) {}

} // namespace zfront

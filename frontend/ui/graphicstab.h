// The "Graphics Processor" tab. Its tool form grows on this browser.
#ifndef ZORB_FRONTEND_GRAPHICSTAB_H
#define ZORB_FRONTEND_GRAPHICSTAB_H

#include "frontend/ui/tooltab.h"

namespace zfront {

class GraphicsTab : public ToolTab {
    Q_OBJECT
public:
    explicit GraphicsTab(Settings *state, QWidget *parent = nullptr);
};

} // namespace zfront

#endif

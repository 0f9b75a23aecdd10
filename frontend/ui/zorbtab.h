// The "Zorb" tab. Its tool form grows on this browser.
#ifndef ZORB_FRONTEND_ZORBTAB_H
#define ZORB_FRONTEND_ZORBTAB_H

#include "frontend/ui/tooltab.h"

namespace zfront {

class ZorbTab : public ToolTab {
    Q_OBJECT
public:
    explicit ZorbTab(Settings *state, QWidget *parent = nullptr);
};

} // namespace zfront

#endif

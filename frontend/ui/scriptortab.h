// The "Scriptor" tab. Its tool form grows on this browser.
#ifndef ZORB_FRONTEND_SCRIPTORTAB_H
#define ZORB_FRONTEND_SCRIPTORTAB_H

#include "frontend/ui/tooltab.h"

namespace zfront {

class ScriptorTab : public ToolTab {
    Q_OBJECT
public:
    explicit ScriptorTab(Settings *state, QWidget *parent = nullptr);
};

} // namespace zfront

#endif

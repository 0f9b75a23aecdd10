// The "Player" tab. Its tool form grows on this browser.
#ifndef ZORB_FRONTEND_PLAYERTAB_H
#define ZORB_FRONTEND_PLAYERTAB_H

#include "frontend/ui/tooltab.h"

namespace zfront {

class PlayerTab : public ToolTab {
    Q_OBJECT
public:
    explicit PlayerTab(Settings *state, QWidget *parent = nullptr);

signals:
    // "&Analyze": the data-rate analyzer on the highlighted file.
    void analyzeRequested(const QString &path);
};

} // namespace zfront

#endif

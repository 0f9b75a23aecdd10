// The "Mixer" tab. Its tool form grows on this browser.
#ifndef ZORB_FRONTEND_MIXERTAB_H
#define ZORB_FRONTEND_MIXERTAB_H

#include "frontend/ui/tooltab.h"

namespace zfront {

class MixerTab : public ToolTab {
    Q_OBJECT
public:
    explicit MixerTab(Settings *state, QWidget *parent = nullptr);
    FileBrowser *waveBrowser() const { return waveBrowser_; }

private:
    FileBrowser *waveBrowser_;
};

} // namespace zfront

#endif

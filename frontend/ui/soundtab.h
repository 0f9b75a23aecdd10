// The "Sound Processor" tab. Its tool form grows on this browser.
#ifndef ZORB_FRONTEND_SOUNDTAB_H
#define ZORB_FRONTEND_SOUNDTAB_H

#include "frontend/ui/tooltab.h"

namespace zfront {

class SoundTab : public ToolTab {
    Q_OBJECT
public:
    explicit SoundTab(Settings *state, QWidget *parent = nullptr);
};

} // namespace zfront

#endif

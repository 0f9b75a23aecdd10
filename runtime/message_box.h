// The graphical message box of the display layer (see message_box.cpp).
#ifndef ZORB_RUNTIME_MESSAGE_BOX_H
#define ZORB_RUNTIME_MESSAGE_BOX_H

#include <sys/types.h>

namespace zorb::display {

// Seconds a box stays up unless a key or click closes it first.
inline constexpr unsigned kBoxSeconds = 10;

// Shows a box titled caption with the text, centred on the screen, and waits
// until it closes (after `seconds`, a key, a click or the close button). The
// box is drawn by a child process that ends with this one. Returns 1 when
// the box was shown, 0 when it could not be (no X display, no font).
int ShowTimedBox(const char *caption, const char *text, unsigned seconds);

// The process drawing the box while one is up, else 0 (tests).
pid_t MessageBoxChild();

} // namespace zorb::display

#endif

// Internal: where the status family talks to the user. Tests point it at
// pipes and say whether those count as terminals.
#ifndef ZORB_VEXUTIL_CORE_STATUS_IO_H
#define ZORB_VEXUTIL_CORE_STATUS_IO_H

namespace vex {

struct StatusIo {
    int inFd = 0;           // answers to questions
    int outFd = 2;          // the live line, questions, messages
    int inIsTerminal = -1;  // -1: ask the system
    int outIsTerminal = -1; // -1: ask the system
    int columns = 0;        // 0: ask the terminal (80 when it cannot say)
};

// Replaces the streams; null restores standard input and standard error.
void statusSetIo(const StatusIo *io);

} // namespace vex

#endif

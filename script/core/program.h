// Internal: the program's main routine over a host.
#ifndef ZORB_SCRIPT_CORE_PROGRAM_H
#define ZORB_SCRIPT_CORE_PROGRAM_H

#include "script/core/host.h"

namespace zscript {

// Runs zorbscw on its arguments; returns the exit status (0, 1, 2).
int RunProgram(Host &host, int argc, char **argv);

} // namespace zscript

#endif

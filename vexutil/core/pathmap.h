// Internal: how the toolkit's file names (either separator, optional drive
// prefix) become names of this system.
#ifndef ZORB_VEXUTIL_CORE_PATHMAP_H
#define ZORB_VEXUTIL_CORE_PATHMAP_H

#include <string>

namespace vex {

// Backslashes become slashes; a leading drive prefix "X:" is dropped ("C:\a"
// is "/a", "C:a" is "a"): the root is the only drive.
std::string hostPath(const char *name);

} // namespace vex

#endif

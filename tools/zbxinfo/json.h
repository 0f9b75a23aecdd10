// zbxinfo --json: the facts of one file as a JSON object, for scripts and
// archive pipelines (keys in docs/zbxinfo.md).
#ifndef ZORB_TOOLS_ZBXINFO_JSON_H
#define ZORB_TOOLS_ZBXINFO_JSON_H

#include <cstdint>
#include <string>

#include "codec/zorb.h"

namespace tool::zbxinfo {

// The object for the open file at path (fileSize bytes), one line, ending in
// a newline. Visits every frame (the handle is left on some frame); intact
// is false when a frame is damaged or could not be read.
std::string JsonReport(const std::string &path, ZorbHandle *h, uint64_t fileSize, bool &intact);

} // namespace tool::zbxinfo

#endif

// zbxinfo --dump: the decoded content of a file as plain data.
#ifndef ZORB_TOOLS_ZBXINFO_DUMP_H
#define ZORB_TOOLS_ZBXINFO_DUMP_H

#include <string>

namespace tool::zbxinfo {

// Writes the frames and sound of file into dir (made when missing; an
// existing one must be empty, or with replace hold only an older dump's
// files, which are removed); quiet leaves out the closing line. Returns the
// exit status.
int DumpFile(const std::string &dir, const std::string &file, bool replace, bool quiet);

} // namespace tool::zbxinfo

#endif

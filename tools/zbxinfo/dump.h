// zbxinfo --dump: the decoded content of a file as plain data.
#ifndef ZORB_TOOLS_ZBXINFO_DUMP_H
#define ZORB_TOOLS_ZBXINFO_DUMP_H

#include <string>

// Writes the frames and sound of file into dir; returns the exit status.
int DumpFile(const std::string &dir, const std::string &file);

#endif

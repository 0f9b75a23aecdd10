// The command-line rules the converting tools share: which arguments name
// files, the switch line made of the others, and same-file checks.
#ifndef ZORB_TOOLS_COMMON_TOOL_ARGUMENTS_H
#define ZORB_TOOLS_COMMON_TOOL_ARGUMENTS_H

namespace tool {

// True when a command-line argument names a file rather than holds switches:
// it does not start with a slash, or it names an existing file, or its
// directory exists ("/N0/K0" holds switches, "/tmp/a.bmp" names a file).
bool IsPathArgument(const char *arg);

// Splits a tool's arguments (argv[1] on): the first maxNames that name files
// (IsPathArgument) go to names in order; all others are joined with blanks
// into *switches, a NUL-terminated line for the switch readers that the
// caller frees with free(). Returns the number of names, -1 when memory
// fails.
int SplitArguments(int argc, char **argv, int maxNames, const char **names, char **switches);

// True when both names exist and are the same file (links included).
bool SameFile(const char *a, const char *b);

} // namespace tool

#endif

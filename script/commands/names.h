// Internal: file names of scripts on this system and wildcard matching.
#ifndef ZORB_SCRIPT_COMMANDS_NAMES_H
#define ZORB_SCRIPT_COMMANDS_NAMES_H

#include <string>
#include <vector>

namespace zscript {

// True when the name has "*" or "?".
bool HasWildcards(const std::string &name);
// Matches a name against a pattern of "*" and "?" without regard to case; a
// name without a dot also matches as if it ended with one ("*.*" takes all).
bool WildcardMatch(const std::string &pattern, const std::string &name);
// The directory part of a (resolved) name, with its final slash, or "".
std::string DirectoryPart(const std::string &name);
std::string FilePart(const std::string &name);
// The entries of a directory ("" = the current one) matching a pattern,
// sorted without regard to case; "." and ".." are never listed.
std::vector<std::string> MatchingEntries(const std::string &directory, const std::string &pattern, bool filesOnly);

} // namespace zscript

#endif

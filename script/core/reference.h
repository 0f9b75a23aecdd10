// Internal: the ZorbScript command reference, written from the keyword table
// (script/core/keyword_table.h) as Markdown. docs/script-reference.md is its
// output (zorb_refgen), so the page and the interpreter cannot drift apart.
#ifndef ZORB_SCRIPT_CORE_REFERENCE_H
#define ZORB_SCRIPT_CORE_REFERENCE_H

#include <string>
#include <vector>

namespace zscript {

struct KeywordDoc {
    const char *name;
    const char *family;
    const char *parameters; // "kind:meaning" words, or plain words ("[=]", "operator")
    const char *does;
    const char *sets;
    const char *errors;
    const char *example; // a whole script, lines separated by '\n'
};

// Every keyword's entry, in the keyword table's order.
const std::vector<KeywordDoc> &KeywordDocs();

// The whole reference page.
std::string ScriptReferenceMarkdown();

} // namespace zscript

#endif

// The command reference page, written from the keyword table.
#include "script/core/reference.h"

#include <cstring>
#include <sstream>

namespace zscript {

namespace {

// The families in the order the page presents them, with their introductions.
struct Family {
    const char *name;
    const char *intro;
};
constexpr Family kFamilies[] = {
    {"Variables", "Variables hold text; numbers are text of digits. Names are letters and digits, in any case."},
    {"Flow", "Labels are lines `:NAME`; they belong to their own script file. Quote label and file names: a bare "
             "word is a variable holding the name."},
    {"Debugging", "A trace of every command, for finding out what a script really does."},
    {"Screen", "The window, its palette and drawing on it. Commands marked with the window error need "
               "SCREENGRAPHICS first. Coordinates are relative to the screen origin (SCREENADJUSTXY)."},
    {"Text", "Text at the text cursor in the built-in 8 x 16 font (code page 437) or a font made from a bitmap."},
    {"Bitmaps", "128 numbered in-memory pictures (9000-9127) of palette indices, each with an optional palette. A "
                "number that names no bitmap stops the run with \"Bad frame parameter\"."},
    {"Animations", "32 numbered Zorblax files (3000-3031) open at a time. A number that names no open animation "
                   "stops the run with \"Bad animation parameter\"."},
    {"Input", "Keys, clicks, mouse areas, typed lines and waiting. Every wait keeps the window and the sound "
              "alive."},
    {"Files", "64 numbered text files (5000-5063) open at a time, and whole-file operations with wildcards. A "
              "number that names no open file stops the run with \"Bad file parameter\"."},
    {"Directories", "Directories and file systems. `\\` and `/` both separate directories."},
    {"Strings", "Texts are at most 767 characters; an empty result deletes the variable."},
    {"System", "The program, the clock, the environment, random numbers, other programs and sound."},
    {"Printing", "A print file that TEXT writes into."},
};

const char *KindText(const std::string &kind)
{
    if (kind == "name")
        return "a variable name";
    if (kind == "number")
        return "a number";
    if (kind == "value")
        return "a value";
    if (kind == "text")
        return "a non-empty value";
    return nullptr;
}

std::vector<std::string> Words(const char *text)
{
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

// "KEYWORD result x y" and the list of what each parameter is.
void WriteParameters(std::ostream &out, const KeywordDoc &k)
{
    std::string synopsis = k.name, list;
    for (const std::string &word : Words(k.parameters)) {
        const size_t colon = word.find(':');
        const char *kind = colon == std::string::npos ? nullptr : KindText(word.substr(0, colon));
        if (!kind) {
            synopsis += " " + word;
            continue;
        }
        const std::string meaning = word.substr(colon + 1);
        synopsis += " " + meaning;
        list += (list.empty() ? "" : ", ") + ("*" + meaning + "* " + kind);
    }
    out << "`" << synopsis << "`";
    if (!list.empty())
        out << "  \n" << list << '.';
    out << "\n\n";
}

std::string Anchor(const char *name)
{
    std::string a = name;
    for (char &c : a)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return a;
}

} // namespace

const std::vector<KeywordDoc> &KeywordDocs()
{
    static const std::vector<KeywordDoc> docs = {
#define ZS_KEYWORD(name, handler, family, parameters, does, sets, errors, example)                                     \
    {#name, family, parameters, does, sets, errors, example},
#include "script/core/keyword_table.h"
    };
    return docs;
}

std::string ScriptReferenceMarkdown()
{
    std::ostringstream out;
    out << "# ZorbScript command reference\n\n"
           "<!-- Written by zorb_refgen from script/core/keyword_table.h: change the table, then run\n"
           "     build/bin/zorb_refgen > docs/script-reference.md -->\n\n"
           "Every command of the language, grouped by family, with its parameters, what it does, what it sets and "
           "the errors that stop the run, and an example. `docs/script.md` describes the language itself (lines, "
           "tokens, quoting, labels, limits) and how `zorbscw` runs; `docs/getting-started.md` builds a first "
           "presentation.\n\n"
           "Parameters are read in the order shown. *name* parameters are variable names: the command stores its "
           "result there. A *number* is digits (or a variable holding digits); a *value* is any token, where a bare "
           "word is the value of the variable of that name, so literal texts are quoted (`'Hello'`); a *non-empty "
           "value* must not be empty. Several commands can share a line, separated by `;`, and `#` starts a "
           "comment. Every example is a whole script; the tests run each of them.\n\n"
           "Errors that any command can give: \"Bad script command\" (parameters left over, or an unknown "
           "keyword), \"Needed a variable / a number / a parameter / a non-empty parameter in command\" (a "
           "parameter of the wrong kind is missing).\n\n";
    out << "## Index\n\n";
    for (const Family &f : kFamilies) {
        out << "- **[" << f.name << "](#family-" << Anchor(f.name) << ")**:";
        for (const KeywordDoc &k : KeywordDocs())
            if (std::strcmp(k.family, f.name) == 0)
                out << " [" << k.name << "](#" << Anchor(k.name) << ")";
        out << "\n";
    }
    for (const Family &f : kFamilies) {
        out << "\n## Family: " << f.name << "\n\n" << f.intro << "\n";
        for (const KeywordDoc &k : KeywordDocs()) {
            if (std::strcmp(k.family, f.name) != 0)
                continue;
            out << "\n### " << k.name << "\n\n";
            WriteParameters(out, k);
            out << k.does << "\n\n";
            if (*k.sets)
                out << "**Sets:** " << k.sets << ".  \n";
            if (*k.errors)
                out << "**Errors:** " << k.errors << ".  \n";
            if (*k.sets || *k.errors)
                out << "\n";
            out << "```\n" << k.example << "\n```\n";
        }
    }
    return out.str();
}

} // namespace zscript

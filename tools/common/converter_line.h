// The command line of the converters that take an input and an output file
// (zorbc, pictproc): the first two arguments that name files, every other
// argument joined into one line for the switch readers, and the check of what
// the readers left.
#ifndef ZORB_TOOLS_COMMON_CONVERTER_LINE_H
#define ZORB_TOOLS_COMMON_CONVERTER_LINE_H

#include <string>
#include <vector>

#include "tools/common/tool_arguments.h"
#include "vexutil/vexutil.h"

namespace tool {

struct ConverterLine {
    std::vector<std::string> names; // at most two: the input and the output
    std::string switches;           // several switches may share one argument
    std::string sound;              // --sound=FILE: where a y4m stream's sound goes
};

inline ConverterLine SplitConverterLine(int argc, char **argv)
{
    ConverterLine line;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--sound=", 0) == 0) {
            line.sound = arg.substr(8);
            continue;
        }
        if (arg == "--sound" && i + 1 < argc) {
            line.sound = argv[++i];
            continue;
        }
        if (line.names.size() < 2 && tool::IsPathArgument(arg.c_str())) {
            line.names.push_back(arg);
        } else {
            if (!line.switches.empty())
                line.switches += ' ';
            line.switches += arg;
        }
    }
    return line;
}

// After the switch readers took theirs from rest: anything left is an unknown
// switch or an extra argument, and both files must be named.
inline bool CheckConverterLine(char *rest, const ConverterLine &line, std::string &error)
{
    Trim(rest);
    if (rest[0]) {
        error = std::string("unknown switch or extra argument: ") + rest;
        return false;
    }
    if (line.names.size() < 2) {
        error = "an input and an output file are needed.";
        return false;
    }
    return true;
}

} // namespace tool

#endif

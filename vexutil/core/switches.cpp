// Command-line switches: a slash, a letter (either case) and a value right
// after it. Every switch read is removed from the line.
#include "platform/platform.h"
#include "platform/text.h"
#include "vexutil/vexutil.h"

#include <cctype>
#include <cstring>
#include <string>

using zorb::platform::IsBlank;

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool sameLetter(char a, char b)
{
    return zorb::platform::ToUpper(a) == zorb::platform::ToUpper(b);
}

void removeRange(char *line, size_t from, size_t to)
{
    std::memmove(line + from, line + to, std::strlen(line + to) + 1);
}

// Linux paths are full of slashes, and the front end glues switches together
// ("/N-500/K0/A20"). A slash inside a file name is never a switch: a word that
// does not start with "/" or that is quoted is a name, and a word starting
// with "/" is a name when it exists or its directory does ("/tmp/out.zbx").
bool looksLikePath(const std::string &word)
{
    return PlatformNamesPath(word.c_str()) != 0;
}

constexpr char kHiddenSlash = '\x01';

// Hides the slashes of file names in a command line while a switch is looked
// for, and puts them back afterwards.
class FileSlashesHidden {
public:
    explicit FileSlashesHidden(char *line) : line_(line)
    {
        for (size_t i = 0; line_ && line_[i];) {
            if (IsBlank(line_[i])) {
                ++i;
                continue;
            }
            const size_t start = i;
            if (line_[i] == '"') {
                const char *close = std::strchr(line_ + i + 1, '"');
                i = close ? static_cast<size_t>(close - line_) + 1 : std::strlen(line_);
            } else {
                while (line_[i] && !IsBlank(line_[i]))
                    ++i;
            }
            const bool name = line_[start] != '/' || looksLikePath(std::string(line_ + start, i - start));
            if (name)
                for (size_t k = start; k < i; ++k)
                    if (line_[k] == '/')
                        line_[k] = kHiddenSlash;
        }
    }
    ~FileSlashesHidden()
    {
        for (size_t i = 0; line_ && line_[i]; ++i)
            if (line_[i] == kHiddenSlash)
                line_[i] = '/';
    }
    FileSlashesHidden(const FileSlashesHidden &) = delete;
    FileSlashesHidden &operator=(const FileSlashesHidden &) = delete;

private:
    char *line_;
};

// Finds the switch and its value; value is [valueStart, valueEnd) in the line,
// the switch with its value spans [at, end). Returns false when not found.
bool findStringSwitch(const char *line, char letter, size_t &at, size_t &valueStart, size_t &valueEnd, size_t &end)
{
    for (size_t i = 0; line[i]; ++i) {
        if (line[i] != '/' || !line[i + 1] || !sameLetter(line[i + 1], letter))
            continue;
        const size_t v = i + 2;
        if (line[v] == '\0' || IsBlank(line[v]))
            continue;
        at = i;
        if (line[v] == '"') {
            const char *close = std::strchr(line + v + 1, '"');
            valueStart = v + 1;
            if (close) {
                valueEnd = static_cast<size_t>(close - line);
                end = valueEnd + 1;
            } else {
                valueEnd = end = std::strlen(line);
            }
        } else {
            // The value ends at a blank, or at a slash that starts the next
            // glued switch; a value that is a path keeps its slashes.
            size_t word = v;
            while (line[word] && !IsBlank(line[word]))
                ++word;
            size_t e = v;
            if (!looksLikePath(std::string(line + v, word - v)))
                while (e < word && line[e] != '/')
                    ++e;
            else
                e = word;
            valueStart = v;
            valueEnd = end = e;
        }
        return true;
    }
    return false;
}

} // namespace

extern "C" {

VEXAPI int32_t GetSwitchNum(char *commandLine, char letter, int32_t defaultValue)
{
    if (!commandLine)
        return defaultValue;
    FileSlashesHidden hidden(commandLine);
    for (size_t i = 0; commandLine[i]; ++i) {
        if (commandLine[i] != '/' || !commandLine[i + 1] || !sameLetter(commandLine[i + 1], letter))
            continue;
        size_t d = i + 2;
        const bool negative = commandLine[d] == '-';
        if (negative)
            ++d;
        if (!isDigit(commandLine[d]))
            continue;
        uint32_t v = 0;
        while (isDigit(commandLine[d]))
            v = v * 10 + static_cast<uint32_t>(commandLine[d++] - '0');
        removeRange(commandLine, i, d);
        return static_cast<int32_t>(negative ? 0u - v : v);
    }
    return defaultValue;
}

VEXAPI int GetSwitch(char *commandLine, char letter)
{
    if (!commandLine)
        return 0;
    FileSlashesHidden hidden(commandLine);
    for (size_t i = 0; commandLine[i]; ++i) {
        if (commandLine[i] != '/' || !commandLine[i + 1] || !sameLetter(commandLine[i + 1], letter))
            continue;
        if (static_cast<signed char>(commandLine[i + 2]) >= '0')
            continue;
        removeRange(commandLine, i, i + 2);
        return 1;
    }
    return 0;
}

VEXAPI int GetSwitchStrN(char *commandLine, char letter, char *destination, size_t size, const char *defaultValue)
{
    size_t at = 0, vs = 0, ve = 0, end = 0;
    FileSlashesHidden hidden(commandLine);
    const bool found = commandLine && findStringSwitch(commandLine, letter, at, vs, ve, end);
    if (destination && size > 0) {
        const char *src = found ? commandLine + vs : (defaultValue ? defaultValue : "");
        size_t len = found ? ve - vs : std::strlen(src);
        if (len > size - 1)
            len = size - 1;
        std::memmove(destination, src, len);
        destination[len] = '\0';
        for (size_t i = 0; i < len; ++i)
            if (destination[i] == kHiddenSlash)
                destination[i] = '/';
    }
    if (found)
        removeRange(commandLine, at, end);
    return found ? 1 : 0;
}

VEXAPI int GetSwitchStr(char *commandLine, char letter, char *destination, const char *defaultValue)
{
    // The value is never longer than the line (nor the default, by contract).
    size_t room = SIZE_MAX;
    if (commandLine && defaultValue) {
        const size_t a = std::strlen(commandLine), b = std::strlen(defaultValue);
        room = (a > b ? a : b) + 1;
    } else if (commandLine) {
        room = std::strlen(commandLine) + 1;
    } else if (defaultValue) {
        room = std::strlen(defaultValue) + 1;
    } else {
        room = 1;
    }
    return GetSwitchStrN(commandLine, letter, destination, room, defaultValue);
}

} // extern "C"

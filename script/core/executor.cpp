// RunScriptFile: reading a script file into command records, and the
// executor loop that runs them (labels, jumps, several commands per line,
// the trace file).
#include "platform/platform.h"
#include "platform/text.h"
#include "script/core/commands.h"
#include "script/core/interp.h"

#include <cstring>
#include <ctime>

namespace zscript {

namespace {

using zorb::platform::IsBlank;
using zorb::platform::ToUpper;
using zorb::platform::UpperCase;

constexpr size_t kLineBuffer = kTextMax + 1;

// Counts one command against the step limit. Once the limit is used up every
// further command ends the run again: a GOTO or IF that resets the control
// flag after the first end must not turn the limit back into "no limit".
void CountStep(Interp &in)
{
    if (in.stepLimit == 0)
        return;
    if (--in.stepLimit == 0) {
        in.stepLimit = 1;
        in.control = CTRL_END_ALL;
    }
}

void Unindent(Interp &in)
{
    in.indent.resize(in.indent.size() >= 2 ? in.indent.size() - 2 : 0);
}

void TraceHead(Interp &in, const char *prefix)
{
    std::string t = in.indent;
    t += prefix;
    t += std::to_string(in.lineNumber);
    t += ":      ";
    t += LineBuffer(in);
    TraceWrite(in, t);
}

// The word at the start (or, with last, the end) of a text, upper-cased.
std::string EdgeWord(std::string_view text, bool last)
{
    size_t a = 0, b = text.size();
    while (a < b && IsBlank(text[a]))
        ++a;
    while (b > a && IsBlank(text[b - 1]))
        --b;
    size_t i = last ? b : a;
    if (last)
        while (i > a && !IsBlank(text[i - 1]))
            --i;
    else
        while (i < b && !IsBlank(text[i]))
            ++i;
    std::string word(last ? text.substr(i, b - i) : text.substr(a, i - a));
    UpperCase(word);
    return word;
}

// A line whose command is TEXTBEGIN (also as the command of an IF) keeps the
// lines that follow as text, up to a line whose first word is TEXTEND.
bool StartsTextBlock(const char *keyword, const char *params)
{
    if (std::strcmp(keyword, "TEXTBEGIN") == 0)
        return true;
    return (std::strcmp(keyword, "IF") == 0 || std::strcmp(keyword, "IFSET") == 0) &&
           EdgeWord(params, true) == "TEXTBEGIN";
}

// Compiles the lines of one file; labels go to the label table.
void Compile(Interp &in, const std::vector<std::string> &lines, CompiledFile &out)
{
    char text[kLineBuffer];
    char keyword[kLineBuffer];
    uint32_t number = 1;
    for (size_t index = 0; index < lines.size(); ++index) {
        const std::string &source = lines[index];
        Service(in);
        in.lineNumber = number++;
        std::memcpy(text, source.c_str(), source.size() + 1);
        TrimL(text);
        if (text[0] == '\0' || text[0] == '#')
            continue;
        if (text[0] == ':') {
            if (char *hash = std::strchr(text, '#'))
                *hash = '\0';
            Trim(text);
            UpperCase(text);
            if (in.labels.size() >= kMaxLabels)
                ScriptError(in, "  Too many labels.");
            in.labels.push_back({std::string(text + 1), static_cast<uint32_t>(out.records.size())});
            out.labelIndex.insert_or_assign(in.labels.back().name, static_cast<uint32_t>(in.labels.size() - 1));
            continue;
        }
        GetAndRemoveFirst(keyword, text);
        UpperCase(keyword);
        const int k = FindKeyword(keyword);
        if (k < 0) {
            std::string line = keyword;
            line += ' ';
            line += text;
            ScriptError(in, "  Bad script command:\r\n    ", line, "\r\n");
        }
        out.records.push_back({in.lineNumber, static_cast<uint8_t>(k), static_cast<uint32_t>(out.pool.size()),
                               static_cast<uint32_t>(std::strlen(text))});
        out.pool += text;
        out.pool += '\0';
        if (StartsTextBlock(keyword, text)) {
            TextBlock &block = out.textBlocks[static_cast<uint32_t>(out.records.size() - 1)];
            while (!block.ended && index + 1 < lines.size()) {
                ++number;
                const std::string &line = lines[++index];
                block.ended = EdgeWord(line, false) == "TEXTEND";
                if (!block.ended)
                    block.lines.push_back(line);
            }
        }
    }
}

// Runs the line buffer as a command line (after ";", IF, INTERPRET).
// Returns false when the line is empty or a comment.
bool ExecuteLine(Interp &in)
{
    // A tail of the file's text is looked at where it stands.
    const std::string_view line = in.lineLazy && !in.lineHead ? in.lineTail : std::string_view(LineBuffer(in));
    if (line.empty() || line[0] == '#')
        return false;
    int k = -1;
    LineCache *cache = in.file && in.linePoolAt != UINT32_MAX && !in.plain ? &in.file->cache : nullptr;
    if (cache) {
        if (cache->commandAt.empty())
            cache->commandAt.assign(in.file->pool.size(), 0);
        if (in.linePoolAt < cache->commandAt.size() && cache->commandAt[in.linePoolAt] != 0) {
            const LineCommand &command = cache->commands[cache->commandAt[in.linePoolAt] - 1];
            k = command.keyword;
            SetPoolParams(in, command.params, command.length);
        }
    }
    if (k < 0) {
        char keyword[kLineBuffer];
        const size_t n = std::min(line.size(), kTextMax);
        // The keyword is the first word (as GetAndRemoveFirst takes it; that
        // call itself only for the rare comma after the word and its blanks).
        size_t word = 0;
        while (word < n && !IsBlank(line[word]))
            ++word;
        size_t rest = word;
        while (rest < n && IsBlank(line[rest]))
            ++rest;
        const bool comma = rest < n && line[rest] == ',';
        if (comma) {
            char text[kLineBuffer];
            std::memcpy(text, line.data(), n);
            text[n] = '\0';
            GetAndRemoveFirst(keyword, text);
            SetParams(in, text);
        } else {
            std::memcpy(keyword, line.data(), word);
            keyword[word] = '\0';
            SetParams(in, line.substr(rest, n - rest));
        }
        UpperCase(keyword);
        k = FindKeyword(keyword);
        if (k < 0)
            CommandError(in, "  Bad script command:\r\n    ");
        if (cache && !comma && n == line.size()) {
            // The parameters are read from the file's text from now on.
            const LineCommand command{k, in.linePoolAt + static_cast<uint32_t>(rest), static_cast<uint32_t>(n - rest)};
            if (in.linePoolAt < cache->commandAt.size()) {
                cache->commands.push_back(command);
                cache->commandAt[in.linePoolAt] = static_cast<uint32_t>(cache->commands.size());
            }
            SetPoolParams(in, command.params, command.length);
        }
    }
    CountStep(in);
    if (Tracing(in))
        TraceHead(in, " -> ");
    kKeywords[k].handler(in);
    if (Tracing(in))
        TraceWrite(in, "\r\n");
    return true;
}

// The executor loop over the records of one file.
void Execute(Interp &in, const CompiledFile &file, const std::string &startLabel)
{
    if (in.returnDepth >= kReturnDepth)
        ScriptError(in, "  Too many GOSUBs.");
    const auto end = static_cast<uint32_t>(file.records.size());
    in.fileDepthBase = in.returnDepth;
    in.returnStack[in.returnDepth++] = end;
    in.file = &file;
    in.position = 0;
    in.end = end;
    bool pendingLabel = !startLabel.empty();
    while (in.position < in.end && in.control != CTRL_END_ALL) {
        if (pendingLabel) {
            pendingLabel = false;
            JumpToLabel(in, startLabel);
            continue;
        }
        CountStep(in);
        const Record &r = file.records[in.position++];
        in.lineNumber = r.line;
        // Both views from the same locals (reading one back just after
        // writing it would stall the store).
        const char *text = file.pool.data() + r.text;
        in.params = std::string_view(text, r.length);
        in.pos = 0;
        in.poolParams = in.plain ? nullptr : text;
        in.poolBase = r.text;
        in.lineHead = kKeywords[r.keyword].name;
        in.lineTail = std::string_view(text, r.length);
        in.lineLazy = true;
        if (Tracing(in))
            TraceHead(in, "");
        kKeywords[r.keyword].handler(in);
        if (Tracing(in))
            TraceWrite(in, "\r\n");
        for (;;) {
            Service(in);
            while (in.autopause && in.host->HasWindow() && !in.host->WindowHasFocus()) {
                PlatformSleepMs(1);
                in.host->Pump();
            }
            if (in.control == CTRL_EXECUTE_LINE) {
                in.control = CTRL_NONE;
            } else if (in.control == CTRL_LEAVE_SCRIPT) {
                in.control = CTRL_NONE;
                return;
            } else if (in.control == CTRL_END_ALL) {
                return;
            } else {
                SkipBlanks(in);
                if (in.pos < in.params.size() && in.params[in.pos] == ';') {
                    std::string_view tail = in.params.substr(in.pos + 1, kTextMax);
                    while (!tail.empty() && IsBlank(tail.front()))
                        tail.remove_prefix(1);
                    SetLineFrom(in, tail, true);
                } else if (ParamsDone(in)) {
                    break;
                } else {
                    CommandError(in, "  Bad script command:\r\n    ");
                }
            }
            if (!ExecuteLine(in))
                break;
        }
    }
}

} // namespace

const std::string &LineBuffer(Interp &in)
{
    if (in.lineLazy) {
        if (in.lineHead) {
            in.line.assign(in.lineHead);
            in.line += ' ';
        } else {
            in.line.clear();
        }
        in.line += in.lineTail;
        in.lineLazy = false;
    }
    return in.line;
}

void SetLine(Interp &in, std::string_view text)
{
    in.line.assign(text);
    in.lineLazy = false;
    in.linePoolAt = UINT32_MAX;
}

void SetLineFrom(Interp &in, std::string_view text, bool trimEnd)
{
    // A line cut at the end is not a whole tail of the file's text and is
    // not remembered as one.
    size_t n = text.size();
    while (trimEnd && n > 0 && IsBlank(text[n - 1]))
        --n;
    uint32_t at = 0;
    if (n == text.size() && PoolTail(in, text, at)) {
        // Stays where it is in the file's text until something reads the line buffer.
        in.lineHead = nullptr;
        in.lineTail = text;
        in.lineLazy = true;
        in.linePoolAt = at;
        return;
    }
    SetLine(in, text.substr(0, n));
}

void SetParams(Interp &in, std::string_view text)
{
    in.paramStore.assign(text);
    in.params = in.paramStore;
    in.pos = 0;
    in.poolParams = nullptr;
}

void SetPoolParams(Interp &in, uint32_t offset, uint32_t length)
{
    const char *text = in.file->pool.data() + offset;
    in.params = std::string_view(text, length);
    in.pos = 0;
    in.poolParams = text;
    in.poolBase = offset;
}

void TraceWrite(Interp &in, std::string_view text)
{
    if (Tracing(in))
        VEXFilePut(in.slots[in.debugFile], text.data(), static_cast<uint32_t>(text.size()));
}

void Service(Interp &in)
{
    CheckInterrupt();
    // Pumping between commands is paced by time: with a window the pump runs
    // on every tick of the coarse clock (a few milliseconds), without one
    // every 10 ms. The clock itself is read every 16th call, a few
    // microseconds of commands at most.
    if (++in.serviceCalls % 16 != 0)
        return;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    const auto ms = static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u +
                                          static_cast<uint64_t>(now.tv_nsec) / 1000000u);
    if (ms == in.lastPump || (ms - in.lastPump < 10 && !(in.host && in.host->HasWindow())))
        return;
    in.lastPump = ms;
    if (in.host)
        in.host->Pump();
    ReapChildren(in);
}

std::vector<std::string> SplitScriptLines(std::string_view text)
{
    std::vector<std::string> lines;
    size_t i = 0;
    while (i < text.size()) {
        size_t j = i;
        while (j < text.size() && j - i < kTextMax) {
            if (text[j++] == '\n')
                break;
        }
        std::string line(text.substr(i, j - i));
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        const size_t nul = line.find('\0');
        if (nul != std::string::npos)
            line.resize(nul);
        lines.push_back(std::move(line));
        i = j;
    }
    return lines;
}

int FindLabel(Interp &in, std::string_view name)
{
    if (in.file && !in.plain) { // the running file's labels, by name (a name in the file's text is looked up once)
        const std::string &pool = in.file->pool;
        std::vector<LabelMemo> &memo = in.file->cache.labelAt;
        size_t at = SIZE_MAX;
        if (!name.empty() && name.data() >= pool.data() && name.data() < pool.data() + pool.size()) {
            at = static_cast<size_t>(name.data() - pool.data());
            if (memo.empty())
                memo.assign(pool.size(), LabelMemo{});
            if (memo[at].length == name.size() + 1)
                return memo[at].label;
        }
        const auto it = in.file->labelIndex.find(name);
        int found = -1;
        if (it != in.file->labelIndex.end() && it->second >= in.labelBase && it->second < in.labels.size())
            found = static_cast<int>(it->second);
        if (at != SIZE_MAX)
            memo[at] = {found, static_cast<uint32_t>(name.size() + 1)};
        return found;
    }
    // Labels are stored in upper case; the name is compared as if it were.
    for (size_t i = in.labels.size(); i > in.labelBase; --i) {
        const std::string &label = in.labels[i - 1].name;
        if (label.size() != name.size())
            continue;
        size_t k = 0;
        while (k < name.size()) {
            if (ToUpper(name[k]) != label[k])
                break;
            ++k;
        }
        if (k == name.size())
            return static_cast<int>(i - 1);
    }
    return -1;
}

void JumpToLabel(Interp &in, std::string_view name)
{
    const int i = FindLabel(in, name);
    if (i < 0) {
        std::string upper(name);
        UpperCase(upper);
        ScriptError(in, "  Label not found:\r\n    ", upper, "\r\n");
    }
    in.position = in.labels[static_cast<size_t>(i)].position;
    if (Tracing(in))
        TraceWrite(in, "\r\n");
}

void RunScriptText(Interp &in, const std::string &name, std::string_view text, const std::string &label)
{
    // The caller's state, restored when this file finishes.
    const size_t labelBase = in.labelBase;
    const uint32_t depth = in.returnDepth, depthBase = in.fileDepthBase;
    const uint32_t position = in.position, end = in.end;
    const CompiledFile *callerFile = in.file;

    in.indent += "  ";
    in.scriptName = name;
    in.labelBase = in.labels.size();
    CompiledFile file;
    Compile(in, SplitScriptLines(text), file);
    file.cache.tokenAt.assign(file.pool.size() + 1, 0);
    Execute(in, file, label);

    in.labels.resize(in.labelBase);
    in.labelBase = labelBase;
    in.returnDepth = depth;
    in.fileDepthBase = depthBase;
    in.position = position;
    in.end = end;
    in.file = callerFile;
    in.poolParams = nullptr; // this file's text is gone
    if (Tracing(in))
        TraceWrite(in, "\r\n");
    Unindent(in);
}

bool RunScriptFile(Interp &in, const std::string &nameIn, const std::string &label, std::string *tried)
{
    std::string name = nameIn;
    if (!HasExtension(name.c_str()))
        name += ".zs";
    if (tried)
        *tried = name;
    if (in.sandbox)
        return false;
    const uint8_t slot = OpenFileSlot(in, name, 0);
    if (slot == kNoSlot)
        return false;
    std::string text(VEXFileSize(in.slots[slot]), '\0');
    text.resize(VEXFileGet(in.slots[slot], text.data(), static_cast<uint32_t>(text.size())));
    CloseFileSlot(in, slot);
    RunScriptText(in, name, text, label);
    return true;
}

} // namespace zscript

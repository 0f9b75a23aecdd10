// Internal: the interpreter's state and the calls its parts share. One
// instance per run; every command handler works on it.
#ifndef ZORB_SCRIPT_CORE_INTERP_H
#define ZORB_SCRIPT_CORE_INTERP_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "codec/zorb.h"
#include "platform/text.h"
#include "script/core/bitmap_store.h"
#include "script/core/font.h"
#include "script/core/host.h"
#include "script/core/input.h"
#include "vexutil/vexutil.h"

namespace zscript {

enum Token : uint8_t {
    TOKEN_STRING = 0,
    TOKEN_NUMBER = 1,
    TOKEN_NAME = 2,
    TOKEN_COMPARE = 3,
    TOKEN_OPERATOR = 4,
    TOKEN_NONE = 255
};

enum Control : uint8_t { CTRL_NONE = 0, CTRL_EXECUTE_LINE = 1, CTRL_LEAVE_SCRIPT = 2, CTRL_END_ALL = 3 };

constexpr size_t kTextMax = 767;      // longest line, parameter text or string value
constexpr size_t kStoreLimit = 32768; // variable store bytes
constexpr size_t kPushLimit = 8188;   // VARPUSH stack bytes
constexpr size_t kMaxLabels = 512;
constexpr uint32_t kReturnDepth = 64;
constexpr int kFileSlots = 64;
constexpr uint8_t kNoSlot = 255;
constexpr int kKeywordCount = 188;

struct Interp;
using Handler = void (*)(Interp &);

struct Keyword {
    const char *name;
    Handler handler;
};
extern const Keyword kKeywords[kKeywordCount];
int FindKeyword(const char *candidate); // upper-cases nothing; -1 when unknown

// Names of variables and labels are matched without regard to the case of
// a-z (they are stored upper-cased): hash and equality over folded bytes,
// usable with string_view keys.
struct FoldHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const noexcept
    {
        uint64_t h = 14695981039346656037ull;
        for (char c : s)
            h = (h ^ static_cast<unsigned char>(zorb::platform::ToUpper(c))) * 1099511628211ull;
        return static_cast<size_t>(h);
    }
};
struct FoldEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept
    {
        if (a.size() != b.size())
            return false;
        for (size_t i = 0; i < a.size(); ++i)
            if (zorb::platform::ToUpper(a[i]) != zorb::platform::ToUpper(b[i]))
                return false;
        return true;
    }
};
template <typename T>
using FoldMap = std::unordered_map<std::string, T, FoldHash, FoldEqual>;

// The variable store: the variables in store order (a new one at the end,
// a deleted one leaves its place, a changed one keeps it) with an index by
// name. Its size is counted as the text form 0xFF NAME 0xFE VALUE per
// variable, which the limit applies to.
struct VariableStore {
    // A variable. Its value is kept with what it reads as a number; a value
    // set as a number (COMPUTE) is written as text only when it is read as
    // text, so a counter is neither re-parsed nor re-printed.
    class Entry {
    public:
        std::string name; // upper case
        bool live = true;

        std::string_view Text() const // the value
        {
            if (stale_)
                WriteText();
            return text_;
        }
        size_t TextSize() const; // the value's length, without writing it
        bool Numeric() const { return numeric_; }
        int32_t Number() const { return number_; } // when Numeric()
        void SetText(std::string_view text);       // text may be a part of this value
        void SetNumber(int32_t number);
        void Clear();

    private:
        void WriteText() const;
        mutable std::string text_;
        mutable bool stale_ = false; // text_ is behind number_
        bool numeric_ = false;       // IsNumber(value)
        int32_t number_ = 0;
    };
    std::vector<Entry> entries;
    FoldMap<uint32_t> index; // name -> entry
    size_t bytes = 0;        // size of the text form
    size_t dead = 0;         // deleted entries not yet compacted
    // Changes whenever a name gains or loses its entry or entries move (a
    // variable added, deleted, the store compacted); a name found at one
    // generation is at the same entry while it lasts.
    uint64_t generation = 1;
};

// One compiled command.
struct Record {
    uint32_t line;
    uint8_t keyword;
    uint32_t text; // offset of the parameter text in the file's text pool
    uint32_t length;
};

// What reading a script line once keeps, by offset in the file's text pool:
// the token read from there (lexed once, evaluated on every read) and the
// command of a line run after ";" or IF (its keyword found once). Offsets
// are counted from the read position (texts are at most 767 characters).
struct CachedToken {
    uint16_t start = 0, length = 0,
             next = 0;         // the token's text (a quoted string without its quotes), the next read position
    uint8_t kind = TOKEN_NONE; // TOKEN_STRING (quoted), TOKEN_COMPARE, TOKEN_OPERATOR, TOKEN_NAME (a word)
    uint8_t flags = 0;
    static constexpr uint8_t kPercent = 1;  // a quoted string with "%" (expanded on every read)
    static constexpr uint8_t kNumber = 2;   // a word that is a number as written
    static constexpr uint8_t kVariable = 4; // a word that names a variable (begins with a letter)
    int32_t number = 0;                     // kNumber: its value
    uint32_t entry = 0;                     // kVariable: its store entry + 1 (0: undefined) ...
    uint64_t generation = 0;                // ... as found at this store generation (0: not looked up)
};
struct LineCommand {
    int keyword;
    uint32_t params, length; // the parameter text in the pool
};
struct LabelMemo {
    int32_t label = -1;  // what FindLabel found (-1: none)
    uint32_t length = 0; // length of the name + 1, 0: not looked up yet
};
struct LineCache {
    std::vector<uint32_t> tokenAt; // by the pool offset a token is read from: index + 1 in tokens
    std::vector<CachedToken> tokens;
    std::vector<LabelMemo> labelAt;  // by the pool offset of a label name
    std::vector<uint32_t> commandAt; // pool offset of a command line -> index + 1 in commands
    std::vector<LineCommand> commands;
};

struct Label {
    std::string name;
    uint32_t position;
};

// The lines after a TEXTBEGIN line, kept as text up to its TEXTEND line.
struct TextBlock {
    std::vector<std::string> lines;
    bool ended = false; // a TEXTEND line closed it (else the file's end did)
};

// What RunScriptFile compiles a file into.
struct CompiledFile {
    std::vector<Record> records;
    std::string pool;                         // NUL-terminated parameter texts back to back
    std::map<uint32_t, TextBlock> textBlocks; // by the index of the record that starts them
    FoldMap<uint32_t> labelIndex;             // label name -> its entry in the label table (the last one)
    mutable LineCache cache;                  // tokens and commands, read once
};

// Escapes from a ScriptError to the main routine (the report is made already).
struct ScriptAbort {};
// Escapes from a run a signal ended (SIGINT, SIGTERM, SIGHUP).
struct ScriptInterrupt {
    int signal;
};

// ---- interrupts (interrupt.cpp) ---------------------------------------------------------
void InstallInterruptHandlers();
int PendingInterrupt();  // the signal received, 0 when none
void CheckInterrupt();   // throws ScriptInterrupt when a signal came
void InterruptHandled(); // the run has unwound: the watchdog stands down

// The screen and text state of the script's window.
struct Screen {
    bool open = false;
    ScreenSurface surface;
    int32_t originX = 0, originY = 0;
    int32_t windowX = -1, windowY = -1;
    uint32_t flags = 0x2000;
    std::string title = "ZorbScript";
    uint8_t palette[768] = {};
    bool locks[256] = {};
    uint32_t paletteVersion = 0;
    int32_t fadeMs = 15;
    uint8_t textColour = 7, backColour = 0, transColour = 128;
    int32_t cursorX = 0, cursorY = 0;
    Font font;
    TextColours Colours() const { return {textColour, backColour, transColour}; }
};

// An animation slot (3000 + index): the open file and where it decodes to.
struct AnimationSlot {
    ZorbHandle *handle = nullptr;
    std::string name;                // base name of the file
    bool advancePending = false;     // the last frame stays current until the next advance
    int32_t targetBitmap = -1;       // bitmap slot the frames go to, -1: the screen
    const uint8_t *output = nullptr; // the pixels the decoder writes (checked before every decode)
    size_t outputBytes = 0;
};
constexpr int kAnimationSlots = 32;

struct Interp {
    Host *host = nullptr;
    bool sandbox = false;   // file and program commands refused, no waiting (fuzzing)
    uint64_t stepLimit = 0; // commands to run before the run ends (0: no limit)
    bool plain = false; // nothing kept from one reading to the next: the reference the kept forms are checked against

    // Buffers of the running command. The line buffer is only composed when
    // something reads it (LineBuffer): until then it is lineHead (a keyword,
    // then a space) and lineTail, a view of the running file's text.
    std::string line;                 // keyword, a space, the parameters
    bool lineLazy = false;            // line is lineHead + lineTail, not composed yet
    const char *lineHead = nullptr;   // the record's keyword, or none
    std::string_view lineTail;        // the record's parameters, or a tail of them (after ";" or IF)
    uint32_t linePoolAt = UINT32_MAX; // where the line stands in the running file's text pool, if it does
    std::string_view params;          // the parameters not yet consumed: params.substr(pos)
    std::string paramStore;           // what params views when it is not a record's text
    size_t pos = 0;
    // While params.data() is poolParams, the parameters are the running
    // file's text from pool offset poolBase, and tokens are read from its cache.
    const char *poolParams = nullptr;
    uint32_t poolBase = 0;
    std::string tok[3]; // token work buffers

    uint32_t lineNumber = 0;
    std::string scriptName;
    uint8_t control = CTRL_NONE;

    // Labels, return stack and the per-file execution state.
    std::vector<Label> labels;
    size_t labelBase = 0;
    uint32_t returnStack[kReturnDepth] = {};
    uint32_t returnDepth = 0;
    uint32_t fileDepthBase = 0; // return depth when the running file started
    uint32_t position = 0;
    uint32_t end = 0;
    const CompiledFile *file = nullptr;

    // Variables.
    VariableStore store;
    std::string pushStack;          // 0xFF 0xFF 0xFF frame marks, 0xFF NAME 0xFF VALUE entries
    std::vector<size_t> pushFrames; // offset of each frame mark

    // Files.
    VEXFILE *slots[kFileSlots] = {};
    uint8_t debugFile = kNoSlot;
    uint8_t printSlot = kNoSlot;
    std::string printSpool; // spool file of a print job meant for the printer
    std::string indent;     // trace indentation

    // File search state (FILEFIND / FILEFINDNEXT).
    std::vector<std::string> found;
    size_t foundNext = 0;
    std::string foundDir;

    bool autopause = false;
    Screen screen;
    BitmapStore bitmaps;
    InputState input;
    AnimationSlot animations[kAnimationSlots];
    uint32_t trackSelection = 0; // ZORB_OPEN_TRACK bits added to every animation open
    uint32_t seed = 0;
    std::string commandLine;    // what follows the script name
    std::vector<long> children; // started programs not yet reaped

    // Pumping between commands, throttled by time.
    uint32_t lastPump = 0;
    uint32_t serviceCalls = 0; // Service reads the clock on every 16th call
};

// ---- errors (errors.cpp) --------------------------------------------------------------
[[noreturn]] void ScriptError(Interp &in, std::string_view message, std::string_view detail = {},
                              std::string_view tail = {});
// The usual form: message, the line buffer, "\r\n".
[[noreturn]] void CommandError(Interp &in, std::string_view message);
void CloseAllSlots(Interp &in);

// ---- command buffers (executor.cpp) -----------------------------------------------------
const std::string &LineBuffer(Interp &in);
void SetLine(Interp &in, std::string_view text);
void SetParams(Interp &in, std::string_view text);
// The parameters are the running file's text at the offset (read through its token cache).
void SetPoolParams(Interp &in, uint32_t offset, uint32_t length);
// The line buffer becomes the text (a tail of the parameters; with trimEnd
// without blanks at its end), remembered as a place in the file's text when
// it is one.
void SetLineFrom(Interp &in, std::string_view text, bool trimEnd);
// Offset of a view in the running file's text pool when the view runs to the
// end of one of its texts; false otherwise.
inline bool PoolTail(const Interp &in, std::string_view text, uint32_t &offset)
{
    if (!in.file || text.empty())
        return false;
    const std::string &pool = in.file->pool;
    const char *base = pool.data();
    if (text.data() < base || text.data() >= base + pool.size())
        return false;
    const auto at = static_cast<size_t>(text.data() - base);
    if (at + text.size() >= pool.size() || base[at + text.size()] != '\0')
        return false;
    offset = static_cast<uint32_t>(at);
    return true;
}

// ---- lexer (lexer.cpp) -----------------------------------------------------------------
// A token as read: its kind (as ReadToken returns it), its text (into the
// parameters, the variable store or scratch; valid until the store or
// scratch changes) and, for TOKEN_NUMBER, its value. A word read from the
// running file's text keeps its place in the token cache (token), through
// which the variable it names is found without a search.
struct Operand {
    uint8_t kind = TOKEN_NONE;
    std::string_view text;
    int32_t number = 0;
    uint32_t token = 0;    // index + 1 in the running file's token cache, 0: none
    uint32_t textless = 0; // a number read without its text: its store entry + 1 (OperandText)
};
Operand ReadOperand(Interp &in, std::string &scratch, bool evaluate);
std::string_view OperandText(const Interp &in, const Operand &o);
// The halves of ReadOperand (below) that are not the common case: a token
// not read from the file's text before or parameters that are not a file's
// text; a quoted string's %NAME% references.
Operand ReadOperandFirst(Interp &in, std::string &scratch, bool evaluate, bool needText);
void ExpandOperand(Interp &in, Operand &o, std::string &scratch);
// The entry of the variable a word names (-1 when undefined); through the
// token cache when the word was read from the running file's text.
int64_t VariableEntry(Interp &in, const Operand &word);

// A variable's value as a word reads it (at: its entry, -1 when undefined,
// which reads as the empty text).
[[gnu::always_inline]] inline void VariableValue(const Interp &in, Operand &o, int64_t at, bool needText)
{
    if (at < 0) {
        o.text = {};
        o.kind = TOKEN_STRING;
        return;
    }
    const VariableStore::Entry &e = in.store.entries[static_cast<size_t>(at)];
    if (!e.Numeric()) {
        o.kind = TOKEN_STRING;
        o.text = e.Text();
        return;
    }
    o.kind = TOKEN_NUMBER;
    o.number = e.Number();
    if (needText) {
        o.text = e.Text();
    } else {
        o.text = {};
        o.textless = static_cast<uint32_t>(at + 1);
    }
}

// The token at the read position as the running file's token cache keeps it
// (index + 1 in the cache), evaluated.
[[gnu::always_inline]] inline Operand ReadCachedOperand(Interp &in, uint32_t index, std::string &scratch, bool evaluate,
                                                        bool needText)
{
    CachedToken &c = in.file->cache.tokens[index - 1];
    Operand o;
    if (c.kind == TOKEN_NONE) {
        in.params = {};
        in.pos = 0;
        return o;
    }
    o.text = std::string_view(in.params.data() + in.pos + c.start, c.length);
    o.kind = c.kind;
    in.pos += c.next;
    if (c.kind == TOKEN_NAME) {
        o.token = index;
        if (!evaluate)
            return o;
        if (c.flags & CachedToken::kVariable) {
            // The variable's entry as found at this store generation.
            if (c.generation != in.store.generation)
                VariableEntry(in, o);
            VariableValue(in, o, static_cast<int64_t>(c.entry) - 1, needText);
        } else {
            o.kind = (c.flags & CachedToken::kNumber) ? TOKEN_NUMBER : TOKEN_STRING;
            o.number = c.number;
        }
    } else if (c.flags & CachedToken::kPercent) {
        ExpandOperand(in, o, scratch);
    }
    return o;
}

// The next token. With needText false a variable's number comes without its
// text, which OperandText gives when it is wanted after all (before the
// store changes).
[[gnu::always_inline]] inline Operand ReadOperand(Interp &in, std::string &scratch, bool evaluate, bool needText)
{
    const char *params = in.params.data();
    if (params != nullptr && params == in.poolParams) {
        const uint32_t index = in.file->cache.tokenAt[in.poolBase + in.pos];
        if (index != 0)
            return ReadCachedOperand(in, index, scratch, evaluate, needText);
    }
    return ReadOperandFirst(in, scratch, evaluate, needText);
}
uint8_t ReadToken(Interp &in, std::string &dest, bool evaluate);
// The same token as a view: into the parameters, the variable store or
// scratch (quoted strings). Valid until the store or scratch changes.
uint8_t ReadTokenView(Interp &in, std::string_view &out, std::string &scratch, bool evaluate);
void ExpandVariables(Interp &in, std::string_view text, std::string &dest);
// A number: one leading blank (platform/text.h) may stand first, then
// an optional "-" and only digits (a lone "-" counts; the empty text not).
inline bool IsNumber(std::string_view text)
{
    if (text.empty())
        return false;
    size_t i = zorb::platform::IsBlank(text[0]) ? 1 : 0;
    if (i < text.size() && text[i] == '-')
        ++i;
    for (; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9')
            return false;
    return true;
}

// The value of a number text: leading blanks skipped, an optional sign,
// digits up to the first other character, wrapping at 32 bits.
inline int32_t ToNumber(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && zorb::platform::IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10u + static_cast<uint32_t>(text[i] - '0');
    return static_cast<int32_t>(negative ? 0u - value : value);
}
// The four readings; each raises the reading's error when the token does not fit.
std::string &ReadName(Interp &in, int buffer = 0);
int32_t ReadNumber(Interp &in, int buffer = 0);
Operand ReadNameOperand(Interp &in);                  // the name reading, without a copy
Operand ReadValueOperand(Interp &in, int buffer = 0); // a number's text may be left out (OperandText)
std::string &ReadValue(Interp &in, int buffer = 0);
std::string &ReadText(Interp &in, int buffer = 0);
std::string_view ReadValueView(Interp &in, int buffer = 0);
std::string_view ReadTextView(Interp &in, int buffer = 0);
void SkipBlanks(Interp &in);       // removes leading blanks from the parameter buffer
bool ParamsDone(const Interp &in); // empty, or at ";" or "#"

// ---- variables (variables.cpp) ---------------------------------------------------------
void NormalizeName(std::string &name);                              // trim and upper-case
std::string_view GetVariable(Interp &in, std::string &name);        // name normalised in place
std::string_view LookupVariable(Interp &in, std::string_view name); // a view into the store
// The variables in store order as NAME=VALUE lines (VARLIST).
std::vector<std::string> ListVariables(const Interp &in);
void SetVariable(Interp &in, std::string_view name, std::string_view value);
void SetVariableNumber(Interp &in, std::string_view name, int32_t value);
// The same on a name read with ReadNameOperand (its entry found through the token cache).
void SetVariableNumber(Interp &in, const Operand &name, int32_t value);
bool CompareValues(std::string_view left, std::string_view op, std::string_view right);
// The same on values as read (a number's value not parsed again).
bool CompareOperands(const Interp &in, const Operand &left, std::string_view op, const Operand &right);
void PushVariables(Interp &in, const std::vector<std::string> &names);
void PopVariables(Interp &in);

// ---- executor (executor.cpp) -----------------------------------------------------------
// tried, when given, receives the name actually opened (".zs" added).
bool RunScriptFile(Interp &in, const std::string &name, const std::string &label = {}, std::string *tried = nullptr);
// Compiles and runs text as a script file of the given name (the reading half
// without a file; used for fuzzing).
void RunScriptText(Interp &in, const std::string &name, std::string_view text, const std::string &label = {});
int FindLabel(Interp &in, std::string_view name);
void JumpToLabel(Interp &in, std::string_view name);
void TraceWrite(Interp &in, std::string_view text);
inline bool Tracing(const Interp &in)
{
    return in.debugFile != kNoSlot && in.slots[in.debugFile] != nullptr;
}
void Service(Interp &in); // window messages and sound, throttled by time
// Splits file text into lines as the line reader does (767 characters at most).
std::vector<std::string> SplitScriptLines(std::string_view text);

// ---- file slots (commands/file_slots.cpp) -----------------------------------------------
uint8_t OpenFileSlot(Interp &in, const std::string &name, int mode);
// Why a read-only open of the name fails ("no such file or directory", ...).
std::string OpenFailure(Interp &in, const std::string &name);
void CloseFileSlot(Interp &in, uint8_t slot);
uint8_t CheckFile(Interp &in, int32_t number); // raises "Bad file parameter"
// The name as it exists on disk: as written when it exists, else matched
// component by component without regard to case; backslashes become slashes.
std::string ResolveName(const std::string &name);
// The resolved name as a full path ("" when it does not fit).
std::string FullPath(const std::string &name);
void RefuseInSandbox(Interp &in);
void ReapChildren(Interp &in);
// A print job meant for the printer: handed to the spooler when its slot closes.
void FinishPrintJob(Interp &in); // started programs that ended

// Window check of the commands that need the display window.
void NeedWindow(Interp &in);
// Output of TEXT and the listing commands: the print file, else the text cursor.
void TextOut(Interp &in, std::string_view text, bool newline);

} // namespace zscript

#endif

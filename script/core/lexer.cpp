// The lexer: ReadToken, the expansion of %NAME% references in quoted strings,
// numbers, and the four ways commands read their parameters.
#include "script/core/interp.h"

namespace zscript {

namespace {

inline bool IsSeparator(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (u != 0 && u <= 32) || c == ',';
}

inline bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}
inline bool IsLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
inline bool IsSpaceOrControl(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u != 0 && u <= 32;
}

// A value that refers to itself would expand for ever; past this many
// replacements the text is left as it stands.
constexpr int kMaxExpansions = 256;

} // namespace

void ExpandVariables(Interp &in, std::string_view text, std::string &dest)
{
    if (text.find('%') == std::string_view::npos) {
        dest.assign(text.substr(0, kTextMax));
        return;
    }
    std::string w(text.substr(0, kTextMax));
    std::string name, pattern;
    int expansions = 0;
    size_t i = 0;
    while (expansions < kMaxExpansions) {
        while (i < w.size() && IsSpaceOrControl(w[i]))
            ++i;
        if (i >= w.size())
            break;
        size_t j = i;
        while (j < w.size() && !IsSpaceOrControl(w[j]))
            ++j;
        const std::string_view word(w.data() + i, j - i);
        i = j;
        if (word.size() <= 2)
            continue;
        const size_t a = word.find('%');
        if (a == std::string_view::npos)
            continue;
        size_t b = a + 1;
        while (b < word.size() && word[b] == '%')
            ++b;
        const size_t c = word.find('%', b);
        if (c == std::string_view::npos)
            continue;
        name.assign(word.substr(b, c - b));
        pattern = "%" + name + "%";
        const size_t at = w.find(pattern);
        if (at == std::string::npos)
            continue;
        const std::string value(GetVariable(in, name));
        w.replace(at, pattern.size(), value);
        if (w.size() > kTextMax)
            w.resize(kTextMax);
        ++expansions;
        i = 0;
    }
    dest = std::move(w);
}

namespace {

// A token as lexed: positions are offsets in the text lexed.
struct RawToken {
    uint32_t start = 0, length = 0; // the token's text (a quoted string without its quotes)
    uint32_t next = 0;              // where the next token starts
    uint8_t kind = TOKEN_NONE;      // TOKEN_STRING (quoted), TOKEN_COMPARE, TOKEN_OPERATOR, TOKEN_NAME (a word)
    bool percent = false;           // a quoted string with "%" (expanded on every read)
};

// The token that starts at `from` (after separators), by its lexical kind:
// TOKEN_STRING for a quoted string, TOKEN_NAME for a word, TOKEN_COMPARE,
// TOKEN_OPERATOR, or TOKEN_NONE at the end. Positions are offsets in s.
RawToken Lex(std::string_view s, size_t from)
{
    const size_t n = s.size();
    size_t i = from;
    while (i < n && IsSeparator(s[i]))
        ++i;
    RawToken t;
    if (i >= n)
        return t;
    const char p = s[i];
    const char next = i + 1 < n ? s[i + 1] : '\0';
    size_t start = i, stop;
    if (p == '"' || p == '\'') {
        const size_t close = s.find(p, i + 1);
        start = i + 1;
        stop = close == std::string_view::npos ? n : close;
        i = close == std::string_view::npos ? n : close + 1;
        t.kind = TOKEN_STRING;
        t.percent = s.substr(start, stop - start).find('%') != std::string_view::npos;
    } else if (p == '=' || p == '<' || p == '>' || (p == '@' && (next == '=' || next == '<' || next == '>'))) {
        size_t j = i;
        if (s[j] == '@')
            ++j;
        if (j < n && s[j] == '<')
            ++j;
        if (j < n && s[j] == '>')
            ++j;
        if (j < n && s[j] == '=')
            ++j;
        stop = i = j;
        t.kind = TOKEN_COMPARE;
    } else if (p == '*' || p == '/' || p == '+' || p == '|' || p == '^' || p == '%' || p == '&' ||
               (p == '-' && !IsDigit(next))) {
        stop = ++i;
        t.kind = TOKEN_OPERATOR;
    } else {
        size_t j = i;
        if (s[j] == '-')
            ++j;
        while (j < n && (IsLetter(s[j]) || IsDigit(s[j])))
            ++j;
        stop = i = j;
        t.kind = TOKEN_NAME;
    }
    while (i < n && IsSeparator(s[i]))
        ++i;
    t.start = static_cast<uint32_t>(start);
    t.length = static_cast<uint32_t>(stop - start);
    t.next = static_cast<uint32_t>(i);
    return t;
}

// A word read as a value: the variable it names or, when it does not begin
// with a letter, its own text.
void EvaluateWord(Interp &in, Operand &o, bool needText)
{
    if (!o.text.empty() && IsLetter(o.text[0])) {
        VariableValue(in, o, VariableEntry(in, o), needText);
        return;
    }
    const bool number = IsNumber(o.text);
    o.number = number ? ToNumber(o.text) : 0;
    o.kind = number ? TOKEN_NUMBER : TOKEN_STRING;
}

// The token read at the read position of parameters that are the running
// file's text, lexed and kept in the file's token cache; its index + 1.
[[gnu::noinline]] uint32_t CacheToken(Interp &in)
{
    LineCache &cache = in.file->cache;
    const RawToken t = Lex(in.params, in.pos);
    const auto from = static_cast<uint32_t>(in.pos);
    CachedToken k;
    if (t.kind != TOKEN_NONE) {
        k.start = static_cast<uint16_t>(t.start - from);
        k.length = static_cast<uint16_t>(t.length);
        k.next = static_cast<uint16_t>(t.next - from);
    }
    k.kind = t.kind;
    if (t.percent)
        k.flags |= CachedToken::kPercent;
    if (t.kind == TOKEN_NAME) {
        const std::string_view word = in.params.substr(t.start, t.length);
        if (!word.empty() && IsLetter(word[0])) {
            k.flags |= CachedToken::kVariable;
        } else if (IsNumber(word)) {
            k.flags |= CachedToken::kNumber;
            k.number = ToNumber(word);
        }
    }
    cache.tokens.push_back(k);
    const auto index = static_cast<uint32_t>(cache.tokens.size());
    cache.tokenAt[in.poolBase + in.pos] = index;
    return index;
}

// Parameters that are not a file's text (after INTERPRET, a CALL, the plain
// path): the token is lexed where it stands.
[[gnu::noinline]] Operand ReadLexed(Interp &in, std::string &scratch, bool evaluate, bool needText)
{
    Operand o;
    const RawToken t = Lex(in.params, in.pos);
    if (t.kind == TOKEN_NONE) {
        in.params = {};
        in.pos = 0;
        return o;
    }
    o.text = in.params.substr(t.start, t.length);
    o.kind = t.kind;
    in.pos = t.next;
    if (t.kind == TOKEN_NAME && evaluate)
        EvaluateWord(in, o, needText);
    else if (t.percent)
        ExpandOperand(in, o, scratch);
    return o;
}

} // namespace

Operand ReadOperand(Interp &in, std::string &scratch, bool evaluate)
{
    return ReadOperand(in, scratch, evaluate, true);
}

Operand ReadOperandFirst(Interp &in, std::string &scratch, bool evaluate, bool needText)
{
    const char *params = in.params.data();
    if (params != nullptr && params == in.poolParams)
        return ReadCachedOperand(in, CacheToken(in), scratch, evaluate, needText);
    return ReadLexed(in, scratch, evaluate, needText);
}

void ExpandOperand(Interp &in, Operand &o, std::string &scratch)
{
    ExpandVariables(in, o.text, scratch);
    o.text = scratch;
}

uint8_t ReadTokenView(Interp &in, std::string_view &out, std::string &scratch, bool evaluate)
{
    const Operand o = ReadOperand(in, scratch, evaluate, true);
    out = o.text;
    return o.kind;
}

uint8_t ReadToken(Interp &in, std::string &dest, bool evaluate)
{
    std::string_view view;
    const uint8_t kind = ReadTokenView(in, view, dest, evaluate);
    if (view.data() != dest.data() || view.size() != dest.size())
        dest.assign(view);
    return kind;
}

Operand ReadValueOperand(Interp &in, int buffer)
{
    const Operand o = ReadOperand(in, in.tok[buffer], true, false);
    if (o.kind == TOKEN_NONE)
        CommandError(in, "  Needed a parameter in command:\r\n    ");
    return o;
}

std::string_view ReadValueView(Interp &in, int buffer)
{
    const Operand o = ReadOperand(in, in.tok[buffer], true, true);
    if (o.kind == TOKEN_NONE)
        CommandError(in, "  Needed a parameter in command:\r\n    ");
    return o.text;
}

std::string_view ReadTextView(Interp &in, int buffer)
{
    const Operand o = ReadOperand(in, in.tok[buffer], true, true);
    if (o.kind == TOKEN_NONE || o.text.empty())
        CommandError(in, "  Needed a non-empty parameter in command:\r\n    ");
    return o.text;
}

std::string &ReadName(Interp &in, int buffer)
{
    std::string &t = in.tok[buffer];
    if (ReadToken(in, t, false) != TOKEN_NAME)
        CommandError(in, "  Needed a variable in command:\r\n    ");
    return t;
}

int32_t ReadNumber(Interp &in, int buffer)
{
    const Operand o = ReadOperand(in, in.tok[buffer], true, false);
    if (o.kind != TOKEN_NUMBER)
        CommandError(in, "  Needed a number in command:\r\n    ");
    return o.number;
}

Operand ReadNameOperand(Interp &in)
{
    const Operand o = ReadOperand(in, in.tok[0], false);
    if (o.kind != TOKEN_NAME)
        CommandError(in, "  Needed a variable in command:\r\n    ");
    return o;
}

std::string &ReadValue(Interp &in, int buffer)
{
    std::string &t = in.tok[buffer];
    if (ReadToken(in, t, true) == TOKEN_NONE)
        CommandError(in, "  Needed a parameter in command:\r\n    ");
    return t;
}

std::string &ReadText(Interp &in, int buffer)
{
    std::string &t = in.tok[buffer];
    if (ReadToken(in, t, true) == TOKEN_NONE || t.empty())
        CommandError(in, "  Needed a non-empty parameter in command:\r\n    ");
    return t;
}

void SkipBlanks(Interp &in)
{
    while (in.pos < in.params.size() && IsSpaceOrControl(in.params[in.pos]))
        ++in.pos;
}

bool ParamsDone(const Interp &in)
{
    return in.pos >= in.params.size() || in.params[in.pos] == ';' || in.params[in.pos] == '#';
}

} // namespace zscript

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

// The raw token at the read position: from the running file's cache when
// the parameters are a tail of its text (read there once), else lexed.
RawToken NextRaw(Interp &in)
{
    uint32_t base = 0;
    if (!PoolTail(in, in.params, base))
        return Lex(in.params, in.pos);
    std::vector<CachedToken> &cache = in.file->cache.tokenAt;
    if (cache.empty())
        cache.resize(in.file->pool.size() + 1);
    const size_t at = base + in.pos;
    if (at >= cache.size())
        return Lex(in.params, in.pos);
    const CachedToken c = cache[at];
    const auto from = static_cast<uint32_t>(in.pos);
    if (c.flags & CachedToken::kRead) {
        RawToken t;
        t.start = from + c.start;
        t.length = c.length;
        t.next = from + c.next;
        t.kind = c.kind;
        t.percent = (c.flags & CachedToken::kPercent) != 0;
        return t;
    }
    const RawToken t = Lex(in.params, in.pos);
    CachedToken &k = cache[at];
    k.start = static_cast<uint16_t>(t.start - (t.kind == TOKEN_NONE ? t.start : from));
    k.length = static_cast<uint16_t>(t.length);
    k.next = static_cast<uint16_t>(t.next - (t.kind == TOKEN_NONE ? t.next : from));
    k.kind = t.kind;
    k.flags = static_cast<uint8_t>(CachedToken::kRead | (t.percent ? CachedToken::kPercent : 0));
    return t;
}

} // namespace

uint8_t ReadTokenView(Interp &in, std::string_view &out, std::string &scratch, bool evaluate)
{
    const RawToken t = NextRaw(in);
    if (t.kind == TOKEN_NONE) {
        out = {};
        in.params = {};
        in.pos = 0;
        return TOKEN_NONE;
    }
    out = in.params.substr(t.start, t.length);
    in.pos = t.next;
    switch (t.kind) {
    case TOKEN_STRING:
        if (t.percent) {
            ExpandVariables(in, out, scratch);
            out = scratch;
        }
        return TOKEN_STRING;
    case TOKEN_NAME:
        if (!evaluate)
            return TOKEN_NAME;
        if (!out.empty() && IsLetter(out[0]))
            out = LookupVariable(in, out);
        return IsNumber(out) ? TOKEN_NUMBER : TOKEN_STRING;
    default:
        return t.kind;
    }
}

uint8_t ReadToken(Interp &in, std::string &dest, bool evaluate)
{
    std::string_view view;
    const uint8_t kind = ReadTokenView(in, view, dest, evaluate);
    if (view.data() != dest.data() || view.size() != dest.size())
        dest.assign(view);
    return kind;
}

std::string_view ReadValueView(Interp &in, int buffer)
{
    std::string_view view;
    if (ReadTokenView(in, view, in.tok[buffer], true) == TOKEN_NONE)
        CommandError(in, "  Needed a parameter in command:\r\n    ");
    return view;
}

std::string_view ReadTextView(Interp &in, int buffer)
{
    std::string_view view;
    if (ReadTokenView(in, view, in.tok[buffer], true) == TOKEN_NONE || view.empty())
        CommandError(in, "  Needed a non-empty parameter in command:\r\n    ");
    return view;
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
    std::string_view view;
    if (ReadTokenView(in, view, in.tok[buffer], true) != TOKEN_NUMBER)
        CommandError(in, "  Needed a number in command:\r\n    ");
    return ToNumber(view);
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

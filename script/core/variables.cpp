// The variable store (one text block: 0xFF NAME 0xFE VALUE per variable) and
// the VARPUSH stack (frames of 0xFF 0xFF 0xFF, then 0xFF NAME 0xFF VALUE per
// variable), with their limits, and CompareValues.
#include "platform/text.h"
#include "script/core/interp.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <utility>

namespace zscript {

namespace {

using zorb::platform::IsBlank;
using zorb::platform::ToUpper;

constexpr char kMark = '\xFF';
constexpr char kValueMark = '\xFE';

// Names and values never hold the store's marks: they would make entries
// ambiguous. Such bytes (only found in binary data) become '?'.
void Sanitize(std::string &text)
{
    for (char &c : text)
        if (c == kMark || c == kValueMark)
            c = '?';
}

// Without blanks at either end (NormalizeName's trim, as a view).
std::string_view Trimmed(std::string_view name)
{
    while (!name.empty() && IsBlank(name.front()))
        name.remove_prefix(1);
    while (!name.empty() && IsBlank(name.back()))
        name.remove_suffix(1);
    return name;
}

bool HasMarks(std::string_view text)
{
    for (char c : text)
        if (c == kMark || c == kValueMark)
            return true;
    return false;
}

// Drops deleted entries once they outnumber the live ones (store order kept).
void Compact(VariableStore &v)
{
    if (v.dead < 64 || v.dead < v.entries.size() / 2)
        return;
    std::vector<VariableStore::Entry> live;
    live.reserve(v.entries.size() - v.dead);
    for (auto &e : v.entries)
        if (e.live)
            live.push_back(std::move(e));
    v.entries = std::move(live);
    v.dead = 0;
    ++v.generation;
    v.index.clear();
    for (size_t i = 0; i < v.entries.size(); ++i)
        v.index.emplace(v.entries[i].name, static_cast<uint32_t>(i));
}

// Trimmed and upper case already.
bool IsNormal(std::string_view name)
{
    if (!name.empty() && (IsBlank(name.front()) || IsBlank(name.back())))
        return false;
    return std::none_of(name.begin(), name.end(), [](char c) { return ToUpper(c) != c; });
}

} // namespace

void NormalizeName(std::string &name)
{
    if (IsNormal(name))
        return;
    std::string normal(Trimmed(name));
    for (char &c : normal)
        c = ToUpper(c);
    name = std::move(normal);
}

// The entry of a name (trimmed), or -1.
int64_t FindEntry(const VariableStore &v, std::string_view name)
{
    const auto it = v.index.find(name);
    return it == v.index.end() ? -1 : static_cast<int64_t>(it->second);
}

int64_t VariableEntry(Interp &in, const Operand &word)
{
    VariableStore &v = in.store;
    if (word.token == 0)
        return FindEntry(v, word.text);
    // Found once per store generation through the word's place in the cache.
    CachedToken &c = in.file->cache.tokens[word.token - 1];
    if (c.generation != v.generation) {
        c.entry = static_cast<uint32_t>(FindEntry(v, word.text) + 1);
        c.generation = v.generation;
    }
    return static_cast<int64_t>(c.entry) - 1;
}

std::string_view LookupVariable(Interp &in, std::string_view name)
{
    const int64_t at = FindEntry(in.store, Trimmed(name));
    return at < 0 ? std::string_view() : in.store.entries[static_cast<size_t>(at)].Text();
}

std::string_view GetVariable(Interp &in, std::string &name)
{
    NormalizeName(name);
    return LookupVariable(in, name);
}

std::vector<std::string> ListVariables(const Interp &in)
{
    std::vector<std::string> lines;
    for (const auto &e : in.store.entries)
        if (e.live)
            lines.push_back(e.name + "=" + std::string(e.Text()));
    return lines;
}

namespace {

// A number's decimal text ("%i"), written backwards from the end of a buffer.
std::string_view NumberText(int32_t value, char (&text)[12])
{
    char *p = text + sizeof text;
    uint32_t u = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    do {
        *--p = static_cast<char>('0' + u % 10);
        u /= 10;
    } while (u);
    if (value < 0)
        *--p = '-';
    return {p, static_cast<size_t>(text + sizeof text - p)};
}

// The length of a number's decimal text.
size_t NumberTextSize(int32_t value)
{
    static constexpr uint32_t kTens[10] = {0, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};
    const uint32_t u = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    // Digits from the bit length (1233 / 4096 is just above log10 2), then one fewer below the power of ten.
    const auto bits = static_cast<uint32_t>(32 - std::countl_zero(u | 1u));
    const uint32_t t = (bits * 1233u) >> 12;
    return t - (u < kTens[t] ? 1u : 0u) + 1u + (value < 0 ? 1u : 0u);
}

// A number into an existing entry; false when the store would overflow.
bool StoreNumber(VariableStore &v, VariableStore::Entry &e, int32_t value)
{
    const size_t size = NumberTextSize(value);
    const size_t old = e.TextSize();
    if (v.bytes - old + size > kStoreLimit)
        return false;
    v.bytes = v.bytes - old + size;
    e.SetNumber(value);
    return true;
}

} // namespace

size_t VariableStore::Entry::TextSize() const
{
    return stale_ ? NumberTextSize(number_) : text_.size();
}

void VariableStore::Entry::SetText(std::string_view text)
{
    text_.assign(text.data(), text.size()); // may be a part of itself
    stale_ = false;
    numeric_ = IsNumber(text_);
    number_ = numeric_ ? ToNumber(text_) : 0;
}

void VariableStore::Entry::SetNumber(int32_t number)
{
    number_ = number;
    numeric_ = true;
    stale_ = true;
}

void VariableStore::Entry::Clear()
{
    std::string().swap(text_);
    stale_ = false;
    numeric_ = false;
    number_ = 0;
}

void VariableStore::Entry::WriteText() const
{
    char text[12];
    text_.assign(NumberText(number_, text));
    stale_ = false;
}

std::string_view OperandText(const Interp &in, const Operand &o)
{
    return o.textless ? in.store.entries[o.textless - 1].Text() : o.text;
}

void SetVariable(Interp &in, std::string_view nameIn, std::string_view valueIn)
{
    thread_local std::string nameCopy, valueCopy;
    std::string_view name = Trimmed(nameIn);
    // Found as it stands (the index folds the case); a normalised copy is
    // made for the trace and new entries, or for a name that holds the
    // store's marks.
    if (HasMarks(name) || (Tracing(in) && !IsNormal(name))) {
        nameCopy.assign(nameIn);
        NormalizeName(nameCopy);
        Sanitize(nameCopy);
        name = nameCopy;
    }
    std::string_view value = valueIn.substr(0, kTextMax);
    if (HasMarks(value)) {
        valueCopy.assign(value);
        Sanitize(valueCopy);
        value = valueCopy;
    }
    if (Tracing(in))
        TraceWrite(in, "  ***" + std::string(name) + "=\"" + std::string(value) + "\"");
    VariableStore &v = in.store;
    const int64_t at = FindEntry(v, name);
    if (at >= 0) {
        VariableStore::Entry &e = v.entries[static_cast<size_t>(at)];
        if (value.empty()) {
            v.bytes -= 2 + e.name.size() + e.TextSize();
            v.index.erase(e.name);
            e.live = false;
            e.name.clear();
            e.Clear();
            ++v.generation;
            ++v.dead;
            Compact(v);
            return;
        }
        const size_t old = e.TextSize();
        if (v.bytes - old + value.size() > kStoreLimit)
            ScriptError(in, "  Too many variables.");
        v.bytes = v.bytes - old + value.size();
        e.SetText(value);
        return;
    }
    if (value.empty())
        return;
    if (v.bytes + name.size() + 2 + value.size() > kStoreLimit)
        ScriptError(in, "  Too many variables.");
    // The value may live in another entry, which moves when the list grows.
    valueCopy.assign(value);
    VariableStore::Entry e;
    e.name.reserve(name.size());
    for (char c : name)
        e.name += ToUpper(c);
    e.SetText(valueCopy);
    v.bytes += 2 + e.name.size() + valueCopy.size();
    v.index.emplace(e.name, static_cast<uint32_t>(v.entries.size()));
    v.entries.push_back(std::move(e));
    ++v.generation;
}

void SetVariableNumber(Interp &in, std::string_view name, int32_t value)
{
    if (!Tracing(in)) {
        const int64_t at = FindEntry(in.store, Trimmed(name));
        if (at >= 0 && StoreNumber(in.store, in.store.entries[static_cast<size_t>(at)], value))
            return;
    }
    char text[12];
    SetVariable(in, name, NumberText(value, text));
}

void SetVariableNumber(Interp &in, const Operand &name, int32_t value)
{
    // A counter's new value goes straight into its entry (a number holds
    // none of the store's marks; the trace goes the long way).
    if (!Tracing(in)) {
        const int64_t at = VariableEntry(in, name);
        if (at >= 0 && StoreNumber(in.store, in.store.entries[static_cast<size_t>(at)], value))
            return;
    }
    char text[12];
    SetVariable(in, name.text, NumberText(value, text));
}

namespace {

// The outcome of a comparison (order < 0, 0, > 0) under an operator: "=",
// ">", "<", ">=", "<=", "<>", each optionally after "@"; any other is false.
bool Holds(int order, std::string_view op)
{
    if (!op.empty() && op[0] == '@')
        op.remove_prefix(1);
    if (op.size() == 1) {
        switch (op[0]) {
        case '=':
            return order == 0;
        case '>':
            return order > 0;
        case '<':
            return order < 0;
        default:
            return false;
        }
    }
    if (op.size() == 2 && op[1] == '=')
        return op[0] == '>' ? order >= 0 : op[0] == '<' ? order <= 0 : false;
    if (op == "<>")
        return order != 0;
    return false;
}

int TextOrder(std::string_view left, std::string_view op, std::string_view right)
{
    const bool exact = !op.empty() && op[0] == '@';
    auto fold = [exact](char c) {
        auto u = static_cast<unsigned char>(c);
        if (!exact && u >= 'A' && u <= 'Z')
            u = static_cast<unsigned char>(u + 32);
        return u;
    };
    int order = 0;
    const size_t n = std::min(left.size(), right.size());
    for (size_t i = 0; i < n && order == 0; ++i) {
        const unsigned char a = fold(left[i]), b = fold(right[i]);
        order = a < b ? -1 : (a > b ? 1 : 0);
    }
    if (order == 0 && left.size() != right.size())
        order = left.size() < right.size() ? -1 : 1;
    return order;
}

int NumberOrder(int32_t a, int32_t b)
{
    return a < b ? -1 : (a > b ? 1 : 0);
}

// A value's number when it is one (a quoted "12" is one too).
bool AsNumber(const Operand &o, int32_t &number)
{
    if (o.kind == TOKEN_NUMBER) {
        number = o.number;
        return true;
    }
    if (!IsNumber(o.text))
        return false;
    number = ToNumber(o.text);
    return true;
}

} // namespace

bool CompareValues(std::string_view left, std::string_view op, std::string_view right)
{
    if (IsNumber(left) && IsNumber(right))
        return Holds(NumberOrder(ToNumber(left), ToNumber(right)), op);
    return Holds(TextOrder(left, op, right), op);
}

bool CompareOperands(const Interp &in, const Operand &left, std::string_view op, const Operand &right)
{
    int32_t a = 0, b = 0;
    if (AsNumber(left, a) && AsNumber(right, b))
        return Holds(NumberOrder(a, b), op);
    return Holds(TextOrder(OperandText(in, left), op, OperandText(in, right)), op);
}

void PushVariables(Interp &in, const std::vector<std::string> &names)
{
    std::string frame(3, kMark);
    for (std::string name : names) {
        const std::string value(GetVariable(in, name));
        frame += kMark;
        frame += name;
        frame += kMark;
        frame += value;
    }
    if (in.pushStack.size() + frame.size() > kPushLimit)
        CommandError(in, "  Too many variables pushed in command:\r\n    ");
    in.pushFrames.push_back(in.pushStack.size());
    in.pushStack += frame;
}

void PopVariables(Interp &in)
{
    if (in.pushFrames.empty())
        return;
    const size_t start = in.pushFrames.back();
    // Entries in push order; restored newest first, as the stack is walked
    // backwards, so the oldest copy of a name pushed twice wins.
    std::vector<std::pair<std::string, std::string>> entries;
    size_t i = start + 3;
    const std::string &s = in.pushStack;
    while (i < s.size()) {
        const size_t nameAt = i + 1;
        const size_t nameEnd = s.find(kMark, nameAt);
        if (nameEnd == std::string::npos)
            break;
        size_t valueEnd = s.find(kMark, nameEnd + 1);
        if (valueEnd == std::string::npos)
            valueEnd = s.size();
        entries.emplace_back(s.substr(nameAt, nameEnd - nameAt), s.substr(nameEnd + 1, valueEnd - nameEnd - 1));
        i = valueEnd;
    }
    in.pushStack.resize(start);
    in.pushFrames.pop_back();
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
        SetVariable(in, it->first, it->second);
}

} // namespace zscript

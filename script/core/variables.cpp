// The variable store (one text block: 0xFF NAME 0xFE VALUE per variable) and
// the VARPUSH stack (frames of 0xFF 0xFF 0xFF, then 0xFF NAME 0xFF VALUE per
// variable), with their limits, and CompareValues.
#include "platform/text.h"
#include "script/core/interp.h"

#include <algorithm>
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
int64_t FindEntry(VariableStore &v, std::string_view name)
{
    if (v.lastValid && FoldEqual{}(name, v.lastName))
        return v.lastEntry;
    const auto it = v.index.find(name);
    if (it == v.index.end())
        return -1;
    v.lastName.assign(name);
    v.lastEntry = it->second;
    v.lastValid = true;
    return it->second;
}

std::string_view LookupVariable(Interp &in, std::string_view name)
{
    // The name used last (kept trimmed, so a name with blanks never matches it).
    VariableStore &v = in.store;
    if (v.lastValid && FoldEqual{}(name, v.lastName))
        return v.entries[v.lastEntry].value;
    const int64_t at = FindEntry(in.store, Trimmed(name));
    return at < 0 ? std::string_view() : std::string_view(in.store.entries[static_cast<size_t>(at)].value);
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
            lines.push_back(e.name + "=" + e.value);
    return lines;
}

void SetVariable(Interp &in, const std::string &nameIn, std::string_view valueIn)
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
            v.bytes -= 2 + e.name.size() + e.value.size();
            v.index.erase(e.name);
            e.live = false;
            e.name.clear();
            e.value.clear();
            e.value.shrink_to_fit();
            v.lastValid = false;
            ++v.dead;
            Compact(v);
            return;
        }
        if (v.bytes - e.value.size() + value.size() > kStoreLimit)
            ScriptError(in, "  Too many variables.");
        v.bytes = v.bytes - e.value.size() + value.size();
        e.value.assign(value.data(), value.size()); // may be a part of itself
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
    e.value = valueCopy;
    v.bytes += 2 + e.name.size() + e.value.size();
    v.index.emplace(e.name, static_cast<uint32_t>(v.entries.size()));
    v.entries.push_back(std::move(e));
}

void SetVariableNumber(Interp &in, const std::string &name, int32_t value)
{
    // A counter's new value goes straight into the entry used last (a
    // number holds none of the store's marks; the trace goes the long way).
    char text[16];
    char *p = text + sizeof text;
    uint32_t u = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    do {
        *--p = static_cast<char>('0' + u % 10);
        u /= 10;
    } while (u);
    if (value < 0)
        *--p = '-';
    const std::string_view number(p, static_cast<size_t>(text + sizeof text - p));
    VariableStore &v = in.store;
    if (v.lastValid && !Tracing(in) && FoldEqual{}(name, v.lastName)) {
        VariableStore::Entry &e = v.entries[v.lastEntry];
        if (v.bytes - e.value.size() + number.size() <= kStoreLimit) {
            v.bytes = v.bytes - e.value.size() + number.size();
            e.value.assign(number);
            return;
        }
    }
    SetVariable(in, name, number);
}

bool CompareValues(std::string_view left, std::string_view op, std::string_view right)
{
    int order;
    if (IsNumber(left) && IsNumber(right)) {
        const int32_t a = ToNumber(left), b = ToNumber(right);
        order = a < b ? -1 : (a > b ? 1 : 0);
    } else {
        const bool exact = !op.empty() && op[0] == '@';
        auto fold = [exact](char c) {
            auto u = static_cast<unsigned char>(c);
            if (!exact && u >= 'A' && u <= 'Z')
                u = static_cast<unsigned char>(u + 32);
            return u;
        };
        order = 0;
        const size_t n = std::min(left.size(), right.size());
        for (size_t i = 0; i < n && order == 0; ++i) {
            const unsigned char a = fold(left[i]), b = fold(right[i]);
            order = a < b ? -1 : (a > b ? 1 : 0);
        }
        if (order == 0 && left.size() != right.size())
            order = left.size() < right.size() ? -1 : 1;
    }
    if (!op.empty() && op[0] == '@')
        op.remove_prefix(1);
    // "=", ">", "<", ">=", "<=", "<>"; any other operator is false.
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

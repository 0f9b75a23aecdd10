// The variable store (one text block: 0xFF NAME 0xFE VALUE per variable) and
// the VARPUSH stack (frames of 0xFF 0xFF 0xFF, then 0xFF NAME 0xFF VALUE per
// variable), with their limits, and CompareValues.
#include "script/core/interp.h"

#include <cstdio>
#include <cstring>

namespace zscript {

namespace {

constexpr char kMark = '\xFF';
constexpr char kValueMark = '\xFE';

inline bool IsBlank(char c) { return c != '\0' && static_cast<signed char>(c) <= 32; }

// Names and values never hold the store's marks: they would make entries
// ambiguous. Such bytes (only found in binary data) become '?'.
void Sanitize(std::string &text)
{
    for (char &c : text)
        if (c == kMark || c == kValueMark)
            c = '?';
}

// Offset of the entry's mark and of its value, or npos.
size_t FindEntry(const std::string &store, const std::string &name, size_t *valueAt)
{
    thread_local std::string pattern;
    pattern.assign(1, kMark);
    pattern += name;
    pattern += kValueMark;
    const size_t at = store.find(pattern);
    if (at != std::string::npos && valueAt)
        *valueAt = at + pattern.size();
    return at;
}

size_t ValueEnd(const std::string &store, size_t valueAt)
{
    const size_t e = store.find(kMark, valueAt);
    return e == std::string::npos ? store.size() : e;
}

}  // namespace

void NormalizeName(std::string &name)
{
    size_t b = 0, e = name.size();
    while (b < e && IsBlank(name[b]))
        ++b;
    while (e > b && IsBlank(name[e - 1]))
        --e;
    if (b != 0 || e != name.size())
        name = name.substr(b, e - b);
    for (char &c : name)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
}

std::string_view GetVariable(Interp &in, std::string &name)
{
    NormalizeName(name);
    size_t valueAt = 0;
    if (FindEntry(in.store, name, &valueAt) == std::string::npos)
        return {};
    return std::string_view(in.store).substr(valueAt, ValueEnd(in.store, valueAt) - valueAt);
}

void SetVariable(Interp &in, std::string name, std::string_view valueIn)
{
    NormalizeName(name);
    Sanitize(name);
    std::string value(valueIn.substr(0, kTextMax));
    Sanitize(value);
    if (Tracing(in))
        TraceWrite(in, "  ***" + name + "=\"" + value + "\"");
    size_t valueAt = 0;
    const size_t at = FindEntry(in.store, name, &valueAt);
    if (at != std::string::npos) {
        const size_t e = ValueEnd(in.store, valueAt);
        if (value.empty()) {
            in.store.erase(at, e - at);
        } else if (in.store.size() - (e - valueAt) + value.size() <= kStoreLimit) {
            // A value that would overflow the store keeps its old text.
            in.store.replace(valueAt, e - valueAt, value);
        }
        return;
    }
    if (value.empty() || in.store.size() + name.size() + 2 + value.size() > kStoreLimit)
        return;
    in.store += kMark;
    in.store += name;
    in.store += kValueMark;
    in.store += value;
}

void SetVariableNumber(Interp &in, const std::string &name, int32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%i", value);
    SetVariable(in, name, text);
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
    if (op == "=")
        return order == 0;
    if (op == ">")
        return order > 0;
    if (op == "<")
        return order < 0;
    if (op == ">=")
        return order >= 0;
    if (op == "<=")
        return order <= 0;
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

}  // namespace zscript

#include "tests/support/json_value.h"

#include <cctype>
#include <cstdlib>

namespace zorb::test {

namespace {

class Reader {
public:
    explicit Reader(const std::string &t) : t_(t) {}

    bool Document(JsonValue &v)
    {
        if (!Value(v))
            return false;
        Space();
        return p_ == t_.size();
    }

private:
    void Space()
    {
        while (p_ < t_.size() && std::isspace(static_cast<unsigned char>(t_[p_])))
            ++p_;
    }
    bool Literal(const char *word)
    {
        const std::string w = word;
        if (t_.compare(p_, w.size(), w) != 0)
            return false;
        p_ += w.size();
        return true;
    }
    bool String(std::string &out)
    {
        if (p_ >= t_.size() || t_[p_] != '"')
            return false;
        for (++p_; p_ < t_.size(); ++p_) {
            const char c = t_[p_];
            if (c == '"') {
                ++p_;
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20)
                return false;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (++p_ >= t_.size())
                return false;
            switch (t_[p_]) {
            case '"':
                out += '"';
                break;
            case '\\':
                out += '\\';
                break;
            case '/':
                out += '/';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                if (p_ + 4 >= t_.size())
                    return false;
                const long code = std::strtol(t_.substr(p_ + 1, 4).c_str(), nullptr, 16);
                if (code >= 0x80)
                    return false;
                out += static_cast<char>(code);
                p_ += 4;
                break;
            }
            default:
                return false;
            }
        }
        return false;
    }
    bool Number(double &out)
    {
        const size_t start = p_;
        if (p_ < t_.size() && t_[p_] == '-')
            ++p_;
        if (p_ >= t_.size() || !std::isdigit(static_cast<unsigned char>(t_[p_])))
            return false;
        if (t_[p_] == '0' && p_ + 1 < t_.size() && std::isdigit(static_cast<unsigned char>(t_[p_ + 1])))
            return false; // no leading zeros
        while (p_ < t_.size() && (std::isdigit(static_cast<unsigned char>(t_[p_])) || t_[p_] == '.' || t_[p_] == 'e' ||
                                  t_[p_] == 'E' || t_[p_] == '+' || t_[p_] == '-'))
            ++p_;
        char *end = nullptr;
        const std::string s = t_.substr(start, p_ - start);
        out = std::strtod(s.c_str(), &end);
        return end == s.c_str() + s.size();
    }
    bool Value(JsonValue &v)
    {
        Space();
        if (p_ >= t_.size())
            return false;
        const char c = t_[p_];
        if (c == '{') {
            v.kind = JsonValue::Kind::Object;
            ++p_;
            Space();
            if (p_ < t_.size() && t_[p_] == '}')
                return ++p_, true;
            for (;;) {
                std::string key;
                Space();
                if (!String(key) || v.members.count(key))
                    return false;
                Space();
                if (p_ >= t_.size() || t_[p_++] != ':')
                    return false;
                if (!Value(v.members[key]))
                    return false;
                Space();
                if (p_ < t_.size() && t_[p_] == ',') {
                    ++p_;
                    continue;
                }
                return p_ < t_.size() && t_[p_++] == '}';
            }
        }
        if (c == '[') {
            v.kind = JsonValue::Kind::Array;
            ++p_;
            Space();
            if (p_ < t_.size() && t_[p_] == ']')
                return ++p_, true;
            for (;;) {
                v.items.emplace_back();
                if (!Value(v.items.back()))
                    return false;
                Space();
                if (p_ < t_.size() && t_[p_] == ',') {
                    ++p_;
                    continue;
                }
                return p_ < t_.size() && t_[p_++] == ']';
            }
        }
        if (c == '"') {
            v.kind = JsonValue::Kind::String;
            return String(v.text);
        }
        if (Literal("true") || Literal("false")) {
            v.kind = JsonValue::Kind::Bool;
            v.boolean = t_[p_ - 1] == 'e' && t_[p_ - 2] == 'u';
            return true;
        }
        if (Literal("null")) {
            v.kind = JsonValue::Kind::Null;
            return true;
        }
        v.kind = JsonValue::Kind::Number;
        return Number(v.number);
    }

    const std::string &t_;
    size_t p_ = 0;
};

} // namespace

const JsonValue &JsonValue::operator[](const std::string &key) const
{
    static const JsonValue none;
    auto it = members.find(key);
    return it == members.end() ? none : it->second;
}

bool ParseJson(const std::string &text, JsonValue &out)
{
    out = JsonValue();
    return Reader(text).Document(out);
}

} // namespace zorb::test

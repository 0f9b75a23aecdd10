// A small strict JSON reader for tests that check what programs print as JSON:
// objects, arrays, strings (with escapes, \u below 0x80 only), numbers, true,
// false and null. Parse returns false on anything that is not one JSON value
// followed by white space only.
#ifndef ZORB_TESTS_SUPPORT_JSON_VALUE_H
#define ZORB_TESTS_SUPPORT_JSON_VALUE_H

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zorb::test {

struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<JsonValue> items;
    std::map<std::string, JsonValue> members;

    bool Has(const std::string &key) const { return kind == Kind::Object && members.count(key); }
    // The member (a null value when absent).
    const JsonValue &operator[](const std::string &key) const;
    const JsonValue &operator[](size_t i) const { return items.at(i); }
};

bool ParseJson(const std::string &text, JsonValue &out);

} // namespace zorb::test

#endif

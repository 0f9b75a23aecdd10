// What each number field of the tool tabs accepts: digits only, at most a
// given count of them, within a range. The same rule checks a value as it is
// typed and clamps the value read from the settings file, so the form, the
// copied command, --print-command and the started command cannot differ.
#ifndef ZORB_FRONTEND_CORE_FIELDRULES_H
#define ZORB_FRONTEND_CORE_FIELDRULES_H

#include <QString>

namespace zfront {

struct FieldRule {
    int digits = 0; // most digits of a text field; 0: free text (no rule)
    qint64 min = 0, max = 0;
    constexpr bool isNumber() const { return digits > 0; }
    bool operator==(const FieldRule &) const = default;
};

namespace rules {
inline constexpr FieldRule Text{};
inline constexpr FieldRule Number{8, 0, 99999999};      // frame numbers, sizes, rates: eight digits
inline constexpr FieldRule DataRate{8, 0, 99999999};    // the compressor's data rates
inline constexpr FieldRule Percent{3, 0, 100};          // percentages: three digits
inline constexpr FieldRule PercentOfAverage{3, 0, 999}; // "as a % of the average frame." may pass 100
inline constexpr FieldRule Bytes{9, 0, 999999999};      // byte counts to skip, forced data rates
inline constexpr FieldRule Track{1, 1, 7};              // a sound track
inline constexpr FieldRule PaletteColors{3, 1, 256};
inline constexpr FieldRule PaletteIndex{3, 0, 255};
inline constexpr FieldRule SoundRate{6, 0, 200000}; // a typed playback rate in hertz
inline constexpr FieldRule FrameRate{4, 1, 1000};   // frames per second of a new frame rate
} // namespace rules

// Rules for the list indexes and numbers kept as integers.
struct IntRule {
    int min = INT_MIN_SENTINEL, max = INT_MAX_SENTINEL;
    static constexpr int INT_MIN_SENTINEL = -2147483647 - 1;
    static constexpr int INT_MAX_SENTINEL = 2147483647;
};
inline constexpr IntRule AnyInt{};
inline constexpr IntRule Index(int count)
{
    return IntRule{0, count - 1};
}

// How a text stands against a rule while it is being typed.
enum class FieldState { Acceptable, Intermediate, Invalid };
FieldState checkField(const FieldRule &rule, const QString &text);

// A text made to fit the rule: its leading digits (after blanks), cut to the
// rule's length and clamped to its range; empty stays empty. Free text is
// returned trimmed.
QString clampField(const FieldRule &rule, const QString &text);
int clampInt(const IntRule &rule, int value);

} // namespace zfront

#endif

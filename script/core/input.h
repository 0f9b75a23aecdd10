// Internal: the plain logic of the input commands: key names, the mouse-area
// table with its levels, line editing and the software pointer's state. No
// window system here: the host hands in key codes, clicks and positions.
#ifndef ZORB_SCRIPT_CORE_INPUT_H
#define ZORB_SCRIPT_CORE_INPUT_H

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zscript {

// The name INPUTCHAR gives a key code ("F1", "SHIFT F2", "ENTER", "a", ...).
std::string KeyName(int code);

constexpr int kMouseAreas = 128;
constexpr int kMouseLevels = 32;
constexpr size_t kAreaNameMax = 31;
constexpr int32_t kNoPointerBitmap = 0; // bitmaps are numbered from 9000

struct MouseArea {
    std::string name;
    int32_t left = 0, top = 0, right = 0, bottom = 0; // right and bottom exclusive
    int32_t bitmap = kNoPointerBitmap;                // pointer image: a bitmap number, or none
    bool Contains(int32_t x, int32_t y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// The 128 areas and the levels: only the entries from the level base to the
// count are active. A stack of 32 saved levels serves push and pop; a pop
// without a push and a push beyond 32 leave everything as it is.
class MouseAreas {
public:
    bool Add(MouseArea area);           // false when the table is full
    void Remove(std::string_view name); // the newest active area of that name
    void RemoveAll() { count_ = base_; }
    bool Push();
    bool Pop();
    // The newest active area containing the point, or null.
    const MouseArea *At(int32_t x, int32_t y) const;
    int Count() const { return count_; }
    int Base() const { return base_; }
    int Depth() const { return depth_; }
    void Reset() { count_ = base_ = depth_ = 0; }

private:
    std::array<MouseArea, kMouseAreas> areas_{};
    int count_ = 0, base_ = 0;
    std::array<std::array<int, 2>, kMouseLevels> stack_{};
    int depth_ = 0;
};

// Line input (INPUTSTR, INPUTSTRWIN): keys in, what to draw out.
class LineEditor {
public:
    enum class Action { Ignore, Echo, Erase, Finish };
    explicit LineEditor(int32_t maxLength) : max_(maxLength < 0 ? 0 : static_cast<size_t>(maxLength)) {}
    // Echo: draw the character; Erase: draw a backspace; Finish: draw a line
    // end, Text() is the result.
    Action Key(int code);
    const std::string &Text() const { return text_; }

private:
    size_t max_;
    std::string text_;
};

// The built-in pointer: 10 x 19 pixels, 'o' darkest, '#' brightest, '.' clear.
constexpr int kPointerWidth = 10;
constexpr int kPointerHeight = 19;
extern const char *const kPointerRows[kPointerHeight];

// A pointer image ready to draw: pixels equal to `key` are transparent.
struct PointerImage {
    int32_t width = 0, height = 0;
    std::vector<uint8_t> pixels;
    uint8_t key = 0;
};
// The built-in image in the palette's darkest and brightest entries, with a
// key colour among 0, 1 and 2 that is neither.
PointerImage BuiltInPointer(const uint8_t *rgb768);

// The software pointer's state.
struct SoftPointer {
    int32_t x = -1, y = -1;            // position on the screen, -1 -1 when outside
    int32_t bitmap = kNoPointerBitmap; // image: a bitmap slot, or the built-in one
    PointerImage builtIn;
    uint32_t builtInVersion = 0; // palette version the built-in image was made for
    bool builtInMade = false;
    bool drawn = false;             // the image is on the screen
    int32_t drawnX = 0, drawnY = 0; // the position it was drawn for
    int32_t drawnBitmap = kNoPointerBitmap;
    uint32_t drawnVersion = 0;                          // palette version it was drawn in
    int32_t rectX = 0, rectY = 0, rectW = 0, rectH = 0; // the screen it covers
    std::vector<uint8_t> saved;                         // the screen under it (rectW x rectH)
};

// Everything the input family keeps per run.
struct InputState {
    MouseAreas areas;
    SoftPointer pointer;
    uint32_t leftTaken = 0, rightTaken = 0; // button releases already read
    int32_t mouseMode = 0;
};

} // namespace zscript

#endif

// Key names, the mouse-area table, line editing and the built-in pointer
// image: the input family's logic without any window.
#include "script/core/input.h"
#include "script/core/palette_search.h"

#include <algorithm>

namespace zscript {

std::string KeyName(int code)
{
    switch (code) {
    case 8:
    case 127:
        return "BACKSPACE";
    case 9:
        return "TAB";
    case 10:
    case 13:
        return "ENTER";
    case 27:
        return "ESCAPE";
    case 32:
        return "SPACE";
    case 137:
        return "BACKTAB";
    default:
        break;
    }
    static const char *const kMoves[] = {"PAGEUP", "PAGEDOWN", "END", "HOME", "LEFT", "UP", "RIGHT", "DOWN"};
    if (code >= 161 && code <= 168)
        return kMoves[code - 161];
    if (code == 173)
        return "INSERT";
    if (code == 174)
        return "DELETE";
    if (code >= 208 && code <= 247) {
        static const char *const kShifts[] = {"", "SHIFT ", "CONTROL ", "ALT "};
        return std::string(kShifts[(code - 208) / 10]) + "F" + std::to_string((code - 208) % 10 + 1);
    }
    return std::string(1, static_cast<char>(code));
}

bool MouseAreas::Add(MouseArea area)
{
    if (count_ >= kMouseAreas)
        return false;
    if (area.name.size() > kAreaNameMax)
        area.name.resize(kAreaNameMax);
    areas_[static_cast<size_t>(count_++)] = std::move(area);
    return true;
}

void MouseAreas::Remove(std::string_view name)
{
    for (int i = count_ - 1; i >= base_; --i) {
        if (areas_[static_cast<size_t>(i)].name == name) {
            std::move(areas_.begin() + i + 1, areas_.begin() + count_, areas_.begin() + i);
            --count_;
            return;
        }
    }
}

bool MouseAreas::Push()
{
    if (depth_ >= kMouseLevels)
        return false;
    stack_[static_cast<size_t>(depth_++)] = {count_, base_};
    base_ = count_;
    return true;
}

bool MouseAreas::Pop()
{
    if (depth_ <= 0)
        return false;
    const auto &saved = stack_[static_cast<size_t>(--depth_)];
    count_ = saved[0];
    base_ = saved[1];
    return true;
}

const MouseArea *MouseAreas::At(int32_t x, int32_t y) const
{
    for (int i = count_ - 1; i >= base_; --i)
        if (areas_[static_cast<size_t>(i)].Contains(x, y))
            return &areas_[static_cast<size_t>(i)];
    return nullptr;
}

LineEditor::Action LineEditor::Key(int code)
{
    switch (code) {
    case 8:
        if (text_.empty())
            return Action::Ignore;
        text_.pop_back();
        return Action::Erase;
    case 13:
        return Action::Finish; // with nothing typed the result is empty, as after Escape
    case 27:
        text_.clear();
        return Action::Finish;
    default:
        if (code > 31 && code <= 255 && text_.size() < max_) {
            text_ += static_cast<char>(code);
            return Action::Echo;
        }
        return Action::Ignore;
    }
}

const char *const kPointerRows[kPointerHeight] = {
    "o.........", "oo........", "o#o.......", "o##o......", "o###o.....", "o####o....", "o#####o...",
    "o######o..", "o#######o.", "o########o", "o#####oooo", "o##o##o...", "o#o.o##o..", "oo..o##o..",
    ".....o##o.", ".....o##o.", "......o##o", "......o##o", ".......oo.",
};

PointerImage BuiltInPointer(const uint8_t *rgb768)
{
    PointerImage image;
    image.width = kPointerWidth;
    image.height = kPointerHeight;
    const auto dark = static_cast<uint8_t>(DarkestEntry(rgb768));
    const auto bright = static_cast<uint8_t>(BrightestEntry(rgb768));
    image.key = 0;
    while (image.key == dark || image.key == bright)
        ++image.key;
    image.pixels.reserve(kPointerWidth * kPointerHeight);
    for (const char *row : kPointerRows)
        for (int x = 0; x < kPointerWidth; ++x)
            image.pixels.push_back(row[x] == 'o' ? dark : row[x] == '#' ? bright : image.key);
    return image;
}

} // namespace zscript

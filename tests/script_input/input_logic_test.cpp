// The input family's plain logic: key names, mouse areas with levels, line
// editing and the built-in pointer's colours.
#include <gtest/gtest.h>

#include <cstring>

#include "script/core/input.h"
#include "script/core/palette_search.h"

namespace {

using namespace zscript;

TEST(KeyNames, EveryFamilyOfCodes)
{
    const std::pair<int, const char *> cases[] = {
        {8, "BACKSPACE"},  {127, "BACKSPACE"}, {9, "TAB"},         {10, "ENTER"},       {13, "ENTER"},
        {27, "ESCAPE"},    {32, "SPACE"},      {137, "BACKTAB"},   {161, "PAGEUP"},     {162, "PAGEDOWN"},
        {163, "END"},      {164, "HOME"},      {165, "LEFT"},      {166, "UP"},         {167, "RIGHT"},
        {168, "DOWN"},     {173, "INSERT"},    {174, "DELETE"},    {208, "F1"},         {217, "F10"},
        {218, "SHIFT F1"}, {219, "SHIFT F2"},  {227, "SHIFT F10"}, {228, "CONTROL F1"}, {237, "CONTROL F10"},
        {238, "ALT F1"},   {241, "ALT F4"},    {247, "ALT F10"},   {'a', "a"},          {'Z', "Z"},
        {169, "\xA9"},     {248, "\xF8"},      {1, "\x01"},
    };
    for (const auto &[code, name] : cases)
        EXPECT_EQ(KeyName(code), name) << code;
}

MouseArea Area(const char *name, int32_t x, int32_t y, int32_t w, int32_t h, int32_t bitmap = kNoPointerBitmap)
{
    return MouseArea{name, x, y, x + w, y + h, bitmap};
}

TEST(MouseAreas, NewestAreaWinsInsideTheCurrentLevel)
{
    MouseAreas a;
    EXPECT_EQ(a.At(0, 0), nullptr);
    ASSERT_TRUE(a.Add(Area("big", 0, 0, 40, 40)));
    ASSERT_TRUE(a.Add(Area("small", 10, 10, 10, 10)));
    ASSERT_TRUE(a.Add(Area("a-very-long-name-that-goes-beyond-31", 100, 0, 5, 5)));
    EXPECT_STREQ(a.At(10, 10)->name.c_str(), "small");
    EXPECT_STREQ(a.At(19, 19)->name.c_str(), "small");
    EXPECT_STREQ(a.At(20, 19)->name.c_str(), "big"); // right and bottom are outside
    EXPECT_STREQ(a.At(0, 39)->name.c_str(), "big");
    EXPECT_EQ(a.At(40, 0), nullptr);
    EXPECT_EQ(a.At(100, 0)->name, std::string("a-very-long-name-that-goes-beyo")); // 31 characters kept
    EXPECT_EQ(a.At(100, 0)->name.size(), 31u);

    // Removing is exact (case-sensitive) and takes the newest of the name.
    ASSERT_TRUE(a.Add(Area("big", 50, 50, 5, 5)));
    a.Remove("BIG");
    EXPECT_NE(a.At(52, 52), nullptr);
    a.Remove("big");
    EXPECT_EQ(a.At(52, 52), nullptr);
    EXPECT_NE(a.At(0, 0), nullptr);
    EXPECT_EQ(a.Count(), 3);
}

TEST(MouseAreas, LevelsPushAndPopAndTheirLimits)
{
    MouseAreas a;
    a.Add(Area("under", 0, 0, 10, 10));
    ASSERT_TRUE(a.Push());
    EXPECT_EQ(a.At(5, 5), nullptr); // the old level is stored but inactive
    a.Add(Area("over", 0, 0, 10, 10));
    EXPECT_EQ(a.At(5, 5)->name, "over");
    a.Remove("under"); // not in the current level
    a.RemoveAll();
    EXPECT_EQ(a.At(5, 5), nullptr);
    ASSERT_TRUE(a.Pop());
    EXPECT_EQ(a.At(5, 5)->name, "under");
    EXPECT_EQ(a.Count(), 1);

    // A pop without a push and a 33rd push change nothing.
    EXPECT_FALSE(a.Pop());
    EXPECT_EQ(a.Count(), 1);
    EXPECT_EQ(a.Base(), 0);
    for (int i = 0; i < kMouseLevels; ++i)
        ASSERT_TRUE(a.Push());
    EXPECT_FALSE(a.Push());
    EXPECT_EQ(a.Depth(), kMouseLevels);

    // 128 areas in all, whatever the levels.
    MouseAreas full;
    for (int i = 0; i < kMouseAreas; ++i)
        ASSERT_TRUE(full.Add(Area("x", i, 0, 1, 1)));
    full.Push();
    EXPECT_FALSE(full.Add(Area("y", 0, 0, 1, 1)));
}

TEST(LineEditor, TypingErasingAndTheEnds)
{
    using A = LineEditor::Action;
    struct Case {
        int32_t max;
        std::vector<int> keys;
        std::vector<A> actions;
        std::string text;
    };
    const Case cases[] = {
        {3, {'a', 'b', 'c', 'd', 13}, {A::Echo, A::Echo, A::Echo, A::Ignore, A::Finish}, "abc"},
        {8, {'a', 'b', 8, 'c', 13}, {A::Echo, A::Echo, A::Erase, A::Echo, A::Finish}, "ac"},
        {8, {8, 'x', 27}, {A::Ignore, A::Echo, A::Finish}, ""}, // Escape drops what was typed
        {8, {13}, {A::Finish}, ""},                             // Enter on nothing
        {8, {9, 31, 1, 'q', 241, 13}, {A::Ignore, A::Ignore, A::Ignore, A::Echo, A::Echo, A::Finish}, "q\xF1"},
        {0, {'a', 13}, {A::Ignore, A::Finish}, ""},
        {-5, {'a', 13}, {A::Ignore, A::Finish}, ""},
    };
    for (const Case &c : cases) {
        LineEditor e(c.max);
        ASSERT_EQ(c.keys.size(), c.actions.size());
        for (size_t i = 0; i < c.keys.size(); ++i)
            EXPECT_EQ(e.Key(c.keys[i]), c.actions[i]) << "key " << i << " of max " << c.max;
        EXPECT_EQ(e.Text(), c.text);
    }
}

TEST(Pointer, BuiltInImageColoursAndKey)
{
    // Grey ramp: 0 is darkest, 255 brightest; the key colour is 1.
    uint8_t pal[768];
    for (int i = 0; i < 256; ++i)
        std::memset(pal + 3 * i, i, 3);
    PointerImage p = BuiltInPointer(pal);
    ASSERT_EQ(p.width, 10);
    ASSERT_EQ(p.height, 19);
    EXPECT_EQ(p.key, 1);
    EXPECT_EQ(p.pixels[0], 0);            // 'o'
    EXPECT_EQ(p.pixels[1], 1);            // '.'
    EXPECT_EQ(p.pixels[2 * 10 + 1], 255); // '#'
    EXPECT_EQ(p.pixels[18 * 10 + 7], 0);

    // Darkest at 1 and brightest at 0: the key colour skips both.
    std::memset(pal, 255, 3);
    std::memset(pal + 3, 0, 3);
    std::memset(pal + 3 * 255, 10, 3);
    EXPECT_EQ(DarkestEntry(pal), 1);
    EXPECT_EQ(BrightestEntry(pal), 0);
    EXPECT_EQ(BuiltInPointer(pal).key, 2);

    // Ties: the first darkest, the last brightest; the darkest search weighs
    // the largest component first.
    uint8_t tie[768] = {};
    tie[3 * 5] = 9; // (9, 0, 0) weighs more than (3, 3, 3)
    tie[3 * 6] = tie[3 * 6 + 1] = tie[3 * 6 + 2] = 3;
    for (int i = 0; i < 256; ++i)
        if (i != 6)
            tie[3 * i] = tie[3 * i] ? tie[3 * i] : 20;
    EXPECT_EQ(DarkestEntry(tie), 6);
    EXPECT_EQ(BrightestEntry(tie), 6); // (3,3,3) has the largest smallest component
    uint8_t flat[768] = {};
    EXPECT_EQ(DarkestEntry(flat), 0);
    EXPECT_EQ(BrightestEntry(flat), 255);
}

} // namespace

// zorbscw's animation commands headless, on small files made by zbxgen: what
// ANIMATIONPLAY and ANIMATIONADVANCE show (the capture of every frame) must
// be what the decoder makes of the file, at the place the position rule
// gives; values the scripts store go to a file.
#include "tests/script/script_fixture.h"
#include "tests/support/zbxgen.h"

namespace {

using namespace script_test;

constexpr int kRing = 3; // index of the ring frame in the sequences below

// 16 x 8, three frames with palettes at the first and the third (and the
// first one's again in the ring frame, so every frame's palette is the one
// zbxgen's PaletteAt gives); the top-left block is the merge key colour 128
// in every frame. Every block is coded in every frame, so a seek shows the
// whole picture.
zbxgen::Description Clip(bool ring)
{
    zbxgen::Description d;
    d.width = 16;
    d.height = 8;
    d.frameRate = -100; // 1 ms per frame
    d.options.skipUnchanged = false;
    zbxgen::Rng rng(7);
    auto picture = [&](int i) {
        std::vector<uint8_t> p(16 * 8);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 16; ++x)
                p[static_cast<size_t>(y * 16 + x)] =
                    x < 4 && y < 4 ? 128 : static_cast<uint8_t>((x + 3 * y + 40 * i) % 120 + 1);
        return p;
    };
    for (int i = 0; i < 3; ++i) {
        zbxgen::Frame f;
        f.picture = picture(i);
        if (i != 1)
            f.palette = zbxgen::RandomPalette(rng);
        d.frames.push_back(f);
    }
    if (ring) {
        zbxgen::Frame f;
        f.picture = picture(3);
        f.palette = d.frames[0].palette;
        d.ringFrame = f;
    }
    return d;
}

struct Shown {
    int frame; // index into the file (kRing: the ring frame)
};

class ScriptAnimation : public ScriptRun {
protected:
    void SetUp() override
    {
        ScriptRun::SetUp();
        plain_ = Clip(false);
        ring_ = Clip(true);
        ASSERT_TRUE(zbxgen::WriteFile(plain_, (dir_ / "clip.zbx").string()));
        ASSERT_TRUE(zbxgen::WriteFile(ring_, (dir_ / "ring.zbx").string()));
    }

    // The captured screen (width x height) must show frame `index` of d at
    // (x, y) on a background of `back`, with the file's palette on every
    // entry from `firstUnlocked` on.
    void ExpectFrame(const std::string &shot, int width, int height, const zbxgen::Description &d, int index, int x,
                     int y, int back, int firstUnlocked, const std::string &what)
    {
        ASSERT_EQ(shot.size(), static_cast<size_t>(width * height + 768)) << what;
        const std::vector<uint8_t> pic = zbxgen::PictureAt(d, static_cast<size_t>(index));
        const std::array<uint8_t, 768> pal = zbxgen::PaletteAt(d, static_cast<size_t>(index));
        int wrong = 0;
        for (int sy = 0; sy < height; ++sy)
            for (int sx = 0; sx < width; ++sx) {
                const int ax = sx - x, ay = sy - y;
                const bool inside =
                    ax >= 0 && ay >= 0 && ax < static_cast<int>(d.width) && ay < static_cast<int>(d.height);
                const int want = inside ? pic[static_cast<size_t>(ay) * d.width + static_cast<size_t>(ax)] : back;
                wrong += static_cast<uint8_t>(shot[static_cast<size_t>(sy * width + sx)]) != want;
            }
        EXPECT_EQ(wrong, 0) << what << ": pixels differ from frame " << index;
        for (int i = 0; i < 768; ++i) {
            // Locked entries keep the default palette: ramps of grey, red, green and blue.
            const int entry = i / 3, ramp = entry / 64, component = i % 3;
            const int preset = ramp == 0 || component == ramp - 1 ? entry % 64 * 255 / 63 : 0;
            const int want = entry < firstUnlocked ? preset : pal[static_cast<size_t>(i)];
            if (static_cast<uint8_t>(shot[static_cast<size_t>(width * height + i)]) != want) {
                ADD_FAILURE() << what << ": palette byte " << i << " of frame " << index;
                break;
            }
        }
    }

    zbxgen::Description plain_, ring_;
};

TEST_F(ScriptAnimation, OpenQueriesListAndErrors)
{
    Result r = Script("FILECREATE o 'out.txt'\nANIMATIONOPEN a 0 'missing'\nANIMATIONOPEN b 3 'CLIP'\n"
                      "ANIMATIONOPEN c 0 'ring.zbx'\nANIMATIONWIDTH w b\nANIMATIONHEIGHT h b\nANIMATIONFRAMES f c\n"
                      "ANIMATIONSTILLDELAY s b\nANIMATIONCLOSE b\nANIMATIONOPEN d 0 'clip'\n"
                      "SCREENGRAPHICS ok 32 16\nDEBUGFILE 'list.txt'\nANIMATIONLIST\nDEBUGFILE ''\n"
                      "FILEWRITE o '%a% %b% %c% %w% %h% %f% %d%'\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read("out.txt"), "0 3000 3001 16 8 3 3000\r\n");
    const std::string list = Read("list.txt");
    EXPECT_NE(list.find("Number: 3000  Name: clip  Width: 16  Height: 8\r\n"), std::string::npos) << list;
    EXPECT_NE(list.find("Number: 3001  Name: ring  Width: 16  Height: 8\r\n"), std::string::npos) << list;

    const struct {
        const char *script, *message;
    } bad[] = {
        {"ANIMATIONOPEN a 0 'missing'\nANIMATIONCLOSE a\n", "Bad animation parameter:\n    ANIMATIONCLOSE a"},
        {"ANIMATIONWIDTH w 3032\n", "Bad animation parameter:"},
        {"ANIMATIONOPEN a 0 'clip'\nANIMATIONCLOSE a\nANIMATIONADVANCE a\n", "Bad animation parameter:"},
        {"ANIMATIONLIST\n", "A window hasn't been created yet"},
        {"ANIMATIONPLAY r 0 0 1 0 'clip'\n", "A window hasn't been created yet"},
        {"ANIMATIONOPEN a 0 'clip'\nANIMATIONTOBITMAP a 9000\n", "Bad frame parameter:"},
    };
    for (const auto &c : bad) {
        r = Script(c.script);
        EXPECT_EQ(r.status, 1) << c.script;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.script << r.err;
    }
}

// ANIMATIONPLAY: position rule, loop counts, the ring frame and palette locks.
TEST_F(ScriptAnimation, PlayShowsTheDecodedFrames)
{
    // Keys typed before the play: "a", then Escape (the DELAY is the first wait).
    const std::string keys = "ZORBSCW_TEST_INPUT='1:text=a,1:key=Escape'";
    const struct {
        const char *name;
        std::string prefix, play;
        int width, height; // screen
        bool ring;
        int x, y; // where the animation must appear
        std::vector<int> frames;
        int firstUnlocked = 0;
        std::string env = {}, result = "1";
        size_t before = 0; // captures before the play (waits)
    } cases[] = {
        {"centred once", "", "ANIMATIONPLAY r -1 -1 1 0 'clip'", 64, 48, false, 24, 20, {0, 1, 2}},
        {"three times", "", "ANIMATIONPLAY r 0 0 3 0 'clip'", 32, 16, false, 0, 0, {0, 1, 2, 0, 1, 2, 0, 1, 2}},
        {"loop count 0", "", "ANIMATIONPLAY r 0 0 0 0 'clip'", 32, 16, false, 0, 0, {}},
        {"x rounded down, y not", "", "ANIMATIONPLAY r 13 5 1 0 'clip'", 32, 16, false, 12, 5, {0, 1, 2}},
        {"origin added", "SCREENADJUSTXY 4 2\n", "ANIMATIONPLAY r 1 1 1 0 'clip'", 32, 16, false, 4, 3, {0, 1, 2}},
        {"larger than the screen", "", "ANIMATIONPLAY r -1 -1 1 0 'clip'", 8, 4, false, 0, 0, {0, 1, 2}},
        {"ring frame", "", "ANIMATIONPLAY r 0 0 2 0 'ring'", 32, 16, true, 0, 0, {0, 1, 2, kRing, 1, 2}},
        {"palette locks",
         "SCREENPALETTELOCK 0 16 1\n",
         "ANIMATIONPLAY r 0 0 1 0 'clip'",
         32,
         16,
         false,
         0,
         0,
         {0, 1, 2},
         16},
        {"no palettes", "", "ANIMATIONPLAY r 0 0 1 512 'clip'", 32, 16, false, 0, 0, {0, 1, 2}, 256},
        {"open slot",
         "ANIMATIONOPEN a 0 'clip'\nANIMATIONTOSCREEN a 0 0\nANIMATIONADVANCE a\n",
         "ANIMATIONPLAY r 0 0 1 0 a",
         32,
         16,
         false,
         0,
         0,
         {1, 2}},
        // Escape ends an endless play after the frame that read it; another
        // key is consumed on the way.
        {"until Escape",
         "DELAY 0\n",
         "ANIMATIONPLAY r 0 0 -1 128 'clip'",
         32,
         16,
         false,
         0,
         0,
         {0, 1},
         0,
         keys,
         "1",
         1},
        // Without the Escape flag the keys stay for the script.
        {"keys kept",
         "DELAY 0\n",
         "ANIMATIONPLAY r 0 0 1 0 'clip'\nINPUTCHARORDELAY k 0\nVARSET r '%r% %k%'",
         32,
         16,
         false,
         0,
         0,
         {0, 1, 2},
         0,
         keys,
         "1 a",
         1},
    };
    for (const auto &c : cases) {
        Write("t.zs", "SCREENGRAPHICS ok " + std::to_string(c.width) + " " + std::to_string(c.height) + "\n" +
                          c.prefix + c.play + "\nFILECREATE o 'out.txt'\nFILEWRITE o r\n");
        const Result r = Run("t.zs", c.env);
        ASSERT_EQ(r.status, 0) << c.name << r.err;
        EXPECT_EQ(Read("out.txt"), c.result + "\r\n") << c.name;
        // One capture per frame shown, and the last picture when the window closes.
        ASSERT_GE(r.frames.size(), c.before + c.frames.size() + 1) << c.name;
        const auto &d = c.ring ? ring_ : plain_;
        for (size_t i = 0; i < c.frames.size(); ++i)
            ExpectFrame(r.frames[c.before + i], c.width, c.height, d, c.frames[i], c.x, c.y, 0, c.firstUnlocked,
                        std::string(c.name) + " frame " + std::to_string(i));
        const std::string &after = r.frames[c.before + c.frames.size()];
        if (c.frames.empty()) {
            EXPECT_EQ(after.substr(0, static_cast<size_t>(c.width * c.height)),
                      std::string(static_cast<size_t>(c.width * c.height), '\0'))
                << c.name;
        } else {
            EXPECT_EQ(after, r.frames[c.before + c.frames.size() - 1]) << c.name << ": the last frame stays";
        }
    }
}

// ADVANCE at the last frame of a file without the ring frame leaves the
// advance pending; seeking drops it.
TEST_F(ScriptAnimation, AdvanceDelayAndSeeking)
{
    const std::string step = "ANIMATIONADVANCE a\nANIMATIONDELAY a\n";
    for (bool ring : {false, true}) {
        const Result r = Script(std::string("SCREENGRAPHICS ok 32 16\nANIMATIONOPEN a 0 '") + (ring ? "ring" : "clip") +
                                "'\nANIMATIONTOSCREEN a 5 2\n" + step + step + step + step + step +
                                "ANIMATIONGOTO a 2\n" + step + "ANIMATIONBACKTOSTART a\n" + step +
                                "ANIMATIONGOTO a 3\nANIMATIONADVANCENOPALETTE a\nANIMATIONDELAY a\n");
        ASSERT_EQ(r.status, 0) << r.err;
        const std::vector<int> want =
            ring ? std::vector<int>{0, 1, 2, kRing, 1, 1, 0, 2} : std::vector<int>{0, 1, 2, 0, 1, 1, 0, 2};
        ASSERT_EQ(r.frames.size(), want.size() + 1);
        const auto &d = ring ? ring_ : plain_;
        for (size_t i = 0; i + 1 < want.size(); ++i)
            ExpectFrame(r.frames[i], 32, 16, d, want[i], 4, 2, 0, 0, "step " + std::to_string(i));
        // Without palette changes the last step keeps the palette of frame 1.
        const std::string &last = r.frames[want.size() - 1];
        const std::vector<uint8_t> pic = zbxgen::PictureAt(d, 2);
        EXPECT_EQ(static_cast<uint8_t>(last[2 * 32 + 4 + 15]), pic[15]);
        const std::array<uint8_t, 768> pal = zbxgen::PaletteAt(d, 0);
        EXPECT_EQ(last.substr(32 * 16), std::string(pal.begin(), pal.end()));
    }
}

// Play flags: save and restore, merge over the background with the
// transparent text colour, fade out, no drawing, a file that is not there.
TEST_F(ScriptAnimation, PlayFlags)
{
    const std::string screen = "SCREENGRAPHICS ok 32 16\nSCREENFADESPEED 1\nSCREENCLEAR 5\n";
    // Save and restore: the screen and its palette are back afterwards.
    Result r = Script(screen + "ANIMATIONPLAY r 8 4 1 16 'clip'\n");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.frames.size(), 4u); // three frames, the restored screen at the close
    ExpectFrame(r.frames[2], 32, 16, plain_, 2, 8, 4, 5, 0, "saved, last frame");
    EXPECT_EQ(r.frames[3].substr(0, 32 * 16), std::string(32 * 16, '\5'));
    EXPECT_EQ(static_cast<uint8_t>(r.frames[3][32 * 16 + 3 * 40]), 40 * 255 / 63); // the grey ramp is back

    // Merge: the key colour shows the background; the background comes back.
    r = Script(screen + "ANIMATIONPLAY r 8 4 1 256 'clip'\n");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.frames.size(), 4u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(r.frames[static_cast<size_t>(i)][4 * 32 + 8], 5) << i;
        EXPECT_EQ(static_cast<uint8_t>(r.frames[static_cast<size_t>(i)][8 * 32 + 8 + 4]),
                  zbxgen::PictureAt(plain_, static_cast<size_t>(i))[4 * 16 + 4])
            << i;
    }
    EXPECT_EQ(r.frames[3].substr(0, 32 * 16), std::string(32 * 16, '\5'));

    // Fade out: from the last palette to black in 16 steps.
    r = Script(screen + "ANIMATIONPLAY r 0 0 1 64 'clip'\n");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.frames.size(), 3u + 16u + 1u); // three frames, the steps, the close
    EXPECT_EQ(r.frames.back().substr(32 * 16), std::string(768, '\0'));

    // Fade in: the first picture in 16 steps, the last one with the exact palette.
    r = Script(screen + "ANIMATIONPLAY r 0 0 1 32 'clip'\n");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_GE(r.frames.size(), 16u);
    ExpectFrame(r.frames[15], 32, 16, plain_, 0, 0, 0, 5, 0, "faded in");

    // No drawing needs no window; a missing file gives 0 and shows nothing.
    r = Script("ANIMATIONPLAY r 0 0 2 1024 'clip'\nSCREENGRAPHICS ok 32 16\nSCREENCLEAR 5\n"
               "ANIMATIONPLAY m 0 0 1 0 'missing'\nFILECREATE o 'out.txt'\nFILEWRITE o '%r% %m%'\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read("out.txt"), "1 0\r\n");
    ASSERT_EQ(r.frames.size(), 1u);
    EXPECT_EQ(r.frames[0].substr(0, 32 * 16), std::string(32 * 16, '\5'));
}

// ANIMATIONLOADTOBITMAP: the last name gets the bitmap allocated first; no
// file or no free bitmap gives 0 to every name. ANIMATIONTOBITMAP: frames
// decode into the bitmap, which takes the palette of frames that carry one.
TEST_F(ScriptAnimation, Bitmaps)
{
    // Pixel (5, 6) and the first palette entry of a bitmap.
    const std::string probe = "BITMAPGETPIXEL p %1 5 6\nBITMAPGETPALETTEVALUE v %1 0\nVARSET s '%s% %p%/%v%'\n";
    auto look = [&](const std::string &bitmap) {
        std::string text = probe;
        for (size_t at; (at = text.find("%1")) != std::string::npos;)
            text.replace(at, 2, bitmap);
        return text;
    };
    Result r =
        Script("FILECREATE o 'out.txt'\nANIMATIONLOADTOBITMAP 'clip' a b c\n" + look("a") + look("b") + look("c") +
               "ANIMATIONLOADTOBITMAP 'missing' d e # none\n"
               "ANIMATIONOPEN m 0 'clip'\nBITMAPALLOC t 16 8\nANIMATIONTOBITMAP m t\nANIMATIONADVANCE m\n" +
               look("t") + "ANIMATIONADVANCE m\n" + look("t") + "ANIMATIONADVANCENOPALETTE m\n" + look("t") +
               ":L\nBITMAPALLOC x 1 1\nIF x <> 0 GOTO 'L'\nANIMATIONLOADTOBITMAP 'clip' f g\n"
               "FILEWRITE o '%a% %b% %c% [%d%%e%%f%%g%]%s%'\n");
    ASSERT_EQ(r.status, 0) << r.err;
    std::string want = "9001 9002 9000 [0000]";
    auto pixel = [&](int frame, bool palette) {
        const std::vector<uint8_t> pic = zbxgen::PictureAt(plain_, static_cast<size_t>(frame));
        const std::array<uint8_t, 768> pal = zbxgen::PaletteAt(plain_, static_cast<size_t>(frame));
        return " " + std::to_string(pic[6 * 16 + 5]) + "/" +
               std::to_string(palette ? pal[0] + pal[1] * 256 + pal[2] * 65536 : 0);
    };
    want += pixel(0, true) + pixel(1, false) + pixel(2, true);  // a, b, c
    want += pixel(0, true) + pixel(1, false) + pixel(2, false); // t after each advance
    EXPECT_EQ(Read("out.txt"), want + "\r\n");

    // A freed target bitmap or a closed window: the animation decodes its sound only.
    r = Script("ANIMATIONOPEN m 0 'clip'\nBITMAPALLOC t 16 8\nANIMATIONTOBITMAP m t\nBITMAPFREE t\n"
               "ANIMATIONADVANCE m\nANIMATIONADVANCE m\nSCREENGRAPHICS ok 32 16\nANIMATIONTOSCREEN m 0 0\n"
               "SCREENTEXT\nANIMATIONADVANCE m\nSCREENGRAPHICS ok 64 64\nANIMATIONADVANCE m\n");
    EXPECT_EQ(r.status, 0) << r.err;
}

// The sound track selected with ANIMATIONTRACKS plays through the sound
// output while the animation plays: the device gets every frame's sound, in
// order (on a busy machine the sound output may put silence between them).
TEST_F(ScriptAnimation, SoundTrackPlays)
{
    zbxgen::Description d = Clip(false);
    d.frameRate = 20;
    zbxgen::SoundFormat format;
    format.rate = 8000;
    d.tracks[0] = format;
    zbxgen::Rng rng(3);
    std::vector<std::string> chunks;
    for (auto &f : d.frames) {
        zbxgen::SoundChunk chunk;
        chunk.pcm = zbxgen::RandomSound(format, 160, rng);
        chunks.emplace_back(chunk.pcm.begin(), chunk.pcm.end());
        f.sound[0] = chunk;
    }
    ASSERT_TRUE(zbxgen::WriteFile(d, (dir_ / "tune.zbx").string()));
    Write("t.zs", "ANIMATIONTRACKS 1\nANIMATIONPLAY r 0 0 1 1024 'tune'\n");
    const Result r = Run("t.zs", "SDL_AUDIODRIVER=disk ZORB_SOUND_DEVICE='" + (dir_ / "track%u.raw").string() + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string device = Read("track1.raw");
    size_t at = 0;
    for (const std::string &chunk : chunks) {
        at = device.find(chunk, at);
        ASSERT_NE(at, std::string::npos) << device.size();
        at += chunk.size();
    }
}

} // namespace

namespace {

using namespace script_test;

// The bundled presentation runs through every part headless: Return on the
// title, Escape during the animation, "2" for the bitmap effect, Return after
// it, "3" (quit) at the menu.
class ScriptPresentation : public ScriptRun {};

TEST_F(ScriptPresentation, RunsToItsEnd)
{
    const fs::path script = fs::path(ZORB_BINARY_DIR) / "demo" / "presentation.zs";
    if (!fs::exists(script) || !fs::exists(script.parent_path() / "demo.zbx"))
        GTEST_SKIP() << "the presentation is made by the build (target presentation)";
    const Result r = Run("'" + script.string() + "'",
                         "ZORBSCW_TEST_INPUT='1:key=Return,1:key=Escape,2:text=2,19:key=Return,20:text=3'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("Error"), std::string::npos) << r.err;
    // Title, the one animation frame, the menu, 16 steps of blinds, the caption, the menu again, the end,
    // and the 16 steps of each of its six fades.
    ASSERT_EQ(r.frames.size(), 22u + 6u * 16u);
    EXPECT_NE(r.frames[1], r.frames[0]);
}

} // namespace

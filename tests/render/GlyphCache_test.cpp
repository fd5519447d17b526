#include "render/GlyphCache.h"

#include "render/GlyphRasteriser.h"
#include "render/TextureLoader.h"
#include "render/TextureObjects.h"
#include "tests/render/GlFrame.h"
#include "tests/sgi/PnmImage.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <FL/Enumerations.H>
#include <FL/gl.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

using render::GlyphCache;

std::vector<unsigned> codesOf(std::string_view text) {
    std::vector<unsigned> codes;
    for (size_t position = 0; position < text.size();) {
        unsigned code = 0;
        position = GlyphCache::nextCode(text, position, code);
        codes.push_back(code);
    }
    return codes;
}

TEST(GlyphCache, CharactersAndTheirGlyphs) {
    struct Case {
        const char* text;
        std::vector<unsigned> codes;
    };
    const Case cases[] = {
        {"Az 9~", {'A', 'z', ' ', '9', '~'}},
        {"caf\xC3\xA9", {'c', 'a', 'f', 0xE9}}, // UTF-8
        {"caf\xE9", {'c', 'a', 'f', 0xE9}},     // Latin-1
        {"20\xC2\xB0\xC2\xA0!", {'2', '0', 0xB0, 0xA0, '!'}},
        {"5\xE2\x82\xAC", {'5', '?'}},                          // a character no font here has
        {"\xF0\x9F\x9A\x92.", {'?', '.'}},                      // four bytes, one placeholder
        {"\xC4\x80", {'?'}},                                    // beyond Latin-1
        {"a\xE2\x82", {'a', 0xE2, '?'}},                        // cut short at the end
        {"\xC0\x80\xE0\x80\xAF", {0xC0, '?', 0xE0, '?', 0xAF}}, // overlong forms
        {"\xC3(", {0xC3, '('}},                                 // no continuation
        {"\t\x7F\x01\x85\x9F", {'?', '?', '?', '?', '?'}},      // control characters
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(codesOf(c.text), c.codes);
    }
}

// A 512 x 256 surface showing 512 x 256 world units from (0, 0): a coordinate is a pixel, so the
// cache and FLTK's text start at exactly the same raster position.
class GlyphCacheFrame : public testing::Test {
protected:
    GlyphCacheFrame() {
        frame.view().setCenter(256, 128);
        frame.view().setViewWidth(512);
    }

    bool drawCached(int font, int size, std::string_view text, double x, double y) {
        return frame.drawFramed([&](DrawContext&) {
            glColor3d(0, 0, 0);
            cache.draw(font, size, text, x, y, placement);
            GlyphCache::finish();
        });
    }

    // FLTK's GL text, glyph by glyph, each at the pen position the cache gives it.
    bool drawByFltk(int font, int size, std::string_view text, double x, double y) {
        return frame.drawFramed([&](DrawContext&) {
            glColor3d(0, 0, 0);
            float pen = 0.0f;
            for (unsigned code : codesOf(text)) {
                const float advance = cache.advance(font, size, code);
                gl_font(font, size);
                glRasterPos2d(x, y);
                glBitmap(0, 0, 0, 0, pen, 0, nullptr);
                render::GlyphRasteriser::drawGlyph(code);
                pen += advance;
            }
        });
    }

    int inkCount() const { return frame.count(0, 0, frame.width(), frame.height(), isInk); }

    static bool isInk(const rendertest::Pixel& p) { return rendertest::near(p, 0, 0, 0, 40); }

    rendertest::GlFrame frame{512, 256};
    GlyphCache& cache = GlyphCache::shared();
    const GlyphCache::Placement placement{1.0, 1.0, 512, 256};
};

TEST_F(GlyphCacheFrame, DrawsWhatFltkDrawsGlyphByGlyph) {
    struct Case {
        int font;
        int size;
        const char* text;
        double x;
        double y;
    };
    const Case cases[] = {
        {FL_HELVETICA, 16, "Survey Car 12, Leg 3", 20, 200},
        {FL_HELVETICA_BOLD, 17, "Mobile  Command 007", 20.5, 150.25},
        {FL_HELVETICA, 6, "Speed 54 km/h (gj)", 7.75, 100.5},
        {FL_HELVETICA, 21, "Temp\xC3\xA9rature \xB1\xB0 \xE2\x82\xAC", 3, 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_TRUE(drawByFltk(c.font, c.size, c.text, c.x, c.y));
        const rendertest::FramePixels fltk = frame.pixels();
        ASSERT_TRUE(drawCached(c.font, c.size, c.text, c.x, c.y));
        EXPECT_GT(inkCount(), 20);
        EXPECT_EQ(frame.pixels().countDifferent(fltk), 0);
    }
}

TEST_F(GlyphCacheFrame, MovesAsFltkMovesOverAWholeText) {
    // No blank and no placeholder: FLTK's text as one string places every glyph itself.
    for (int font : {FL_HELVETICA, FL_HELVETICA_BOLD}) {
        SCOPED_TRACE(font);
        const char* text = "Patrol-North_07/Kilo";
        float fltkWidth = 0.0f;
        ASSERT_TRUE(frame.drawFramed([&](DrawContext&) {
            glColor3d(0, 0, 0);
            gl_font(font, 16);
            gl_draw(text, 12.0f, 60.0f);
            GLfloat position[4];
            glGetFloatv(GL_CURRENT_RASTER_POSITION, position);
            fltkWidth = position[0] - 12.0f;
        }));
        const rendertest::FramePixels fltk = frame.pixels();
        ASSERT_TRUE(drawCached(font, 16, text, 12, 60));
        EXPECT_EQ(frame.pixels().countDifferent(fltk), 0);
        EXPECT_EQ(cache.width(font, 16, text), fltkWidth);
    }
}

TEST_F(GlyphCacheFrame, LongTextWithBytesAbove127EndingInACutSequence) {
    // Exactly as long as the text, with no terminator, so reading past it is a sanitizer fault.
    constexpr size_t kLength = 250;
    std::unique_ptr<char[]> text(new char[kLength]);
    for (size_t i = 0; i < kLength; ++i) {
        text[i] = static_cast<char>(i % 3 == 0 ? 0x80 + i % 128 : 'A' + i % 26);
    }
    text[kLength - 2] = '\xE2';
    text[kLength - 1] = '\x82';
    const std::string_view view(text.get(), kLength);
    ASSERT_TRUE(drawCached(FL_HELVETICA, 12, view, 5, 100));
    EXPECT_GT(inkCount(), 100);
    EXPECT_GT(cache.width(FL_HELVETICA, 12, view), 512);
}

TEST_F(GlyphCacheFrame, LearningGlyphsLeavesTheFrameAsItWas) {
    GlyphCache::contextRecreated(); // the next text learns its glyphs anew, inside this frame
    ASSERT_TRUE(frame.drawFramed([&](DrawContext&) {
        glDisable(GL_BLEND);
        glColor3d(1, 0, 0);
        glRectd(0, 0, 512, 256);
        glColor3d(0, 0, 0);
        cache.draw(FL_HELVETICA, 30, "Wide", 400, 220, placement);
        GlyphCache::finish();
    }));
    // Everything but the text's corner is as painted, the corner where glyphs are learnt too.
    auto red = [](const rendertest::Pixel& p) { return rendertest::near(p, 255, 0, 0); };
    EXPECT_EQ(frame.count(0, 0, 380, 256, red), 380 * 256);
    EXPECT_EQ(frame.count(380, 40, 512, 256, red), 132 * 216);
    EXPECT_GT(frame.count(380, 0, 512, 40, isInk), 0);
}

TEST_F(GlyphCacheFrame, ANewContextGetsItsGlyphsAgain) {
    ASSERT_TRUE(drawCached(FL_HELVETICA, 16, "Convoy Lead", 30, 100));
    const rendertest::FramePixels before = frame.pixels();
    const int32_t oldName = cache.textureName();
    frame.dropContext();
    ASSERT_TRUE(drawCached(FL_HELVETICA, 16, "Convoy Lead", 30, 100));
    EXPECT_EQ(frame.pixels().countDifferent(before), 0);
    EXPECT_NE(cache.textureName(), oldName);
}

TEST_F(GlyphCacheFrame, TextureLoadsNeverTakeTheGlyphTexture) {
    testsupport::TempDir dir;
    PnmImage picture(8, 8, 3, 255);
    ASSERT_TRUE(picture.write(dir.file("icon.ppm")));
    const std::string image = dir.file("icon.sgi");
    ASSERT_EQ(std::system(("pnmtosgi " + dir.file("icon.ppm") + " > " + image).c_str()), 0);
    int32_t first = -1;
    int32_t second = -1;
    ASSERT_TRUE(frame.drawFramed([&](DrawContext&) {
        first = render::TextureLoader::loadTextureImage(image.c_str());
        glColor3d(0, 0, 0);
        cache.draw(FL_HELVETICA, 16, "Water Tanker", 30, 100, placement);
        GlyphCache::finish();
        second = render::TextureLoader::loadTextureImage(image.c_str());
    }));
    const rendertest::FramePixels before = frame.pixels();
    EXPECT_GT(first, 0);
    EXPECT_EQ(cache.textureName(), first + 1);
    EXPECT_EQ(second, first + 2);
    ASSERT_TRUE(drawCached(FL_HELVETICA, 16, "Water Tanker", 30, 100));
    EXPECT_EQ(frame.pixels().countDifferent(before), 0);
}

TEST_F(GlyphCacheFrame, WithoutTextureObjectsFltkDrawsTheSameText) {
    const char* text = "Fuel Tanker 2 \xB1\xC3\xBC";
    ASSERT_TRUE(drawCached(FL_HELVETICA_BOLD, 18, text, 15.5, 120));
    const rendertest::FramePixels textured = frame.pixels();
    render::TextureObjects::probe("");
    ASSERT_TRUE(drawCached(FL_HELVETICA_BOLD, 18, text, 15.5, 120));
    EXPECT_EQ(frame.pixels().countDifferent(textured), 0);
    GlyphCache::contextRecreated(); // learnt again without texture objects
    ASSERT_TRUE(drawCached(FL_HELVETICA_BOLD, 18, text, 15.5, 120));
    EXPECT_EQ(frame.pixels().countDifferent(textured), 0);
    render::TextureObjects::probe("GL_EXT_texture_object");
}

TEST(GlyphCacheSmallWindow, TextLargerThanTheWindowIsDrawnByFltkAtTheSamePlaces) {
    // A glyph cell of a 40-pixel font does not fit a 64 x 48 window: no glyph can be learnt there.
    rendertest::GlFrame frame(64, 48);
    frame.view().setCenter(32, 24);
    frame.view().setViewWidth(64);
    GlyphCache& cache = GlyphCache::shared();
    const char* text = "W g";
    ASSERT_TRUE(frame.drawFramed([&](DrawContext&) {
        glColor3d(0, 0, 0);
        cache.draw(FL_HELVETICA, 40, text, 2, 12, GlyphCache::Placement{1.0, 1.0, 64, 48});
        GlyphCache::finish();
    }));
    const rendertest::FramePixels cached = frame.pixels();
    ASSERT_TRUE(frame.drawFramed([&](DrawContext&) {
        glColor3d(0, 0, 0);
        gl_font(FL_HELVETICA, 40);
        glRasterPos2d(2, 12);
        gl_draw("W", 1);
        glBitmap(0, 0, 0, 0, cache.advance(FL_HELVETICA, 40, ' '), 0, nullptr);
        gl_draw("g", 1);
    }));
    EXPECT_EQ(cached.countDifferent(frame.pixels()), 0);
    EXPECT_GT(frame.count(0, 0, 64, 48,
                          [](const rendertest::Pixel& p) { return rendertest::near(p, 0, 0, 0); }),
              50);
}

// On an X server without Helvetica, FLTK's GL text falls back on the core "fixed" font, whose
// blank does not move the raster position. The check runs in a second virtual X server with the
// fonts of a fresh machine only (xfonts-base), started by the test below.
TEST(GlyphCacheWithoutHelvetica, BlanksKeepTheirWidth) {
    if (std::getenv("TARNELL_FIXED_FONT_CHECK") == nullptr) {
        GTEST_SKIP() << "runs inside FixedFontServer.BlanksKeepTheirWidth";
    }
    rendertest::GlFrame frame(512, 256);
    frame.view().setCenter(256, 128);
    frame.view().setViewWidth(512);
    float fltkBlank = -1.0f;
    ASSERT_TRUE(frame.drawFramed([&](DrawContext&) {
        gl_font(FL_HELVETICA, 16);
        glRasterPos2d(10, 10);
        gl_draw(" ", 1);
        GLfloat position[4];
        glGetFloatv(GL_CURRENT_RASTER_POSITION, position);
        fltkBlank = position[0] - 10.0f;
    }));
    EXPECT_EQ(fltkBlank, 0.0f) << "this server's fonts do not show the fault";
    GlyphCache& cache = GlyphCache::shared();
    const GlyphCache::Placement placement{1.0, 1.0, 512, 256};
    auto inkWidth = [&](const char* text) {
        EXPECT_TRUE(frame.drawFramed([&](DrawContext&) {
            glColor3d(0, 0, 0);
            cache.draw(FL_HELVETICA, 16, text, 20, 100, placement);
            GlyphCache::finish();
        }));
        const rendertest::PixelBox ink =
            frame.pixels().bounds(0, 0, 512, 256, [](const rendertest::Pixel& p) {
                return rendertest::near(p, 0, 0, 0);
            });
        return ink.right - ink.left + 1;
    };
    const int joined = inkWidth("II");
    EXPECT_GE(inkWidth("I   I"), joined + 3 * 4);
    EXPECT_EQ(cache.advance(FL_HELVETICA, 16, ' '), static_cast<float>(gl_width(" ")));
}

TEST(FixedFontServer, BlanksKeepTheirWidth) {
    testsupport::TempDir dir;
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string command = "TARNELL_FIXED_FONT_CHECK=1 xvfb-run -a -s '-screen 0 640x480x24 "
                                "-fp /usr/share/fonts/X11/misc,built-ins' '" +
                                self +
                                "' --gtest_filter=GlyphCacheWithoutHelvetica.BlanksKeepTheirWidth"
                                " > '" +
                                dir.file("out.txt") + "' 2>&1";
    const int status = std::system(command.c_str());
    std::ifstream output(dir.file("out.txt"));
    const std::string text((std::istreambuf_iterator<char>(output)),
                           std::istreambuf_iterator<char>());
    EXPECT_EQ(status, 0) << text;
    EXPECT_NE(text.find("[  PASSED  ] 1 test"), std::string::npos) << text;
}

} // namespace

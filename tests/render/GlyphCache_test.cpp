#include "render/GlyphCache.h"

#include "render/GlyphRasteriser.h"
#include "render/TextureLoader.h"
#include "render/TextureObjects.h"
#include "tests/support/GlFrame.h"

#include <FL/Enumerations.H>
#include <FL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using render::GlyphCache;
using rendertest::GlFrame;

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
    const struct {
        const char* text;
        std::vector<unsigned> codes;
    } cases[] = {
        {"Az 9~", {'A', 'z', ' ', '9', '~'}},
        {"caf\xC3\xA9", {'c', 'a', 'f', 0xE9}},                 // UTF-8
        {"caf\xE9", {'c', 'a', 'f', 0xE9}},                     // Latin-1
        {"20\xC2\xB0\xC2\xA0!", {'2', '0', 0xB0, 0xA0, '!'}},   // two-byte forms in a row
        {"5\xE2\x82\xAC", {'5', '?'}},                          // a character no font here has
        {"\xF0\x9F\x9A\x92.", {'?', '.'}},                      // four bytes, one placeholder
        {"\xC4\x80", {'?'}},                                    // beyond Latin-1
        {"a\xE2\x82", {'a', 0xE2, '?'}},                        // cut short at the end
        {"\xC0\x80\xE0\x80\xAF", {0xC0, '?', 0xE0, '?', 0xAF}}, // overlong forms
        {"\xC3(", {0xC3, '('}},                                 // no continuation
        {"\t\x7F\x01\x85\x9F", {'?', '?', '?', '?', '?'}},      // control characters
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(codesOf(c.text), c.codes);
    }
}

bool ink(const rendertest::Pixel& p) {
    return rendertest::near(p, 0, 0, 0, 40);
}

// The cache's text in black at (x, y); with 1 world unit a pixel, a coordinate is a raster place.
bool drawCached(GlFrame& frame, int font, int size, std::string_view text, double x, double y) {
    return frame.drawFramed([&](DrawContext& context) {
        glColor3d(0, 0, 0);
        GlyphCache::shared().draw(font, size, text, x, y,
                                  {1.0, 1.0, context.width, context.height});
        GlyphCache::finish();
    });
}

// FLTK's own GL text: the whole string at once, or glyph by glyph at the cache's pen positions.
bool drawByFltk(GlFrame& frame, int font, int size, const char* text, double x, double y,
                bool whole, float* width = nullptr) {
    return frame.drawFramed([&](DrawContext&) {
        glColor3d(0, 0, 0);
        gl_font(font, size);
        if (whole) {
            gl_draw(text, static_cast<float>(x), static_cast<float>(y));
            GLfloat position[4];
            glGetFloatv(GL_CURRENT_RASTER_POSITION, position);
            *width = position[0] - static_cast<float>(x);
            return;
        }
        float pen = 0.0f;
        for (unsigned code : codesOf(text)) {
            glRasterPos2d(x, y);
            glBitmap(0, 0, 0, 0, pen, 0, nullptr);
            render::GlyphRasteriser::drawGlyph(code);
            pen += GlyphCache::shared().advance(font, size, code);
        }
    });
}

TEST(GlyphCacheFrame, DrawsPixelForPixelWhatFltkDraws) {
    GlFrame frame(512, 256, 256, 128, 512);
    const struct {
        int font, size;
        const char* text;
        double x, y;
        bool whole; // no blank and no placeholder: FLTK's whole string places every glyph
    } cases[] = {
        {FL_HELVETICA, 16, "Survey Car 12, Leg 3", 20, 200, false},
        {FL_HELVETICA_BOLD, 17, "Mobile  Command 007", 20.5, 150.25, false},
        {FL_HELVETICA, 6, "Speed 54 km/h (gj)", 7.75, 100.5, false},
        {FL_HELVETICA, 21, "Temp\xC3\xA9rature \xB1\xB0 \xE2\x82\xAC", 3, 30, false},
        {FL_HELVETICA, 16, "Patrol-North_07/Kilo", 12, 60, true},
        {FL_HELVETICA_BOLD, 16, "Patrol-North_07/Kilo", 12, 60, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        float fltkWidth = 0;
        ASSERT_TRUE(drawByFltk(frame, c.font, c.size, c.text, c.x, c.y, c.whole, &fltkWidth));
        const rendertest::FramePixels fltk = frame.pixels();
        ASSERT_TRUE(drawCached(frame, c.font, c.size, c.text, c.x, c.y));
        EXPECT_GT(frame.countAll(ink), 20);
        EXPECT_EQ(frame.countDifferent(fltk), 0);
        if (c.whole) {
            EXPECT_EQ(GlyphCache::shared().width(c.font, c.size, c.text), fltkWidth);
        }
    }
    // No terminator after the last byte, so reading past the text is a sanitizer fault.
    constexpr size_t kLength = 250;
    std::unique_ptr<char[]> text(new char[kLength]);
    for (size_t i = 0; i < kLength; ++i) {
        text[i] = static_cast<char>(i % 3 == 0 ? 0x80 + i % 128 : 'A' + i % 26);
    }
    text[kLength - 2] = '\xE2';
    text[kLength - 1] = '\x82';
    ASSERT_TRUE(drawCached(frame, FL_HELVETICA, 12, {text.get(), kLength}, 5, 100));
    EXPECT_GT(frame.countAll(ink), 100);
    EXPECT_GT(GlyphCache::shared().width(FL_HELVETICA, 12, {text.get(), kLength}), 512);
}

// Learning glyphs inside a frame leaves it as painted; a new context, a texture load in the same
// frame, or a GL without texture objects all give the same text again.
TEST(GlyphCacheFrame, ContextsTexturesAndGlWithoutTextureObjects) {
    GlFrame frame(512, 256, 256, 128, 512);
    GlyphCache& cache = GlyphCache::shared();
    GlyphCache::contextRecreated();
    ASSERT_TRUE(frame.drawFramed([&](DrawContext&) {
        glDisable(GL_BLEND);
        glColor3d(1, 0, 0);
        glRectd(0, 0, 512, 256);
        glColor3d(0, 0, 0);
        cache.draw(FL_HELVETICA, 30, "Wide", 400, 220, {1.0, 1.0, 512, 256});
        GlyphCache::finish();
    }));
    auto red = [](const rendertest::Pixel& p) { return rendertest::near(p, 255, 0, 0); };
    EXPECT_EQ(frame.count(0, 0, 380, 256, red), 380 * 256);
    EXPECT_EQ(frame.count(380, 40, 512, 256, red), 132 * 216);
    EXPECT_GT(frame.count(380, 0, 512, 40, ink), 0);

    const char* text = "Fuel Tanker 2 \xB1\xC3\xBC";
    ASSERT_TRUE(drawCached(frame, FL_HELVETICA_BOLD, 18, text, 15.5, 120));
    const rendertest::FramePixels first = frame.pixels();
    const int32_t oldName = cache.textureName();
    frame.dropContext();
    ASSERT_TRUE(drawCached(frame, FL_HELVETICA_BOLD, 18, text, 15.5, 120));
    EXPECT_EQ(frame.countDifferent(first), 0);
    EXPECT_NE(cache.textureName(), oldName);

    testsupport::TempDir dir;
    const std::string image =
        rendertest::netpbmSgi(dir, "icon", 8, 8, [](int, int) { return rendertest::Pixel{}; });
    int32_t names[2] = {-1, -1};
    ASSERT_TRUE(frame.drawFramed([&](DrawContext&) {
        names[0] = render::TextureLoader::loadTextureImage(image.c_str());
        glColor3d(0, 0, 0);
        GlyphCache::contextRecreated();
        cache.draw(FL_HELVETICA_BOLD, 18, text, 15.5, 120, {1.0, 1.0, 512, 256});
        GlyphCache::finish();
        names[1] = render::TextureLoader::loadTextureImage(image.c_str());
    }));
    EXPECT_EQ(frame.countDifferent(first), 0);
    EXPECT_GT(names[0], 0);
    EXPECT_EQ(cache.textureName(), names[0] + 1);
    EXPECT_EQ(names[1], names[0] + 2);

    render::TextureObjects::probe("");
    ASSERT_TRUE(drawCached(frame, FL_HELVETICA_BOLD, 18, text, 15.5, 120));
    EXPECT_EQ(frame.countDifferent(first), 0);
    GlyphCache::contextRecreated(); // learnt again without texture objects
    ASSERT_TRUE(drawCached(frame, FL_HELVETICA_BOLD, 18, text, 15.5, 120));
    EXPECT_EQ(frame.countDifferent(first), 0);
    render::TextureObjects::probe("GL_EXT_texture_object");
}

// A glyph cell of a 40-pixel font does not fit a 64 x 48 window: FLTK draws at the same places.
TEST(GlyphCacheFrame, TextLargerThanTheWindowIsDrawnByFltk) {
    GlFrame frame(64, 48, 32, 24, 64);
    ASSERT_TRUE(drawCached(frame, FL_HELVETICA, 40, "W g", 2, 12));
    const rendertest::FramePixels cached = frame.pixels();
    ASSERT_TRUE(drawByFltk(frame, FL_HELVETICA, 40, "W g", 2, 12, false));
    EXPECT_EQ(cached.countDifferent(frame.pixels()), 0);
    EXPECT_GT(frame.countAll(ink), 50);
}

// Without Helvetica, FLTK's GL text falls back on the core "fixed" font, whose blank does not
// move the raster position. Run by the test below in a second X server with only base fonts.
TEST(GlyphCacheWithoutHelvetica, BlanksKeepTheirWidth) {
    if (std::getenv("TARNELL_FIXED_FONT_CHECK") == nullptr) {
        GTEST_SKIP() << "runs inside FixedFontServer.BlanksKeepTheirWidth";
    }
    GlFrame frame(512, 256, 256, 128, 512);
    float fltkBlank = -1;
    ASSERT_TRUE(drawByFltk(frame, FL_HELVETICA, 16, " ", 10, 10, true, &fltkBlank));
    EXPECT_EQ(fltkBlank, 0.0f) << "this server's fonts do not show the fault";
    auto inkWidth = [&](const char* text) {
        EXPECT_TRUE(drawCached(frame, FL_HELVETICA, 16, text, 20, 100));
        const rendertest::PixelBox box = frame.bounds(0, 0, 512, 256, ink);
        return box.right - box.left + 1;
    };
    EXPECT_GE(inkWidth("I   I"), inkWidth("II") + 3 * 4);
    EXPECT_EQ(GlyphCache::shared().advance(FL_HELVETICA, 16, ' '),
              static_cast<float>(gl_width(" ")));
}

TEST(FixedFontServer, BlanksKeepTheirWidth) {
    testsupport::TempDir dir;
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string command = "TARNELL_FIXED_FONT_CHECK=1 xvfb-run -a -s '-screen 0 640x480x24 "
                                "-fp /usr/share/fonts/X11/misc,built-ins' '" +
                                self + "' --gtest_filter=GlyphCacheWithoutHelvetica.* > '" +
                                dir.file("out.txt") + "' 2>&1";
    const int status = std::system(command.c_str());
    const std::string text = testsupport::TempDir::read(dir.file("out.txt"));
    EXPECT_EQ(status, 0) << text;
    EXPECT_NE(text.find("[  PASSED  ] 1 test"), std::string::npos) << text;
}

} // namespace

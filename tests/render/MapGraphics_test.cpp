#include "render/MapGraphics.h"

#include "render/MapLayerList.h"
#include "render/TextureLoader.h"
#include "tests/render/GlFrame.h"
#include "tests/sgi/PnmImage.h"
#include "tests/sgi/SgiFileWriter.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using config::MapLayerEntry;
using render::MapGraphics;
using render::MapLayerList;
using rendertest::GlFrame;
using rendertest::Pixel;

struct Colour {
    int r, g, b;
};

constexpr Colour kRed{255, 0, 0};
constexpr Colour kGreen{0, 255, 0};
constexpr Colour kBlue{0, 0, 255};
constexpr Colour kYellow{255, 255, 0};
constexpr Colour kWhite{255, 255, 255};
constexpr Colour kBackground{0, 102, 128};

// An SGI file made by netpbm from a picture given pixel by pixel, row 0 at the top as netpbm
// (and a person looking at the picture) has it.
std::string netpbmImage(const testsupport::TempDir& dir, const std::string& name, int width,
                        int height, const std::function<Colour(int x, int row)>& colourAt) {
    PnmImage picture(width, height, 3, 255);
    for (int row = 0; row < height; ++row) {
        for (int x = 0; x < width; ++x) {
            const Colour c = colourAt(x, row);
            picture.set(x, row, 0, static_cast<uint16_t>(c.r));
            picture.set(x, row, 1, static_cast<uint16_t>(c.g));
            picture.set(x, row, 2, static_cast<uint16_t>(c.b));
        }
    }
    const std::string ppm = dir.file(name + ".ppm");
    const std::string sgi = dir.file(name + ".sgi");
    if (!picture.write(ppm) || std::system(("pnmtosgi " + ppm + " > " + sgi).c_str()) != 0) {
        return "";
    }
    return sgi;
}

std::string plainImage(const testsupport::TempDir& dir, const std::string& name, Colour colour) {
    return netpbmImage(dir, name, 16, 16, [colour](int, int) { return colour; });
}

MapLayerEntry entry(const std::string& image, double x0, double x1, double y0, double y1,
                    double minWidth, double maxWidth) {
    return MapLayerEntry{!image.empty(), image, x0, x1, y0, y1, minWidth, maxWidth};
}

// Draws the layers as the frame does, with the view centred on (cx, cy) and `width` wide.
void drawLayers(GlFrame& frame, MapLayerList& layers, double cx, double cy, double width) {
    frame.view().setCenter(cx, cy);
    frame.view().setViewWidth(width);
    ASSERT_TRUE(frame.drawFramed([&layers](DrawContext& context) { layers.draw(context); }));
}

bool is(const Pixel& pixel, Colour colour, int tolerance = 3) {
    return rendertest::near(pixel, colour.r, colour.g, colour.b, tolerance);
}

std::string describe(const Pixel& p) {
    return "(" + std::to_string(p.r) + ", " + std::to_string(p.g) + ", " + std::to_string(p.b) +
           ")";
}

TEST(MapGraphics, ShownFromItsMinimumUpToButNotIncludingItsMaximum) {
    struct Case {
        double width, minWidth, maxWidth;
        bool shown;
    };
    const Case cases[] = {
        {0.5, 0.5, 2.0, true},     {1.999, 0.5, 2.0, true}, {2.0, 0.5, 2.0, false},
        {0.4999, 0.5, 2.0, false}, {1.0, 0.0, 0.0, false},  {0.0, 0.0, 0.0, false},
        {0.0, 0.0, 1.0, true},     {5.0, 10.0, 1.0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " in [" + std::to_string(c.minWidth) + ", " +
                     std::to_string(c.maxWidth) + ")");
        EXPECT_EQ(MapGraphics::shownAt(c.width, c.minWidth, c.maxWidth), c.shown);
        EXPECT_EQ(MapGraphics(nullptr, 0, 1, 0, 1, c.minWidth, c.maxWidth).shownAt(c.width),
                  c.shown);
    }
}

// Layers replace each other in file order; one without an image has nothing to load and takes no
// name; one with an image is loaded at its first draw within its range, once.
TEST(MapLayerList, LoadReplacesTheLayersAndTexturesLoadOnceWhenShown) {
    testsupport::TempDir dir;
    const std::string red = plainImage(dir, "red", kRed);
    ASSERT_FALSE(red.empty());
    MapLayerList layers;
    layers.load({entry("a.sgi", 1, 2, 3, 4, 5, 6), entry("", 7, 8, 9, 10, 11, 12)});
    ASSERT_EQ(layers.count(), 2);
    EXPECT_EQ(layers.layer(0)->imageFile(), "a.sgi");
    EXPECT_EQ(layers.layer(0)->y1(), 4);
    EXPECT_FALSE(layers.layer(1)->hasImage());
    EXPECT_EQ(layers.layer(1)->maxWidth(), 12);
    const int32_t first = render::TextureLoader::nextName();
    layers.layer(1)->build();
    EXPECT_EQ(layers.layer(1)->textureName(), -1);
    EXPECT_EQ(render::TextureLoader::nextName(), first);

    layers.load({entry(red, -10, 10, -10, 10, 0.5, 2.0)});
    ASSERT_EQ(layers.count(), 1);
    EXPECT_EQ(layers.layer(1), nullptr);
    EXPECT_EQ(layers.layer(-1), nullptr);
    GlFrame frame(800, 400);
    const struct {
        double width;
        Colour colour;
        int32_t texture;
    } cases[] = {{2.0, kBackground, -1}, {0.5, kRed, first}, {1.999, kRed, first}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        drawLayers(frame, layers, 0.0, 0.0, c.width);
        EXPECT_TRUE(is(frame.at(400, 200), c.colour)) << describe(frame.at(400, 200));
        EXPECT_TRUE(is(frame.at(20, 20), c.colour));
        EXPECT_TRUE(is(frame.at(780, 380), c.colour));
        EXPECT_EQ(layers.layer(0)->textureName(), c.texture);
    }
    EXPECT_EQ(render::TextureLoader::nextName(), first + 1);
    layers.load({});
    EXPECT_EQ(layers.count(), 0);
}

TEST(MapGraphics, LaterLayersAreDrawnOnTop) {
    testsupport::TempDir dir;
    const std::string red = plainImage(dir, "red", kRed);
    const std::string blue = plainImage(dir, "blue", kBlue);
    ASSERT_FALSE(red.empty());
    ASSERT_FALSE(blue.empty());
    GlFrame frame(800, 400);
    const MapLayerEntry left = entry(red, 0, 4, 0, 2, 0, 10);
    const MapLayerEntry right = entry(blue, 2, 6, 0, 2, 0, 10);
    struct Case {
        const char* order;
        std::vector<MapLayerEntry> entries;
        Colour overlap;
    };
    const Case cases[] = {
        {"red then blue", {left, right}, kBlue},
        {"blue then red", {right, left}, kRed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.order);
        MapLayerList layers;
        layers.load(c.entries);
        drawLayers(frame, layers, 3.0, 1.0, 6.0);
        EXPECT_TRUE(is(frame.atWorld(1.0, 1.0), kRed));
        EXPECT_TRUE(is(frame.atWorld(3.0, 1.0), c.overlap));
        EXPECT_TRUE(is(frame.atWorld(5.0, 1.0), kBlue));
        EXPECT_TRUE(is(frame.atWorld(3.0, 2.3), kBackground));
    }
}

TEST(MapGraphics, ImageCornersFollowTheRectangleEdges) {
    // Top-left red, top-right green, bottom-left blue, bottom-right yellow, as seen.
    testsupport::TempDir dir;
    const std::string quarters = netpbmImage(dir, "quarters", 64, 64, [](int x, int row) {
        if (row < 32) {
            return x < 32 ? kRed : kGreen;
        }
        return x < 32 ? kBlue : kYellow;
    });
    ASSERT_FALSE(quarters.empty());
    struct Case {
        const char* what;
        double x0, x1, y0, y1;
        Colour lowerLeft, lowerRight, upperLeft, upperRight;
    };
    const Case cases[] = {
        {"as given", 0, 2, 0, 1, kBlue, kYellow, kRed, kGreen},
        {"x0 > x1 mirrors left to right", 2, 0, 0, 1, kYellow, kBlue, kGreen, kRed},
        {"y0 > y1 turns upside down", 0, 2, 1, 0, kRed, kGreen, kBlue, kYellow},
    };
    GlFrame frame(800, 400);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MapLayerList layers;
        layers.load({entry(quarters, c.x0, c.x1, c.y0, c.y1, 0, 10)});
        drawLayers(frame, layers, 1.0, 0.5, 2.0);
        EXPECT_TRUE(is(frame.atWorld(0.5, 0.25), c.lowerLeft))
            << describe(frame.atWorld(0.5, 0.25));
        EXPECT_TRUE(is(frame.atWorld(1.5, 0.25), c.lowerRight));
        EXPECT_TRUE(is(frame.atWorld(0.5, 0.75), c.upperLeft));
        EXPECT_TRUE(is(frame.atWorld(1.5, 0.75), c.upperRight));
    }
}

TEST(MapGraphics, AlphaBlendsOverTheBackgroundAndEarlierLayers) {
    testsupport::TempDir dir;
    const std::string green = plainImage(dir, "green", kGreen);
    ASSERT_FALSE(green.empty());
    // Red everywhere; alpha 0 in the left half, 128 in the right half.
    SgiLayout layout;
    layout.xsize = 64;
    layout.ysize = 64;
    layout.zsize = 4;
    std::vector<uint16_t> samples(64 * 64 * 4, 0);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            samples[(0 * 64 + y) * 64 + x] = 255;
            samples[(3 * 64 + y) * 64 + x] = x < 32 ? 0 : 128;
        }
    }
    const std::string redAlpha = dir.write("alpha.sgi", SgiFileWriter(layout).verbatim(samples));
    ASSERT_FALSE(redAlpha.empty());

    GlFrame frame(800, 400);
    MapLayerList layers;
    layers.load({entry(green, 0, 2, 0, 0.5, 0, 10), entry(redAlpha, 0, 2, 0, 1, 0, 10)});
    drawLayers(frame, layers, 1.0, 0.5, 2.0);
    EXPECT_TRUE(is(frame.atWorld(0.5, 0.75), kBackground)) << describe(frame.atWorld(0.5, 0.75));
    EXPECT_TRUE(is(frame.atWorld(0.5, 0.25), kGreen));
    // Half of 255 red over the background and over green.
    EXPECT_TRUE(is(frame.atWorld(1.5, 0.75), Colour{128, 51, 64}, 4))
        << describe(frame.atWorld(1.5, 0.75));
    EXPECT_TRUE(is(frame.atWorld(1.5, 0.25), Colour{128, 127, 0}, 4))
        << describe(frame.atWorld(1.5, 0.25));
}

TEST(MapGraphics, AMissingImageIsAWhiteRectangleRetriedAtEveryDraw) {
    testsupport::TempDir dir;
    GlFrame frame(800, 400);
    MapLayerList layers;
    // 400 pixels per world unit: the rectangle covers pixels 200..599 across, 100..299 down.
    layers.load({entry(dir.file("missing.sgi"), 0.5, 1.5, 0.25, 0.75, 0, 10)});
    const int32_t first = render::TextureLoader::nextName();
    drawLayers(frame, layers, 1.0, 0.5, 2.0);
    const auto white = [](const Pixel& p) { return is(p, kWhite); };
    EXPECT_EQ(frame.count(202, 102, 598, 298, white), 396 * 196);
    EXPECT_EQ(frame.count(0, 0, 800, 98, white), 0);
    EXPECT_EQ(frame.count(0, 302, 800, 400, white), 0);
    EXPECT_EQ(frame.count(0, 0, 198, 400, white), 0);
    EXPECT_EQ(frame.count(602, 0, 800, 400, white), 0);
    EXPECT_TRUE(is(frame.at(100, 200), kBackground));
    EXPECT_EQ(layers.layer(0)->textureName(), -1);
    EXPECT_EQ(render::TextureLoader::nextName(), first + 1);

    drawLayers(frame, layers, 1.0, 0.5, 2.0);
    EXPECT_EQ(render::TextureLoader::nextName(), first + 2);
    drawLayers(frame, layers, 1.0, 0.5, 20.0);
    EXPECT_EQ(render::TextureLoader::nextName(), first + 2);
}

} // namespace

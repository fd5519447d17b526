#include "render/MapGraphics.h"

#include "render/MapLayerList.h"
#include "render/TextureLoader.h"
#include "tests/support/GlFrame.h"
#include "tests/support/SgiFileWriter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using config::MapLayerEntry;
using render::MapLayerList;
using rendertest::Pixel;

constexpr Pixel kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kYellow{255, 255, 0};
constexpr Pixel kWhite{255, 255, 255}, kBackground{0, 102, 128};

MapLayerEntry entry(const std::string& image, double x0, double x1, double y0, double y1,
                    double minWidth = 0, double maxWidth = 10) {
    return MapLayerEntry{!image.empty(), image, x0, x1, y0, y1, minWidth, maxWidth};
}

void drawLayers(rendertest::GlFrame& frame, MapLayerList& layers, double cx, double cy,
                double width) {
    frame.view().setCenter(cx, cy);
    frame.view().setViewWidth(width);
    ASSERT_TRUE(frame.drawFramed([&layers](DrawContext& context) { layers.draw(context); }));
}

bool is(const Pixel& p, Pixel c, int tolerance = 4) {
    return rendertest::near(p, c.r, c.g, c.b, tolerance);
}

TEST(MapGraphics, ShownFromItsMinimumUpToButNotIncludingItsMaximum) {
    const struct {
        double width, minWidth, maxWidth;
        bool shown;
    } cases[] = {
        {0.5, 0.5, 2.0, true},     {1.999, 0.5, 2.0, true}, {2.0, 0.5, 2.0, false},
        {0.4999, 0.5, 2.0, false}, {1.0, 0.0, 0.0, false},  {0.0, 0.0, 0.0, false},
        {0.0, 0.0, 1.0, true},     {5.0, 10.0, 1.0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " in " << c.minWidth << ", " << c.maxWidth);
        EXPECT_EQ(render::MapGraphics::shownAt(c.width, c.minWidth, c.maxWidth), c.shown);
        EXPECT_EQ(render::MapGraphics(nullptr, 0, 1, 0, 1, c.minWidth, c.maxWidth).shownAt(c.width),
                  c.shown);
    }
}

// Layers in file order, later ones on top; an image's corners follow the rectangle's edges (an
// edge given backwards mirrors it); alpha blends over the background and earlier layers.
TEST(MapGraphics, LayersInAFrame) {
    testsupport::TempDir dir;
    const auto plain = [&dir](const char* name, Pixel colour) {
        return rendertest::netpbmSgi(dir, name, 16, 16, [colour](int, int) { return colour; });
    };
    const std::string red = plain("red", kRed), blue = plain("blue", kBlue);
    const std::string green = plain("green", kGreen);
    const std::string quarters = rendertest::netpbmSgi(dir, "q", 64, 64, [](int x, int row) {
        return row < 32 ? (x < 32 ? kRed : kGreen) : (x < 32 ? kBlue : kYellow);
    });
    std::vector<uint16_t> samples(64 * 64 * 4, 0); // red; alpha 0 left, 128 right
    for (int i = 0; i < 64 * 64; ++i) {
        samples[i] = 255;
        samples[3 * 64 * 64 + i] = i % 64 < 32 ? 0 : 128;
    }
    const std::string alpha =
        dir.write("alpha.sgi", SgiFileWriter({true, 0, 1, 3, 64, 64, 4}).verbatim(samples));
    const Pixel R = kRed, G = kGreen, B = kBlue, Y = kYellow, K = kBackground;
    const struct {
        const char* what;
        std::vector<MapLayerEntry> layers;
        Pixel colours[4]; // lower left, lower right, upper left, upper right
    } cases[] = {
        {"later on top", {entry(red, 0, 1.2, 0, 1), entry(blue, 0.2, 2, 0, 0.5)}, {B, B, R, K}},
        {"as given", {entry(quarters, 0, 2, 0, 1)}, {B, Y, R, G}},
        {"x0 > x1", {entry(quarters, 2, 0, 0, 1)}, {Y, B, G, R}},
        {"y0 > y1", {entry(quarters, 0, 2, 1, 0)}, {R, G, B, Y}},
        {"alpha",
         {entry(green, 0, 2, 0, 0.5), entry(alpha, 0, 2, 0, 1)},
         {G, {128, 127, 0}, K, {128, 51, 64}}},
    };
    rendertest::GlFrame frame(800, 400);
    for (const auto& c : cases) {
        MapLayerList layers;
        layers.load(c.layers);
        drawLayers(frame, layers, 1, 0.5, 2);
        for (int q = 0; q < 4; ++q) {
            const Pixel seen = frame.atWorld(0.5 + q % 2, 0.25 + q / 2 * 0.5);
            EXPECT_TRUE(is(seen, c.colours[q]))
                << c.what << ", quarter " << q << ": " << seen.r << " " << seen.g << " " << seen.b;
        }
    }
}

// A load replaces the layers; one without an image takes no name; one with an image is loaded
// at its first draw within its range, once; a missing image is a white rectangle, retried at
// every draw within the range.
TEST(MapLayerList, LoadsReplaceLayersAndTexturesLoadWhenShown) {
    testsupport::TempDir dir;
    const std::string red =
        rendertest::netpbmSgi(dir, "red", 16, 16, [](int, int) { return kRed; });
    MapLayerList layers;
    layers.load({entry("a.sgi", 1, 2, 3, 4, 5, 6), entry("", 7, 8, 9, 10, 11, 12)});
    ASSERT_EQ(layers.count(), 2);
    EXPECT_EQ(layers.layer(1)->maxWidth(), 12);
    const int32_t first = render::TextureLoader::nextName();
    layers.layer(1)->build();
    EXPECT_EQ(layers.layer(1)->textureName(), -1);
    EXPECT_EQ(render::TextureLoader::nextName(), first);
    layers.load({entry(red, -10, 10, -10, 10, 0.5, 2.0)});
    ASSERT_EQ(layers.count(), 1);
    EXPECT_EQ(layers.layer(1), nullptr);
    EXPECT_EQ(layers.layer(-1), nullptr);
    rendertest::GlFrame frame(800, 400);
    const struct {
        double width;
        Pixel colour;
        int32_t texture;
    } cases[] = {{2.0, kBackground, -1}, {0.5, kRed, first}, {1.999, kRed, first}};
    for (const auto& c : cases) {
        drawLayers(frame, layers, 0.0, 0.0, c.width);
        for (const auto& [x, y] : {std::pair{400, 200}, {20, 20}, {780, 380}}) {
            EXPECT_TRUE(is(frame.at(x, y), c.colour)) << c.width << " at " << x;
        }
        EXPECT_EQ(layers.layer(0)->textureName(), c.texture);
    }
    EXPECT_EQ(render::TextureLoader::nextName(), first + 1);

    // 400 pixels a unit: the rectangle covers pixels 200..599 across, 100..299 down.
    layers.load({entry(dir.file("missing.sgi"), 0.5, 1.5, 0.25, 0.75)});
    for (const auto& [width, names] : {std::pair{2.0, 2}, {2.0, 3}, {20.0, 3}}) {
        drawLayers(frame, layers, 1.0, 0.5, width);
        EXPECT_EQ(render::TextureLoader::nextName(), first + names) << names;
    }
    drawLayers(frame, layers, 1.0, 0.5, 2.0);
    const auto white = [](const Pixel& p) { return is(p, kWhite, 3); };
    EXPECT_EQ(frame.count(202, 102, 598, 298, white), 396 * 196);
    EXPECT_EQ(frame.countAll(white), frame.count(198, 98, 602, 302, white));
    EXPECT_EQ(layers.layer(0)->textureName(), -1);
    layers.load({});
    EXPECT_EQ(layers.count(), 0);
}

} // namespace

#include "render/NodeGraphics.h"

#include "config/Preferences.h"
#include "nodes/NodeRecord.h"
#include "tests/support/GlFrame.h"
#include "tests/support/ManualClockTest.h"

#include <FL/gl.h>
#include <gtest/gtest.h>

#include <string>

namespace {

using render::NodeGraphics;
using rendertest::near;
using rendertest::Pixel;
using Values = NodeGraphics::Values;

// s0 5, s1 10, s2 3; normal red, medium-idle green, bad-idle blue.
const Values kPulsing = {5, 10, 3, 1, 0, 0, 0, 1, 0, 0, 0, 1};
const Values kWhite = {5, 5, 5, 1, 1, 1, 1, 1, 1, 1, 1, 1};

TEST(NodeGraphics, PulseAndAppearanceByModeAtKnownPhases) {
    const struct {
        int64_t counter;
        double t;
    } pulses[] = {{0, 0.0},       {250000, 0.0},  {375000, 0.25},  {500000, 0.5},
                  {750000, 1.0},  {999999, 1.0},  {1000000, 0.0},  {7500000, 0.5},
                  {-500000, 0.5}, {-100000, 1.0}, {12625000, 0.75}};
    for (const auto& c : pulses) {
        EXPECT_DOUBLE_EQ(NodeGraphics::pulseValue(c.counter, 1000000), c.t) << c.counter;
    }
    EXPECT_DOUBLE_EQ(NodeGraphics::pulseValue(123, 0), 1.0);
    const struct {
        int32_t mode;
        double t, size, red, green, blue;
    } cases[] = {
        {0, 0.5, 5, 1, 0, 0}, {1, 0.0, 10, 0, 1, 0}, {1, 0.5, 7.5, 0.5, 0.5, 0},
        {1, 1.0, 5, 1, 0, 0}, {2, 0.0, 3, 0, 0, 1},  {2, 0.5, 4, 0.5, 0, 0.5},
        {7, 0.0, 5, 1, 0, 0}, {-1, 0.0, 5, 1, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " at " << c.t);
        const NodeGraphics::Appearance look = NodeGraphics::appearance(kPulsing, c.mode, c.t);
        EXPECT_DOUBLE_EQ(look.size, c.size);
        EXPECT_DOUBLE_EQ(look.red, c.red);
        EXPECT_DOUBLE_EQ(look.green, c.green);
        EXPECT_DOUBLE_EQ(look.blue, c.blue);
    }
}

TEST(NodeGraphics, SizesAndLabelLayout) {
    EXPECT_EQ(NodeGraphics::iconPixels(800, 5), 40);
    EXPECT_EQ(NodeGraphics::iconPixels(799, 5), 39); // truncated, not rounded
    EXPECT_EQ(NodeGraphics::iconPixels(800, 1e300), 1000000);
    EXPECT_EQ(NodeGraphics::fontSize(40), 17);
    EXPECT_EQ(NodeGraphics::fontSize(39), 16);
    EXPECT_EQ(NodeGraphics::fontSize(3), 0);
    EXPECT_DOUBLE_EQ(NodeGraphics::halfSide(5, 2.0), 0.05);
    const NodeGraphics marker(config::TargetMarker, 0, "T", nullptr, {15, 20, 30}, false);
    EXPECT_DOUBLE_EQ(NodeGraphics::labelColumn(10, 0.05, nullptr, 0, 1.0, 2), 10.05);
    EXPECT_DOUBLE_EQ(NodeGraphics::labelColumn(10, 0.05, &marker, 0, 0.0, 2), 10.15);
    EXPECT_DOUBLE_EQ(NodeGraphics::labelColumn(10, 0.05, &marker, 1, 0.0, 2), 10.2);
    EXPECT_DOUBLE_EQ(NodeGraphics::labelColumn(10, 0.05, &marker, 2, 0.5, 2), 10.225);

    // 800 x 400 pixels showing 2 x 1 units around (10, 20): 0.0025 units a pixel.
    const NodeGraphics::ViewGeometry view{10, 20, 2, 0.5, 800, 400};
    constexpr double kUnit = 0.0025;
    const NodeGraphics::FontMetrics font{17, 4}; // 17 / 2 is 8 in the layout
    const NodeGraphics::Label id =
        NodeGraphics::idLabel(NodeGraphics::idText(7), 30, 10, 20, view, font);
    EXPECT_EQ(id.text, "007");
    EXPECT_DOUBLE_EQ(id.x, 10 - 15 * kUnit);
    EXPECT_DOUBLE_EQ(id.y, 20 - 4 * kUnit);
    EXPECT_EQ(NodeGraphics::idText(1234), "1234");

    // Which comment lines show (node, packet 1, packet 2 on), each with its line index.
    using Lines = std::vector<std::pair<std::string, double>>;
    const struct {
        bool node, packet1, packet2;
        const char *name, *comment1, *comment2;
        Lines lines;
    } cases[] = {
        {true, true, true, "Truck", "", "", {{"Truck", -1}}},
        {true, false, false, "", "x", "y", {{"007", 0}}}, // an empty name shows the id
        {true, true, true, "T", "", "late", {{"T", -1}, {"late", 1}}},
        {true, false, true, "T", "a", "b", {{"T", -0.5}, {"b", 0.5}}},
        {false, true, false, "T", "a", "b", {{"a", 0}}},
        {false, false, false, "T", "a", "b", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        config::Preferences preferences;
        preferences.commentNode = c.node;
        preferences.commentPacket1 = c.packet1;
        preferences.commentPacket2 = c.packet2;
        const auto labels = NodeGraphics::commentLabels(10.5, 20, view, font, preferences,
                                                        {7, c.name, c.comment1, c.comment2});
        ASSERT_EQ(labels.size(), c.lines.size());
        for (size_t i = 0; i < labels.size(); ++i) {
            EXPECT_EQ(labels[i].text, c.lines[i].first);
            EXPECT_DOUBLE_EQ(labels[i].x, 10.5 + 4 * kUnit);
            EXPECT_DOUBLE_EQ(labels[i].y, 20 - 4 * kUnit + c.lines[i].second * (4 - 17) * kUnit);
        }
    }
}

// 800 x 600 pixels over 2 x 1.5 units: 400 pixels a unit, the origin at (400, 300).
class NodeGraphicsFrame : public testsupport::ManualClockTest {
protected:
    bool drawOne(NodeGraphics& g, double x, double y, int32_t mode, bool withText = false) {
        return frame.drawFramed([&](DrawContext& context) {
            g.setPosition(x, y);
            g.setMode(mode);
            g.draw(context, preferences, node, nullptr, withText);
            stateLeftOn = glIsEnabled(GL_TEXTURE_2D) || glIsEnabled(GL_BLEND);
        });
    }
    static bool isBackground(const Pixel& p) { return near(p, 0, 102, 128); }
    static bool isBlack(const Pixel& p) { return near(p, 0, 0, 0, 40); }
    int ink(int x0, int y0, int x1, int y1) const { return frame.count(x0, y0, x1, y1, isBlack); }
    rendertest::PixelBox inkBox() const { return frame.bounds(0, 250, 800, 350, isBlack); }

    rendertest::GlFrame frame{800, 600};
    config::Preferences preferences;
    nodes::NodeRecord node{"Truck", 7};
    bool stateLeftOn = true;
};

// The square's place, size and colour from the clock's phase; an image's quadrants on the
// icon's corners modulated by the colour; a missing image gives the flat square; no texture or
// blending is left on.
TEST_F(NodeGraphicsFrame, IconsPlaceSizeColourAndImage) {
    NodeGraphics g(config::DefaultIcon, 0, "D", nullptr, kPulsing, false);
    clock.setCounter(5500000);
    // (0.1, -0.05) is at (440, 320); bad idle half way through its pulse: 32 px, purple.
    ASSERT_TRUE(drawOne(g, 0.1, -0.05, 2));
    EXPECT_EQ(g.textureName(), NodeGraphics::kNoImage);
    EXPECT_EQ(g.lastCounter(), 5500000);
    EXPECT_EQ(frame.count(0, 320, 800, 321, [](const Pixel& p) { return !isBackground(p); }), 32);
    EXPECT_EQ(frame.count(440, 0, 441, 600, [](const Pixel& p) { return !isBackground(p); }), 32);
    EXPECT_TRUE(near(frame.at(424, 304), 128, 0, 128, 2));
    EXPECT_TRUE(near(frame.at(455, 335), 128, 0, 128, 2));
    EXPECT_FALSE(stateLeftOn);

    // Quadrants, top row first: red, green over blue, white; drawn yellow.
    testsupport::TempDir dir;
    const std::string image = rendertest::netpbmSgi(dir, "q", 16, 16, [](int x, int row) {
        const Pixel colours[] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
        return colours[(row / 8) * 2 + x / 8];
    });
    NodeGraphics textured(config::DefaultIcon, 0, "D", image.c_str(),
                          {5, 5, 5, 1, 1, 0, 1, 1, 0, 1, 1, 0}, false);
    ASSERT_TRUE(drawOne(textured, 0, 0, 0));
    EXPECT_GT(textured.textureName(), 0);
    EXPECT_TRUE(near(frame.at(385, 285), 255, 0, 0, 8));
    EXPECT_TRUE(near(frame.at(414, 285), 0, 255, 0, 8));
    EXPECT_TRUE(near(frame.at(385, 314), 0, 0, 0, 8));
    EXPECT_TRUE(near(frame.at(414, 314), 255, 255, 0, 8));
    EXPECT_TRUE(isBackground(frame.at(379, 285)));
    EXPECT_TRUE(isBackground(frame.at(420, 285)));
    EXPECT_FALSE(stateLeftOn);

    NodeGraphics missing(config::DefaultIcon, 0, "D", dir.file("no.sgi").c_str(), kPulsing, false);
    ASSERT_TRUE(drawOne(missing, 0, 0, 0));
    EXPECT_EQ(missing.textureName(), NodeGraphics::kNoImage);
    EXPECT_EQ(frame.count(380, 280, 420, 320, [](const Pixel& p) { return near(p, 255, 0, 0); }),
              40 * 40);
}

// Text only when asked: the id centred on the icon (x = 400 lies between pixels), the name right
// of it; a label that starts outside the window is not drawn even in part; hostile bytes draw
// without fault.
TEST_F(NodeGraphicsFrame, Labels) {
    preferences.commentNode = preferences.commentPacket1 = preferences.commentPacket2 = false;
    for (double s0 : {4.5, 5.0, 8.0}) {
        for (int32_t id : {0, 808, 1000}) {
            SCOPED_TRACE(testing::Message() << "size " << s0 << ", id " << id);
            node.id = id;
            NodeGraphics g(config::DefaultIcon, 0, "D", nullptr, {s0, s0, s0, 1, 1, 1, 1, 1, 1},
                           true);
            ASSERT_TRUE(drawOne(g, 0, 0, 0, true));
            ASSERT_FALSE(inkBox().empty());
            EXPECT_NEAR((inkBox().left + inkBox().right + 1) / 2.0, 400.0, 1.0);
        }
    }
    node.id = 7;
    preferences.commentNode = true;
    NodeGraphics icon(config::DefaultIcon, 0, "D", nullptr, kPulsing, true);
    ASSERT_TRUE(drawOne(icon, 0, 0, 0, false));
    EXPECT_EQ(ink(0, 0, 800, 600), 0);
    ASSERT_TRUE(drawOne(icon, 0, 0, 0, true));
    EXPECT_GT(ink(380, 285, 420, 315), 0); // "007" on the icon
    EXPECT_GT(ink(421, 285, 460, 315), 0); // the name beside it
    NodeGraphics g(config::DefaultIcon, 0, "D", nullptr, kWhite, false);
    nodes::NodeRecord::copyText(node.name, "I WWWWWWWWWW WWWWWWWWWW");
    const struct {
        double x, y;
        bool drawn;
    } cases[] = {{-1.08, 0, false}, {-1.04, 0, true}, {0, -0.765, false}, {0, -0.73, true}};
    for (const auto& c : cases) {
        ASSERT_TRUE(drawOne(g, c.x, c.y, 0, true));
        EXPECT_EQ(ink(0, 0, 800, 600) > 0, c.drawn) << c.x << ", " << c.y;
    }
    preferences.commentPacket1 = preferences.commentPacket2 = true;
    std::string long1, long2;
    for (int i = 0; i < 250; ++i) {
        long1 += static_cast<char>(i % 2 == 0 ? 0x80 + i % 128 : 'a' + i % 26);
        long2 += static_cast<char>(0xFF - i % 64);
    }
    node.setComments(long1.c_str(), long2.c_str());
    nodes::NodeRecord::copyText(node.name, "Caf\xC3\xA9 \xE2\x82\xAC 20\xB0");
    ASSERT_TRUE(drawOne(g, -0.5, 0, 0, true));
    EXPECT_GT(ink(300, 250, 800, 350), 200);
}

} // namespace

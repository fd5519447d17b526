#include "render/NodeGraphics.h"

#include "config/Preferences.h"
#include "nodes/NodeRecord.h"
#include "tests/render/GlFrame.h"
#include "tests/sgi/PnmImage.h"
#include "tests/support/ManualClockTest.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <FL/gl.h>

#include <cstdlib>
#include <string>

namespace {

using render::NodeGraphics;
using rendertest::near;
using rendertest::Pixel;

constexpr int64_t kFrequency = 1000000; // the manual clock's ticks per second

// s0 5, s1 10, s2 3; normal red, medium-idle green, bad-idle blue.
const NodeGraphics::Values kPulsing = {5, 10, 3, 1, 0, 0, 0, 1, 0, 0, 0, 1};
const NodeGraphics::Values kWhite = {5, 5, 5, 1, 1, 1, 1, 1, 1, 1, 1, 1};

TEST(NodeGraphics, PulseAndAppearanceByModeAtKnownPhases) {
    const struct {
        int64_t counter;
        double t;
    } pulses[] = {{0, 0.0},       {250000, 0.0},  {375000, 0.25},  {500000, 0.5},
                  {750000, 1.0},  {999999, 1.0},  {1000000, 0.0},  {7500000, 0.5},
                  {-500000, 0.5}, {-100000, 1.0}, {12625000, 0.75}};
    for (const auto& c : pulses) {
        EXPECT_DOUBLE_EQ(NodeGraphics::pulseValue(c.counter, kFrequency), c.t) << c.counter;
    }
    EXPECT_DOUBLE_EQ(NodeGraphics::pulseValue(123, 0), 1.0);
    const struct {
        int32_t mode;
        double t;
        NodeGraphics::Appearance look;
    } cases[] = {
        {0, 0.5, {5, 1, 0, 0}}, {1, 0.0, {10, 0, 1, 0}}, {1, 0.5, {7.5, 0.5, 0.5, 0}},
        {1, 1.0, {5, 1, 0, 0}}, {2, 0.0, {3, 0, 0, 1}},  {2, 0.5, {4, 0.5, 0, 0.5}},
        {7, 0.0, {5, 1, 0, 0}}, {-1, 0.0, {5, 1, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " at " << c.t);
        const NodeGraphics::Appearance look = NodeGraphics::appearance(kPulsing, c.mode, c.t);
        EXPECT_DOUBLE_EQ(look.size, c.look.size);
        EXPECT_DOUBLE_EQ(look.red, c.look.red);
        EXPECT_DOUBLE_EQ(look.green, c.look.green);
        EXPECT_DOUBLE_EQ(look.blue, c.look.blue);
    }
}

TEST(NodeGraphics, SizesAndLabelLayout) {
    EXPECT_EQ(NodeGraphics::iconPixels(800, 5), 40);
    EXPECT_EQ(NodeGraphics::iconPixels(799, 5), 39); // truncated, not rounded
    EXPECT_EQ(NodeGraphics::iconPixels(800, 1e300), 1000000);
    EXPECT_EQ(NodeGraphics::fontSize(40), 17);
    EXPECT_EQ(NodeGraphics::fontSize(39), 16); // trunc(26.0) = 26, 52 / 3
    EXPECT_EQ(NodeGraphics::fontSize(3), 0);
    EXPECT_DOUBLE_EQ(NodeGraphics::halfSide(5, 2.0), 0.05);
    EXPECT_EQ(NodeGraphics::idText(1234), "1234");
    const NodeGraphics marker(config::TargetMarker, 0, "T", nullptr,
                              {15, 20, 30, 1, 1, 0, 1, 1, 0, 1, 1, 0}, false);
    EXPECT_DOUBLE_EQ(NodeGraphics::labelColumn(10, 0.05, nullptr, 0, 1.0, 2), 10.05);
    EXPECT_DOUBLE_EQ(NodeGraphics::labelColumn(10, 0.05, &marker, 0, 0.0, 2), 10.15);
    EXPECT_DOUBLE_EQ(NodeGraphics::labelColumn(10, 0.05, &marker, 1, 0.0, 2), 10.2);
    EXPECT_DOUBLE_EQ(NodeGraphics::labelColumn(10, 0.05, &marker, 2, 0.5, 2), 10.225);

    // An 800 x 400 window showing 2 x 1 world units: 0.0025 units per pixel on both axes.
    NodeGraphics::ViewGeometry view;
    view.centerX = 10;
    view.centerY = 20;
    view.width = 2;
    view.aspect = 0.5;
    view.pixelWidth = 800;
    view.pixelHeight = 400;
    constexpr double kUnit = 0.0025;
    const NodeGraphics::FontMetrics font{17, 4}; // 17 / 2 is 8 in the layout
    const NodeGraphics::Label id =
        NodeGraphics::idLabel(NodeGraphics::idText(7), 30, 10, 20, view, font);
    EXPECT_EQ(id.text, "007");
    EXPECT_DOUBLE_EQ(id.x, 10 - 15 * kUnit);
    EXPECT_DOUBLE_EQ(id.y, 20 - 4 * kUnit);

    // Which comment lines show (node, packet 1, packet 2 enabled), each with its line index.
    using Lines = std::vector<std::pair<std::string, double>>;
    const struct {
        bool node, packet1, packet2;
        const char *name, *comment1, *comment2;
        Lines lines;
    } cases[] = {
        {true, true, true, "Truck", "", "", {{"Truck", -1}}}, // name one pitch up
        {true, false, false, "", "x", "y", {{"007", 0}}},     // empty name: the id
        {true, true, true, "T", "", "late", {{"T", -1}, {"late", 1}}},
        {true, false, true, "T", "a", "b", {{"T", -0.5}, {"b", 0.5}}},
        {false, true, false, "T", "a", "b", {{"a", 0}}},
        {false, false, false, "T", "a", "b", {}},
    };
    const double step = (4 - 17) * kUnit;
    const double base = 20 - (8 - 4) * kUnit;
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        config::Preferences preferences;
        preferences.commentNode = c.node;
        preferences.commentPacket1 = c.packet1;
        preferences.commentPacket2 = c.packet2;
        const NodeGraphics::LabelTexts texts{7, c.name, c.comment1, c.comment2};
        const auto labels = NodeGraphics::commentLabels(10.5, 20, view, font, preferences, texts);
        ASSERT_EQ(labels.size(), c.lines.size());
        for (size_t i = 0; i < labels.size(); ++i) {
            EXPECT_EQ(labels[i].text, c.lines[i].first);
            EXPECT_DOUBLE_EQ(labels[i].x, 10.5 + 4 * kUnit);
            EXPECT_DOUBLE_EQ(labels[i].y, base + c.lines[i].second * step);
        }
    }
}

// Frames drawn on the virtual X server, with the pulse phase set on a manual clock.
class NodeGraphicsFrame : public testsupport::ManualClockTest {
protected:
    void SetUp() override {
        ManualClockTest::SetUp();
        frame.view().setCenter(0, 0);
        frame.view().setViewWidth(2);
        preferences.commentNode = false;
        preferences.commentPacket1 = false;
        preferences.commentPacket2 = false;
    }

    // Draws g at (x, y) in the given mode, alone on the background.
    bool drawOne(NodeGraphics& g, double x, double y, int32_t mode, NodeGraphics* overlay = nullptr,
                 bool withText = false) {
        return frame.drawFramed([&](DrawContext& context) {
            if (overlay != nullptr) {
                overlay->setPosition(x, y);
                overlay->setMode(mode);
                overlay->drawMarker(context, preferences, node, false);
            }
            g.setPosition(x, y);
            g.setMode(mode);
            g.draw(context, preferences, node, overlay, withText);
            textureLeftOn = glIsEnabled(GL_TEXTURE_2D) == GL_TRUE;
            blendLeftOn = glIsEnabled(GL_BLEND) == GL_TRUE;
        });
    }

    static bool isBackground(const Pixel& p) { return near(p, 0, 102, 128); }
    static bool isBlack(const Pixel& p) { return near(p, 0, 0, 0, 40); }
    int paintedInRow(int row) const { return frame.count(0, row, frame.width(), row + 1, notBg); }
    int paintedInColumn(int column) const {
        return frame.count(column, 0, column + 1, frame.height(), notBg);
    }
    int ink(int x0, int y0, int x1, int y1) const { return frame.count(x0, y0, x1, y1, isBlack); }
    // The box of black pixels within rows [top, bottom).
    rendertest::PixelBox inkIn(int top, int bottom) const {
        return frame.pixels().bounds(0, top, frame.width(), bottom, isBlack);
    }

    static constexpr auto notBg = [](const Pixel& p) { return !isBackground(p); };

    rendertest::GlFrame frame{800, 600};
    config::Preferences preferences;
    nodes::NodeRecord node{"Truck", 7};
    bool textureLeftOn = true;
    bool blendLeftOn = true;
};

// The square's place, its size and colour from the clock's phase, and the GL state it leaves.
TEST_F(NodeGraphicsFrame, IconPlaceSizeAndColourAtAPhase) {
    NodeGraphics g(config::DefaultIcon, 0, "D", nullptr, kPulsing, false);
    clock.setCounter(5 * kFrequency + 500000);
    // (0.1, -0.05) is 40 px right of and 20 px below the centre; bad idle half way through its
    // pulse is 32 px, purple: 424..455 across and 304..335 down.
    ASSERT_TRUE(drawOne(g, 0.1, -0.05, 2));
    EXPECT_EQ(g.textureName(), NodeGraphics::kNoImage);
    EXPECT_EQ(g.lastCounter(), 5 * kFrequency + 500000);
    EXPECT_EQ(paintedInRow(320), 32);
    EXPECT_EQ(paintedInColumn(440), 32);
    EXPECT_TRUE(near(frame.at(424, 304), 128, 0, 128, 2));
    EXPECT_TRUE(near(frame.at(455, 335), 128, 0, 128, 2));
    EXPECT_TRUE(isBackground(frame.at(423, 320)));
    EXPECT_TRUE(isBackground(frame.at(456, 320)));
    EXPECT_FALSE(textureLeftOn);
    EXPECT_FALSE(blendLeftOn);
}

// The image's quadrants land on the icon's corners, modulated by the colour (yellow); a missing
// image gives the flat square.
TEST_F(NodeGraphicsFrame, TextureCornersModulatedAndMissingImageFlat) {
    // Quadrants, top row first as netpbm stores them: red, green over blue, white.
    PnmImage picture(16, 16, 3, 255);
    const int colours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    for (int row = 0; row < 16; ++row) {
        for (int x = 0; x < 16; ++x) {
            for (int channel = 0; channel < 3; ++channel) {
                picture.set(x, row, channel,
                            static_cast<uint16_t>(colours[(row / 8) * 2 + x / 8][channel]));
            }
        }
    }
    testsupport::TempDir dir;
    ASSERT_TRUE(picture.write(dir.file("quadrants.ppm")));
    const std::string command =
        "pnmtosgi " + dir.file("quadrants.ppm") + " > " + dir.file("quadrants.sgi");
    ASSERT_EQ(std::system(command.c_str()), 0);
    NodeGraphics g(config::DefaultIcon, 0, "D", dir.file("quadrants.sgi").c_str(),
                   {5, 5, 5, 1, 1, 0, 1, 1, 0, 1, 1, 0}, false);
    ASSERT_TRUE(drawOne(g, 0, 0, 0));
    EXPECT_GT(g.textureName(), 0);
    EXPECT_EQ(paintedInRow(285), 40);
    EXPECT_TRUE(near(frame.at(385, 285), 255, 0, 0, 8));
    EXPECT_TRUE(near(frame.at(414, 285), 0, 255, 0, 8));
    EXPECT_TRUE(near(frame.at(385, 314), 0, 0, 0, 8));
    EXPECT_TRUE(near(frame.at(414, 314), 255, 255, 0, 8));
    EXPECT_FALSE(textureLeftOn);
    EXPECT_FALSE(blendLeftOn);

    NodeGraphics missing(config::DefaultIcon, 0, "D", dir.file("missing.sgi").c_str(), kPulsing,
                         false);
    ASSERT_TRUE(drawOne(missing, 0, 0, 0));
    EXPECT_EQ(missing.textureName(), NodeGraphics::kNoImage);
    EXPECT_EQ(frame.count(380, 280, 420, 320, [](const Pixel& p) { return near(p, 255, 0, 0); }),
              40 * 40);
}

// Text only when asked; the id on the icon, the name right of the icon or of its marker, which
// lies under the icon.
TEST_F(NodeGraphicsFrame, LabelsOnlyWhenAskedAndRightOfTheOverlay) {
    preferences.commentNode = true;
    NodeGraphics marker(config::TargetMarker, 0, "T", nullptr,
                        {15, 15, 15, 1, 1, 0, 1, 1, 0, 1, 1, 0}, false);
    NodeGraphics icon(config::DefaultIcon, 0, "D", nullptr, kPulsing, true);
    // Own icon 400 +- 20 px, marker 400 +- 60 px; the name is centred on row 300.
    ASSERT_TRUE(drawOne(icon, 0, 0, 0, nullptr, false));
    EXPECT_EQ(ink(0, 0, 800, 600), 0);
    ASSERT_TRUE(drawOne(icon, 0, 0, 0, nullptr, true));
    EXPECT_GT(ink(380, 285, 420, 315), 0); // "007" on the icon
    EXPECT_GT(ink(421, 285, 460, 315), 0);
    ASSERT_TRUE(drawOne(icon, 0, 0, 0, &marker, true));
    EXPECT_EQ(ink(421, 285, 460, 315), 0);
    EXPECT_GT(ink(461, 285, 560, 315), 0);
    EXPECT_TRUE(near(frame.at(440, 330), 255, 255, 0)); // marker under, beside text
    EXPECT_TRUE(near(frame.at(430, 300), 255, 255, 0));
}

// FLTK's GL text does not advance over a blank: blanks must keep their width.
TEST_F(NodeGraphicsFrame, BlanksInALabelKeepTheirWidth) {
    preferences.commentNode = true;
    NodeGraphics g(config::DefaultIcon, 0, "D", nullptr, kWhite, false);
    nodes::NodeRecord::copyText(node.name, "II");
    ASSERT_TRUE(drawOne(g, 0, 0, 0, nullptr, true));
    const int joined = inkIn(280, 320).right;
    nodes::NodeRecord::copyText(node.name, "I   I");
    ASSERT_TRUE(drawOne(g, 0, 0, 0, nullptr, true));
    ASSERT_GT(joined, 420);
    // Three blanks of a 17-pixel Helvetica are well over six pixels.
    EXPECT_GT(inkIn(280, 320).right, joined + 6);
}

// Centred by the width of the glyphs drawn; the icon's middle, x = 400, lies between pixels.
TEST_F(NodeGraphicsFrame, IdCentredOnTheIcon) {
    for (double s0 : {4.5, 5.0, 8.0}) {
        for (int32_t id : {0, 808, 1000}) {
            SCOPED_TRACE(testing::Message() << "size " << s0 << ", id " << id);
            node.id = id;
            NodeGraphics g(config::DefaultIcon, 0, "D", nullptr,
                           {s0, s0, s0, 1, 1, 1, 1, 1, 1, 1, 1, 1}, true);
            ASSERT_TRUE(drawOne(g, 0, 0, 0, nullptr, true));
            const rendertest::PixelBox box = inkIn(250, 350);
            ASSERT_FALSE(box.empty());
            EXPECT_NEAR((box.left + box.right + 1) / 2.0, 400.0, 1.0);
        }
    }
}

// A label that starts outside is not drawn even in part (x, y, drawn); hostile comment bytes
// draw without fault.
TEST_F(NodeGraphicsFrame, LabelsOutsideTheWindowAndHostileBytes) {
    preferences.commentNode = true;
    NodeGraphics g(config::DefaultIcon, 0, "D", nullptr, kWhite, false);
    nodes::NodeRecord::copyText(node.name, "I WWWWWWWWWW WWWWWWWWWW");
    // Icon half side 20 px, 0.0025 units a pixel. The label starts right of the icon, a descent
    // further on and a few pixels below its centre line.
    const struct {
        double x, y;
        bool drawn;
    } cases[] = {{-1.08, 0, false}, {-1.04, 0, true}, {0, -0.765, false}, {0, -0.73, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << ", " << c.y);
        ASSERT_TRUE(drawOne(g, c.x, c.y, 0, nullptr, true));
        EXPECT_EQ(ink(0, 0, 800, 600) > 0, c.drawn);
    }
    preferences.commentPacket1 = true;
    preferences.commentPacket2 = true;
    std::string long1;
    std::string long2;
    for (int i = 0; i < 250; ++i) {
        long1 += static_cast<char>(i % 2 == 0 ? 0x80 + i % 128 : 'a' + i % 26);
        long2 += static_cast<char>(0xFF - i % 64);
    }
    node.setComments(long1.c_str(), long2.c_str());
    nodes::NodeRecord::copyText(node.name, "Caf\xC3\xA9 \xE2\x82\xAC 20\xB0");
    ASSERT_TRUE(drawOne(g, -0.5, 0, 0, nullptr, true));
    EXPECT_GT(ink(300, 250, 800, 350), 200);
}

} // namespace

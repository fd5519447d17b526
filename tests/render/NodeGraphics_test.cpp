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

constexpr int64_t kFrequency = 1000000; // the manual clock's ticks per second

// s0 5, s1 10, s2 3; normal red, medium-idle green, bad-idle blue.
const NodeGraphics::Values kPulsing = {5, 10, 3, 1, 0, 0, 0, 1, 0, 0, 0, 1};

TEST(NodeGraphics, PulseValueWithinTheSecond) {
    struct Case {
        int64_t counter;
        double t;
    };
    const Case cases[] = {
        {0, 0.0},       {100000, 0.0},  {250000, 0.0},  {375000, 0.25},
        {500000, 0.5},  {750000, 1.0},  {999999, 1.0},  {1000000, 0.0},
        {7500000, 0.5}, {-500000, 0.5}, {-100000, 1.0}, {12625000, 0.75},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.counter);
        EXPECT_DOUBLE_EQ(NodeGraphics::pulseValue(c.counter, kFrequency), c.t);
    }
    EXPECT_DOUBLE_EQ(NodeGraphics::pulseValue(123, 0), 1.0);
}

TEST(NodeGraphics, AppearanceByModeAtKnownPhases) {
    struct Case {
        int32_t mode;
        int64_t counter;
        NodeGraphics::Appearance look;
    };
    const Case cases[] = {
        {0, 100000, {5, 1, 0, 0}},       {0, 500000, {5, 1, 0, 0}}, {1, 100000, {10, 0, 1, 0}},
        {1, 500000, {7.5, 0.5, 0.5, 0}}, {1, 800000, {5, 1, 0, 0}}, {2, 200000, {3, 0, 0, 1}},
        {2, 500000, {4, 0.5, 0, 0.5}},   {2, 999999, {5, 1, 0, 0}}, {7, 100000, {5, 1, 0, 0}},
        {-1, 100000, {5, 1, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " at " << c.counter);
        const double t = NodeGraphics::pulseValue(c.counter, kFrequency);
        const NodeGraphics::Appearance look = NodeGraphics::appearance(kPulsing, c.mode, t);
        EXPECT_DOUBLE_EQ(look.size, c.look.size);
        EXPECT_DOUBLE_EQ(look.red, c.look.red);
        EXPECT_DOUBLE_EQ(look.green, c.look.green);
        EXPECT_DOUBLE_EQ(look.blue, c.look.blue);
    }
}

TEST(NodeGraphics, IconPixelsAndFontSize) {
    EXPECT_EQ(NodeGraphics::iconPixels(800, 5), 40);
    EXPECT_EQ(NodeGraphics::fontSize(40), 17);
    EXPECT_EQ(NodeGraphics::iconPixels(799, 5), 39); // truncated, not rounded
    EXPECT_EQ(NodeGraphics::fontSize(39), 16);       // trunc(26.0) = 26, 52 / 3
    EXPECT_EQ(NodeGraphics::fontSize(3), 0);
    EXPECT_EQ(NodeGraphics::iconPixels(800, 1e300), 1000000);
    EXPECT_DOUBLE_EQ(NodeGraphics::halfSide(5, 2.0), 0.05);
}

// An 800 x 400 window showing 2 x 1 world units: 0.0025 units per pixel on both axes.
NodeGraphics::ViewGeometry labelView() {
    NodeGraphics::ViewGeometry view;
    view.centerX = 10;
    view.centerY = 20;
    view.width = 2;
    view.aspect = 0.5;
    view.pixelWidth = 800;
    view.pixelHeight = 400;
    return view;
}

constexpr double kUnit = 0.0025;
const NodeGraphics::FontMetrics kFont{17, 4}; // 17 / 2 is 8 in the layout

TEST(NodeGraphics, IdCentredOnTheIcon) {
    const NodeGraphics::Label id =
        NodeGraphics::idLabel(NodeGraphics::idText(7), 30, 10, 20, labelView(), kFont);
    EXPECT_EQ(id.text, "007");
    EXPECT_DOUBLE_EQ(id.x, 10 - 15 * kUnit);
    EXPECT_DOUBLE_EQ(id.y, 20 - 4 * kUnit);
    EXPECT_EQ(NodeGraphics::idText(1234), "1234");
}

TEST(NodeGraphics, CommentLinesLayout) {
    struct Case {
        const char* what;
        bool node, packet1, packet2;
        const char* name;
        const char* comment1;
        const char* comment2;
        std::vector<std::pair<std::string, double>> lines; // text and its index k
    };
    const Case cases[] = {
        {"three on, name only: name one pitch up",
         true,
         true,
         true,
         "Truck",
         "",
         "",
         {{"Truck", -1}}},
        {"empty name gives the id", true, false, false, "", "x", "y", {{"007", 0}}},
        {"blank first comment keeps its line",
         true,
         true,
         true,
         "T",
         "",
         "late",
         {{"T", -1}, {"late", 1}}},
        {"two lines straddle the centre",
         true,
         false,
         true,
         "T",
         "a",
         "b",
         {{"T", -0.5}, {"b", 0.5}}},
        {"only packet 1", false, true, false, "T", "a", "b", {{"a", 0}}},
        {"nothing enabled", false, false, false, "T", "a", "b", {}},
    };
    const double step = (4 - 17) * kUnit;
    const double base = 20 - (8 - 4) * kUnit;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        config::Preferences preferences;
        preferences.commentNode = c.node;
        preferences.commentPacket1 = c.packet1;
        preferences.commentPacket2 = c.packet2;
        const NodeGraphics::LabelTexts texts{7, c.name, c.comment1, c.comment2};
        const auto labels =
            NodeGraphics::commentLabels(10.5, 20, labelView(), kFont, preferences, texts);
        ASSERT_EQ(labels.size(), c.lines.size());
        for (size_t i = 0; i < labels.size(); ++i) {
            EXPECT_EQ(labels[i].text, c.lines[i].first);
            EXPECT_DOUBLE_EQ(labels[i].x, 10.5 + 4 * kUnit);
            EXPECT_DOUBLE_EQ(labels[i].y, base + c.lines[i].second * step);
        }
    }
}

TEST(NodeGraphics, LabelColumnClearsTheOverlay) {
    const NodeGraphics marker(config::TargetMarker, 0, "T", nullptr,
                              {15, 20, 30, 1, 1, 0, 1, 1, 0, 1, 1, 0}, false);
    EXPECT_DOUBLE_EQ(NodeGraphics::labelColumn(10, 0.05, nullptr, 0, 1.0, 2), 10.05);
    EXPECT_DOUBLE_EQ(NodeGraphics::labelColumn(10, 0.05, &marker, 0, 0.0, 2), 10.15);
    EXPECT_DOUBLE_EQ(NodeGraphics::labelColumn(10, 0.05, &marker, 1, 0.0, 2), 10.2);
    EXPECT_DOUBLE_EQ(NodeGraphics::labelColumn(10, 0.05, &marker, 2, 0.5, 2), 10.225);
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

    static bool isBackground(const rendertest::Pixel& p) {
        return rendertest::near(p, 0, 102, 128);
    }
    static bool isBlack(const rendertest::Pixel& p) { return rendertest::near(p, 0, 0, 0, 40); }
    int paintedInRow(int row) const { return frame.count(0, row, frame.width(), row + 1, notBg); }
    int paintedInColumn(int column) const {
        return frame.count(column, 0, column + 1, frame.height(), notBg);
    }

    static constexpr auto notBg = [](const rendertest::Pixel& p) { return !isBackground(p); };

    rendertest::GlFrame frame{800, 600};
    config::Preferences preferences;
    nodes::NodeRecord node{"Truck", 7};
    bool textureLeftOn = true;
    bool blendLeftOn = true;
};

TEST_F(NodeGraphicsFrame, IconSizeAndPlaceAtTwoZooms) {
    NodeGraphics g(config::DefaultIcon, 0, "D", nullptr, kPulsing, false);
    ASSERT_TRUE(drawOne(g, 0.1, -0.05, 0));
    EXPECT_EQ(g.textureName(), NodeGraphics::kNoImage);
    // (0.1, -0.05) is 40 px right of and 20 px below the centre: the square spans 420..459
    // across and 300..339 down.
    EXPECT_EQ(paintedInRow(320), 40);
    EXPECT_EQ(paintedInColumn(440), 40);
    EXPECT_TRUE(rendertest::near(frame.at(420, 300), 255, 0, 0));
    EXPECT_TRUE(rendertest::near(frame.at(459, 339), 255, 0, 0));
    EXPECT_TRUE(isBackground(frame.at(419, 320)));
    EXPECT_TRUE(isBackground(frame.at(460, 320)));
    EXPECT_FALSE(textureLeftOn);
    EXPECT_FALSE(blendLeftOn);

    frame.view().setViewWidth(0.5);
    ASSERT_TRUE(drawOne(g, 0.0, 0.0, 0));
    EXPECT_EQ(paintedInRow(300), 40);
    EXPECT_EQ(paintedInColumn(400), 40);
}

TEST_F(NodeGraphicsFrame, SizeAndColourByStatusAtKnownPhases) {
    struct Case {
        int32_t mode;
        int64_t counter;
        int width;
        int r, g, b;
    };
    const Case cases[] = {
        {0, 100000, 40, 255, 0, 0}, {1, 100000, 80, 0, 255, 0}, {1, 500000, 60, 128, 128, 0},
        {1, 900000, 40, 255, 0, 0}, {2, 100000, 24, 0, 0, 255}, {2, 500000, 32, 128, 0, 128},
        {2, 750000, 40, 255, 0, 0},
    };
    NodeGraphics g(config::DefaultIcon, 0, "D", nullptr, kPulsing, false);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " at " << c.counter);
        clock.setCounter(5 * kFrequency + c.counter);
        ASSERT_TRUE(drawOne(g, 0, 0, c.mode));
        EXPECT_EQ(g.lastCounter(), 5 * kFrequency + c.counter);
        EXPECT_EQ(paintedInRow(300), c.width);
        EXPECT_EQ(paintedInColumn(400), c.width);
        const rendertest::Pixel p = frame.at(400, 300);
        EXPECT_TRUE(rendertest::near(p, c.r, c.g, c.b, 2)) << p.r << " " << p.g << " " << p.b;
    }
}

TEST_F(NodeGraphicsFrame, TextureIsModulatedByTheColour) {
    testsupport::TempDir dir;
    const std::string image = dir.file("icon.sgi");
    const std::string command = "ppmmake rgb:80/ff/ff 16 16 | pnmtosgi > " + image;
    ASSERT_EQ(std::system(command.c_str()), 0);
    NodeGraphics g(config::DefaultIcon, 0, "D", image.c_str(), {5, 5, 5, 1, 1, 0, 1, 1, 0, 1, 1, 0},
                   false);
    ASSERT_TRUE(drawOne(g, 0, 0, 0));
    EXPECT_GT(g.textureName(), 0);
    const rendertest::Pixel p = frame.at(400, 300);
    EXPECT_TRUE(rendertest::near(p, 128, 255, 0)) << p.r << " " << p.g << " " << p.b;
    EXPECT_EQ(paintedInRow(300), 40);
    EXPECT_FALSE(textureLeftOn);
    EXPECT_FALSE(blendLeftOn);
}

TEST_F(NodeGraphicsFrame, TextureCornersSitOnTheIconCorners) {
    // Quadrants, top row first as netpbm stores them: red, green over blue, white.
    PnmImage picture(16, 16, 3, 255);
    const int colours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    for (int row = 0; row < 16; ++row) {
        for (int x = 0; x < 16; ++x) {
            const int* colour = colours[(row / 8) * 2 + x / 8];
            for (int channel = 0; channel < 3; ++channel) {
                picture.set(x, row, channel, static_cast<uint16_t>(colour[channel]));
            }
        }
    }
    testsupport::TempDir dir;
    ASSERT_TRUE(picture.write(dir.file("quadrants.ppm")));
    const std::string command =
        "pnmtosgi " + dir.file("quadrants.ppm") + " > " + dir.file("quadrants.sgi");
    ASSERT_EQ(std::system(command.c_str()), 0);
    NodeGraphics g(config::DefaultIcon, 0, "D", dir.file("quadrants.sgi").c_str(),
                   {5, 5, 5, 1, 1, 1, 1, 1, 1, 1, 1, 1}, false);
    ASSERT_TRUE(drawOne(g, 0, 0, 0));
    EXPECT_TRUE(rendertest::near(frame.at(385, 285), 255, 0, 0, 8));
    EXPECT_TRUE(rendertest::near(frame.at(414, 285), 0, 255, 0, 8));
    EXPECT_TRUE(rendertest::near(frame.at(385, 314), 0, 0, 255, 8));
    EXPECT_TRUE(rendertest::near(frame.at(414, 314), 255, 255, 255, 8));
}

TEST_F(NodeGraphicsFrame, MissingImageGivesAFlatSquare) {
    testsupport::TempDir dir;
    const std::string image = dir.file("missing.sgi");
    NodeGraphics g(config::DefaultIcon, 0, "D", image.c_str(), kPulsing, false);
    ASSERT_TRUE(drawOne(g, 0, 0, 0));
    EXPECT_EQ(g.textureName(), NodeGraphics::kNoImage);
    EXPECT_EQ(
        frame.count(380, 280, 420, 320,
                    [](const rendertest::Pixel& p) { return rendertest::near(p, 255, 0, 0); }),
        40 * 40);
}

TEST_F(NodeGraphicsFrame, LabelsStartRightOfTheOverlay) {
    preferences.commentNode = true;
    const NodeGraphics::Values yellow = {15, 15, 15, 1, 1, 0, 1, 1, 0, 1, 1, 0};
    NodeGraphics marker(config::TargetMarker, 0, "T", nullptr, yellow, false);
    NodeGraphics icon(config::DefaultIcon, 0, "D", nullptr, kPulsing, false);
    // Own icon 400 +- 20 px, marker 400 +- 60 px; the name is centred on row 300.
    ASSERT_TRUE(drawOne(icon, 0, 0, 0, nullptr, true));
    EXPECT_GT(frame.count(421, 285, 460, 315, isBlack), 0);
    ASSERT_TRUE(drawOne(icon, 0, 0, 0, &marker, true));
    EXPECT_EQ(frame.count(421, 285, 460, 315, isBlack), 0);
    EXPECT_GT(frame.count(461, 285, 560, 315, isBlack), 0);
    EXPECT_TRUE(rendertest::near(frame.at(440, 330), 255, 255, 0)); // marker under, beside text
    EXPECT_TRUE(rendertest::near(frame.at(400, 300), 255, 0, 0));   // icon over the marker
}

TEST_F(NodeGraphicsFrame, TextOnlyWhenAsked) {
    preferences.commentNode = true;
    NodeGraphics g(config::DefaultIcon, 0, "D", nullptr, {10, 10, 10, 1, 1, 1, 1, 1, 1, 1, 1, 1},
                   true);
    ASSERT_TRUE(drawOne(g, 0, 0, 0, nullptr, false));
    EXPECT_EQ(frame.count(0, 0, 800, 600, isBlack), 0);
    ASSERT_TRUE(drawOne(g, 0, 0, 0, nullptr, true));
    EXPECT_GT(frame.count(360, 260, 440, 340, isBlack), 0); // "007" on the icon
    EXPECT_GT(frame.count(441, 260, 600, 340, isBlack), 0); // the name beside it
}

// The box of black pixels within rows [top, bottom).
rendertest::PixelBox inkIn(const rendertest::GlFrame& frame, int top, int bottom) {
    return frame.pixels().bounds(0, top, frame.width(), bottom, [](const rendertest::Pixel& p) {
        return rendertest::near(p, 0, 0, 0, 40);
    });
}

TEST_F(NodeGraphicsFrame, BlanksInALabelKeepTheirWidth) {
    preferences.commentNode = true;
    NodeGraphics g(config::DefaultIcon, 0, "D", nullptr, {5, 5, 5, 1, 1, 1, 1, 1, 1, 1, 1, 1},
                   false);
    nodes::NodeRecord::copyText(node.name, "II");
    ASSERT_TRUE(drawOne(g, 0, 0, 0, nullptr, true));
    const int joined = inkIn(frame, 280, 320).right;
    nodes::NodeRecord::copyText(node.name, "I   I");
    ASSERT_TRUE(drawOne(g, 0, 0, 0, nullptr, true));
    const int spaced = inkIn(frame, 280, 320).right;
    ASSERT_GT(joined, 420);
    // Three blanks of a 17-pixel Helvetica are well over six pixels.
    EXPECT_GT(spaced, joined + 6);
}

TEST_F(NodeGraphicsFrame, IdCentredOnTheIcon) {
    // The icon is centred on the frame's middle, x = 400 between pixels 399 and 400.
    for (double s0 : {4.5, 5.0, 6.0, 8.0}) {
        for (int32_t id : {0, 808, 1000}) {
            SCOPED_TRACE(testing::Message() << "size " << s0 << ", id " << id);
            node.id = id;
            NodeGraphics g(config::DefaultIcon, 0, "D", nullptr,
                           {s0, s0, s0, 1, 1, 1, 1, 1, 1, 1, 1, 1}, true);
            ASSERT_TRUE(drawOne(g, 0, 0, 0, nullptr, true));
            const rendertest::PixelBox ink = inkIn(frame, 250, 350);
            ASSERT_FALSE(ink.empty());
            EXPECT_NEAR((ink.left + ink.right + 1) / 2.0, 400.0, 1.0);
        }
    }
}

TEST_F(NodeGraphicsFrame, LabelStartingOutsideTheWindowIsNotDrawnEvenInPart) {
    preferences.commentNode = true;
    NodeGraphics g(config::DefaultIcon, 0, "D", nullptr, {5, 5, 5, 1, 1, 1, 1, 1, 1, 1, 1, 1},
                   false);
    nodes::NodeRecord::copyText(node.name, "I WWWWWWWWWW WWWWWWWWWW");
    struct Case {
        const char* where;
        double x;
        double y;
        bool drawn;
    };
    // Icon half side 20 px, 0.0025 units a pixel. The label starts right of the icon, a descent
    // further on and a few pixels below its centre line.
    const Case cases[] = {
        {"left, its later words inside", -1.08, 0, false},
        {"just inside the left edge", -1.04, 0, true},
        {"below, its glyphs reaching up inside", 0, -0.765, false},
        {"just inside the bottom edge", 0, -0.73, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        ASSERT_TRUE(drawOne(g, c.x, c.y, 0, nullptr, true));
        EXPECT_EQ(frame.count(0, 0, 800, 600, isBlack) > 0, c.drawn);
    }
}

TEST_F(NodeGraphicsFrame, CommentsOfAnySenderDrawWithoutFault) {
    preferences.commentNode = true;
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
    NodeGraphics g(config::DefaultIcon, 0, "D", nullptr, {5, 5, 5, 1, 1, 1, 1, 1, 1, 1, 1, 1},
                   true);
    ASSERT_TRUE(drawOne(g, -0.5, 0, 0, nullptr, true));
    EXPECT_GT(frame.count(300, 250, 800, 350, isBlack), 200);
}

} // namespace

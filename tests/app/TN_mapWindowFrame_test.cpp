// The application's own frame on the virtual X server: the files of the
// master configuration become map layers and icons, the nodes are drawn over
// the map where they are, and the view follows and frames the target.
#include "app/TN_mapWindow.h"
#include "nodes/NodeRecord.h"
#include "render/DrawContext.h"
#include "render/MapView.h"
#include "render/glDrawSurface.h"

#include "tests/render/FltkWait.h"
#include "tests/render/FramePixels.h"
#include "tests/support/TempDir.h"
#include "tests/support/WorkingDirectory.h"

#include <gtest/gtest.h>

#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        enterDir = std::make_unique<testsupport::WorkingDirectory>(dir.path());
        // A red map image made by netpbm, no code of ours.
        const std::string make =
            "ppmmake red 64 32 | pnmtosgi > '" + dir.file("map.sgi") + "' 2>/dev/null";
        ASSERT_EQ(std::system(make.c_str()), 0);
        dir.write("nodes.txt", "3 Three\n7 Seven\n12 Twelve\n");
        dir.write("map.cfg", "map.sgi -115.5 -114.5 34.5 35.5 0.5 10\n");
        // Sizes and colours the same in every mode, so the pulse cannot change them; green
        // untextured default icon, blue per-node icon for node 7.
        dir.write("icons.cfg", "Default none.sgi 4 4 4 0 1 0 0 1 0 0 1 0 off\n"
                               "Ic7 none.sgi 4 4 4 0 0 1 0 0 1 0 0 1 off\n");
    }
    void TearDown() override {
        window.reset();
        enterDir.reset();
    }

    // Loads the configuration, places the nodes and draws one frame, reading the map surface
    // back after the application's own frame.
    void drawFrame(const std::string& preferences) {
        dir.write("prefs.txt", preferences + "comment node off\ncomment mcPacket1 off\n"
                                             "comment mcPacket2 off\n");
        // The node graphics before the node file: icons are given out after every file.
        dir.write("site.cfg", "NodeDefFile icons.cfg\nMapFile map.cfg\nNodeFile nodes.txt\n"
                              "PreferenceFile prefs.txt\n");
        window = std::make_unique<app::TN_mapWindow>();
        window->loadMasterConfig("site.cfg");
        place(3, -115.0, 35.0);
        place(7, -114.8, 35.2);
        place(12, -114.3, 34.3);
        window->surface()->addDrawCallback(&FrameTest::readBack, this);
        window->mainWindow()->show();
        drawn = false;
        ASSERT_TRUE(fltktest::waitFor([this] {
            window->surface()->redraw();
            return drawn;
        }));
    }

    void place(int id, double longitude, double latitude) {
        nodes::NodeRecord* node = window->nodeTable().findById(id);
        ASSERT_NE(node, nullptr);
        node->longitude = longitude;
        node->latitude = latitude;
        node->everFresh = true;
    }

    static void readBack(void* self, DrawContext& context) {
        FrameTest* test = static_cast<FrameTest*>(self);
        test->pixels.readBack(static_cast<int>(context.width), static_cast<int>(context.height));
        test->drawn = true;
    }

    rendertest::Pixel atWorld(double x, double y) const {
        return pixels.atWorld(*window->view(), x, y);
    }

    testsupport::TempDir dir;
    std::unique_ptr<testsupport::WorkingDirectory> enterDir;
    std::unique_ptr<app::TN_mapWindow> window;
    rendertest::FramePixels pixels;
    bool drawn = false;
};

void expectColour(const rendertest::Pixel& pixel, int r, int g, int b) {
    EXPECT_NEAR(pixel.r, r, 3);
    EXPECT_NEAR(pixel.g, g, 3);
    EXPECT_NEAR(pixel.b, b, 3);
}

} // namespace

TEST_F(FrameTest, NodesOverTheMapWithTheirOwnIcons) {
    drawFrame("track mode roam\n");
    ASSERT_EQ(pixels.width(), 835);
    ASSERT_EQ(pixels.height(), 850);
    // Roam: the view stays at its start, centre (-115, 35) and width 2.
    EXPECT_DOUBLE_EQ(window->view()->centerX(), -115.0);
    EXPECT_DOUBLE_EQ(window->view()->viewWidthNow(), 2.0);
    {
        SCOPED_TRACE("node 3: the default icon");
        expectColour(atWorld(-115.0, 35.0), 0, 255, 0);
    }
    {
        SCOPED_TRACE("node 7: its own icon, though the node file came after the icons");
        expectColour(atWorld(-114.8, 35.2), 0, 0, 255);
    }
    {
        SCOPED_TRACE("the map around them");
        expectColour(atWorld(-115.3, 34.7), 255, 0, 0);
    }
    {
        SCOPED_TRACE("outside the map: the background");
        expectColour(atWorld(-115.8, 35.8), 0, 102, 128);
    }
    {
        SCOPED_TRACE("node 12 outside the map");
        expectColour(atWorld(-114.3, 34.3), 0, 255, 0);
    }
}

TEST_F(FrameTest, TrackModeAllCentresOnTheTargetAndFramesEveryFreshNode) {
    drawFrame("target id 3\ntrack mode all\ndisplay mode all\n");
    EXPECT_DOUBLE_EQ(window->view()->centerX(), -115.0);
    EXPECT_DOUBLE_EQ(window->view()->centerY(), 35.0);
    // Node 12 is the farthest: 0.7 degrees in x and y; the window is taller than wide, so
    // 2 * 0.7 * 835 / 850 < 1.4 and the width is 1.5 * 1.4.
    EXPECT_NEAR(window->view()->viewWidthNow(), 2.1, 1e-12);
    expectColour(atWorld(-115.0, 35.0), 0, 255, 0);
    expectColour(atWorld(-114.3, 34.3), 0, 255, 0);
}

TEST_F(FrameTest, TargetGroupDisplayLeavesOtherNodesOut) {
    drawFrame(
        "target id 3\nchase id 7\nprox number 0\ntrack mode roam\ndisplay mode targetGroup\n");
    expectColour(atWorld(-115.0, 35.0), 0, 255, 0);
    expectColour(atWorld(-114.8, 35.2), 0, 0, 255);
    // Node 12 is neither target nor chase and there are no close vehicles to show: the
    // background shows where it is.
    expectColour(atWorld(-114.3, 34.3), 0, 102, 128);
}

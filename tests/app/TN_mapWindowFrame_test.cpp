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
#include "tests/support/ManualClockTest.h"
#include "tests/support/TempDir.h"
#include "tests/support/WorkingDirectory.h"

#include <gtest/gtest.h>

#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>

#include <FL/Fl_Box.H>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

namespace {

// On a clock that moves only when told to, so receipt times and the pulse are exact.
class FrameTest : public testsupport::ManualClockTest {
protected:
    void SetUp() override {
        ManualClockTest::SetUp();
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
        ManualClockTest::TearDown();
    }

    // Loads the configuration, places the nodes, runs `then` and draws one frame, reading the
    // map surface back after the application's own frame.
    void drawFrame(const std::string& preferences, const std::function<void()>& then = {}) {
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
        if (then) {
            then();
        }
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
    const struct {
        const char* what;
        double x, y;
        int r, g, b;
    } probes[] = {
        {"node 3: the default icon", -115.0, 35.0, 0, 255, 0},
        {"node 7: its own icon, though the node file came after the icons", -114.8, 35.2, 0, 0,
         255},
        {"the map around them", -115.3, 34.7, 255, 0, 0},
        {"outside the map: the background", -115.8, 35.8, 0, 102, 128},
        {"node 12 outside the map", -114.3, 34.3, 0, 255, 0},
    };
    for (const auto& p : probes) {
        SCOPED_TRACE(p.what);
        expectColour(atWorld(p.x, p.y), p.r, p.g, p.b);
    }
}

// Node 7 drove east along 35 degrees, under the target's icon, to (-114.8, 35); node 12 stands
// outside the map, 100 km from the target: within the alert distance, it gets the red ring.
TEST_F(FrameTest, TrailUnderTheIconsAndAlarmRing) {
    clock.setCounter(100000); // first quarter of a second: the ring at full strength
    drawFrame("target id 3\ntrack mode roam\nalert alarm on\nalert distance 150000\n"
              "display trail 120\n",
              [this] {
                  window->periodicUpdate(); // the preferences reach the table
                  nodes::NodeTable& table = window->nodeTable();
                  const auto report = [&](int id, double longitude, double latitude, int seconds) {
                      platform::TimeStamp time;
                      time.time = seconds;
                      table.findById(id)->updatePosition(latitude, longitude, {}, time, "");
                  };
                  report(3, -115.0, 35.0, 1060);
                  report(12, -114.3, 34.3, 1060);
                  report(7, -115.2, 35.0, 1000);
                  report(7, -114.8, 35.0, 1060);
              });
    {
        SCOPED_TRACE("the target's icon over the trail, node 7's at its end");
        expectColour(atWorld(-115.0, 35.0), 0, 255, 0);
        expectColour(atWorld(-114.8, 35.0), 0, 0, 255);
    }
    {
        // Alpha 0.875: blue over the casing (black at half that) over red.
        SCOPED_TRACE("the trail, blue as node 7's icon, 15 s old of 120 over the red map");
        const double worldPerPixel = 2.0 / 835.0;
        int matches = 0;
        for (int dy = -2; dy <= 2; ++dy) {
            const rendertest::Pixel p = atWorld(-114.9, 35.0 + dy * worldPerPixel);
            matches += rendertest::near(p, 18, 0, 223, 4) ? 1 : 0;
        }
        EXPECT_GT(matches, 0);
    }
    {
        SCOPED_TRACE("the ring around node 12, outside its 4 % icon, over the background");
        expectColour(atWorld(-114.3 + 0.047, 34.3), 255, 0, 0);
        expectColour(atWorld(-114.3 + 0.030, 34.3), 0, 255, 0);
    }
    // 0.2 degrees of longitude at 35 degrees north: 18 217.1 m (worked out from the chord).
    EXPECT_STREQ(window->alarmBox()->label(), "ALERT ID007 Seven 18217 m from ID003 +1 more");
}

// The program as users run it, in a real X server (xvfb-run): it starts on a
// configuration, reports its GL implementation, shows its titled window, and
// a close request from the window system ends it with status 0.
#include "config/MapGraphicsFile.h"
#include "tests/app/ProgramHarness.h"
#include "tests/support/QuadrantRaster.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

// After the test framework: X's macros (None, Bool) would break its headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace {

using namespace std::chrono_literals;
using programtest::ProgramHarness;

// The pixels of a window, read back from the X server.
class WindowPixels {
public:
    struct Rgb {
        int r = 0;
        int g = 0;
        int b = 0;
    };

    WindowPixels(Display* display, Window window) {
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(display, window, &attributes)) {
            return;
        }
        width_ = attributes.width;
        height_ = attributes.height;
        image_.reset(XGetImage(display, window, 0, 0, static_cast<unsigned>(width_),
                               static_cast<unsigned>(height_), AllPlanes, ZPixmap));
    }
    bool valid() const { return image_ != nullptr; }
    int width() const { return width_; }
    int height() const { return height_; }
    // From the top-left corner.
    Rgb at(int x, int y) const {
        const unsigned long pixel = XGetPixel(image_.get(), x, y);
        return {channel(pixel, image_->red_mask), channel(pixel, image_->green_mask),
                channel(pixel, image_->blue_mask)};
    }
    static bool near(Rgb pixel, int r, int g, int b, int tolerance = 12) {
        return std::abs(pixel.r - r) <= tolerance && std::abs(pixel.g - g) <= tolerance &&
               std::abs(pixel.b - b) <= tolerance;
    }
    int count(int r, int g, int b) const {
        int found = 0;
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                found += near(at(x, y), r, g, b) ? 1 : 0;
            }
        }
        return found;
    }

private:
    static int channel(unsigned long pixel, unsigned long mask) {
        if (mask == 0) {
            return 0;
        }
        int shift = 0;
        while (((mask >> shift) & 1) == 0) {
            ++shift;
        }
        return static_cast<int>((pixel & mask) >> shift) * 255 / static_cast<int>(mask >> shift);
    }
    struct Destroy {
        void operator()(XImage* image) const { XDestroyImage(image); }
    };
    int width_ = 0;
    int height_ = 0;
    std::unique_ptr<XImage, Destroy> image_;
};

// The GL surface: the one child of the main window.
Window surfaceOf(Display* display, Window main) {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    Window surface = 0;
    if (XQueryTree(display, main, &root, &parent, &children, &count) && count > 0) {
        surface = children[0];
    }
    if (children != nullptr) {
        XFree(children);
    }
    return surface;
}

// The surface pixel under a world point in the start view (centre -115, 35, two degrees wide),
// which the roaming view keeps.
WindowPixels::Rgb pixelAt(const WindowPixels& pixels, double x, double y) {
    const double width = 2.0;
    const double height = width * pixels.height() / pixels.width();
    const int px = static_cast<int>((x - (-115.0 - width / 2)) / width * pixels.width());
    const int py = static_cast<int>(((35.0 + height / 2) - y) / height * pixels.height());
    return pixels.at(px, py);
}

// The map surface of a started program, with the preferences window (which opens over the map
// when there is no window manager) moved aside; 0 when either window did not come.
Window mapSurface(ProgramHarness& harness, pid_t program) {
    const ProgramHarness::Window main = harness.waitForWindow(program);
    const ProgramHarness::Window preferences =
        harness.waitForWindow(program, 10s, "Map App Preferences");
    if (main == 0 || preferences == 0) {
        return 0;
    }
    XMoveWindow(harness.display(), preferences, 850, 0);
    XFlush(harness.display());
    return surfaceOf(harness.display(), main);
}

// A user's own map, one command from a GeoTIFF to a layer on screen: four coloured quadrants
// with known corners, in degrees and in UTM, through tools/make-map-layer into the map file;
// the running program shows each quadrant's colour at its longitude and latitude.
TEST(TarnellMapProgram, LayersMadeFromGeoTiffsShowEachQuadrantWhereItLies) {
    const struct {
        const char* crs;
        double west, north, east, south;
        bool slanted; // turned to degrees, the sheet leaves empty wedges in its rectangle
    } rasters[] = {
        {"EPSG:4326", -115.8, 35.8, -114.2, 34.2, false},
        // 160 km of zone 11 north around the start view, whose centre lies 2 degrees east of the
        // zone's meridian: turned to degrees, the square is slanted by about a degree.
        {"EPSG:32611", 600000, 3950000, 760000, 3790000, true},
    };
    for (const auto& raster : rasters) {
        SCOPED_TRACE(raster.crs);
        testsupport::TempDir dir;
        ProgramHarness harness;
        ASSERT_NE(harness.display(), nullptr) << "no X server: run under xvfb-run";
        const std::string ppm = dir.write("quadrants.ppm", testsupport::QuadrantRaster::ppm());
        const std::string tif = dir.file("sheet.tif");
        ASSERT_TRUE(harness
                        .run(testsupport::QuadrantRaster::georeference(ppm, tif, raster.crs,
                                                                       raster.west, raster.north,
                                                                       raster.east, raster.south),
                             dir.file("gdal.log"))
                        .exited);
        const ProgramHarness::Exit made = harness.run(
            {MAKE_MAP_LAYER_PATH, tif, dir.file("sheet.sgi"), "--append", dir.file("map.txt")},
            dir.file("entry.txt"));
        ASSERT_TRUE(made.exited && made.status == 0);

        // Each quadrant's centre, then the sheet's south-east corner, in degrees, worked out by
        // GDAL's own transformer.
        std::string centres;
        for (const auto& quadrant : testsupport::QuadrantRaster::kQuadrants) {
            centres +=
                std::to_string(raster.west + quadrant.across * (raster.east - raster.west)) + " " +
                std::to_string(raster.north + quadrant.down * (raster.south - raster.north)) + "\n";
        }
        centres += std::to_string(raster.east) + " " + std::to_string(raster.south) + "\n";
        dir.write("centres.txt", centres);
        ASSERT_TRUE(harness
                        .run({"sh", "-c",
                              "gdaltransform -s_srs " + std::string(raster.crs) +
                                  " -t_srs EPSG:4326 < " + dir.file("centres.txt")},
                             dir.file("degrees.txt"))
                        .exited);
        std::istringstream degrees(ProgramHarness::readAll(dir.file("degrees.txt")));

        dir.write("prefs.txt", "track mode roam\ncomment node off\n");
        const std::string config = ProgramHarness::writeDisplay(
            dir.path(), "1 One\n", "", "", 0, "MapFile map.txt\nPreferenceFile prefs.txt\n");
        // Started from elsewhere: the program enters the configuration's folder.
        const pid_t program = harness.spawn({"env", "-C", "/", TARNELL_MAP_PATH, config});
        const Window surface = mapSurface(harness, program);
        ASSERT_NE(surface, 0u);
        std::unique_ptr<WindowPixels> pixels;
        for (const auto& quadrant : testsupport::QuadrantRaster::kQuadrants) {
            SCOPED_TRACE(quadrant.name);
            double lon = 0;
            double lat = 0;
            double height = 0;
            ASSERT_TRUE(degrees >> lon >> lat >> height);
            const bool shown = harness.waitFor(
                [&] {
                    pixels = std::make_unique<WindowPixels>(harness.display(), surface);
                    return pixels->valid() &&
                           WindowPixels::near(pixelAt(*pixels, lon, lat), quadrant.r, quadrant.g,
                                              quadrant.b);
                },
                20s);
            const WindowPixels::Rgb got = pixelAt(*pixels, lon, lat);
            EXPECT_TRUE(shown) << lon << ", " << lat << ": " << got.r << "," << got.g << ","
                               << got.b;
        }
        // Where the layer's rectangle reaches beyond the slanted sheet (east of its south-east
        // corner), the background shows through the layer.
        double cornerLon = 0;
        double cornerLat = 0;
        double height = 0;
        ASSERT_TRUE(degrees >> cornerLon >> cornerLat >> height);
        const std::vector<config::MapLayerEntry> layers =
            config::MapGraphicsFile::read(dir.file("map.txt").c_str());
        ASSERT_EQ(layers.size(), 1u);
        EXPECT_EQ(layers[0].x1 - cornerLon > 0.02, raster.slanted);
        if (raster.slanted) {
            const WindowPixels::Rgb wedge =
                pixelAt(*pixels, (cornerLon + layers[0].x1) / 2, cornerLat + 0.1);
            EXPECT_TRUE(WindowPixels::near(wedge, 0, 102, 128))
                << wedge.r << "," << wedge.g << "," << wedge.b;
        }

        const ProgramHarness::Closed closed = harness.closeWindow(program);
        EXPECT_TRUE(closed.exit.exited && closed.exit.status == 0);
    }
}

} // namespace

// tools/make-map-layer run for real on GeoTIFFs made here: the layer it writes read back with the
// display's SGI reader, its map graphics file entry read with the display's reader, and the ways
// it refuses to work, each with its one-line reason and nothing left behind.
#include "config/MapGraphicsFile.h"
#include "tests/sgi/SgiPicture.h"
#include "tests/support/QuadrantRaster.h"
#include "tests/support/TempDir.h"
#include "tests/tools/ToolProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using testsupport::QuadrantRaster;

const std::string kScript = MAKE_MAP_LAYER_PATH;

class MakeMapLayer : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(scratch());
        std::filesystem::create_directory(maps());
        const std::string ppm = dir.write("quadrants.ppm", QuadrantRaster::ppm());
        // Degrees over the display's start view, and 160 km of UTM zone 11 north about it.
        for (const auto& [tif, crs, west, north, east, south] :
             {std::tuple{"degrees.tif", "EPSG:4326", -115.8, 35.8, -114.2, 34.2},
              std::tuple{"utm.tif", "EPSG:32611", 600000.0, 3950000.0, 760000.0, 3790000.0}}) {
            const ToolProcess::Outcome made = ToolProcess::run(
                "/usr/bin/env",
                QuadrantRaster::georeference(ppm, dir.file(tif), crs, west, north, east, south));
            ASSERT_TRUE(made.exited && made.status == 0) << made.err;
        }
    }
    // The scratch folders go to a TMPDIR of the test's own, so that leftovers can be counted.
    ToolProcess::Outcome make(const std::vector<std::string>& arguments,
                              const std::string& path = "") {
        std::vector<std::string> command = {"TMPDIR=" + scratch()};
        if (!path.empty()) {
            command.push_back("PATH=" + path);
        }
        command.push_back(kScript);
        command.insert(command.end(), arguments.begin(), arguments.end());
        return ToolProcess::run("/usr/bin/env", command, 60s);
    }
    std::string scratch() const { return dir.file("tmp"); }
    std::string maps() const { return dir.file("maps"); }
    static int filesIn(const std::string& folder) {
        return static_cast<int>(std::distance(std::filesystem::directory_iterator(folder),
                                              std::filesystem::directory_iterator()));
    }

    testsupport::TempDir dir;
};

TEST_F(MakeMapLayer, WritesTheLayerAndItsEntry) {
    const struct {
        const char* what;
        std::vector<std::string> options;
        const char* entry;
        int width, height;
    } cases[] = {
        {"whole", {}, "layer.sgi -115.8 -114.2 34.2 35.8 0 102.4\n", 200, 200},
        {"scaled down",
         {"--max-size", "50"},
         "layer.sgi -115.8 -114.2 34.2 35.8 0 409.6\n",
         50,
         50},
        {"never scaled up",
         {"--max-size", "4000"},
         "layer.sgi -115.8 -114.2 34.2 35.8 0 102.4\n",
         200,
         200},
        {"cut",
         {"--bounds", "-115.6,34.4,-114.6,35.4"},
         "layer.sgi -115.6 -114.6 34.4 35.4 0 102.4\n",
         125,
         125},
        {"cut and scaled",
         {"--bounds=-115.4,34.6,-114.6,35.0", "--max-size", "20"},
         "layer.sgi -115.4 -114.6 34.6 35 0 512\n",
         20,
         10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> arguments = {dir.file("degrees.tif"), maps() + "/layer.sgi",
                                              "--append", maps() + "/map.cfg"};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        std::filesystem::remove(maps() + "/map.cfg");
        const ToolProcess::Outcome made = make(arguments);
        ASSERT_TRUE(made.exited && made.status == 0) << made.err;
        EXPECT_EQ(made.out, c.entry);
        EXPECT_EQ(ToolProcess::run("/bin/cat", {maps() + "/map.cfg"}).out, c.entry);

        SgiPicture layer;
        ASSERT_TRUE(layer.read(maps() + "/layer.sgi"));
        EXPECT_EQ(layer.width, c.width);
        EXPECT_EQ(layer.height, c.height);
        EXPECT_EQ(layer.channels, 3); // nothing transparent: no alpha channel
        EXPECT_EQ(filesIn(scratch()), 0);
        EXPECT_EQ(filesIn(maps()), 2);
    }
}

// Turned from UTM to degrees the square becomes a slanted one: the rectangle around it has
// empty wedges at its corners, which the layer leaves transparent. Survey sheets often come with
// a colour table: the same picture as a GIF has one.
TEST_F(MakeMapLayer, EmptyCornersOfAReprojectedSheetAreTransparent) {
    const ToolProcess::Outcome gif =
        ToolProcess::run("/bin/sh", {"-c", "ppmtogif " + dir.file("quadrants.ppm") + " > " +
                                               dir.file("quadrants.gif")});
    ASSERT_TRUE(gif.exited && gif.status == 0) << gif.err;
    const ToolProcess::Outcome palette = ToolProcess::run(
        "/usr/bin/env",
        QuadrantRaster::georeference(dir.file("quadrants.gif"), dir.file("palette.tif"),
                                     "EPSG:32611", 600000, 3950000, 760000, 3790000));
    ASSERT_TRUE(palette.exited && palette.status == 0) << palette.err;
    for (const char* sheet : {"utm.tif", "palette.tif"}) {
        SCOPED_TRACE(sheet);
        const ToolProcess::Outcome made = make({dir.file(sheet), maps() + "/utm.sgi"});
        ASSERT_TRUE(made.exited && made.status == 0) << made.err;
        const std::vector<config::MapLayerEntry> entries =
            config::MapGraphicsFile::read(dir.write("map.cfg", made.out).c_str());
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].imageFile, maps() + "/utm.sgi"); // absolute without --append
        EXPECT_LT(entries[0].x0, -115.9);
        EXPECT_GT(entries[0].x1, -114.2);

        SgiPicture layer;
        ASSERT_TRUE(layer.read(maps() + "/utm.sgi"));
        EXPECT_EQ(layer.channels, 4);
        const int right = layer.width - 1;
        const int top = layer.height - 1;
        for (const auto& [x, y] : {std::pair{0, 0}, {right, 0}, {0, top}, {right, top}}) {
            EXPECT_EQ(layer.at(x, y).a, 0) << x << ", " << y;
        }
        EXPECT_EQ(layer.at(layer.width / 4, layer.height / 4), (Rgba{0, 0, 255, 255}));
        EXPECT_EQ(layer.at(right - layer.width / 4, top - layer.height / 4),
                  (Rgba{0, 255, 0, 255}));
    }
}

TEST_F(MakeMapLayer, AppendsToAMapFileAndNamesThePictureFromThere) {
    const std::string mapFile =
        dir.write("map.cfg", "# mine\nold.sgi -180 180 -90 90 3 1000"); // no newline at the end
    const ToolProcess::Outcome made =
        make({dir.file("degrees.tif"), dir.file("#1.sgi"), "--append", mapFile});
    ASSERT_TRUE(made.exited && made.status == 0) << made.err;
    EXPECT_EQ(ToolProcess::run("/bin/cat", {mapFile}).out,
              "# mine\nold.sgi -180 180 -90 90 3 1000\n"
              "./#1.sgi -115.8 -114.2 34.2 35.8 0 102.4\n"); // "#1.sgi ..." would be a comment
    const std::vector<config::MapLayerEntry> entries =
        config::MapGraphicsFile::read(mapFile.c_str());
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].imageFile, "./#1.sgi");
    EXPECT_DOUBLE_EQ(entries[1].x0, -115.8);
    EXPECT_DOUBLE_EQ(entries[1].y1, 35.8);
    EXPECT_DOUBLE_EQ(entries[1].maxWidth, 102.4);
}

TEST_F(MakeMapLayer, RefusesWithOneLineAndLeavesNothing) {
    // PATHs that lack one tool: python3 and the rest of the tools are linked in.
    const ToolProcess::Outcome python =
        ToolProcess::run("/usr/bin/env", {"python3", "-c", "import sys; print(sys.executable)"});
    ASSERT_TRUE(python.exited && python.status == 0);
    auto pathWithout = [&](const std::string& missing) {
        const std::string bin = dir.file("without-" + missing);
        std::filesystem::create_directory(bin);
        std::filesystem::create_symlink(python.out.substr(0, python.out.size() - 1),
                                        bin + "/python3");
        for (const char* tool : {"gdalinfo", "gdalwarp", "gdal_translate", "pnmtosgi"}) {
            if (tool != missing) {
                std::filesystem::create_symlink(std::string("/usr/bin/") + tool, bin + "/" + tool);
            }
        }
        return bin;
    };
    const std::string plain = dir.write("plain.ppm", QuadrantRaster::ppm());
    const std::string text = dir.write("notes.tif", "not a picture\n");
    const std::string tif = dir.file("degrees.tif");
    const std::string out = maps() + "/layer.sgi";
    const struct {
        std::vector<std::string> arguments;
        std::string path;
        int status;
        std::string message;
    } cases[] = {
        {{plain, out},
         "",
         1,
         plain + " has no georeferencing (a coordinate system and the position of its pixels), "
                 "so it cannot be placed on the map"},
        {{text, out},
         "",
         1,
         "cannot read " + text + ": `" + text + "' not recognized as a supported file format."},
        {{dir.file("absent.tif"), out},
         "",
         1,
         "cannot read " + dir.file("absent.tif") + ": no such file"},
        {{tif, dir.file("absent/layer.sgi")}, "", 1, "cannot write into " + dir.file("absent")},
        {{tif, out, "--bounds", "10,10,11,11"},
         "",
         1,
         "--bounds lie outside " + tif +
             ", which covers longitude -115.8 to -114.2, latitude "
             "34.2 to 35.8"},
        {{tif, out},
         pathWithout("gdalwarp"),
         1,
         "gdalwarp is missing: install the Debian package gdal-bin"},
        {{tif, out},
         pathWithout("pnmtosgi"),
         1,
         "pnmtosgi is missing: install the Debian package netpbm"},
        {{tif, dir.file("a b.sgi")},
         "",
         1,
         "the map graphics file cannot name '" + dir.file("a b.sgi") +
             "': names are words of at most 99 characters without blanks"},
        {{tif, out, "--bounds", "-114,35,-115,36"},
         "",
         2,
         "--bounds '-114,35,-115,36' is no rectangle of longitude -180 to 180 (west below east) "
         "and latitude -90 to 90 (south below north) (see --help)"},
        {{tif, out, "--bounds", "1,2,3"},
         "",
         2,
         "--bounds must be WEST,SOUTH,EAST,NORTH in degrees, not '1,2,3' (see --help)"},
        {{tif, out, "--max-size", "0"}, "", 2, "--max-size must be from 1 to 65535 (see --help)"},
        {{tif}, "", 2, "the following arguments are required: OUTPUT.sgi (see --help)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const ToolProcess::Outcome made = make(c.arguments, c.path);
        ASSERT_TRUE(made.exited);
        EXPECT_EQ(made.status, c.status);
        EXPECT_EQ(made.err, "make-map-layer: " + c.message + "\n");
        EXPECT_EQ(made.out, "");
        EXPECT_EQ(filesIn(maps()), 0);
        EXPECT_EQ(filesIn(scratch()), 0);
    }
}

// Stopped while it works, it leaves neither its scratch folder nor half a layer.
TEST_F(MakeMapLayer, StoppedMidWayLeavesNothing) {
    const ToolProcess::Outcome big = ToolProcess::run(
        "/usr/bin/env", {"gdal_create", "-q", "-of", "GTiff", "-outsize", "4000", "4000", "-bands",
                         "3", "-burn", "90", "-a_srs", "EPSG:32611", "-a_ullr", "600000", "3950000",
                         "760000", "3790000", dir.file("big.tif")});
    ASSERT_TRUE(big.exited && big.status == 0) << big.err;
    for (int number : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(number);
        ToolProcess process;
        ASSERT_TRUE(process.start("/usr/bin/env", {"TMPDIR=" + scratch(), kScript,
                                                   dir.file("big.tif"), maps() + "/big.sgi"}));
        // Once the warped picture is being written, the work is well under way.
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        bool working = false;
        while (!working && std::chrono::steady_clock::now() < deadline) {
            for (const auto& folder : std::filesystem::directory_iterator(scratch())) {
                working = working || std::filesystem::exists(folder.path() / "warped.tif");
            }
            std::this_thread::sleep_for(10ms);
        }
        ASSERT_TRUE(working);
        ASSERT_TRUE(process.signal(number));
        const ToolProcess::Outcome stopped = process.finish(30s);
        ASSERT_TRUE(stopped.exited);
        EXPECT_EQ(stopped.status, 128 + number);
        EXPECT_EQ(filesIn(scratch()), 0);
        EXPECT_EQ(filesIn(maps()), 0);
    }
}

} // namespace

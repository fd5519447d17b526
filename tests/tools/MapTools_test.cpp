// scripts/make-demo-assets and tools/make-map-layer run as a user runs them; what they write is
// read back with the display's own SGI reader and map and icon file readers.
#include "config/MapGraphicsFile.h"
#include "config/NodeGraphicsFile.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/QuadrantRaster.h"
#include "tests/support/SgiPicture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <map>
#include <regex>
#include <thread>

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// A scratch folder and shell commands in which "@" stands for its path.
struct Scratch : testsupport::TempDir {
    std::string at(const std::string& text) const {
        return std::regex_replace(text, std::regex("@"), path().string());
    }
    testsupport::ChildProcess::Outcome sh(const std::string& command) const {
        return testsupport::ChildProcess::run("/bin/sh", {"-c", at("cd @ && " + command)}, 100s);
    }
    int files(const std::string& folder) const {
        return int(std::distance(fs::directory_iterator(file(folder)), fs::directory_iterator()));
    }
    SgiPicture sgi(const std::string& name) const {
        SgiPicture picture;
        EXPECT_TRUE(picture.read(at("@/" + name))) << name;
        return picture;
    }
};

// The pixel of a map layer at a world position, through the layer's rectangle.
Rgba atWorld(const SgiPicture& p, const config::MapLayerEntry& layer, double lon, double lat) {
    return p.at(int((lon - layer.x0) / (layer.x1 - layer.x0) * p.width),
                int((lat - layer.y0) / (layer.y1 - layer.y0) * p.height));
}

// One run makes every picture demo/map.cfg and demo/icons.cfg name: the layers lie where map.cfg
// says (sea and land where the world has them) and agree where they overlap; icons have
// transparent ground. A second run leaves finished pictures alone and remakes missing ones; a
// missing tool or world picture is named and nothing is made.
TEST(DemoAssets, MakesEveryPictureTheDemoFilesName) {
    Scratch dir;
    const std::string make = "bash " DEMO_ASSETS_SCRIPT " generated";
    const testsupport::ChildProcess::Outcome made = dir.sh(make);
    ASSERT_EQ(made.status, 0) << made.out << made.err;
    const auto layers = config::MapGraphicsFile::read(DEMO_DIR "/map.cfg");
    ASSERT_EQ(layers.size(), 3u);
    std::vector<SgiPicture> maps;
    for (const auto& layer : layers) {
        const SgiPicture& m = maps.emplace_back(dir.sgi(layer.imageFile));
        // Three channels, power-of-two sides: the texture loader uploads them unscaled.
        EXPECT_TRUE(m.channels == 3 && !(m.width & (m.width - 1)) && !(m.height & (m.height - 1)));
    }
    // Places off every grid line, label and town.
    const struct {
        size_t layer;
        double lon, lat;
        bool sea;
    } probes[] = {{0, -140, 10, true},       {0, 10, 24, false},         {0, -30, -30, true},
                  {1, -120.25, 31.25, true}, {1, -114.75, 38.25, false}, {2, -115.75, 36.75, false},
                  {2, -116.45, 34.85, false}};
    for (const auto& p : probes) {
        const Rgba c = atWorld(maps[p.layer], layers[p.layer], p.lon, p.lat);
        EXPECT_TRUE(p.sea ? c.b > c.r + 30 : c.r > c.b + 10) << p.lon << " " << p.lat;
    }
    // Region and close layer are cut from one picture: in the middle of the close layer's grid
    // cells the median colour difference is about 1 (a rectangle 0.1 degree off gives 20).
    std::vector<int> differences;
    for (double lon = -116.55; lon < -113.7; lon += 0.1) {
        for (double lat = 34.75; lat < 37.6; lat += 0.1) {
            const Rgba a = atWorld(maps[1], layers[1], lon, lat),
                       b = atWorld(maps[2], layers[2], lon, lat);
            differences.push_back(std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b));
        }
    }
    std::nth_element(differences.begin(), differences.begin() + differences.size() / 2,
                     differences.end());
    EXPECT_LT(differences[differences.size() / 2], 10);

    std::map<int, int> kinds;
    for (const auto& entry : config::NodeGraphicsFile::read(DEMO_DIR "/icons.cfg")) {
        ++kinds[entry.kind];
        EXPECT_TRUE(entry.hasImage && fs::is_regular_file(dir.file(entry.imageFile))) << entry.name;
    }
    EXPECT_EQ(kinds[config::DefaultIcon] * 100 + kinds[config::TargetMarker] * 10 +
                  kinds[config::ChaseMarker],
              111);
    EXPECT_GE(kinds[config::ProximityMarker], 5);
    EXPECT_EQ(kinds.count(config::UnusedEntry), 0u);
    // Filled white shapes (icons.cfg tints them) or rings whose middle shows the icon under them.
    for (const std::string file : {"vehicle", "command-post", "target", "chase", "proximity"}) {
        const bool filled = file == "vehicle" || file == "command-post";
        const SgiPicture icon = dir.sgi("generated/" + file + ".sgi");
        const int last = icon.width - 1;
        const Rgba centre = icon.at(icon.width / 2, icon.height / 2);
        EXPECT_EQ(icon.channels * 10000 + icon.height, 40000 + icon.width) << file;
        EXPECT_EQ(icon.at(0, 0).a + icon.at(last, 0).a + icon.at(0, last).a + icon.at(last, last).a,
                  0)
            << file;
        EXPECT_EQ(centre.a + (filled ? centre.r + centre.g + centre.b : 0), filled ? 1020 : 0)
            << file;
    }

    const auto before = fs::last_write_time(dir.file("generated/region.sgi"));
    const testsupport::ChildProcess::Outcome again = dir.sh(make);
    EXPECT_NE(again.out.find("up to date"), std::string::npos) << again.out;
    EXPECT_EQ(fs::last_write_time(dir.file("generated/region.sgi")), before);
    EXPECT_EQ(dir.sh("rm generated/chase.sgi && " + make +
                     " >/dev/null; ls -a generated | grep -c "
                     "making; ls generated/chase.sgi")
                  .out,
              "0\ngenerated/chase.sgi\n");
    for (const auto& [variables, message] :
         {std::pair{"PATH=@/bin", "missing tool 'jpegtopnm' (Debian package netpbm"},
          {"TARNELL_EARTH_IMAGE=@/absent.jpg", "missing world picture @/absent.jpg"}}) {
        const auto refused =
            dir.sh("mkdir -p bin && ln -sf /usr/bin/dirname bin && " + std::string(variables) +
                   " /bin/bash " DEMO_ASSETS_SCRIPT " none");
        EXPECT_EQ(refused.status, 1) << message;
        EXPECT_NE(refused.err.find(dir.at("make-demo-assets: " + std::string(message))),
                  std::string::npos)
            << refused.err;
        EXPECT_FALSE(fs::exists(dir.file("none")));
    }
}

// Quadrant pictures in degrees over the display's start view and in 160 km of UTM zone 11 north
// about it, the latter also as a GIF with a colour table as survey sheets often come.
class MakeMapLayer : public ::testing::Test {
protected:
    void SetUp() override {
        dir.write("q.ppm", testsupport::QuadrantRaster::ppm());
        std::string command = "mkdir tmp maps && ppmtogif q.ppm > q.gif";
        for (const auto& [from, to, crs, west, north, east, south] :
             {std::tuple{"q.ppm", "degrees.tif", "EPSG:4326", -115.8, 35.8, -114.2, 34.2},
              {"q.ppm", "utm.tif", "EPSG:32611", 6e5, 395e4, 76e4, 379e4},
              {"q.gif", "palette.tif", "EPSG:32611", 6e5, 395e4, 76e4, 379e4}}) {
            command += " &&";
            for (const std::string& word : testsupport::QuadrantRaster::georeference(
                     from, to, crs, west, north, east, south)) {
                command += " " + word;
            }
        }
        ASSERT_EQ(dir.sh(command).status, 0);
    }
    Scratch dir;
    // Its scratch folders go to a TMPDIR of the test's own, so that leftovers can be counted.
    const std::string make = "TMPDIR=@/tmp " MAKE_MAP_LAYER_PATH " ";
};

TEST_F(MakeMapLayer, WritesLayersAndTheirEntries) {
    const struct {
        const char *options, *entry; // the rectangle and width of the entry for maps/l.sgi
        int width, height;
    } cases[] = {
        {"", "-115.8 -114.2 34.2 35.8 0 102.4", 200, 200},
        {"--max-size 50", "-115.8 -114.2 34.2 35.8 0 409.6", 50, 50},
        {"--max-size 4000", "-115.8 -114.2 34.2 35.8 0 102.4", 200, 200},
        {"--bounds -115.6,34.4,-114.6,35.4", "-115.6 -114.6 34.4 35.4 0 102.4", 125, 125},
        {"--bounds=-115.4,34.6,-114.6,35.0 --max-size 20", "-115.4 -114.6 34.6 35 0 512", 20, 10},
    };
    for (const auto& c : cases) {
        const auto made =
            dir.sh("rm -f maps/m; " + make + "degrees.tif maps/l.sgi --append maps/m " + c.options +
                   " && cat maps/m");
        EXPECT_EQ(made.out, "l.sgi " + std::string(c.entry) + "\nl.sgi " + c.entry + "\n")
            << made.err;
        const SgiPicture layer = dir.sgi("maps/l.sgi");
        EXPECT_EQ(std::vector({layer.width, layer.height, layer.channels}),
                  std::vector({c.width, c.height, 3}));
        EXPECT_EQ(dir.files("tmp") * 10 + dir.files("maps"), 2);
    }
    // Appended to a map file of its own, named from there ("#1.sgi ..." would be a comment).
    dir.write("map.cfg", "# mine\nold.sgi -180 180 -90 90 3 1000"); // no line end
    EXPECT_EQ(dir.sh(make + "degrees.tif '#1.sgi' --append map.cfg >/dev/null && cat map.cfg").out,
              "# mine\nold.sgi -180 180 -90 90 3 1000\n./#1.sgi -115.8 -114.2 34.2 35.8 0 102.4\n");
    const auto entries = config::MapGraphicsFile::read(dir.file("map.cfg").c_str());
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].imageFile, "./#1.sgi");
    EXPECT_EQ(std::vector({entries[1].x0, entries[1].y1, entries[1].maxWidth}),
              std::vector({-115.8, 35.8, 102.4}));

    // Turned from UTM to degrees the square becomes a slanted one: the empty wedges at the
    // corners of the rectangle around it are transparent.
    for (const std::string sheet : {"utm.tif", "palette.tif"}) {
        const auto made = dir.sh(make + sheet + " maps/utm.sgi");
        const auto utm = config::MapGraphicsFile::read(dir.write("utm.cfg", made.out).c_str());
        ASSERT_EQ(utm.size(), 1u) << made.err;
        EXPECT_EQ(utm[0].imageFile, dir.file("maps/utm.sgi")); // absolute without --append
        EXPECT_TRUE(utm[0].x0 < -115.9 && utm[0].x1 > -114.2) << made.out;
        const SgiPicture layer = dir.sgi("maps/utm.sgi");
        const int right = layer.width - 1, top = layer.height - 1;
        EXPECT_EQ(layer.at(0, 0).a + layer.at(right, 0).a + layer.at(0, top).a +
                      layer.at(right, top).a,
                  0);
        EXPECT_EQ(layer.at(layer.width / 4, layer.height / 4), (Rgba{0, 0, 255, 255})) << sheet;
        EXPECT_EQ(layer.at(right - layer.width / 4, top - layer.height / 4),
                  (Rgba{0, 255, 0, 255}));
        EXPECT_EQ(layer.channels, 4);
    }
}

// Each refusal is one line with its reason and leaves nothing behind, as does a stop mid-way.
TEST_F(MakeMapLayer, RefusesOrIsStoppedAndLeavesNothing) {
    // PATHs that lack one tool; python3 and the others are linked in.
    const std::string link =
        "ln -s $(python3 -c 'import sys; print(sys.executable)') . && for t in "
        "gdalinfo gdalwarp gdal_translate pnmtosgi; do [ $t = ";
    for (const std::string tool : {"gdalwarp", "pnmtosgi"}) {
        ASSERT_EQ(dir.sh("mkdir no-" + tool + " && cd no-" + tool + " && " + link + tool +
                         " ] || ln -s /usr/bin/$t .; done")
                      .status,
                  0);
    }
    dir.write("notes.tif", "not a picture\n");
    const struct {
        int status;
        const char *arguments, *message;
    } cases[] = {
        {1, "q.ppm maps/l.sgi",
         "q.ppm has no georeferencing (a coordinate system and the position of its pixels), so it "
         "cannot be placed on the map"},
        {1, "notes.tif maps/l.sgi",
         "cannot read notes.tif: `notes.tif' not recognized as a supported file format."},
        {1, "absent.tif maps/l.sgi", "cannot read absent.tif: no such file"},
        {1, "degrees.tif absent/l.sgi", "cannot write into @/absent"},
        {1, "degrees.tif maps/l.sgi --bounds 10,10,11,11",
         "--bounds lie outside degrees.tif, which covers longitude -115.8 to -114.2, latitude 34.2 "
         "to 35.8"},
        {1, "PATH=no-gdalwarp degrees.tif maps/l.sgi",
         "gdalwarp is missing: install the Debian package gdal-bin"},
        {1, "PATH=no-pnmtosgi degrees.tif maps/l.sgi",
         "pnmtosgi is missing: install the Debian package netpbm"},
        {1, "degrees.tif 'a b.sgi'",
         "the map graphics file cannot name '@/a b.sgi': names are words of at most 99 characters "
         "without blanks"},
        {2, "degrees.tif maps/l.sgi --bounds -114,35,-115,36",
         "--bounds '-114,35,-115,36' is no rectangle of longitude -180 to 180 (west below east) "
         "and latitude -90 to 90 (south below north) (see --help)"},
        {2, "degrees.tif maps/l.sgi --bounds 1,2,3",
         "--bounds must be WEST,SOUTH,EAST,NORTH in degrees, not '1,2,3' (see --help)"},
        {2, "degrees.tif maps/l.sgi --max-size 0",
         "--max-size must be from 1 to 65535 (see --help)"},
        {2, "degrees.tif", "the following arguments are required: OUTPUT.sgi (see --help)"},
    };
    for (const auto& c : cases) {
        const std::string arguments = c.arguments;
        const size_t path = arguments.rfind("PATH=", 0) == 0 ? arguments.find(' ') + 1 : 0;
        const auto made = dir.sh(arguments.substr(0, path) + make + arguments.substr(path));
        EXPECT_EQ(made.status, c.status) << c.message;
        EXPECT_EQ(made.out + made.err, dir.at("make-map-layer: " + std::string(c.message) + "\n"));
        EXPECT_EQ(dir.files("maps") + dir.files("tmp"), 0) << c.message;
    }
    ASSERT_EQ(dir.sh("gdal_create -q -outsize 4000 4000 -bands 3 -burn 90 -a_srs EPSG:32611 "
                     "-a_ullr 6e5 395e4 76e4 379e4 big.tif")
                  .status,
              0);
    for (int number : {SIGTERM, SIGINT}) {
        testsupport::ChildProcess process;
        ASSERT_TRUE(
            process.start("/bin/sh", {"-c", dir.at("cd @ && TMPDIR=@/tmp exec " MAKE_MAP_LAYER_PATH
                                                   " big.tif maps/big.sgi")}));
        // Once the warped picture is being written, the work is well under way.
        for (auto end = std::chrono::steady_clock::now() + 30s;
             dir.sh("ls tmp/*/warped.tif").status != 0;) {
            ASSERT_LT(std::chrono::steady_clock::now(), end);
            std::this_thread::sleep_for(10ms);
        }
        ASSERT_TRUE(process.signal(number));
        const testsupport::ChildProcess::Outcome stopped = process.finish(30s);
        EXPECT_TRUE(stopped.exited && stopped.status == 128 + number) << number;
        EXPECT_EQ(dir.files("tmp") + dir.files("maps"), 0) << number;
    }
}

} // namespace

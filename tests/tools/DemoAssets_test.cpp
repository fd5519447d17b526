#include "config/MapGraphicsFile.h"
#include "config/NodeGraphicsFile.h"
#include "tests/sgi/SgiPicture.h"
#include "tests/support/TempDir.h"
#include "tests/tools/ToolProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

// scripts/make-demo-assets run for real into a scratch folder: every picture that demo/map.cfg
// and demo/icons.cfg name must come out, be read by the display's own SGI reader, lie where the
// layer rectangles of map.cfg say (sea and land where the world has them) and, for icons, carry
// an alpha channel that leaves the ground around the shape transparent.

namespace {

const std::string script = DEMO_ASSETS_SCRIPT;
const std::string demoDir = DEMO_DIR;
const auto makeTimeout = std::chrono::seconds(100);

// The pixel of a map layer at a world position, through the layer's rectangle.
Rgba atWorld(const SgiPicture& picture, const config::MapLayerEntry& layer, double lon,
             double lat) {
    const int x = static_cast<int>((lon - layer.x0) / (layer.x1 - layer.x0) * picture.width);
    const int y = static_cast<int>((lat - layer.y0) / (layer.y1 - layer.y0) * picture.height);
    return picture.at(x, y);
}

ToolProcess::Outcome makeAssets(const std::string& outDir) {
    return ToolProcess::run("/bin/bash", {script, outDir}, makeTimeout);
}

std::filesystem::file_time_type modified(const std::string& path) {
    std::error_code error;
    return std::filesystem::last_write_time(path, error);
}

class DemoAssets : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    std::string out() const { return dir.file("generated"); }
    // demo/map.cfg and icons.cfg name pictures as generated/NAME.
    std::string picturePath(const std::string& configName) const {
        return dir.path().string() + "/" + configName;
    }
};

} // namespace

TEST_F(DemoAssets, LayersLieWhereTheMapFileSaysAndAgreeWhereTheyOverlap) {
    const ToolProcess::Outcome made = makeAssets(out());
    ASSERT_TRUE(made.exited && made.status == 0) << made.out << made.err;

    const std::vector<config::MapLayerEntry> layers =
        config::MapGraphicsFile::read((demoDir + "/map.cfg").c_str());
    ASSERT_EQ(layers.size(), 3u);

    // Sea and land at places no grid line, label or town of the layers covers.
    struct Probe {
        double lon, lat;
        bool sea;
    };
    const std::map<std::string, std::vector<Probe>> probes = {
        {"generated/world.sgi", {{-140.0, 10.0, true}, {10.0, 24.0, false}, {-30.0, -30.0, true}}},
        {"generated/region.sgi", {{-120.25, 31.25, true}, {-114.75, 38.25, false}}},
        {"generated/local.sgi", {{-115.75, 36.75, false}, {-116.45, 34.85, false}}},
    };
    std::vector<SgiPicture> pictures(layers.size());
    for (size_t i = 0; i < layers.size(); ++i) {
        const config::MapLayerEntry& layer = layers[i];
        SgiPicture& picture = pictures[i];
        SCOPED_TRACE(layer.imageFile);
        ASSERT_TRUE(picture.read(picturePath(layer.imageFile)));
        EXPECT_EQ(picture.channels, 3);
        // Power-of-two sides: the texture loader uploads them without rescaling.
        const bool world = layer.imageFile == "generated/world.sgi";
        EXPECT_EQ(picture.width, world ? 2048 : 1024);
        EXPECT_EQ(picture.height, 1024);
        ASSERT_EQ(probes.count(layer.imageFile), 1u);
        for (const Probe& probe : probes.at(layer.imageFile)) {
            SCOPED_TRACE(testing::Message() << probe.lon << ", " << probe.lat);
            const Rgba pixel = atWorld(picture, layer, probe.lon, probe.lat);
            if (probe.sea) {
                EXPECT_GT(pixel.b, pixel.r + 30);
            } else {
                EXPECT_GT(pixel.r, pixel.b + 10);
            }
        }
    }

    const SgiPicture& region = pictures[1];
    const SgiPicture& local = pictures[2];
    // Both are cut from one picture with the same colour treatment, so in the middle of the grid
    // cells of the close layer (off every line of either layer) the same place has about the same
    // colour (a median difference of about 1). The median over the cells ignores the few that a
    // label or a town covers; the close layer's rectangle moved by a tenth of a degree gives 20.
    std::vector<int> differences;
    for (double lon = -116.55; lon < -113.7; lon += 0.1) {
        for (double lat = 34.75; lat < 37.6; lat += 0.1) {
            const Rgba a = atWorld(region, layers[1], lon, lat);
            const Rgba b = atWorld(local, layers[2], lon, lat);
            differences.push_back(std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b));
        }
    }
    ASSERT_GT(differences.size(), 500u);
    std::nth_element(differences.begin(), differences.begin() + differences.size() / 2,
                     differences.end());
    EXPECT_LT(differences[differences.size() / 2], 10);
}

TEST_F(DemoAssets, IconsHaveTransparentGroundAndEveryIconFileNamedExists) {
    const ToolProcess::Outcome made = makeAssets(out());
    ASSERT_TRUE(made.exited && made.status == 0) << made.out << made.err;

    const std::vector<config::NodeGraphicsEntry> entries =
        config::NodeGraphicsFile::read((demoDir + "/icons.cfg").c_str());
    ASSERT_FALSE(entries.empty());
    std::map<config::NodeGraphicsKind, int> kinds;
    for (const config::NodeGraphicsEntry& entry : entries) {
        SCOPED_TRACE(entry.name);
        ++kinds[entry.kind];
        ASSERT_TRUE(entry.hasImage);
        EXPECT_TRUE(std::filesystem::is_regular_file(picturePath(entry.imageFile)));
    }
    EXPECT_EQ(kinds[config::DefaultIcon], 1);
    EXPECT_EQ(kinds[config::TargetMarker], 1);
    EXPECT_EQ(kinds[config::ChaseMarker], 1);
    EXPECT_GE(kinds[config::ProximityMarker], 5);
    EXPECT_EQ(kinds[config::UnusedEntry], 0);

    // centreOpaque: a filled shape (icons) or a ring whose middle shows the icon under it.
    struct Expectation {
        std::string file;
        bool centreOpaque;
    };
    const std::vector<Expectation> icons = {
        {"vehicle.sgi", true}, {"command-post.sgi", true}, {"target.sgi", false},
        {"chase.sgi", false},  {"proximity.sgi", false},
    };
    for (const Expectation& icon : icons) {
        SCOPED_TRACE(icon.file);
        SgiPicture picture;
        ASSERT_TRUE(picture.read(out() + "/" + icon.file));
        EXPECT_EQ(picture.channels, 4);
        EXPECT_EQ(picture.width, picture.height);
        const int last = picture.width - 1;
        for (const auto& [x, y] :
             std::vector<std::pair<int, int>>{{0, 0}, {last, 0}, {0, last}, {last, last}}) {
            EXPECT_EQ(picture.at(x, y).a, 0) << x << ", " << y;
        }
        const Rgba centre = picture.at(picture.width / 2, picture.height / 2);
        if (icon.centreOpaque) {
            // White, so the colours of icons.cfg tint it as they are.
            EXPECT_EQ(centre.a, 255);
            EXPECT_EQ(centre.r + centre.g + centre.b, 3 * 255);
        } else {
            EXPECT_EQ(centre.a, 0);
        }
    }
}

TEST_F(DemoAssets, SecondRunLeavesFinishedPicturesAlone) {
    const ToolProcess::Outcome first = makeAssets(out());
    ASSERT_TRUE(first.exited && first.status == 0) << first.out << first.err;
    const auto before = modified(out() + "/region.sgi");

    const ToolProcess::Outcome second = makeAssets(out());
    ASSERT_TRUE(second.exited && second.status == 0) << second.err;
    EXPECT_NE(second.out.find("up to date"), std::string::npos) << second.out;
    EXPECT_EQ(modified(out() + "/region.sgi"), before);

    // A missing picture is made again.
    std::filesystem::remove(out() + "/chase.sgi");
    const ToolProcess::Outcome third = makeAssets(out());
    ASSERT_TRUE(third.exited && third.status == 0) << third.err;
    EXPECT_TRUE(std::filesystem::is_regular_file(out() + "/chase.sgi"));
    // Nothing half-made is left behind.
    for (const auto& item : std::filesystem::directory_iterator(out())) {
        EXPECT_EQ(item.path().filename().string().rfind(".making", 0), std::string::npos)
            << item.path();
    }
}

TEST_F(DemoAssets, MissingToolOrPictureIsNamedAndNothingIsMade) {
    // A PATH that holds only what the script needs before it checks its tools.
    const std::string bin = dir.file("bin");
    std::filesystem::create_directory(bin);
    std::filesystem::create_symlink("/usr/bin/dirname", bin + "/dirname");

    struct Case {
        std::string name;
        std::vector<std::string> environment;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"no netpbm", {"PATH=" + bin}, "missing tool 'jpegtopnm' (Debian package netpbm"},
        {"no world picture",
         {"TARNELL_EARTH_IMAGE=" + dir.file("absent.jpg")},
         "missing world picture " + dir.file("absent.jpg")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> arguments = c.environment;
        arguments.push_back("/bin/bash");
        arguments.push_back(script);
        arguments.push_back(out());
        const ToolProcess::Outcome outcome = ToolProcess::run("/usr/bin/env", arguments);
        ASSERT_TRUE(outcome.exited);
        EXPECT_EQ(outcome.status, 1);
        EXPECT_NE(outcome.err.find("make-demo-assets: " + c.message), std::string::npos)
            << outcome.err;
        EXPECT_FALSE(std::filesystem::exists(out()));
    }
}

#include "config/MapGraphicsFile.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <string>
#include <vector>

namespace {

using config::MapGraphicsFile;
using config::MapLayerEntry;

struct Layer {
    std::string image;
    double x0, x1, y0, y1, minWidth, maxWidth;
};

void expectLayers(const std::vector<MapLayerEntry>& got, const std::vector<Layer>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE("layer " + std::to_string(i));
        EXPECT_TRUE(got[i].hasImage);
        EXPECT_EQ(got[i].imageFile, want[i].image);
        EXPECT_EQ(got[i].x0, want[i].x0);
        EXPECT_EQ(got[i].x1, want[i].x1);
        EXPECT_EQ(got[i].y0, want[i].y0);
        EXPECT_EQ(got[i].y1, want[i].y1);
        EXPECT_EQ(got[i].minWidth, want[i].minWidth);
        EXPECT_EQ(got[i].maxWidth, want[i].maxWidth);
    }
}

TEST(MapGraphicsFile, ReadsLayersInFileOrder) {
    struct Case {
        const char* file;
        std::vector<Layer> layers;
    };
    const Case cases[] = {
        {"world.sgi -180 180 -90 90 10 1000\n", {{"world.sgi", -180, 180, -90, 90, 10, 1000}}},
        // Short lines keep the tail of the line before.
        {"world.sgi -180 180 -90 90 10 1000\ncoast.sgi 0 10 50 60\nharbour.sgi 5\n",
         {{"world.sgi", -180, 180, -90, 90, 10, 1000},
          {"coast.sgi", 0, 10, 50, 60, 10, 1000},
          {"harbour.sgi", 5, 10, 50, 60, 10, 1000}}},
        // Fields the first line lacks start at zero: an empty range, never drawn.
        {"only.sgi 1 2\n", {{"only.sgi", 1, 2, 0, 0, 0, 0}}},
        {"# layers\n\n#a.sgi 1 2 3 4 5 6\nb.sgi 1 2 3 4 5 6\n\n# end\n",
         {{"b.sgi", 1, 2, 3, 4, 5, 6}}},
        // A line of blanks ends the file.
        {"a.sgi 1 2 3 4 5 6\n  \t\nb.sgi 7 8 9 10 11 12\n", {{"a.sgi", 1, 2, 3, 4, 5, 6}}},
        {"a.sgi\t1.5  -2.25 3e1 4 0.5 2.0 extra words\n", {{"a.sgi", 1.5, -2.25, 30, 4, 0.5, 2}}},
        // Numbers read as far as they go, as atof would; nothing is validated.
        {"a.sgi abc 2x -3e1 . 1e999 -5\n", {{"a.sgi", 0, 2, -30, 0, DBL_MAX, -5}}},
        {"a.sgi 9 1 9 1 100 1\n", {{"a.sgi", 9, 1, 9, 1, 100, 1}}},
        {"", {}},
        {"# nothing but a comment\n", {}},
    };
    testsupport::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        expectLayers(MapGraphicsFile::read(dir.write("maps.txt", c.file).c_str()), c.layers);
    }
}

TEST(MapGraphicsFile, LongImageNamesAreCutTo99Characters) {
    testsupport::TempDir dir;
    const std::string name(120, 'm');
    const std::vector<MapLayerEntry> layers =
        MapGraphicsFile::read(dir.write("maps.txt", name + " 1 2 3 4 5 6\n").c_str());
    ASSERT_EQ(layers.size(), 1u);
    EXPECT_EQ(layers[0].imageFile, name.substr(0, 99));
    EXPECT_EQ(layers[0].x0, 1);
    EXPECT_EQ(layers[0].maxWidth, 6);
}

TEST(MapGraphicsFile, AFileThatCannotBeReadGivesNoLayers) {
    testsupport::TempDir dir;
    EXPECT_TRUE(MapGraphicsFile::read(dir.file("absent.txt").c_str()).empty());
    EXPECT_TRUE(MapGraphicsFile::read(dir.path().string().c_str()).empty());
    EXPECT_TRUE(MapGraphicsFile::read(nullptr).empty());
}

} // namespace

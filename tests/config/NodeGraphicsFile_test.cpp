#include "config/NodeGraphicsFile.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using config::NodeGraphicsEntry;
using config::NodeGraphicsFile;
using config::NodeGraphicsKind;

std::vector<NodeGraphicsEntry> readText(const std::string& content) {
    testsupport::TempDir dir;
    const std::string path = dir.write("nodes.gfx", content);
    return NodeGraphicsFile::read(path.c_str());
}

TEST(NodeGraphicsFile, KindAndNumberFromName) {
    struct Case {
        const char* name;
        NodeGraphicsKind kind;
        int32_t number;
    };
    const Case cases[] = {
        {"D", config::DefaultIcon, 0},
        {"DefaultIcon", config::DefaultIcon, 0},
        {"d", config::UnusedEntry, 0},
        {"default", config::UnusedEntry, 0},
        {"Target", config::TargetMarker, 0},
        {"Chase", config::ChaseMarker, 0},
        {"Prox3", config::ProximityMarker, 3},
        {"Prox10", config::ProximityMarker, 10},
        {"Prox11", config::ProximityMarker, 11},
        {"Prox-2", config::ProximityMarker, -2},
        {"Pxxx7marker", config::ProximityMarker, 7},
        {"Prox", config::ProximityMarker, 0}, // too short for its number
        {"P", config::ProximityMarker, 0},
        {"ProxA", config::ProximityMarker, 0},
        {"prox3", config::UnusedEntry, 0},
        {"Ic12", config::PerNodeIcon, 12},
        {"Ix7", config::PerNodeIcon, 7},
        {"Icon", config::PerNodeIcon, 0},
        {"Ic", config::PerNodeIcon, 0}, // too short for its number
        {"I", config::PerNodeIcon, 0},
        {"ic12", config::UnusedEntry, 0},
        {"X", config::UnusedEntry, 0},
        {"", config::UnusedEntry, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int32_t number = -99;
        EXPECT_EQ(NodeGraphicsFile::kindOf(c.name, &number), c.kind);
        EXPECT_EQ(number, c.number);
    }
}

TEST(NodeGraphicsFile, ReadsAllFifteenFields) {
    const auto entries =
        readText("# icons\nDefault icon.sgi 5 7 9 0.1 0.2 0.3 0.4 0.5 0.6 0.7 0.8 0.9 on\n");
    ASSERT_EQ(entries.size(), 1u);
    const NodeGraphicsEntry& e = entries[0];
    EXPECT_EQ(e.kind, config::DefaultIcon);
    EXPECT_EQ(e.name, "Default");
    EXPECT_TRUE(e.hasImage);
    EXPECT_EQ(e.imageFile, "icon.sgi");
    const double expected[12] = {5, 7, 9, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9};
    for (int i = 0; i < 12; ++i) {
        SCOPED_TRACE(i);
        EXPECT_DOUBLE_EQ(e.values[static_cast<size_t>(i)], expected[i]);
    }
    EXPECT_TRUE(e.numberOnIcon);
}

TEST(NodeGraphicsFile, ShortLinesCarryTheLineBefore) {
    const auto entries = readText("Default a.sgi 5 7 9 1 0 0 0 1 0 0 0 1 on\n"
                                  "Ic12 b.sgi\n"
                                  "Target\n"
                                  "Chase c.sgi 3 4\n");
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[1].kind, config::PerNodeIcon);
    EXPECT_EQ(entries[1].number, 12);
    EXPECT_EQ(entries[1].imageFile, "b.sgi");
    EXPECT_EQ(entries[1].values, entries[0].values);
    EXPECT_TRUE(entries[1].numberOnIcon);
    EXPECT_EQ(entries[2].kind, config::TargetMarker);
    EXPECT_EQ(entries[2].number, 0); // the number is not carried, it comes from the name
    EXPECT_EQ(entries[2].imageFile, "b.sgi");
    EXPECT_TRUE(entries[2].numberOnIcon);
    EXPECT_DOUBLE_EQ(entries[3].values[0], 3.0);
    EXPECT_DOUBLE_EQ(entries[3].values[1], 4.0);
    EXPECT_DOUBLE_EQ(entries[3].values[2], 9.0);
    EXPECT_DOUBLE_EQ(entries[3].values[11], 1.0);
}

TEST(NodeGraphicsFile, NumberOnIconWord) {
    struct Case {
        const char* word;
        bool on;
    };
    const Case cases[] = {{"on", true},   {"ON", true},   {"On", true}, {"oN", true},
                          {"off", false}, {"one", false}, {"o", false}, {"yes", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        const auto entries =
            readText(std::string("D i.sgi 1 1 1 0 0 0 0 0 0 0 0 0 ") + c.word + "\n");
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].numberOnIcon, c.on);
    }
}

TEST(NodeGraphicsFile, UnreadableOrEmptyFilesGiveNoEntries) {
    EXPECT_TRUE(NodeGraphicsFile::read(nullptr).empty());
    EXPECT_TRUE(NodeGraphicsFile::read("/nonexistent/dir/nodes.gfx").empty());
    EXPECT_TRUE(readText("").empty());
    EXPECT_TRUE(readText("# only a comment\n").empty());
}

// The first line starts from nothing; unused lines keep their place.
TEST(NodeGraphicsFile, FirstLineStartsEmptyAndUnusedLinesKeepTheirPlace) {
    const auto entries = readText("Default\nTarget t.sgi 6\nd b.sgi\nD c.sgi\n");
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_FALSE(entries[0].hasImage);
    EXPECT_EQ(entries[0].imageFile, "");
    EXPECT_EQ(entries[0].values, decltype(entries[0].values){});
    EXPECT_FALSE(entries[0].numberOnIcon);
    EXPECT_TRUE(entries[1].hasImage);
    EXPECT_DOUBLE_EQ(entries[1].values[0], 6.0);
    EXPECT_EQ(entries[2].kind, config::UnusedEntry);
    EXPECT_EQ(entries[2].name, "d");
    EXPECT_EQ(entries[3].kind, config::DefaultIcon);
    EXPECT_EQ(entries[3].imageFile, "c.sgi");
}

} // namespace

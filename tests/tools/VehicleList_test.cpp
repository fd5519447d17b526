// fleet-sim's input files: the node file (read as the display reads it) and replay recordings.
#include "tools/fleet-sim/ReplaySource.h"
#include "tools/fleet-sim/VehicleList.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

using fleetsim::DatagramSource;
using fleetsim::ReplaySource;
using fleetsim::Vehicle;
using fleetsim::VehicleList;

std::string listed(const std::vector<Vehicle>& vehicles) {
    std::string text;
    for (const Vehicle& vehicle : vehicles) {
        text += std::to_string(vehicle.id) + "=" + vehicle.name + ";";
    }
    return text;
}

TEST(VehicleList, NodeFileLines) {
    const std::string longName(300, 'n');
    const struct {
        std::string content;
        size_t count;
        std::string vehicles; // the first of them
    } cases[] = {
        // Comments, blank lines and identifiers outside 0 to 1000 are skipped; no name: one is
        // made up.
        {"# north\n7 Truck 7\n12\n2000 Too Big\n\n   \n-3 Negative\n1000 Last", 3,
         "7=Truck 7;12=Vehicle 12;1000=Last;"},
        {"5\t  Van\n9 Bus, blue\r\n0 Zero\n", 3, "5=Van;9=Bus, blue;0=Zero;"},
        {"3 First\n3 Second\n4 Four\n", 2, "3=First;4=Four;"}, // the first line of an id counts
        // As on the display, the rest of a long line is a line of its own (no number: id 0).
        {"8 " + longName + "\n", 2, "8=" + std::string(253, 'n') + ";0="},
    };
    testsupport::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content);
        std::vector<Vehicle> vehicles;
        std::string error;
        EXPECT_TRUE(VehicleList::readNodeFile(dir.write("n.txt", c.content), vehicles, error));
        EXPECT_EQ(vehicles.size(), c.count);
        EXPECT_EQ(listed(vehicles).substr(0, c.vehicles.size()), c.vehicles);
    }
    std::vector<Vehicle> vehicles;
    std::string error;
    const std::string empty = dir.write("empty.txt", "# nothing here\n\n1001 out of range\n");
    EXPECT_FALSE(VehicleList::readNodeFile(empty, vehicles, error));
    EXPECT_EQ(error, "node file '" + empty + "' lists no node with an identifier from 0 to 1000");
    EXPECT_EQ(listed(VehicleList::range(3, 5)), "3=Vehicle 3;4=Vehicle 4;5=Vehicle 5;");
}

TEST(ReplaySource, LinesWithoutTheirEndsSentOnceOrLooped) {
    testsupport::TempDir dir;
    std::vector<std::string> lines;
    std::string error;
    ASSERT_TRUE(ReplaySource::readLines(
        dir.write("r.txt", "first\r\nsecond,with,commas\n\n  spaced  \r\na\rb\r\nlast"), lines,
        error));
    EXPECT_EQ(lines, (std::vector<std::string>{"first", "second,with,commas", "", "  spaced  ",
                                               "a\rb", "last"}));
    const std::string empty = dir.write("empty.txt", "");
    EXPECT_FALSE(ReplaySource::readLines(empty, lines, error));
    EXPECT_EQ(error, "replay file '" + empty + "' has no lines");

    ReplaySource once({"a", "b"}, false);
    ReplaySource looped({"a", "b", "c"}, true);
    std::string datagram;
    EXPECT_EQ(once.fill(1, datagram), DatagramSource::Slot::Datagram);
    EXPECT_EQ(datagram, "b");
    EXPECT_EQ(once.fill(2, datagram), DatagramSource::Slot::End);
    EXPECT_EQ(looped.fill(4, datagram), DatagramSource::Slot::Datagram);
    EXPECT_EQ(datagram, "b");
    EXPECT_EQ(looped.fill(3000000000ull, datagram), DatagramSource::Slot::Datagram);
    EXPECT_EQ(datagram, "a");
}

} // namespace

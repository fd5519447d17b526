#include "tools/fleet-sim/VehicleList.h"

#include "tests/tools/ScratchFile.h"

#include <gtest/gtest.h>

namespace {

using fleetsim::Vehicle;
using fleetsim::VehicleList;

std::vector<Vehicle> read(const std::string& content) {
    ScratchFile file(content);
    std::vector<Vehicle> vehicles;
    std::string error;
    EXPECT_TRUE(VehicleList::readNodeFile(file.path(), vehicles, error)) << error;
    return vehicles;
}

TEST(VehicleList, ReadsIdentifiersAndNamesSkippingCommentsAndOutOfRangeLines) {
    const std::vector<Vehicle> vehicles =
        read("# fleet of the north depot\n7 Truck 7\n12\n2000 Too Big\n\n   \n-3 Negative\n");
    ASSERT_EQ(vehicles.size(), 2u);
    EXPECT_EQ(vehicles[0].id, 7);
    EXPECT_EQ(vehicles[0].name, "Truck 7");
    EXPECT_EQ(vehicles[1].id, 12);
    EXPECT_EQ(vehicles[1].name, "Vehicle 12"); // no name: one is made up
}

TEST(VehicleList, NameLosesLeadingBlanksAndLineEnds) {
    const std::vector<Vehicle> vehicles = read("5\t  Van\n9 Bus, blue\r\n0 Zero\n1000 Last one");
    ASSERT_EQ(vehicles.size(), 4u);
    EXPECT_EQ(vehicles[0].name, "Van");
    EXPECT_EQ(vehicles[1].name, "Bus, blue"); // commas are cleaned when datagrams are written
    EXPECT_EQ(vehicles[2].id, 0);
    EXPECT_EQ(vehicles[3].id, 1000);
    EXPECT_EQ(vehicles[3].name, "Last one");
}

TEST(VehicleList, RepeatedIdentifierKeepsTheFirstLine) {
    const std::vector<Vehicle> vehicles = read("3 First\n3 Second\n4 Four\n");
    ASSERT_EQ(vehicles.size(), 2u);
    EXPECT_EQ(vehicles[0].id, 3);
    EXPECT_EQ(vehicles[0].name, "First");
    EXPECT_EQ(vehicles[1].id, 4);
}

TEST(VehicleList, LongLinesAreReadInPiecesOf255Characters) {
    // As on the display: the rest of a long line is a line of its own, here
    // one whose first word is no number, which reads as identifier 0.
    const std::string name(300, 'n');
    const std::vector<Vehicle> vehicles = read("8 " + name + "\n");
    ASSERT_EQ(vehicles.size(), 2u);
    EXPECT_EQ(vehicles[0].id, 8);
    EXPECT_EQ(vehicles[0].name, std::string(253, 'n'));
    EXPECT_EQ(vehicles[1].id, 0);
}

TEST(VehicleList, MissingOrEmptyFilesAreErrors) {
    std::vector<Vehicle> vehicles;
    std::string error;
    EXPECT_FALSE(VehicleList::readNodeFile("/nonexistent/fleet.txt", vehicles, error));
    EXPECT_EQ(error, "cannot read node file '/nonexistent/fleet.txt': No such file or directory");

    ScratchFile onlyComments("# nothing here\n\n1001 out of range\n");
    EXPECT_FALSE(VehicleList::readNodeFile(onlyComments.path(), vehicles, error));
    EXPECT_EQ(error, "node file '" + onlyComments.path() +
                         "' lists no node with an identifier from 0 to 1000");
    EXPECT_TRUE(vehicles.empty());
}

TEST(VehicleList, RangeNamesEachVehicle) {
    const std::vector<Vehicle> vehicles = VehicleList::range(3, 5);
    ASSERT_EQ(vehicles.size(), 3u);
    EXPECT_EQ(vehicles[0].id, 3);
    EXPECT_EQ(vehicles[2].id, 5);
    EXPECT_EQ(vehicles[1].name, "Vehicle 4");
    EXPECT_EQ(VehicleList::range(0, 1000).size(), 1001u);
}

} // namespace

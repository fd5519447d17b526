#include "tools/fleet-sim/ReplaySource.h"

#include "tests/tools/ScratchFile.h"

#include <gtest/gtest.h>

namespace {

using fleetsim::DatagramSource;
using fleetsim::ReplaySource;

TEST(ReplaySource, ReadsLinesWithoutTheirEndsCrLfIncluded) {
    ScratchFile file("first line\r\nsecond,with,commas\n\n  spaced  \r\nlast without end");
    std::vector<std::string> lines;
    std::string error;
    ASSERT_TRUE(ReplaySource::readLines(file.path(), lines, error)) << error;
    const std::vector<std::string> expected = {"first line", "second,with,commas", "", "  spaced  ",
                                               "last without end"};
    EXPECT_EQ(lines, expected);
}

TEST(ReplaySource, OnlyTheLineEndsCarriageReturnIsRemoved) {
    ScratchFile file("a\rb\r\n");
    std::vector<std::string> lines;
    std::string error;
    ASSERT_TRUE(ReplaySource::readLines(file.path(), lines, error));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "a\rb");
}

TEST(ReplaySource, MissingAndEmptyFilesAreErrors) {
    std::vector<std::string> lines;
    std::string error;
    EXPECT_FALSE(ReplaySource::readLines("/nonexistent/lines.txt", lines, error));
    EXPECT_EQ(error, "cannot read replay file '/nonexistent/lines.txt': No such file or directory");
    ScratchFile empty("");
    EXPECT_FALSE(ReplaySource::readLines(empty.path(), lines, error));
    EXPECT_EQ(error, "replay file '" + empty.path() + "' has no lines");
}

TEST(ReplaySource, SendsEachLineOnceThenEnds) {
    ReplaySource source({"a", "b"}, false);
    std::string datagram;
    EXPECT_EQ(source.fill(0, datagram), DatagramSource::Slot::Datagram);
    EXPECT_EQ(datagram, "a");
    EXPECT_EQ(source.fill(1, datagram), DatagramSource::Slot::Datagram);
    EXPECT_EQ(datagram, "b");
    EXPECT_EQ(source.fill(2, datagram), DatagramSource::Slot::End);
}

TEST(ReplaySource, LoopsRoundTheFile) {
    ReplaySource source({"a", "b", "c"}, true);
    std::string datagram;
    EXPECT_EQ(source.fill(4, datagram), DatagramSource::Slot::Datagram);
    EXPECT_EQ(datagram, "b");
    EXPECT_EQ(source.fill(3000000000ull, datagram), DatagramSource::Slot::Datagram);
    EXPECT_EQ(datagram, "a");
}

} // namespace

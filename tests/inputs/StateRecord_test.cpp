#include "inputs/StateBlock.h"
#include "inputs/StateRecord.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

using inputs::StateBlock;
using inputs::StateRecord;

TEST(StateRecord, FormatsTheLineToTheLetter) {
    EXPECT_EQ(StateRecord::format(7, 49.2741666, -123.1853333, 1087302896, 780, 0, 0.25, "Convoy A",
                                  "Leg 2", "Truck 7"),
              "$007,49.274167,-123.185333,1087302896,780,0,0.250,Convoy A,Leg 2,Truck 7*\n");
    EXPECT_EQ(StateRecord::format(1000, 0, 0, 0, 0, 2, 12.5, "", "", ""),
              "$1000,0.000000,0.000000,0,0,2,12.500,,,*\n");
    EXPECT_EQ(StateRecord::format(3, 1, 2, 3, 4, 1, 0.0, nullptr, nullptr, "A, B"),
              "$003,1.000000,2.000000,3,4,1,0.000,,,A, B*\n");
    // Numbers are never cut: a record whose numbers alone overrun a line is
    // not written at all.
    EXPECT_EQ(StateRecord::format(1, 0, 0, 0, 0, 0, 1e300, "", "", "n"), "");
}

// Texts that would break a reader's view of the line: the texts as written
// (comment 1, comment 2, name), and the same after reading the line back.
TEST(StateRecord, WrittenTextsReadBackAsWritten) {
    struct Case {
        const char* name;
        std::string texts[3];
        std::string written[3];
    };
    const Case cases[] = {
        {"line feed and closing marker",
         {"x\n</rvx>", "a\r\nb", "Van\n"},
         {"x </rvx>", "a  b", "Van "}},
        {"other control characters", {"\t\x01\x1f", "\x7f", "a\tb"}, {"   ", " ", "a b"}},
        {"stars",
         {"*1*", "**ALERT**", "**ALERT**,Truck 7*"},
         {"*1*", "++ALERT++", "++ALERT++,Truck 7+"}},
        {"commas", {"a,b", ",", "Smith, J."}, {"a;b", ";", "Smith, J."}},
        {"bytes above 127 and the rest",
         {"Z\xc3\xbcrich $x", "\xff\x80", " ~!\"#$%&'()"},
         {"Z\xc3\xbcrich $x", "\xff\x80", " ~!\"#$%&'()"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string line = StateRecord::format(5, 1, 2, 3, 4, 0, 0.5, c.texts[0].c_str(),
                                                     c.texts[1].c_str(), c.texts[2].c_str());
        EXPECT_EQ(line, "$005,1.000000,2.000000,3,4,0,0.500," + c.written[0] + "," + c.written[1] +
                            "," + c.written[2] + "*\n");
        StateRecord record;
        ASSERT_TRUE(record.parse(line.c_str()));
        EXPECT_EQ(record.comment1, c.written[0]);
        EXPECT_EQ(record.comment2, c.written[1]);
        EXPECT_EQ(record.name, c.written[2]);
    }
}

// A line, line feed included, never exceeds what the readers take: the name
// goes first, then comment 2, then comment 1; a UTF-8 character is cut whole.
TEST(StateRecord, LongTextsAreCutToFitALine) {
    struct Case {
        const char* name;
        int32_t id;
        double age;
        std::string texts[3];
        size_t kept[3]; // bytes of each text written
    };
    const std::string n(127, 'n');
    const std::string e = "\xc3\xa9"; // two bytes of UTF-8
    // With these numbers 201 bytes are left for the three texts.
    const Case cases[] = {
        {"all fit", 7, 0.25, {"a", "b", "c"}, {1, 1, 1}},
        {"exactly a full line",
         7,
         0.25,
         {n.substr(0, 100), n.substr(0, 50), n.substr(0, 51)},
         {100, 50, 51}},
        {"one byte over: the name",
         7,
         0.25,
         {n.substr(0, 100), n.substr(0, 50), n.substr(0, 52)},
         {100, 50, 51}},
        {"longest texts: no name, comment 2 cut", 7, 0.25, {n, n, n}, {127, 74, 0}},
        {"comment 1 last", 7, 0.25, {n + n, n, ""}, {201, 0, 0}},
        {"a character is not split",
         7,
         0.25,
         {n.substr(0, 100), n.substr(0, 50), n.substr(0, 48) + e + e},
         {100, 50, 50}},
        {"no room for the numbers", 7, 1e250, {"a", "b", "c"}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string line =
            StateRecord::format(c.id, 49.274167, -123.185333, 1087302896, 780, 0, c.age,
                                c.texts[0].c_str(), c.texts[1].c_str(), c.texts[2].c_str());
        if (c.age > 1e200) {
            EXPECT_EQ(line, "");
            continue;
        }
        EXPECT_LE(line.size(), StateRecord::kMaxLineChars);
        StateRecord record;
        ASSERT_TRUE(record.parse(line.c_str()));
        EXPECT_EQ(record.comment1, c.texts[0].substr(0, c.kept[0]));
        EXPECT_EQ(record.comment2, c.texts[1].substr(0, c.kept[1]));
        EXPECT_EQ(record.name, c.texts[2].substr(0, c.kept[2]));
        EXPECT_EQ(record.seconds, 1087302896);
        EXPECT_EQ(record.milliseconds, 780);
    }
    // The widest numbers a record holds still leave room.
    const std::string widest = StateRecord::format(1000, -90, -180, INT32_MIN, 999, 2, 4.3e9,
                                                   n.c_str(), n.c_str(), n.c_str());
    EXPECT_EQ(widest.size(), StateRecord::kMaxLineChars);
    StateRecord record;
    ASSERT_TRUE(record.parse(widest.c_str()));
    EXPECT_EQ(record.comment1, n);
    EXPECT_EQ(record.seconds, INT32_MIN);
}

struct ParseCase {
    const char* name;
    std::string line;
    const char* recordName;
    const char* comment1 = "a";
    const char* comment2 = "b";
    int32_t id = 12;
    int32_t seconds = 3;
    int32_t status = 0;
    double age = 5;
    double latitude = 1;
    int32_t milliseconds = 4;
};

TEST(StateRecord, AcceptedLines) {
    const std::vector<ParseCase> cases = {
        {"written form",
         "$007,49.274167,-123.185333,1087302896,780,0,0.250,Convoy A,Leg 2,Truck 7*\n", "Truck 7",
         "Convoy A", "Leg 2", 7, 1087302896, 0, 0.25, 49.274167, 780},
        {"name with commas", "$12,1,2,3,4,1,5.5,a,b,Smith, Jones, and Co*\n",
         "Smith, Jones, and Co", "a", "b", 12, 3, 1, 5.5},
        {"older eight-comma form", "$12,1,2,3,4,2,5.5,a,b*\n", "", "a", "b", 12, 3, 2, 5.5},
        {"older form, name after the star", "$12,1,2,3,4,2,5.5,a,b*Old Name\r\n", "Old Name", "a",
         "b", 12, 3, 2, 5.5},
        {"carriage return in the name", "$12,1,2,3,4,0,5,a,b,Van\r*", "Van"},
        {"star in comment 1 is text", "$12,1,2,3,4,0,5,a*1,b,Van*", "Van", "a*1"},
        {"star in comment 2 ends it as in the older form", "$12,1,2,3,4,0,5,a,b*2,Van*", "2,Van*"},
        {"text before the dollar", "junk, more,$12,1,2,3,4,0,5,a,b,Van*", "Van"},
        {"empty texts", "$0,1,2,3,4,0,5,,,*", "", "", "", 0},
        {"id 1000", "$1000,1,2,3,4,0,5,a,b,c*", "c", "a", "b", 1000},
        {"star in a name cuts it", "$12,1,2,3,4,0,5,a,b,Van*ity*", "Van"},
        {"largest time", "$12,1,2,2147483647,4,0,5,a,b,c*", "c", "a", "b", 12, INT32_MAX},
        {"smallest time", "$12,1,2,-2147483648,4,0,5,a,b,c*", "c", "a", "b", 12, INT32_MIN},
        {"numbers ending in 0 and followed by x", "$10x,-90.0x,180.0x,10x,20x,0,30.0x,a,b,c*", "c",
         "a", "b", 10, 10, 0, 30, -90, 20},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.name);
        StateRecord record;
        ASSERT_TRUE(record.parse(c.line.c_str()));
        EXPECT_EQ(record.id, c.id);
        EXPECT_DOUBLE_EQ(record.latitude, c.latitude);
        EXPECT_EQ(record.seconds, c.seconds);
        EXPECT_EQ(record.milliseconds, c.milliseconds);
        EXPECT_EQ(record.status, c.status);
        EXPECT_DOUBLE_EQ(record.age, c.age);
        EXPECT_EQ(record.comment1, c.comment1);
        EXPECT_EQ(record.comment2, c.comment2);
        EXPECT_EQ(record.name, c.recordName);
    }
}

TEST(StateRecord, RefusedLines) {
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"empty age", "$12,1,2,3,4,0,,a,b,c*"},
        {"no dollar", "12,1,2,3,4,0,5,a,b,c*"},
        {"seven commas", "$12,1,2,3,4,0,5,a*"},
        {"no star", "$12,1,2,3,4,0,5,a,b,c"},
        {"star only before the eighth comma", "$12,1,2,3,4,0,5*,a,b"},
        {"letters for the latitude", "$12,x,2,3,4,0,5,a,b,c*"},
        {"inf longitude", "$12,1,inf,3,4,0,5,a,b,c*"},
        {"nan age", "$12,1,2,3,4,0,nan,a,b,c*"},
        {"overflowing latitude", "$12,1e999,2,3,4,0,5,a,b,c*"},
        {"hexadecimal time", "$12,1,2,0x10,4,0,5,a,b,c*"},
        {"id above 1000", "$1001,1,2,3,4,0,5,a,b,c*"},
        {"negative id", "$-3,1,2,3,4,0,5,a,b,c*"},
        {"no id", "$,1,2,3,4,0,5,a,b,c*"},
        {"status 3", "$12,1,2,3,4,3,5,a,b,c*"},
        {"milliseconds 1000", "$12,1,2,3,1000,0,5,a,b,c*"},
        {"time beyond 32 bits", "$12,1,2,99999999999,4,0,5,a,b,c*"},
        {"time one past 32 bits", "$12,1,2,2147483648,4,0,5,a,b,c*"},
        {"time one below 32 bits", "$12,1,2,-2147483649,4,0,5,a,b,c*"},
        {"signed hexadecimal longitude", "$12,1,-0X2,3,4,0,5,a,b,c*"},
        {"hexadecimal id", "$0x1,1,2,3,4,0,5,a,b,c*"},
        {"latitude beyond the pole", "$12,90.000001,2,3,4,0,5,a,b,c*"},
        {"longitude beyond 180", "$12,1,-180.5,3,4,0,5,a,b,c*"},
        {"latitude of 1e200", "$12,1e200,2,3,4,0,5,a,b,c*"},
        {"the closing marker", "</rvx>"},
        {"nothing", ""},
    };
    for (const auto& [name, line] : cases) {
        SCOPED_TRACE(name);
        StateRecord record;
        EXPECT_FALSE(record.parse(line.c_str()));
    }
    StateRecord record;
    EXPECT_FALSE(record.parse(nullptr));
}

TEST(StateBlock, MarkersInAnyCase) {
    const std::vector<std::pair<std::string, StateBlock::Step>> lines = {
        {"HTTP/1.0 200 OK\r\n", StateBlock::kOutside},
        {"$001,1,2,3,4,0,5,a,b,c*\n", StateBlock::kOutside},
        {"<RVX>\r\n", StateBlock::kMarker},
        {"$001,1,2,3,4,0,5,a,b,c*\n", StateBlock::kRecord},
        {"<rvx>\n", StateBlock::kRecord},
        {"</Rvx>\r\n", StateBlock::kEnded},
        {"$002,1,2,3,4,0,5,a,b,c*\n", StateBlock::kEnded},
    };
    StateBlock block;
    for (const auto& [line, step] : lines) {
        SCOPED_TRACE(line);
        EXPECT_EQ(block.take(line), step);
    }
    EXPECT_TRUE(block.opened());
}

} // namespace

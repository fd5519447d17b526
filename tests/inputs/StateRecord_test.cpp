#include "inputs/StateBlock.h"
#include "inputs/StateRecord.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

namespace {

using inputs::StateBlock;
using inputs::StateRecord;

std::string format(int32_t id, double age, const std::string& c1, const std::string& c2,
                   const std::string& name) {
    return StateRecord::format(id, 49.274167, -123.185333, 1087302896, 780, 0, age, c1.c_str(),
                               c2.c_str(), name.c_str());
}

TEST(StateRecord, FormatsTheLineToTheLetter) {
    EXPECT_EQ(format(7, 0.25, "Convoy A", "Leg 2", "Truck 7"),
              "$007,49.274167,-123.185333,1087302896,780,0,0.250,Convoy A,Leg 2,Truck 7*\n");
    EXPECT_EQ(StateRecord::format(1000, 0, 0, 0, 0, 2, 12.5, nullptr, nullptr, "A, B"),
              "$1000,0.000000,0.000000,0,0,2,12.500,,,A, B*\n");
    // The widest numbers still leave room for the longest texts a record holds.
    const std::string n(127, 'n');
    const std::string widest = StateRecord::format(1000, -90, -180, INT32_MIN, 999, 2, 4.3e9,
                                                   n.c_str(), n.c_str(), n.c_str());
    EXPECT_EQ(widest.size(), StateRecord::kMaxLineChars);
    StateRecord record;
    ASSERT_TRUE(record.parse(widest.c_str()));
    EXPECT_EQ(record.comment1, n);
    EXPECT_EQ(record.seconds, INT32_MIN);
}

// Texts that would break a reader's view of the line are written harmless and
// read back as written; a line, line feed included, never exceeds what the
// readers take: the name is cut first, then comment 2, then comment 1, and a
// UTF-8 character is cut whole. Numbers are never cut: such a record is not written.
TEST(StateRecord, HostileAndLongTextsReadBackAsWritten) {
    const auto cut = [](size_t c1, size_t c2, size_t name) {
        return std::string(c1, 'n') + "|" + std::string(c2, 'n') + "|" + std::string(name, 'n');
    };
    const std::string e = "\xc3\xa9";
    const std::pair<std::string, std::string> cases[] = {
        // comment 1|comment 2|name
        {"x\n</rvx>|a\r\nb|Van\n", "x </rvx>|a  b|Van "},
        {"\t\x01\x1f|\x7f|a\tb", "   | |a b"},
        {"*1*|**ALERT**|**ALERT**,Truck 7*", "*1*|++ALERT++|++ALERT++,Truck 7+"},
        {"a,b|,|Smith, J.", "a;b|;|Smith, J."},
        {"Z\xc3\xbcrich $x|\xff\x80| ~!\"#$%&'()", "Z\xc3\xbcrich $x|\xff\x80| ~!\"#$%&'()"},
        {cut(100, 50, 51), cut(100, 50, 51)}, // a full line
        {cut(100, 50, 52), cut(100, 50, 51)},
        {cut(127, 127, 127), cut(127, 74, 0)},
        {cut(254, 127, 0), cut(201, 0, 0)},
        {cut(100, 50, 48) + e + e, cut(100, 50, 48) + e},
    };
    for (const auto& [texts, written] : cases) {
        SCOPED_TRACE(texts);
        const size_t bar1 = texts.find('|'), bar2 = texts.find('|', bar1 + 1);
        const std::string line =
            format(5, 0.25, texts.substr(0, bar1), texts.substr(bar1 + 1, bar2 - bar1 - 1),
                   texts.substr(bar2 + 1));
        std::string commas = written;
        std::replace(commas.begin(), commas.end(), '|', ',');
        EXPECT_EQ(line, "$005,49.274167,-123.185333,1087302896,780,0,0.250," + commas + "*\n");
        EXPECT_LE(line.size(), StateRecord::kMaxLineChars);
        StateRecord r;
        ASSERT_TRUE(r.parse(line.c_str()));
        EXPECT_EQ(r.comment1 + "|" + r.comment2 + "|" + r.name, written);
        EXPECT_EQ(r.milliseconds, 780);
    }
    EXPECT_EQ(format(1, 1e250, "a", "b", "c"), "") << "numbers are never cut";
}

TEST(StateRecord, AcceptedLines) {
    const struct {
        std::string line;
        const char *name, *comment1 = "a", *comment2 = "b";
        int32_t id = 12, seconds = 3, status = 0;
        double age = 5, latitude = 1;
        int32_t milliseconds = 4;
    } cases[] = {
        {"$007,49.274167,-123.185333,1087302896,780,0,0.250,Convoy A,Leg 2,Truck 7*\n", "Truck 7",
         "Convoy A", "Leg 2", 7, 1087302896, 0, 0.25, 49.274167, 780},
        {"$12,1,2,3,4,1,5.5,a,b,Smith, Jones, and Co*\n", "Smith, Jones, and Co", "a", "b", 12, 3,
         1, 5.5},
        {"$12,1,2,3,4,2,5.5,a,b*\n", "", "a", "b", 12, 3, 2, 5.5}, // the older eight-comma form
        {"$12,1,2,3,4,2,5.5,a,b*Old Name\r\n", "Old Name", "a", "b", 12, 3, 2, 5.5},
        {"$12,1,2,3,4,0,5,a,b,Van\r*", "Van"},
        {"$12,1,2,3,4,0,5,a*1,b,Van*", "Van", "a*1"},
        {"$12,1,2,3,4,0,5,a,b*2,Van*",
         "2,Van*"}, // a star in comment 2 ends it as in the older form
        {"junk, more,$12,1,2,3,4,0,5,a,b,Van*", "Van"},
        {"$0,1,2,3,4,0,5,,,*", "", "", "", 0},
        {"$1000,1,2,3,4,0,5,a,b,c*", "c", "a", "b", 1000},
        {"$12,1,2,3,4,0,5,a,b,Van*ity*", "Van"},
        {"$12,1,2,2147483647,4,0,5,a,b,c*", "c", "a", "b", 12, INT32_MAX},
        {"$12,1,2,-2147483648,4,0,5,a,b,c*", "c", "a", "b", 12, INT32_MIN},
        {"$10x,-90.0x,180.0x,10x,20x,0,30.0x,a,b,c*", "c", "a", "b", 10, 10, 0, 30, -90, 20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        StateRecord r;
        ASSERT_TRUE(r.parse(c.line.c_str()));
        EXPECT_EQ(std::vector<int32_t>({r.id, r.seconds, r.milliseconds, r.status}),
                  std::vector<int32_t>({c.id, c.seconds, c.milliseconds, c.status}));
        EXPECT_DOUBLE_EQ(r.latitude, c.latitude);
        EXPECT_DOUBLE_EQ(r.age, c.age);
        EXPECT_EQ(r.comment1 + "|" + r.comment2 + "|" + r.name,
                  std::string(c.comment1) + "|" + c.comment2 + "|" + c.name);
    }
}

// "$12,1,2,3,4,0,5,a,b,c*" with field i set to a value is refused, as are these lines.
TEST(StateRecord, RefusedLines) {
    const std::pair<int, const char*> fields[] = {
        {6, ""},      {0, "12"},   {1, "x"},           {2, "inf"},        {6, "nan"},
        {1, "1e999"}, {3, "0x10"}, {0, "$1001"},       {0, "$-3"},        {0, "$"},
        {5, "3"},     {4, "1000"}, {3, "99999999999"}, {3, "2147483648"}, {3, "-2147483649"},
        {2, "-0X2"},  {0, "$0x1"}, {1, "90.000001"},   {2, "-180.5"},     {1, "1e200"}};
    for (const auto& [field, value] : fields) {
        std::vector<std::string> parts = {"$12", "1", "2", "3", "4", "0", "5", "a", "b", "c*"};
        parts[static_cast<size_t>(field)] = value;
        std::string line = parts[0];
        for (size_t i = 1; i < parts.size(); ++i) {
            line += "," + parts[i];
        }
        EXPECT_FALSE(StateRecord().parse(line.c_str())) << line;
    }
    for (const char* line : {"$12,1,2,3,4,0,5,a*", "$12,1,2,3,4,0,5,a,b,c", "$12,1,2,3,4,0,5*,a,b",
                             "</rvx>", "", static_cast<const char*>(nullptr)}) {
        EXPECT_FALSE(StateRecord().parse(line)) << (line ? line : "null");
    }
}

TEST(StateBlock, MarkersInAnyCase) {
    const std::pair<const char*, StateBlock::Step> lines[] = {
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
        EXPECT_EQ(block.take(line), step) << line;
    }
    EXPECT_TRUE(block.opened());
}

} // namespace

#include "inputs/GeoJsonSnapshot.h"
#include "nodes/NodeTable.h"

#include "tests/support/ChildProcess.h"
#include "tests/support/ManualClockTest.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <sstream>

namespace {

using inputs::GeoJsonSnapshot;
using testsupport::ChildProcess;

class GeoJsonSnapshotTest : public testsupport::ManualClockTest {
protected:
    void SetUp() override {
        testsupport::ManualClockTest::SetUp();
        ASSERT_TRUE(table.loadNodeFile(
            dir.write("n", "7 Truck \"Big\" 7\n13 Caf\xe9\n1000 Last\n").c_str()));
        table.setIdleLimits(2.0, 4.0);
    }
    nlohmann::json property(const char* key) {
        return nlohmann::json::parse(
            GeoJsonSnapshot::render(table, true))["features"][0]["properties"][key];
    }

    testsupport::TempDir dir;
    nodes::NodeTable table{250, 20};
};

// Node 7 reported 2.5 s ago (medium idle), 13 holds a relayed record without a
// report time, 1000 never reported. Python's strict JSON reader takes the file
// as written, and GDAL's GeoJSON driver finds the same features, places and times.
TEST_F(GeoJsonSnapshotTest, WritesOneFeaturePerRecordThatOthersRead) {
    clock.setTime(1087773597, 780);
    platform::TimeStamp stamp{1087773597, 780};
    ASSERT_TRUE(table.findById(7)->updatePosition(49.5, -123.25, platform::Calendar{}, stamp, "t"));
    table.findById(7)->setComments("Leg\x01 2", "\xff\xfe");
    clock.advanceMs(2500);
    table.findById(13)->setState(36.1234567, -115.7654321, 0, 0, 0, 0.25, "", "", "Caf\xe9");
    const std::string expected =
        R"({"type":"FeatureCollection","features":[)"
        R"({"type":"Feature","id":7,"geometry":{"type":"Point","coordinates":[-123.25,49.5]},)"
        R"("properties":{"id":7,"name":"Truck \"Big\" 7","comment1":"Leg\u0001 2",)"
        "\"comment2\":\"\xc3\xbf\xc3\xbe\",\"reportTime\":\"2004-06-20T23:19:57.780Z\","
        R"("idleStatus":1,"age":2.5}},)"
        R"({"type":"Feature","id":13,"geometry":{"type":"Point","coordinates":[-115.765432,36.123457]},)"
        "\"properties\":{\"id\":13,\"name\":\"Caf\xc3\xa9\",\"comment1\":\"\",\"comment2\":\"\","
        R"("reportTime":null,"idleStatus":2,"age":1087773600.28}},)"
        R"({"type":"Feature","id":1000,"geometry":null,"properties":{"id":1000,"name":"Last",)"
        R"("comment1":"","comment2":"","reportTime":null,"idleStatus":2,"age":1087773600.28}}]})"
        "\n";
    EXPECT_EQ(GeoJsonSnapshot::render(table, false), expected);
    const std::string file = dir.file("fleet.geojson");
    ASSERT_TRUE(GeoJsonSnapshot::write(table, file.c_str(), false));
    const ChildProcess::Outcome python = ChildProcess::run(
        "python3",
        {"-c",
         "import json, sys\n"
         "def no_constant(name): raise ValueError(name)\n"
         "d = json.load(open(sys.argv[1], encoding='utf-8'), parse_constant=no_constant)\n"
         "print(json.dumps(d, ensure_ascii=False, separators=(',', ':')))\n",
         file});
    EXPECT_EQ(python.out, expected) << python.err;
    const ChildProcess::Outcome ogr = ChildProcess::run("ogrinfo", {"-ro", "-al", "-q", file});
    std::istringstream lines(ogr.out);
    std::string seen;
    for (std::string line; std::getline(lines, line);) {
        line.erase(0, line.find_first_not_of(' '));
        for (const char* key : {"OGRF", "POINT", "name (", "reportTime ("}) {
            seen += line.starts_with(key) ? line + "\n" : "";
        }
    }
    EXPECT_EQ(seen,
              "OGRFeature(fleet):7\nname (String) = Truck \"Big\" 7\n"
              "reportTime (DateTime) = 2004/06/20 23:19:57.780+00\nPOINT (-123.25 49.5)\n"
              "OGRFeature(fleet):13\nname (String) = Caf\xc3\xa9\nreportTime (DateTime) = (null)\n"
              "POINT (-115.765432 36.123457)\nOGRFeature(fleet):1000\nname (String) = Last\n"
              "reportTime (DateTime) = (null)\n")
        << ogr.out << ogr.err;
}

// Any byte of a text gives valid JSON: UTF-8 is kept, anything else is taken as ISO 8859-1.
TEST_F(GeoJsonSnapshotTest, AnyByteOfATextGivesValidJson) {
    const std::pair<const char*, const char*> cases[] = {
        {"plain \"quoted\" a\\b", "plain \"quoted\" a\\b"},
        {"tab\tcr\rbell\x07", "tab\tcr\rbell\x07"},
        {"Z\xc3\xbcrich \xf0\x9f\x9a\x9a", "Z\xc3\xbcrich \xf0\x9f\x9a\x9a"},
        {"Caf\xe9 \xff", "Caf\xc3\xa9 \xc3\xbf"},
        {"cut \xe2\x82", "cut \xc3\xa2\xc2\x82"},
        {"overlong \xc0\xaf", "overlong \xc3\x80\xc2\xaf"},
        {"overlong \xe0\x80\xaf", "overlong \xc3\xa0\xc2\x80\xc2\xaf"},
        {"surrogate \xed\xa0\x80", "surrogate \xc3\xad\xc2\xa0\xc2\x80"},
        {"beyond \xf4\x90\x80\x80", "beyond \xc3\xb4\xc2\x90\xc2\x80\xc2\x80"},
        {"lone \x80 continuation", "lone \xc2\x80 continuation"},
    };
    for (const auto& [text, json] : cases) {
        table.findById(7)->setState(1, 2, 3, 4, 0, 0, text, "", text);
        EXPECT_EQ(property("name"), json) << text;
        EXPECT_EQ(property("comment1"), json) << text;
    }
    const std::tuple<int32_t, int32_t, const char*> times[] = {
        {1, 0, "1970-01-01T00:00:01.000Z"},
        {0, 5, "1970-01-01T00:00:00.005Z"},
        {951782400, 999, "2000-02-29T00:00:00.999Z"},
        {2147483647, 1, "2038-01-19T03:14:07.001Z"},
        {-1, 0, "1969-12-31T23:59:59.000Z"}};
    for (const auto& [seconds, milliseconds, iso] : times) {
        table.findById(7)->setState(1, 2, seconds, milliseconds, 0, 0, "", "", "");
        EXPECT_EQ(property("reportTime"), iso);
    }
    EXPECT_FALSE(GeoJsonSnapshot::write(table, nullptr, false) ||
                 GeoJsonSnapshot::write(table, "", false));
    EXPECT_FALSE(GeoJsonSnapshot::write(table, dir.file("no/such/f.geojson").c_str(), false));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1)
        << "a temporary left";
}

} // namespace

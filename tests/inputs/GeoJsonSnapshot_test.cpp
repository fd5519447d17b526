#include "inputs/GeoJsonSnapshot.h"
#include "nodes/NodeTable.h"

#include "tests/support/ManualClockTest.h"
#include "tests/support/TempDir.h"
#include "tests/tools/ToolProcess.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {

using inputs::GeoJsonSnapshot;
using nodes::NodeRecord;
using nodes::NodeTable;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

class GeoJsonSnapshotTest : public testsupport::ManualClockTest {
protected:
    void SetUp() override {
        testsupport::ManualClockTest::SetUp();
        const std::string nodes =
            dir.write("nodes.txt", "7 Truck \"Big\" 7\n13 Caf\xe9\n1000 Last\n");
        ASSERT_TRUE(table.loadNodeFile(nodes.c_str()));
        table.setIdleLimits(2.0, 4.0);
        geoJson = dir.file("fleet.geojson");
    }
    // Node 7 reported 2.5 s ago (medium idle); 13 holds a relayed record
    // without report time; 1000 never reported.
    void reportSmallFleet() {
        platform::TimeStamp stamp;
        stamp.time = 1087773597;
        stamp.millitm = 780;
        clock.setTime(1087773597, 780);
        ASSERT_TRUE(
            table.findById(7)->updatePosition(49.5, -123.25, platform::Calendar{}, stamp, "t"));
        table.findById(7)->setComments("Leg\x01 2", "\xff\xfe");
        clock.advanceMs(2500);
        table.findById(13)->setState(36.1234567, -115.7654321, 0, 0, 0, 0.25, "", "", "Caf\xe9");
    }

    testsupport::TempDir dir;
    NodeTable table{250, 20};
    std::string geoJson;
};

TEST_F(GeoJsonSnapshotTest, WritesOneFeaturePerRecordInTableOrder) {
    reportSmallFleet();
    EXPECT_EQ(
        GeoJsonSnapshot::render(table, false),
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
        "\n");
}

TEST_F(GeoJsonSnapshotTest, AnyByteOfATextGivesValidJson) {
    const struct {
        const char* text;
        const char* json; // what a strict UTF-8 JSON reader gets back
    } cases[] = {
        {"plain \"quoted\" a\\b", "plain \"quoted\" a\\b"},
        {"tab\tcr\rbell\x07", "tab\tcr\rbell\x07"},
        {"Z\xc3\xbcrich \xf0\x9f\x9a\x9a", "Z\xc3\xbcrich \xf0\x9f\x9a\x9a"}, // UTF-8 kept
        {"Caf\xe9 \xff", "Caf\xc3\xa9 \xc3\xbf"},                             // ISO 8859-1
        {"cut \xe2\x82", "cut \xc3\xa2\xc2\x82"},                             // sequence cut short
        {"overlong \xc0\xaf", "overlong \xc3\x80\xc2\xaf"},
        {"overlong \xe0\x80\xaf", "overlong \xc3\xa0\xc2\x80\xc2\xaf"},
        {"surrogate \xed\xa0\x80", "surrogate \xc3\xad\xc2\xa0\xc2\x80"},
        {"beyond \xf4\x90\x80\x80", "beyond \xc3\xb4\xc2\x90\xc2\x80\xc2\x80"},
        {"lone \x80 continuation", "lone \xc2\x80 continuation"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        table.findById(7)->setState(1, 2, 3, 4, 0, 0, c.text, "", c.text);
        const std::string text = GeoJsonSnapshot::render(table, true);
        const nlohmann::json parsed = nlohmann::json::parse(text, nullptr, false);
        ASSERT_FALSE(parsed.is_discarded()) << text;
        EXPECT_EQ(parsed["features"][0]["properties"]["name"], c.json);
        EXPECT_EQ(parsed["features"][0]["properties"]["comment1"], c.json);
    }
}

TEST_F(GeoJsonSnapshotTest, ReportTimesAreUtcWithMilliseconds) {
    const struct {
        int32_t seconds;
        int32_t milliseconds;
        const char* iso;
    } cases[] = {
        {1, 0, "1970-01-01T00:00:01.000Z"},           {0, 5, "1970-01-01T00:00:00.005Z"},
        {951782400, 999, "2000-02-29T00:00:00.999Z"}, {2147483647, 1, "2038-01-19T03:14:07.001Z"},
        {-1, 0, "1969-12-31T23:59:59.000Z"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.iso);
        table.findById(7)->setState(1, 2, c.seconds, c.milliseconds, 0, 0, "", "", "");
        const nlohmann::json parsed = nlohmann::json::parse(GeoJsonSnapshot::render(table, true));
        EXPECT_EQ(parsed["features"][0]["properties"]["reportTime"], c.iso);
    }
}

TEST_F(GeoJsonSnapshotTest, WriteWithoutAPlaceGivesFalse) {
    EXPECT_FALSE(GeoJsonSnapshot::write(table, nullptr, false));
    EXPECT_FALSE(GeoJsonSnapshot::write(table, "", false));
    EXPECT_FALSE(
        GeoJsonSnapshot::write(table, dir.file("no/such/folder/f.geojson").c_str(), false));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1); // nodes.txt only: no temporary left behind
}

// Python's strict JSON reader takes the file as it is, and GDAL's GeoJSON
// driver finds the same features, places and times.
TEST_F(GeoJsonSnapshotTest, PythonAndOgrReadTheSameFleet) {
    reportSmallFleet();
    ASSERT_TRUE(GeoJsonSnapshot::write(table, geoJson.c_str(), false));
    const ToolProcess::Outcome python = ToolProcess::run(
        "/usr/bin/env", {"python3", "-c",
                         "import json, sys\n"
                         "def no_constant(name): raise ValueError(name)\n"
                         "with open(sys.argv[1], encoding='utf-8') as f:\n"
                         "    d = json.load(f, parse_constant=no_constant)\n"
                         "print(json.dumps(d, ensure_ascii=False, separators=(',', ':')))\n",
                         geoJson});
    ASSERT_TRUE(python.exited && python.status == 0) << python.err;
    EXPECT_EQ(python.out, GeoJsonSnapshot::render(table, false));

    const ToolProcess::Outcome ogr =
        ToolProcess::run("/usr/bin/env", {"ogrinfo", "-ro", "-al", "-q", geoJson});
    ASSERT_TRUE(ogr.exited && ogr.status == 0) << ogr.err;
    std::vector<std::string> seen;
    for (const std::string& line : linesOf(ogr.out)) {
        const std::string text = line.substr(std::min(line.find_first_not_of(' '), line.size()));
        if (text.starts_with("OGRF") || text.starts_with("POINT") || text.starts_with("name") ||
            text.starts_with("reportTime")) {
            seen.push_back(text);
        }
    }
    const std::string name = "name (String) = ";
    const std::string time = "reportTime (DateTime) = ";
    EXPECT_EQ(seen,
              (std::vector<std::string>{"OGRFeature(fleet):7", name + "Truck \"Big\" 7",
                                        time + "2004/06/20 23:19:57.780+00", "POINT (-123.25 49.5)",
                                        "OGRFeature(fleet):13", name + "Caf\xc3\xa9",
                                        time + "(null)", "POINT (-115.765432 36.123457)",
                                        "OGRFeature(fleet):1000", name + "Last", time + "(null)"}))
        << ogr.out;
}

} // namespace

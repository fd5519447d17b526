#include "config/IoDefinitions.h"
#include "config/MapGraphicsFile.h"
#include "config/MasterConfig.h"
#include "config/NodeGraphicsFile.h"
#include "config/PreferencesFile.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>
#include <map>
#include <sstream>
#include <tuple>

namespace {

using config::MasterConfig;

TEST(MasterConfig, KeysExactlyInFileOrder) {
    testsupport::TempDir dir;
    const std::string path = dir.write(
        "site.cfg", "# c\nnodefile lower.txt\nPreferenceFile prefs.txt\nNodeFile nodes.txt\n"
                    "MapFile a.map\nUnknown x\nMapFile\nPortFile ports.txt more\nMapFile b.map\n"
                    "WWWFile io.txt\nNodeDefFile icons.txt\n");
    std::string got;
    for (const MasterConfig::Entry& entry : MasterConfig::read(path.c_str())) {
        got += MasterConfig::keyText(entry.key) + (" " + entry.fileName) + "|";
    }
    EXPECT_EQ(got, "PreferenceFile prefs.txt|NodeFile nodes.txt|MapFile a.map|PortFile ports.txt|"
                   "MapFile b.map|WWWFile io.txt|NodeDefFile icons.txt|");
    EXPECT_TRUE(MasterConfig::read(nullptr).empty());
    EXPECT_TRUE(MasterConfig::read(dir.file("absent").c_str()).empty());
}

// "input:outputs" as mode numbers, then every other field ("-" for none).
std::string summary(const config::IoDefinitions& io) {
    std::ostringstream o;
    const auto s = [&](const std::optional<std::string>& v) { o << ' ' << v.value_or("-"); };
    o << io.inputMode << ':';
    for (int i = 0; i < io.outputCount; ++i) {
        o << io.outputModes[static_cast<size_t>(i)];
    }
    s(io.multicastPortFile), s(io.inputLocalStateFile), s(io.remoteStateFile), s(io.remoteIp);
    o << ' ' << io.remotePort;
    s(io.inputClientIp);
    o << ' ' << io.inputClientPort << ' ' << io.inputServerPort;
    s(io.outputLocalStateFile), s(io.outputGeoJsonFile), s(io.outputClientIp);
    o << ' ' << io.outputClientPort << ' ' << io.outputServerPort << ' ' << io.buffersPerPort << ' '
      << io.bytesPerBuffer;
    return o.str();
}

// Rows load one after another into one object: each load resets all but the buffer sizes.
// Modes: 0 none, 2 local state, 3 remote state, 4 client, 5 server, 6 GeoJSON.
TEST(IoDefinitions, KeysIgnoringLetterCaseActiveModesAndReset) {
    const std::string all =
        "ACTIVE input remote_state\ninput multicastportfile ports.txt\n"
        "Input LocalStateFile in.state\nInput RemoteStateFile /fleet.state extra\n"
        "Input REMOTEIP 127.0.0.1\nInput RemotePort 8080x\nInput ClientIp 10.0.0.1\n"
        "Input ClientPort 81\nInput sesrverport 82\nInput ServerPort 99\n"
        "Input MultiCastBuffersPerPort 40\nInput MultiCastBytesPerBuffer 512\n"
        "Output LocalStateFile out.state\noutput geojsonfile fleet.geojson\n"
        "Output ClientIp 10.0.0.2\nOutput ClientPort 83\nOutput SesrverPort 84\n"
        "Output ServerPort 98\nInput RemotePort\n";
    std::string seven;
    for (int i = 0; i < 7; ++i) {
        seven += "Active Output LOCAL_STATE\n";
    }
    const std::pair<std::string, std::string> cases[] = {
        // the file, a prefix of summary()
        {all, "3: ports.txt in.state /fleet.state 127.0.0.1 8080 10.0.0.1 81 82 out.state "
              "fleet.geojson 10.0.0.2 83 84 40 512"},
        {"# nothing\n", "0: - - - - 0 - 0 0 - - - 0 0 40 512"},
        {"active input local_state\n", "2: "},
        {"Active Input REMOTE_STATE\nActive Input BOGUS\n", "3: "},
        {"Active Input MULTICAST\nActive Input Server\n", "5: "},
        {"Active Input CLIENT\n", "4: "},
        {seven, "0:222222 "},
        {"Active Output NONE\n", "0: "},
        {"Active Output MULTICAST\nActive Output REMOTE_STATE\nActive Output\n", "0: "},
        {"Active Output CLIENT\nActive Output client\nActive Output SERVER\n", "0:445 "},
        {"Active Output geojson\nActive Input GEOJSON\nActive Output LOCAL_STATE\n", "0:62 "}};
    testsupport::TempDir dir;
    config::IoDefinitions io;
    for (const auto& [file, expected] : cases) {
        SCOPED_TRACE(file);
        ASSERT_TRUE(io.load(dir.write("io.txt", file).c_str()));
        EXPECT_EQ(summary(io).substr(0, expected.size()), expected);
    }
    EXPECT_FALSE(io.load(dir.file("absent").c_str()) || io.load(nullptr));
    EXPECT_EQ(summary(io), "0: - - - - 0 - 0 0 - - - 0 0 40 512");
}

double field(const config::Preferences& p, const std::string& name) {
    const std::map<std::string, double> fields = {
        {"target", p.targetId},        {"chase", p.chaseId},          {"prox", p.proxNumber},
        {"track", p.trackMode},        {"display", p.displayMode},    {"node", p.commentNode},
        {"packet1", p.commentPacket1}, {"packet2", p.commentPacket2}, {"targetIcon", p.targetIcon},
        {"chaseIcon", p.chaseIcon},    {"proxIcon", p.proxIcon},      {"alarm", p.alertAlarm},
        {"distance", p.alertDistance}, {"medium", p.mediumIdle},      {"bad", p.badIdle},
        {"trail", p.trailSeconds}};
    return fields.at(name);
}

// A distance or trail span out of range keeps the value (`warned`) with one warning quoting the
// line; other fields leave no warning.
TEST(PreferencesFile, EachLineSetsItsFieldOrWarns) {
    const std::tuple<const char*, const char*, double, bool> cases[] = {
        {"TARGET ID 7\n", "target", 7, 0},
        {"chase id 8080x\n", "chase", 8080, 0},
        {"chase id\n", "chase", 2, 0},
        {"prox number 10\n", "prox", 9, 0},
        {"prox number -3\n", "prox", -3, 0},
        {"track mode x\ntrack mode Roam\n", "track", 2, 0},
        {"track mode TARGETGROUP\n", "track", 1, 0},
        {"track mode all\ntrack mode x\n", "track", 0, 0},
        {"display mode targetgroup\n", "display", 1, 0},
        {"comment node OFF\n", "node", 0, 0},
        {"comment node maybe\n", "node", 1, 0},
        {"comment node off\ncomment node x\n", "node", 0, 0},
        {"comment MCPACKET1 off\n", "packet1", 0, 0},
        {"comment mcPacket2 off\n", "packet2", 0, 0},
        {"target icon on\n", "targetIcon", 1, 0},
        {"chase icon On\n", "chaseIcon", 1, 0},
        {"prox icon yes\n", "proxIcon", 0, 0},
        {"alert alarm on\n", "alarm", 1, 0},
        {"alert distance 2.5e1\n", "distance", 25, 0},
        {"Alert MediumIdle 7.5\n", "medium", 7.5, 0},
        {"alert badIdle 20 s\n", "bad", 20, 0},
        {"Display TRAIL 86400\n", "trail", 86400, 0},
        {"alert distance 0\n", "distance", 0, 0},
        {"display trail 2.5 s\n", "trail", 2.5, 0},
        {"alert distance -5\n", "distance", 100, 1},
        {"alert distance far\n", "distance", 100, 1},
        {"alert distance 0x10\n", "distance", 100, 1},
        {"alert distance 1e999\n", "distance", 100, 1},
        {"display trail -1\n", "trail", 0, 1},
        {"display trail 86401\n", "trail", 0, 1},
        {"alert distance 250\nalert distance nan\n", "distance", 250, 1},
        {"display trail 60\ndisplay trail ten\n", "trail", 60, 1},
    };
    testsupport::TempDir dir;
    for (const auto& [file, name, value, warned] : cases) {
        SCOPED_TRACE(file);
        const std::string path = dir.write("prefs.txt", file);
        config::Preferences preferences, quiet;
        quiet.targetId = 42; // fields the file does not name keep their values
        std::vector<std::string> warnings;
        ASSERT_TRUE(config::PreferencesFile::load(path.c_str(), preferences, &warnings));
        ASSERT_TRUE(config::PreferencesFile::load(path.c_str(), quiet));
        EXPECT_EQ(field(preferences, name), value);
        EXPECT_EQ(field(quiet, name), value);
        EXPECT_EQ(quiet.targetId, std::strcmp(name, "target") == 0 ? value : 42);
        std::string line(file, std::strlen(file) - 1);
        line = line.substr(line.rfind('\n') + 1);
        const std::string range =
            std::strcmp(name, "trail") == 0 ? "0 to 86400 seconds" : "0 or more metres";
        const std::string text = "Warning: " + path + ": \"" + line + "\": not " + range + ", " +
                                 testing::PrintToString(value) + " kept";
        EXPECT_EQ(warnings, warned ? std::vector<std::string>{text} : std::vector<std::string>{});
    }
    config::Preferences preferences;
    EXPECT_FALSE(config::PreferencesFile::load(dir.file("absent").c_str(), preferences) ||
                 config::PreferencesFile::load(nullptr, preferences));
}

// Layers as "image x0 x1 y0 y1 minWidth maxWidth|...".
std::string layersOf(const std::string& path) {
    std::ostringstream o;
    for (const config::MapLayerEntry& e : config::MapGraphicsFile::read(path.c_str())) {
        o << (e.hasImage ? "" : "!") << e.imageFile << ' ' << e.x0 << ' ' << e.x1 << ' ' << e.y0
          << ' ' << e.y1 << ' ' << e.minWidth << ' ' << e.maxWidth << '|';
    }
    return o.str();
}

// Short lines keep the tail of the line before; the first starts at zero; numbers read as atof.
TEST(MapGraphicsFile, ReadsLayersInFileOrder) {
    const std::pair<std::string, std::string> cases[] = {
        {"w.sgi -180 180 -90 90 10 1000\nc.sgi 0 10 50 60\nh.sgi 5\n",
         "w.sgi -180 180 -90 90 10 1000|c.sgi 0 10 50 60 10 1000|h.sgi 5 10 50 60 10 1000|"},
        {"only.sgi 1 2\n", "only.sgi 1 2 0 0 0 0|"},
        {"# l\n\n#a.sgi 1 2 3 4 5 6\nb.sgi 1 2 3 4 5 6\n\n# end\n", "b.sgi 1 2 3 4 5 6|"},
        {"a.sgi 1 2 3 4 5 6\n  \t\nb.sgi 7 8 9 10 11 12\n", "a.sgi 1 2 3 4 5 6|"},
        {"a.sgi\t1.5  -2.25 3e1 4 0.5 2.0 extra words\n", "a.sgi 1.5 -2.25 30 4 0.5 2|"},
        {"a.sgi abc 2x -3e1 . 1e999 -5\n", "a.sgi 0 2 -30 0 1.79769e+308 -5|"},
        {std::string(120, 'm') + " 1 2 3 4 5 6\n", std::string(99, 'm') + " 1 2 3 4 5 6|"},
        {"", ""}};
    testsupport::TempDir dir;
    for (const auto& [file, layers] : cases) {
        SCOPED_TRACE(file);
        EXPECT_EQ(layersOf(dir.write("maps.txt", file)), layers);
    }
    EXPECT_EQ(layersOf(dir.file("absent")) + layersOf(dir.path().string()), "");
    EXPECT_TRUE(config::MapGraphicsFile::read(nullptr).empty());
}

TEST(NodeGraphicsFile, KindAndNumberFromName) {
    using namespace config;
    const std::tuple<const char*, NodeGraphicsKind, int32_t> cases[] = {
        {"D", DefaultIcon, 0},           {"DefaultIcon", DefaultIcon, 0},
        {"d", UnusedEntry, 0},           {"default", UnusedEntry, 0},
        {"Target", TargetMarker, 0},     {"Chase", ChaseMarker, 0},
        {"Prox3", ProximityMarker, 3},   {"Prox10", ProximityMarker, 10},
        {"Prox-2", ProximityMarker, -2}, {"Pxxx7marker", ProximityMarker, 7},
        {"Prox", ProximityMarker, 0},    {"P", ProximityMarker, 0},
        {"ProxA", ProximityMarker, 0},   {"prox3", UnusedEntry, 0},
        {"Ic12", PerNodeIcon, 12},       {"Ix7", PerNodeIcon, 7},
        {"Icon", PerNodeIcon, 0},        {"Ic", PerNodeIcon, 0},
        {"I", PerNodeIcon, 0},           {"ic12", UnusedEntry, 0},
        {"X", UnusedEntry, 0},           {"", UnusedEntry, 0}};
    for (const auto& [name, kind, expected] : cases) {
        SCOPED_TRACE(name);
        int32_t number = -99;
        EXPECT_EQ(NodeGraphicsFile::kindOf(name, &number), kind);
        EXPECT_EQ(number, expected);
    }
}

// Entries as "kind number name image values on|"; short lines carry the line before (not its
// number), the first starts from nothing, unused lines keep their place.
TEST(NodeGraphicsFile, ReadsFieldsCarryingShortLines) {
    const std::pair<std::string, std::string> cases[] = {
        {"# i\nDefault i.sgi 5 7 9 0.1 0.2 0.3 0.4 0.5 0.6 0.7 0.8 0.9 on\n",
         "0 0 Default i.sgi 5,7,9,0.1,0.2,0.3,0.4,0.5,0.6,0.7,0.8,0.9, 1|"},
        {"D a.sgi 5 7 9 1 0 0 0 1 0 0 0 1 on\nIc12 b.sgi\nTarget\nChase c.sgi 3 4\n",
         "0 0 D a.sgi 5,7,9,1,0,0,0,1,0,0,0,1, 1|5 12 Ic12 b.sgi 5,7,9,1,0,0,0,1,0,0,0,1, 1|"
         "1 0 Target b.sgi 5,7,9,1,0,0,0,1,0,0,0,1, 1|2 0 Chase c.sgi 3,4,9,1,0,0,0,1,0,0,0,1, 1|"},
        {"Default\nTarget t.sgi 6\nd b.sgi\nD c.sgi\n",
         "0 0 Default ! 0,0,0,0,0,0,0,0,0,0,0,0, 0|1 0 Target t.sgi 6,0,0,0,0,0,0,0,0,0,0,0, 0|"
         "6 0 d b.sgi 6,0,0,0,0,0,0,0,0,0,0,0, 0|0 0 D c.sgi 6,0,0,0,0,0,0,0,0,0,0,0, 0|"},
        {"D i 1 1 1 0 0 0 0 0 0 0 0 0 oN\n", "0 0 D i 1,1,1,0,0,0,0,0,0,0,0,0, 1|"},
        {"D i 1 1 1 0 0 0 0 0 0 0 0 0 one\n", "0 0 D i 1,1,1,0,0,0,0,0,0,0,0,0, 0|"},
        {"D i 1 1 1 0 0 0 0 0 0 0 0 0 o\n", "0 0 D i 1,1,1,0,0,0,0,0,0,0,0,0, 0|"},
        {"# only a comment\n", ""},
        {"", ""}};
    testsupport::TempDir dir;
    for (const auto& [file, entries] : cases) {
        SCOPED_TRACE(file);
        std::ostringstream o;
        const std::string path = dir.write("nodes.gfx", file);
        for (const config::NodeGraphicsEntry& e : config::NodeGraphicsFile::read(path.c_str())) {
            o << e.kind << ' ' << e.number << ' ' << e.name << ' ' << (e.hasImage ? "" : "!")
              << e.imageFile << ' ';
            for (double v : e.values) {
                o << v << ',';
            }
            o << ' ' << e.numberOnIcon << '|';
        }
        EXPECT_EQ(o.str(), entries);
    }
    EXPECT_TRUE(config::NodeGraphicsFile::read(nullptr).empty());
    EXPECT_TRUE(config::NodeGraphicsFile::read("/nonexistent/dir/nodes.gfx").empty());
}

} // namespace

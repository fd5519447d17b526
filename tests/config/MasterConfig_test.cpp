#include "config/MasterConfig.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

using config::MasterConfig;

TEST(MasterConfig, KeysExactlyInFileOrder) {
    testsupport::TempDir dir;
    const std::string path = dir.write("site.cfg", "# comment\n"
                                                   "nodefile lower.txt\n"
                                                   "PreferenceFile prefs.txt\n"
                                                   "NodeFile nodes.txt\n"
                                                   "MapFile a.map\n"
                                                   "Unknown x\n"
                                                   "MapFile\n"
                                                   "PortFile ports.txt more\n"
                                                   "MapFile b.map\n"
                                                   "WWWFile io.txt\n"
                                                   "NodeDefFile icons.txt\n"
                                                   "PortFile ports.txt\n");
    const auto entries = MasterConfig::read(path.c_str());
    const std::vector<std::pair<MasterConfig::Key, std::string>> expected = {
        {MasterConfig::kPreferenceFile, "prefs.txt"},
        {MasterConfig::kNodeFile, "nodes.txt"},
        {MasterConfig::kMapFile, "a.map"},
        // Only the first two words of a line count: further ones are dropped.
        {MasterConfig::kPortFile, "ports.txt"},
        {MasterConfig::kMapFile, "b.map"},
        {MasterConfig::kWwwFile, "io.txt"},
        {MasterConfig::kNodeDefFile, "icons.txt"},
        {MasterConfig::kPortFile, "ports.txt"},
    };
    ASSERT_EQ(entries.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(entries[i].key, expected[i].first);
        EXPECT_EQ(entries[i].fileName, expected[i].second);
    }
    EXPECT_STREQ(MasterConfig::keyText(MasterConfig::kWwwFile), "WWWFile");
    EXPECT_TRUE(MasterConfig::read(nullptr).empty());
    EXPECT_TRUE(MasterConfig::read(dir.file("absent").c_str()).empty());
}

} // namespace

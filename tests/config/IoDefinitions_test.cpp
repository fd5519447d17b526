#include "config/IoDefinitions.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using config::IoDefinitions;
using config::IoMode;

std::vector<IoMode> outputsOf(const IoDefinitions& io) {
    return {io.outputModes.begin(), io.outputModes.begin() + io.outputCount};
}

TEST(IoDefinitions, EveryKeyIgnoringLetterCase) {
    testsupport::TempDir dir;
    const std::string path = dir.write("io.txt", "# inputs\n"
                                                 "ACTIVE input remote_state\n"
                                                 "input multicastportfile ports.txt\n"
                                                 "Input LocalStateFile in.state\n"
                                                 "Input RemoteStateFile /fleet.state extra\n"
                                                 "Input REMOTEIP 127.0.0.1\n"
                                                 "Input RemotePort 8080x\n"
                                                 "Input ClientIp 10.0.0.1\n"
                                                 "Input ClientPort 81\n"
                                                 "Input sesrverport 82\n"
                                                 "Input ServerPort 99\n"
                                                 "Input MultiCastBuffersPerPort 40\n"
                                                 "Input MultiCastBytesPerBuffer 512\n"
                                                 "Output LocalStateFile out.state\n"
                                                 "output geojsonfile fleet.geojson\n"
                                                 "Output ClientIp 10.0.0.2\n"
                                                 "Output ClientPort 83\n"
                                                 "Output SesrverPort 84\n"
                                                 "Output ServerPort 98\n"
                                                 "Input RemotePort\n");
    IoDefinitions io;
    ASSERT_TRUE(io.load(path.c_str()));
    EXPECT_EQ(io.inputMode, config::kIoRemoteState);
    EXPECT_EQ(io.outputCount, 0);
    EXPECT_EQ(io.multicastPortFile, "ports.txt");
    EXPECT_EQ(io.inputLocalStateFile, "in.state");
    EXPECT_EQ(io.remoteStateFile, "/fleet.state");
    EXPECT_EQ(io.remoteIp, "127.0.0.1");
    EXPECT_EQ(io.remotePort, 8080);
    EXPECT_EQ(io.inputClientIp, "10.0.0.1");
    EXPECT_EQ(io.inputClientPort, 81);
    EXPECT_EQ(io.inputServerPort, 82);
    EXPECT_EQ(io.buffersPerPort, 40);
    EXPECT_EQ(io.bytesPerBuffer, 512);
    EXPECT_EQ(io.outputLocalStateFile, "out.state");
    EXPECT_EQ(io.outputGeoJsonFile, "fleet.geojson");
    EXPECT_EQ(io.outputClientIp, "10.0.0.2");
    EXPECT_EQ(io.outputClientPort, 83);
    EXPECT_EQ(io.outputServerPort, 84);
}

TEST(IoDefinitions, ActiveInputAndOutputs) {
    struct Case {
        std::string file;
        IoMode input;
        std::vector<IoMode> outputs;
    };
    std::string seven;
    for (int i = 0; i < 7; ++i) {
        seven += "Active Output LOCAL_STATE\n";
    }
    const Case cases[] = {
        {"active input local_state\n", config::kIoLocalState, {}},
        {"Input RemotePort 80\n", config::kIoNone, {}},
        {"Active Input REMOTE_STATE\nActive Input BOGUS\n", config::kIoRemoteState, {}},
        {"Active Input MULTICAST\nActive Input Server\n", config::kIoServer, {}},
        {"Active Input CLIENT\n", config::kIoClient, {}},
        {seven, config::kIoNone, std::vector<IoMode>(6, config::kIoLocalState)},
        {"Active Output NONE\n", config::kIoNone, {}},
        {"Active Output MULTICAST\nActive Output REMOTE_STATE\nActive Output\n",
         config::kIoNone,
         {}},
        {"Active Output CLIENT\nActive Output client\nActive Output SERVER\n",
         config::kIoNone,
         {config::kIoClient, config::kIoClient, config::kIoServer}},
        {"Active Output geojson\nActive Input GEOJSON\nActive Output LOCAL_STATE\n",
         config::kIoNone,
         {config::kIoGeoJson, config::kIoLocalState}},
    };
    testsupport::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        IoDefinitions io;
        ASSERT_TRUE(io.load(dir.write("io.txt", c.file).c_str()));
        EXPECT_EQ(io.inputMode, c.input);
        EXPECT_EQ(outputsOf(io), c.outputs);
    }
}

TEST(IoDefinitions, EachLoadResetsAllButTheBufferSizes) {
    testsupport::TempDir dir;
    IoDefinitions io;
    ASSERT_TRUE(io.load(dir.write("a.txt", "Active Input LOCAL_STATE\n"
                                           "Active Output LOCAL_STATE\n"
                                           "Input LocalStateFile in.state\n"
                                           "Output GeoJsonFile fleet.geojson\n"
                                           "Input RemotePort 80\n"
                                           "Input MultiCastBytesPerBuffer 1000\n")
                            .c_str()));
    const std::string empty = dir.write("empty.txt", "# nothing here\n");
    const std::string missing = dir.file("absent.txt");
    const std::pair<std::string, bool> later[] = {{empty, true}, {missing, false}};
    for (const auto& [path, readable] : later) {
        SCOPED_TRACE(path);
        EXPECT_EQ(io.load(path.c_str()), readable);
        EXPECT_EQ(io.inputMode, config::kIoNone);
        EXPECT_EQ(io.outputCount, 0);
        EXPECT_EQ(io.outputModes[0], config::kIoNone);
        EXPECT_FALSE(io.inputLocalStateFile.has_value());
        EXPECT_FALSE(io.outputGeoJsonFile.has_value());
        EXPECT_EQ(io.remotePort, 0);
        EXPECT_EQ(io.buffersPerPort, 75);
        EXPECT_EQ(io.bytesPerBuffer, 1000);
    }
    EXPECT_FALSE(io.load(nullptr));
}

} // namespace

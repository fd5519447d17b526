// fleet-sim sending real multicast, received with a plain UDP socket. Runs in
// a private network namespace (scripts/in-netns); outside one it skips, so
// nothing is ever sent on a real network.
#include "tests/tools/DatagramShape.h"
#include "tests/tools/MulticastListener.h"
#include "tests/tools/ScratchFile.h"
#include "tests/tools/ToolProcess.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

const std::string kProgram = FLEET_SIM_PATH;
const std::string kGroup = "239.192.0.77";

class FleetSimMulticast : public testing::Test {
protected:
    void SetUp() override {
        if (!MulticastListener::inPrivateNetwork()) {
            GTEST_SKIP() << "not in a private network namespace: run under scripts/in-netns";
        }
        std::string error;
        ASSERT_TRUE(listener.open(kGroup, error)) << error;
    }

    std::vector<std::string> send(std::vector<std::string> arguments, size_t expected) {
        arguments.insert(arguments.end(),
                         {"--group", kGroup, "--port", std::to_string(listener.port())});
        const ToolProcess::Outcome outcome = ToolProcess::run(kProgram, arguments);
        EXPECT_TRUE(outcome.exited) << outcome.err;
        EXPECT_EQ(outcome.status, 0) << outcome.err;
        EXPECT_EQ(outcome.err, "");
        summary = outcome.out;
        return listener.receive(expected, std::chrono::seconds(10));
    }

    MulticastListener listener;
    std::string summary;
};

TEST_F(FleetSimMulticast, EveryDatagramSentArrivesWellFormed) {
    const std::vector<std::string> received =
        send({"--count", "60", "--total-rate", "600", "--seed", "5"}, 60);
    ASSERT_EQ(received.size(), 60u);
    for (const std::string& datagram : received) {
        EXPECT_EQ(DatagramShape::problem(datagram), "") << datagram;
    }
    EXPECT_EQ(summary.rfind("fleet-sim: sent 60 datagrams (", 0), 0u) << summary;
    EXPECT_NE(summary.find(" to " + kGroup + ":" + std::to_string(listener.port()) + " in "),
              std::string::npos)
        << summary;
    EXPECT_NE(summary.find(", 0 send errors, seed 5\n"), std::string::npos) << summary;
    // Nothing more than the count comes.
    EXPECT_TRUE(listener.receive(1, std::chrono::milliseconds(200)).empty());
}

TEST_F(FleetSimMulticast, SentDatagramsEqualTheDryRunOfTheSameSeedAndStart) {
    const std::vector<std::string> common = {"--seed",  "11", "--start-time", "1087302896",
                                             "--count", "40", "--total-rate", "400"};
    std::vector<std::string> dryArguments = common;
    dryArguments.push_back("--dry-run");
    const ToolProcess::Outcome dry = ToolProcess::run(kProgram, dryArguments);
    ASSERT_EQ(dry.status, 0) << dry.err;
    const std::vector<std::string> received = send(common, 40);
    std::ostringstream joined;
    for (const std::string& datagram : received) {
        joined << datagram << '\n';
    }
    EXPECT_EQ(joined.str(), dry.out);
}

TEST_F(FleetSimMulticast, ReplaySendsTheLinesVerbatim) {
    const std::string lines[] = {
        "12,Convoy A,Leg 2,$GPZDA,123456.78,15,06,2004,00,00*4B"
        "$GPGLL,4916.4500,N,12311.1200,W,123456.78,A,A*2C",
        "not a position at all",
        "  leading and trailing blanks  ",
        "7,a,b,$GPGLL,1,N,2,E,000000.00,A,A*00$GPZDA,swapped*00",
    };
    ScratchFile recording(lines[0] + "\r\n" + lines[1] + "\n" + lines[2] + "\r\n" + lines[3]);
    const std::vector<std::string> received =
        send({"--replay", recording.path(), "--rate", "0"}, 4);
    ASSERT_EQ(received.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(received[i], lines[i]);
    }
    EXPECT_EQ(summary.rfind("fleet-sim: sent 4 datagrams (0 silent periods)", 0), 0u) << summary;
}

TEST_F(FleetSimMulticast, ReplayLoopsUntilTheCount) {
    ScratchFile recording("a\nb\nc\n");
    const std::vector<std::string> received =
        send({"--replay", recording.path(), "--loop", "--rate", "500", "--count", "7", "--ttl", "1",
              "--interface", "127.0.0.1"},
             7);
    const std::vector<std::string> expected = {"a", "b", "c", "a", "b", "c", "a"};
    EXPECT_EQ(received, expected);
}

} // namespace

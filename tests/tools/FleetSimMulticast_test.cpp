// fleet-sim sending real multicast, received with a plain UDP socket. Runs in a private network
// namespace (scripts/in-netns); outside one it skips, so nothing is ever sent on a real network.
#include "tests/support/ChildProcess.h"
#include "tests/support/MulticastListener.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

using testsupport::ChildProcess;
const std::string kProgram = FLEET_SIM_PATH;
const std::string kGroup = "239.192.0.77";

// What is sent equals the dry run of the same seed and start, nothing more than the count comes,
// and a recording is sent verbatim (line ends removed), looped up to the count.
TEST(FleetSimMulticast, SendsWhatTheDryRunWritesAndRecordingsVerbatim) {
    if (!testsupport::MulticastListener::inPrivateNetwork()) {
        GTEST_SKIP() << "not in a private network namespace: run under scripts/in-netns";
    }
    testsupport::MulticastListener listener;
    std::string error;
    ASSERT_TRUE(listener.open(kGroup, error)) << error;
    const std::string port = std::to_string(listener.port());
    auto send = [&](std::vector<std::string> arguments, size_t expected, std::string& received) {
        arguments.insert(arguments.end(), {"--group", kGroup, "--port", port});
        const ChildProcess::Outcome outcome = ChildProcess::run(kProgram, arguments);
        EXPECT_EQ(outcome.status, 0) << outcome.err;
        EXPECT_EQ(outcome.err, "");
        received.clear();
        for (const std::string& datagram : listener.receive(expected, std::chrono::seconds(10))) {
            received += datagram + "\n";
        }
        return outcome.out;
    };
    std::vector<std::string> seeded = {"--seed",  "5",  "--start-time", "1087302896",
                                       "--count", "60", "--total-rate", "600"};
    std::string received;
    const std::string summary = send(seeded, 60, received);
    EXPECT_TRUE(listener.receive(1, std::chrono::milliseconds(200)).empty());
    seeded.push_back("--dry-run");
    EXPECT_EQ(received, ChildProcess::run(kProgram, seeded).out);
    EXPECT_EQ(summary.rfind("fleet-sim: sent 60 datagrams (", 0), 0u) << summary;
    EXPECT_NE(summary.find(" to " + kGroup + ":" + port + " in "), std::string::npos) << summary;
    EXPECT_NE(summary.find(", 0 send errors, seed 5\n"), std::string::npos) << summary;

    testsupport::TempDir dir;
    const std::string recording =
        dir.write("r.txt", "12,Convoy A,Leg 2,$GPZDA,1*4B$GPGLL,2*2C\r\nnot a position\n"
                           "  blanks  \r\n7,a,b,$GPGLL,swapped*00$GPZDA,x*00");
    send({"--replay", recording, "--rate", "0"}, 4, received);
    EXPECT_EQ(received, "12,Convoy A,Leg 2,$GPZDA,1*4B$GPGLL,2*2C\nnot a position\n  blanks  \n"
                        "7,a,b,$GPGLL,swapped*00$GPZDA,x*00\n");
    send({"--replay", dir.write("abc.txt", "a\nb\nc\n"), "--loop", "--rate", "500", "--count", "7",
          "--ttl", "1", "--interface", "127.0.0.1"},
         7, received);
    EXPECT_EQ(received, "a\nb\nc\na\nb\nc\na\n");
}

} // namespace

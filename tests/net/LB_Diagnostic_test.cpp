#include "net/LB_Diagnostic.h"

#include "tests/net/StdoutCapture.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST(LB_Diagnostic, WritesTheFormattedLineExactly) {
    nettest::StdoutCapture capture;
    LB_Diagnostic::line("%s:%d connected\n", "127.0.0.1", 4242);
    const std::string host(3000, 'h'); // long lines stay whole
    LB_Diagnostic::line("could not find %s\n", host.c_str());
    EXPECT_EQ(capture.text(), "127.0.0.1:4242 connected\ncould not find " + host + "\n");
}

// Lines written at once from many threads must each arrive whole: a line that
// mixed two writers would not match the pattern below.
TEST(LB_Diagnostic, LinesFromManyThreadsNeverInterleave) {
    constexpr int kThreads = 8;
    constexpr int kLines = 200;
    std::string captured;
    {
        nettest::StdoutCapture capture;
        std::vector<std::thread> writers;
        for (int t = 0; t < kThreads; ++t) {
            writers.emplace_back([t] {
                const std::string filler(40 + t * 7, static_cast<char>('a' + t));
                for (int i = 0; i < kLines; ++i) {
                    LB_Diagnostic::line("writer %d line %d %s end\n", t, i, filler.c_str());
                }
            });
        }
        for (std::thread& writer : writers) {
            writer.join();
        }
        captured = capture.text();
    }
    std::istringstream lines(captured);
    std::string line;
    std::vector<int> perWriter(kThreads, 0);
    while (std::getline(lines, line)) {
        int writer = -1;
        int index = -1;
        char rest[512] = {};
        ASSERT_EQ(std::sscanf(line.c_str(), "writer %d line %d %511s end", &writer, &index, rest),
                  3)
            << line;
        ASSERT_GE(writer, 0);
        ASSERT_LT(writer, kThreads);
        EXPECT_EQ(std::string(rest), std::string(40 + writer * 7, static_cast<char>('a' + writer)));
        EXPECT_EQ(line.substr(line.size() - 4), " end");
        EXPECT_EQ(index, perWriter[writer]) << "lines of one writer keep their order";
        ++perWriter[writer];
    }
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(perWriter[t], kLines);
    }
}

} // namespace

// The HTTP fetch of state files from real servers on 127.0.0.1: a scripted one
// that misbehaves as a real peer can, and nginx.
#include "inputs/PacketParser.h"
#include "inputs/StateFetch.h"
#include "inputs/StateRecord.h"
#include "nodes/NodeTable.h"

#include "tests/support/FreePort.h"
#include "tests/support/ScriptedHttpServer.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

using namespace std::chrono_literals;
using inputs::StateFetch;
using testsupport::ScriptedHttpServer;

const std::string kHeaders = "HTTP/1.0 404 Whatever\r\nContent-Type: text/plain\r\n\r\n";
const std::string kBlock = "<rvx>\n$007,1.500000,2.500000,1086000000,9,1,0.250,a,b,Seven*\n"
                           "$1000,3.000000,4.000000,1086000001,10,0,0.500,c,d,Thousand*\n</rvx>\n";

// Answers with `reply`; "" keeps silent until the client goes; a trickle sends a byte every 200 ms.
ScriptedHttpServer::Script answer(const std::string& reply, bool trickle = false) {
    return [=](int client, int, const std::string&, const std::atomic<bool>& stopping) {
        for (size_t sent = 0; !stopping && (reply.empty() || sent < reply.size());) {
            pollfd ready{client, POLLIN, 0};
            char byte;
            if (poll(&ready, 1, trickle || reply.empty() ? 200 : 0) > 0 &&
                recv(client, &byte, 1, 0) <= 0) {
                return; // the client went
            }
            const size_t piece = trickle ? 1 : reply.size();
            if (!reply.empty() &&
                !ScriptedHttpServer::writeAll(client, reply.substr(sent, piece))) {
                return;
            }
            sent += reply.empty() ? 0 : piece;
        }
    };
}

TEST(StateFetch, RequestFormat) {
    const std::string fits(255 - std::strlen("GET  HTTP/1.0\r\nHost: h\r\n\r\n"), 'p');
    const struct {
        const char* host;
        int port;
        std::string path, request;
    } cases[] = {
        {"maps.local", 80, "/fleet/state.txt",
         "GET /fleet/state.txt HTTP/1.0\r\nHost: maps.local\r\n\r\n"},
        {"127.0.0.1", 8080, "/s", "GET /s HTTP/1.0\r\nHost: 127.0.0.1:8080\r\n\r\n"},
        {"h", 80, "/a\r\nX-Injected: 1", ""},
        {"h", 80, "/with space", ""},
        {"", 80, "/s", ""},
        {"h", 80, "", ""},
        {"h", 80, fits, "GET " + fits + " HTTP/1.0\r\nHost: h\r\n\r\n"}, // 256 bytes with its end
        {"h", 80, fits + "p", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StateFetch::request(c.host, c.port, c.path), c.request) << c.path;
    }
}

class StateFetchTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(table.loadNodeFile(dir.write("nodes.txt", "7 Truck 7\n1000 Last\n").c_str()));
    }

    testsupport::TempDir dir;
    nodes::NodeTable table{250, 20};
};

// What a table holds after reading the text from a file, or fetching it after
// HTTP headers: only the records inside the block count; lines outside it,
// broken lines, a missing closing marker, a line cut at 255 characters without
// its "*" (its rest is no record) and a file or connection ending mid-line
// change nothing of what they hold.
TEST_F(StateFetchTest, TheBlockWhateverTheSourceHolds) {
    const struct {
        std::string text;
        const char *seven, *thousand;
    } cases[] = {
        {"pre\n$007,9,9,9,9,0,9,x,x,x*\n<RVX>\r\n$007,1,2,3,4,0,,a,b,bad "
         "age*\n$1000,5,6,7,8,1,9.5,a,b,"
         "Good*\r\n$007,1,2,3,4,0,0.5,a,b,Seven*\n</rvx>\n$007,9,9,9,9,0,9,x,x,After*\n",
         "Seven", "Good"},
        {"<rvx>\n$007,1,2,3,4,0,5,a,b,Seven*\n$1000,1,2,3,4,0,5,a,b,Thousand*\n", "Seven",
         "Thousand"},
        {kBlock.substr(0, kBlock.find("$1000")) + "$1000,3.0", "Seven", "Last"},
        {"$007,9,9,9,9,0,9,x,x,NoMarker*\n", "Truck 7", "Last"},
        {"\x01\x02garbage\n<rvx>\n$abc\n$1,1,1*\n\xff\xfe\n", "Truck 7", "Last"},
        {"<rvx>\n$007,1,2,3,4,0,5,a,b," + std::string(400, 'N') +
             "*\n$1000,5,6,7,8,0,9,c,d,Thousand*\n</rvx>\n",
         "Truck 7", "Thousand"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ScriptedHttpServer server(answer(kHeaders + c.text));
        nodes::NodeTable local(250, 20), fetched(250, 20);
        for (nodes::NodeTable* reader : {&local, &fetched}) {
            ASSERT_TRUE(reader->loadNodeFile(dir.file("nodes.txt").c_str()));
        }
        ASSERT_TRUE(local.readStateFile(dir.write("state.txt", c.text).c_str()));
        ASSERT_TRUE(fetched.fetchStateFile("127.0.0.1", server.port(), "/state.txt"));
        EXPECT_EQ(server.requests().at(0), "GET /state.txt HTTP/1.0\r\nHost: 127.0.0.1:" +
                                               std::to_string(server.port()) + "\r\n\r\n");
        for (nodes::NodeTable* reader : {&local, &fetched}) {
            EXPECT_STREQ(reader->findById(7)->name, c.seven);
            EXPECT_STREQ(reader->findById(1000)->name, c.thousand);
            EXPECT_EQ(reader->findById(7)->latitude == 0.0, c.seven[0] == 'T');
            EXPECT_EQ(reader->lateNodeCount(), 0u);
        }
    }
    ScriptedHttpServer server(answer(kHeaders + kBlock));
    ASSERT_TRUE(table.fetchStateFile("127.0.0.1", server.port(), "/state.txt"));
    EXPECT_DOUBLE_EQ(table.findById(7)->latitude, 1.5);
    EXPECT_EQ(table.findById(7)->reportTime.millitm, 9);
    EXPECT_FALSE(table.fetchStateFile("127.0.0.1", testsupport::freePort(), "/state.txt"))
        << "refused";
    EXPECT_FALSE(table.readStateFile(dir.file("absent.txt").c_str()));
    // A peer that resets the connection mid-line: the whole records before it count, no more.
    ScriptedHttpServer resetting([](int client, int, const std::string&, const auto&) {
        ScriptedHttpServer::writeAll(client, kHeaders + "<rvx>\n$007,5,6,0,0,0,1,a,b,Whole*\n"
                                                        "$1000,7,8,0,0,0,1,a,b,Cut");
        std::this_thread::sleep_for(300ms); // read by then, so the reset cannot discard it
        const linger abortive{1, 0};
        setsockopt(client, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    });
    EXPECT_TRUE(table.fetchStateFile("127.0.0.1", resetting.port(), "/state.txt"));
    EXPECT_STREQ(table.findById(7)->name, "Whole");
    EXPECT_STREQ(table.findById(1000)->name, "Thousand");
}

// A silent server ends the fetch at the receive time-out, a trickling one at
// the deadline, a cancel at once; a cancelled fetcher asks no more.
TEST_F(StateFetchTest, SlowServersEndTheFetch) {
    const struct {
        std::string reply;
        bool trickle;
        int receiveMs, deadlineMs;
        bool cancel;
    } cases[] = {{"", false, 300, 20000, false},
                 {kHeaders + kBlock, true, 2000, 1000, false},
                 {"", false, 30000, 60000, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.trickle ? "trickling" : c.cancel ? "cancelled" : "silent");
        ScriptedHttpServer server(answer(c.reply, c.trickle));
        StateFetch slow;
        slow.setTimeouts(2000, c.receiveMs, c.deadlineMs);
        std::vector<std::string> lines{"stale"};
        std::atomic<bool> fetched{false};
        const auto start = std::chrono::steady_clock::now();
        std::thread poll(
            [&] { fetched = slow.fetch("127.0.0.1", server.port(), "/state.txt", lines); });
        if (c.cancel) {
            testsupport::waitUntil([&] { return !server.requests().empty(); });
            slow.cancel();
        }
        poll.join();
        EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
        EXPECT_TRUE(fetched.load());
        EXPECT_TRUE(lines.empty()) << "the trickled block had not begun";
        EXPECT_FALSE(c.cancel && slow.fetch("127.0.0.1", server.port(), "/state.txt", lines));
    }
}

// Reports whose texts hold what a datagram can carry (line feeds, a closing
// marker, stars, the longest comments) for nodes with long and starred names:
// every snapshot line stays within what the readers take, and the local read and
// the fetch from nginx both get every record, the last one too.
TEST_F(StateFetchTest, HostileTextsAndLongRecordsReadBackWhole) {
    const std::string nodes = dir.write(
        "fleet.txt", "1 **Lead**, Truck 1\n2 " + std::string(150, 'N') + "\n3 Tab\there\n4 Last\n");
    nodes::NodeTable writer(65536, 20);
    ASSERT_TRUE(writer.loadNodeFile(nodes.c_str()));
    const std::string sentences = "$GPZDA,123456.78,15,06,2004,00,00*4B"
                                  "$GPGLL,4916.4500,N,12311.1200,W,123456.78,A,A*2C";
    for (std::string datagram :
         {"1,x\n</rvx>,**ALERT**," + sentences,
          "2," + std::string(200, 'c') + "," + std::string(200, 'd') + "," + sentences,
          "3,\r\n$007\x01,\x7f*," + sentences, "4,fine,also fine," + sentences}) {
        inputs::PositionReport report;
        ASSERT_TRUE(inputs::PacketParser::parse(datagram.data(), report) && report.applyTo(writer));
    }
    std::filesystem::create_directory(dir.path() / "www");
    const std::string snapshot = dir.file("www/state.txt");
    ASSERT_TRUE(writer.writeStateFile(snapshot.c_str(), false));
    std::ifstream in(snapshot);
    int lines = 0;
    for (std::string line; std::getline(in, line); ++lines) {
        EXPECT_LE(line.size() + 1, inputs::StateRecord::kMaxLineChars) << line;
    }
    EXPECT_EQ(lines, 6);
    const int port = testsupport::freePort();
    testsupport::WebServer server(dir.file("www"), port, dir.file("nginx"));
    ASSERT_TRUE(server.started()) << "scripts/web-server could not start nginx";
    nodes::NodeTable local(250, 20), fetched(250, 20);
    ASSERT_TRUE(local.readStateFile(snapshot.c_str()));
    ASSERT_TRUE(fetched.fetchStateFile("127.0.0.1", port, "/state.txt"));
    for (const nodes::NodeTable* reader : {&local, &fetched}) {
        ASSERT_EQ(reader->lateNodeCount(), 4u);
        for (int32_t id = 1; id <= 4; ++id) {
            EXPECT_EQ(reader->findById(id)->reportTime.time, writer.findById(id)->reportTime.time);
            EXPECT_EQ(reader->findById(id)->reportTime.millitm, 780);
        }
        const auto texts = [reader](int32_t id) {
            const nodes::NodeRecord* r = reader->findById(id);
            return std::string(r->comment1) + "|" + r->comment2 + "|" + r->name;
        };
        EXPECT_EQ(texts(1), "x </rvx>|++ALERT++|++Lead++, Truck 1");
        // The longest comments leave no room for the name, and comment 2 is cut to the line.
        EXPECT_EQ(texts(2), std::string(127, 'c') + "|" + std::string(74, 'd') + "|");
        EXPECT_EQ(texts(3), "  $007 | +|Tab here");
        EXPECT_EQ(texts(4), "fine|also fine|Last");
    }
}

} // namespace

// The HTTP fetch of state files against real servers on 127.0.0.1: nginx, and
// a scripted server built on the project's TCP server that misbehaves in the
// ways a real peer can.
#include "inputs/PacketParser.h"
#include "inputs/StateFetch.h"
#include "inputs/StateRecord.h"
#include "net/LB_SSubSocket.h"
#include "net/LB_Socket.h"
#include "nodes/NodeTable.h"

#include "tests/net/NetTest.h"
#include "tests/support/TempDir.h"
#include "tests/tools/ToolProcess.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using inputs::StateFetch;
using Clock = std::chrono::steady_clock;

const std::string kHeaders = "HTTP/1.0 404 Whatever\r\nContent-Type: text/plain\r\n\r\n";
const std::string kBlock = "<rvx>\n"
                           "$007,1.500000,2.500000,1086000000,9,1,0.250,a,b,Seven*\n"
                           "$1000,3.000000,4.000000,1086000001,10,0,0.500,c,d,Thousand*\n"
                           "</rvx>\n";

// A web server that answers every request with its reply, on a port the
// system chooses. An empty reply keeps silent until the client goes; a
// trickled one is sent a byte every 200 ms.
class ScriptedServer {
public:
    explicit ScriptedServer(std::string reply, bool trickle = false)
        : reply_(std::move(reply)), trickle_(trickle) {
        server_.setLocalAddress("127.0.0.1");
        started_ = server_.openTcpServer(0, 0, &ScriptedServer::handle, this) == 1;
    }
    ~ScriptedServer() { server_.close(); }

    bool started() const { return started_; }
    int port() const { return server_.port(); }
    std::string lastRequest() {
        std::lock_guard<std::mutex> lock(mutex_);
        return request_;
    }
    bool waitForRequest(std::chrono::milliseconds limit) {
        std::unique_lock<std::mutex> lock(mutex_);
        return seen_.wait_for(lock, limit, [this] { return !request_.empty(); });
    }

private:
    static void handle(LB_SSubSocket* client, void* self) {
        static_cast<ScriptedServer*>(self)->serve(*client);
    }
    void serve(LB_SSubSocket& client) {
        std::string request;
        char buffer[512];
        while (request.find("\r\n\r\n") == std::string::npos) {
            const int n = client.receive(buffer, sizeof buffer, 1);
            if (n <= 0) {
                return;
            }
            request.append(buffer, static_cast<size_t>(n));
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            request_ = request;
        }
        seen_.notify_all();
        char probe;
        if (reply_.empty()) {
            while (client.receive(&probe, 1, 1) > 0) {
            }
        } else if (!trickle_) {
            client.send(reply_.data(), static_cast<int>(reply_.size()), 0);
        } else {
            for (const char c : reply_) {
                if (client.send(&c, 1, 0) != 1 || client.receive(&probe, 1, 0) < 0) {
                    return;
                }
                std::this_thread::sleep_for(200ms);
            }
        }
    }

    std::string reply_;
    bool trickle_;
    LB_Socket server_;
    bool started_ = false;
    std::mutex mutex_;
    std::condition_variable seen_;
    std::string request_;
};

class StateFetchTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string nodes = dir.write("nodes.txt", "7 Truck 7\n1000 Last\n");
        ASSERT_TRUE(table.loadNodeFile(nodes.c_str()));
    }
    bool fetchFrom(ScriptedServer& server, std::vector<std::string>& lines) {
        return fetch.fetch("127.0.0.1", server.port(), "/state.txt", lines);
    }

    testsupport::TempDir dir;
    nodes::NodeTable table{250, 20};
    StateFetch fetch;
};

TEST_F(StateFetchTest, RequestFormat) {
    // The request must fit 256 bytes with its terminator.
    const std::string fits(255 - std::strlen("GET  HTTP/1.0\r\nHost: h\r\n\r\n"), 'p');
    const struct {
        const char* host;
        int port;
        std::string path;
        std::string request;
    } cases[] = {
        {"maps.local", 80, "/fleet/state.txt",
         "GET /fleet/state.txt HTTP/1.0\r\nHost: maps.local\r\n\r\n"},
        {"127.0.0.1", 8080, "/s", "GET /s HTTP/1.0\r\nHost: 127.0.0.1:8080\r\n\r\n"},
        {"h", 80, "/a\r\nX-Injected: 1", ""},
        {"h", 80, "/with space", ""},
        {"", 80, "/s", ""},
        {"h", 80, "", ""},
        {"h", 80, fits, "GET " + fits + " HTTP/1.0\r\nHost: h\r\n\r\n"},
        {"h", 80, fits + "p", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(StateFetch::request(c.host, c.port, c.path), c.request);
    }
}

// What the table holds after a fetch from a server that answers thus: any
// status, headers, then the block; lines outside it, broken or cut lines and
// a connection dropped mid-line change nothing of what they hold.
TEST_F(StateFetchTest, TheBlockWhateverTheServerSends) {
    const std::string cut = kBlock.substr(0, kBlock.find("$1000")) + "$1000,3.0";
    const struct {
        const char* name;
        std::string reply;
        const char* seven;
        const char* thousand;
    } cases[] = {
        {"normal", kHeaders + "pre\n" + kBlock + "$007,9,9,9,9,0,9,x,x,After*\n", "Seven",
         "Thousand"},
        {"dropped mid-block", kHeaders + cut, "Seven", "Last"},
        {"no marker", kHeaders + "$007,9,9,9,9,0,9,x,x,NoMarker*\n", "Truck 7", "Last"},
        {"nonsense", std::string("\x01\x02garbage\n<rvx>\n$abc\n$1,1,1*\n\xff\xfe\n"), "Truck 7",
         "Last"},
        // Cut at 255 characters without its "*": refused, and its rest is no record.
        {"long line",
         kHeaders + "<rvx>\n$007,1,2,3,4,0,5,a,b," + std::string(400, 'N') +
             "*\n$1000,5,6,7,8,0,9,c,d,Thousand*\n</rvx>\n",
         "Truck 7", "Thousand"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        nodes::NodeTable fresh(250, 20);
        ASSERT_TRUE(fresh.loadNodeFile(dir.file("nodes.txt").c_str()));
        ScriptedServer server(c.reply);
        ASSERT_TRUE(server.started());
        ASSERT_TRUE(fresh.fetchStateFile("127.0.0.1", server.port(), "/state.txt"));
        EXPECT_EQ(server.lastRequest(), "GET /state.txt HTTP/1.0\r\nHost: 127.0.0.1:" +
                                            std::to_string(server.port()) + "\r\n\r\n");
        EXPECT_STREQ(fresh.findById(7)->name, c.seven);
        EXPECT_STREQ(fresh.findById(1000)->name, c.thousand);
        EXPECT_EQ(fresh.lateNodeCount(), 0u);
    }
    EXPECT_EQ(table.findById(7)->reportTime.millitm, 0);
    ScriptedServer server(kHeaders + kBlock);
    ASSERT_TRUE(table.fetchStateFile("127.0.0.1", server.port(), "/state.txt"));
    EXPECT_DOUBLE_EQ(table.findById(7)->latitude, 1.5);
    EXPECT_EQ(table.findById(7)->reportTime.millitm, 9);
}

// A silent server ends the fetch at the receive time-out, a trickling one at
// the deadline, a cancel at once; a cancelled fetcher asks no more.
TEST_F(StateFetchTest, SlowServersEndTheFetch) {
    const struct {
        const char* name;
        std::string reply;
        bool trickle;
        int receiveMs;
        int deadlineMs;
        bool cancel;
    } cases[] = {
        {"silent", "", false, 300, 20000, false},
        {"trickling", kHeaders + kBlock, true, 2000, 1000, false},
        {"cancelled", "", false, 30000, 60000, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server(c.reply, c.trickle);
        StateFetch slow;
        slow.setTimeouts(2000, c.receiveMs, c.deadlineMs);
        std::vector<std::string> lines{"stale"};
        std::atomic<bool> fetched{false};
        const auto start = Clock::now();
        std::thread poll(
            [&] { fetched = slow.fetch("127.0.0.1", server.port(), "/state.txt", lines); });
        if (c.cancel) {
            ASSERT_TRUE(server.waitForRequest(10s));
            slow.cancel();
        }
        poll.join();
        EXPECT_LT(Clock::now() - start, 10s);
        EXPECT_TRUE(fetched.load());
        EXPECT_TRUE(lines.empty()); // the trickled block had not begun
        if (c.cancel) {
            EXPECT_FALSE(slow.fetch("127.0.0.1", server.port(), "/state.txt", lines));
        }
    }
}

TEST_F(StateFetchTest, RefusedConnectionChangesNothing) {
    // A port nobody listens on: bind one, then close it.
    LB_Socket probe;
    probe.setLocalAddress("127.0.0.1");
    ASSERT_EQ(probe.openUdpServer(0, 1), 1);
    const int port = probe.port();
    probe.close();
    EXPECT_FALSE(table.fetchStateFile("127.0.0.1", port, "/state.txt"));
    EXPECT_STREQ(table.findById(7)->name, "Truck 7");
}

// nginx serving a folder on 127.0.0.1 through scripts/web-server, on a port
// free when it starts; stopped when the object goes.
class WebServer {
public:
    WebServer(const std::string& root, const std::string& scratch) : scratch_(scratch) {
        for (int attempt = 0; attempt < 5 && port_ == 0; ++attempt) {
            const int port = nettest::Raw::freePort();
            const ToolProcess::Outcome started = ToolProcess::run(
                WEB_SERVER_PATH, {"start", root, std::to_string(port), scratch_}, 30s);
            if (started.exited && started.status == 0) {
                port_ = port;
            }
        }
    }
    ~WebServer() {
        if (port_ != 0) {
            ToolProcess::run(WEB_SERVER_PATH, {"stop", scratch_}, 30s);
        }
    }
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    int port() const { return port_; }

private:
    std::string scratch_;
    int port_ = 0;
};

// Reports whose texts hold what a datagram can carry (line feeds, a closing
// marker, stars, the longest comments) for nodes with long and starred names:
// the snapshot keeps every line within what the readers take, and the local
// read and the fetch from nginx both get every record, the last one too.
TEST_F(StateFetchTest, HostileTextsAndLongRecordsReadBackWhole) {
    const std::string longName(150, 'N');
    const std::string nodes =
        dir.write("fleet.txt", "1 **Lead**, Truck 1\n2 " + longName + "\n3 Tab\there\n4 Last\n");
    nodes::NodeTable writer(65536, 20);
    ASSERT_TRUE(writer.loadNodeFile(nodes.c_str()));
    const std::string sentences = "$GPZDA,123456.78,15,06,2004,00,00*4B"
                                  "$GPGLL,4916.4500,N,12311.1200,W,123456.78,A,A*2C";
    const std::string datagrams[] = {
        "1,x\n</rvx>,**ALERT**," + sentences,
        "2," + std::string(200, 'c') + "," + std::string(200, 'd') + "," + sentences,
        "3,\r\n$007\x01,\x7f*," + sentences,
        "4,fine,also fine," + sentences,
    };
    for (const std::string& datagram : datagrams) {
        std::string buffer = datagram;
        inputs::PositionReport report;
        ASSERT_TRUE(inputs::PacketParser::parse(buffer.data(), report));
        ASSERT_TRUE(report.applyTo(writer));
    }
    const std::string root = (dir.path() / "www").string();
    std::filesystem::create_directory(root);
    const std::string snapshot = root + "/state.txt";
    ASSERT_TRUE(writer.writeStateFile(snapshot.c_str(), false));

    std::ifstream in(snapshot);
    std::string line;
    int lines = 0;
    while (std::getline(in, line)) {
        EXPECT_LE(line.size() + 1, inputs::StateRecord::kMaxLineChars) << line;
        ++lines;
    }
    EXPECT_EQ(lines, 6);

    WebServer server(root, dir.file("nginx"));
    ASSERT_NE(server.port(), 0) << "scripts/web-server could not start nginx";
    nodes::NodeTable local(250, 20);
    nodes::NodeTable fetched(250, 20);
    ASSERT_TRUE(local.readStateFile(snapshot.c_str()));
    ASSERT_TRUE(fetched.fetchStateFile("127.0.0.1", server.port(), "/state.txt"));
    for (const nodes::NodeTable* reader : {&local, &fetched}) {
        ASSERT_EQ(reader->lateNodeCount(), 4u);
        for (int32_t id = 1; id <= 4; ++id) {
            SCOPED_TRACE(id);
            const nodes::NodeRecord* record = reader->findById(id);
            ASSERT_NE(record, nullptr);
            EXPECT_EQ(record->reportTime.time, writer.findById(id)->reportTime.time);
            EXPECT_EQ(record->reportTime.millitm, 780);
            EXPECT_NEAR(record->latitude, 49.274166, 1e-6);
        }
        const nodes::NodeRecord* lead = reader->findById(1);
        EXPECT_STREQ(lead->comment1, "x </rvx>");
        EXPECT_STREQ(lead->comment2, "++ALERT++");
        EXPECT_STREQ(lead->name, "++Lead++, Truck 1");
        // The longest comments leave no room for the name, and comment 2 is
        // cut to what is left of the line.
        const nodes::NodeRecord* longest = reader->findById(2);
        EXPECT_EQ(std::string(longest->comment1), std::string(127, 'c'));
        EXPECT_EQ(std::string(longest->comment2).find_first_not_of('d'), std::string::npos);
        EXPECT_GT(std::strlen(longest->comment2), 60u);
        EXPECT_STREQ(longest->name, "");
        EXPECT_STREQ(reader->findById(3)->comment1, "  $007 ");
        EXPECT_STREQ(reader->findById(3)->comment2, " +");
        EXPECT_STREQ(reader->findById(3)->name, "Tab here");
        EXPECT_STREQ(reader->findById(4)->name, "Last");
        EXPECT_STREQ(reader->findById(4)->comment2, "also fine");
    }
}

} // namespace

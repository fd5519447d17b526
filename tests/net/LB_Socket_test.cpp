#include "net/LB_Diagnostic.h"
#include "net/LB_SSubSocket.h"
#include "net/LB_Socket.h"
#include "net/LB_SocketLibrary.h"

#include "tests/net/NetTest.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <vector>

namespace {

using namespace nettest;

const std::string kAsked0 = "before ioctlsocket\ngot a n of 0\ngot n=0\n";
const std::string kAsked4Then0 = "before ioctlsocket\ngot a n of 4\n" + kAsked0;
const std::string kRecvError = "in LB_Socket::receive, got an error on recv\n";
const std::string kServerFailed = "sicket_fd open failed with return vlaue -1\n";
// Refused before any name server is asked: a label over 63 characters cannot be put in a query.
const std::string kUnknownHost = std::string(70, 'x') + ".invalid";

// Lines from many threads arrive whole (long ones too), each writer's in order.
TEST(LB_Diagnostic, LinesFromManyThreadsArriveWholeAndInOrder) {
    StdoutCapture capture;
    LB_Diagnostic::line("%s:%d connected\n", "127.0.0.1", 4242);
    std::vector<std::thread> writers;
    for (int t = 0; t < 8; ++t) {
        writers.emplace_back([t] {
            for (int i = 0; i < 200; ++i) {
                LB_Diagnostic::line("%d %d %s\n", t, i, std::string(t * 400, 'a' + t).c_str());
            }
        });
    }
    std::for_each(writers.begin(), writers.end(), [](std::thread& w) { w.join(); });
    std::istringstream lines(capture.text());
    std::string line;
    EXPECT_TRUE(std::getline(lines, line) && line == "127.0.0.1:4242 connected");
    std::vector<int> next(8, 0);
    for (int t = 0, i = 0;
         std::getline(lines, line) && std::sscanf(line.c_str(), "%d %d", &t, &i);) {
        ASSERT_EQ(line, std::to_string(t) + " " + std::to_string(next.at(t)++) + " " +
                            std::string(t * 400, 'a' + t));
    }
    EXPECT_EQ(next, std::vector<int>(8, 200));
}

TEST(LB_SocketLibrary, EverySocketIsAUserAndTheLastShutsTheLibraryDown) {
    ASSERT_FALSE(LB_SocketLibrary::started() || LB_SocketLibrary::userCount() != 0);
    auto keeper = std::make_unique<LB_Socket>();
    EXPECT_TRUE(LB_SocketLibrary::started() && LB_SocketLibrary::startSucceeded());
    std::vector<std::thread> threads(6);
    for (std::thread& thread : threads) {
        thread = std::thread([] {
            for (int i = 0; i < 200; ++i) {
                LB_Socket a, b;
            }
        });
    }
    std::for_each(threads.begin(), threads.end(), [](std::thread& t) { t.join(); });
    EXPECT_TRUE(LB_SocketLibrary::userCount() == 1 && LB_SocketLibrary::started());
    keeper.reset();
    EXPECT_FALSE(LB_SocketLibrary::started() || LB_SocketLibrary::startSucceeded());
    LB_SocketLibrary::removeUser(); // without users the count stays at zero
    EXPECT_EQ(LB_SocketLibrary::userCount(), 0);
}

// A TCP client's receive and receiveAll. The peer sends "!" + before, which the
// client takes with a blocking receive, so the rest has arrived; then the call
// runs while the peer sends `after` ("<close>" closes it).
TEST(LB_Socket, ReceivesAsTheWaitFlagBlockingFlagAndTimeOutSay) {
    const struct {
        bool all;
        int blocking, wait, timeoutMs, length;
        const char *before, *after;
        bool blocks;
        int result;
        const char* text;
        const std::string& lines;
        bool open;
    } cases[] = {
        {false, 1, 2, 0, 16, "", "late", true, 4, "late", "", true},
        {false, 0, 2, 0, 16, "", "", false, 0, "", kAsked0, true},
        {false, 1, 0, 0, 16, "", "", false, 0, "", kAsked0, true},
        {false, 0, 0, 0, 16, "", "", false, 0, "", kAsked0, true},
        {false, 1, 1, 0, 16, "", "late", true, 4, "late", "", true},
        {false, 0, 1, 0, 16, "", "late", true, 4, "late", "", true},
        {false, 0, 7, 0, 16, "", "late", true, 4, "late", "", true},
        {false, 1, 0, 0, 16, "hello", "", false, 5, "hello", "before ioctlsocket\ngot a n of 5\n",
         1},
        {false, 1, 1, 0, 16, "", "<close>", true, 0, "", "", true},
        {false, 1, 1, 200, 16, "", "", false, -1, "", kRecvError, false},
        {true, 1, 1, 0, 11, "hel", "lo world", true, 11, "hello world", "", true},
        {true, 1, 0, 0, 4, "", "abcd", true, 4, "abcd", kAsked0, true},
        {true, 0, 0, 0, 10, "abcd", "<close>", true, -1, "abcd", kAsked4Then0, true},
        {true, 0, 1, 0, 10, "abcd", "<close>", true, -1, "abcd", "", true},
        {true, 0, 2, 0, 10, "abcd", "<close>", true, -1, "abcd", kAsked4Then0, true},
        {true, 1, 1, 200, 4, "ab", "", false, -1, "ab", kRecvError, false},
        {true, 1, 1, 0, 0, "", "", false, 0, "", "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.all ? "receiveAll" : "receive") << " blocking "
                                        << c.blocking << " wait " << c.wait << " " << c.after);
        ConnectedPair pair;
        pair.client.setTimeouts(0, c.timeoutMs);
        ASSERT_TRUE(pair.open(c.blocking));
        ASSERT_TRUE(pair.server.send(std::string("!") + c.before));
        char first = 0;
        ASSERT_EQ(pair.client.receive(&first, 1, 1), 1);
        std::string buffer(16, '\0');
        StdoutCapture capture;
        Async run(
            [&] {
                return c.all ? pair.client.receiveAll(buffer.data(), c.length, c.wait)
                             : pair.client.receive(buffer.data(), c.length, c.wait);
            },
            [&] { pair.client.abort(); });
        EXPECT_EQ(run.doneWithin(c.blocks ? 150ms : 10s), !c.blocks);
        const std::string after = c.after;
        ASSERT_TRUE(after == "<close>" ? (pair.server.close(), true) : pair.server.send(after));
        EXPECT_EQ(run.result(), c.result);
        EXPECT_EQ(buffer.c_str(), std::string(c.text));
        // One look at the waiting count, then a quiet wait: a busy loop writes it again and again.
        EXPECT_EQ(capture.text(), c.lines);
        EXPECT_EQ(pair.client.isOpen(), c.open);
        EXPECT_EQ(pair.client.peerClosed(), after == "<close>");
    }
}

enum Kind { kTcp, kUdp, kUdpServer, kServer, kOneClient };

int open(LB_Socket& s, Kind kind, const char* host, int port, int blocking) {
    const auto handler = [](LB_SSubSocket*, void*) {};
    return kind == kTcp         ? s.openTcpClient(host, port, blocking)
           : kind == kUdp       ? s.openUdpClient(host, port, blocking)
           : kind == kUdpServer ? s.openUdpServer(port, blocking)
           : kind == kServer    ? s.openTcpServer(port, 0, handler, nullptr)
                                : s.openTcpServer(port, blocking, nullptr, nullptr);
}

// Opens that fail leave nothing open and no mode. One that succeeds talks with
// its peer; a close keeps the mode and sends and receives nothing; a reconnect
// repeats the open on the same port. Each writes exactly its lines.
TEST(LB_Socket, OpensCloseAndReconnect) {
    Raw listener = Raw::listener(), udp = Raw::make(SOCK_DGRAM), filler;
    Raw silent = Raw::unanswering(&filler);
    const int closed = testsupport::freePort(), tcp = listener.port();
    const char* unknown = kUnknownHost.c_str();
    const std::string lookUp = "could not find " + kUnknownHost + "\nTrying to open SOCK_";
    const std::string address = std::to_string(static_cast<int>(inet_addr("127.0.0.1")));
    const struct {
        Kind kind;
        const char* host;
        int port, blocking, connectMs;
        bool aborted;
        std::string lines, again = "-"; // "-": the open fails
    } cases[] = {
        {kTcp, "127.0.0.1", closed, 1, 0, false, ""},
        {kTcp, "0.0.0.0", tcp, 1, 0, false, ""},
        {kTcp, "127.0.0.1", silent.port(), 1, 200, false, ""}, // connect time-out
        {kTcp, "127.0.0.1", tcp, 1, 0, true, ""},
        {kTcp, unknown, tcp, 1, 0, false, lookUp + "STREAM Client\n"},
        {kUdp, unknown, tcp, 1, 0, false, lookUp + "DGRAM Client\nNo connection\n"},
        {kUdp, "1.2.3.4.5", 9, 1, 0, false, "phe->h_addr is -1\nNo connection\n"},
        {kServer, "", tcp, 0, 0, false, ""},
        {kUdpServer, "", udp.port(), 1, 0, false, ""},
        {kOneClient, "", tcp, 1, 0, false, kServerFailed},
        {kOneClient, "", 0, 0, 0, false, kServerFailed}, // without waiting
        {kTcp, "127.0.0.1", tcp, 1, 0, false, "", "Got a connection\n"},
        {kTcp, "localhost", tcp, 1, 0, false, "", "Got a connection\n"},
        {kUdp, "127.0.0.1", udp.port(), 1, 0, false, "phe->h_addr is " + address + "\n",
         "Reopened the connection\n"},
        {kUdp, "localhost", udp.port(), 1, 0, false, "", "Reopened the connection\n"},
        {kUdpServer, "", 0, 0, 0, false, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.kind << " " << c.host << ":" << c.port);
        StdoutCapture capture;
        LB_Socket socket;
        ASSERT_TRUE(socket.setLocalAddress("127.0.0.1"));
        socket.setTimeouts(c.connectMs, 10000); // a stray wait fails instead of hanging
        if (c.aborted) {
            socket.abort();
        }
        const int opened = open(socket, c.kind, c.host, c.port, c.blocking);
        EXPECT_EQ(capture.text(), c.lines);
        const int mode = socket.mode(), port = socket.port();
        const int modes[] = {LB_Socket::kTcpClient, LB_Socket::kUdpClient, LB_Socket::kUdpServer};
        EXPECT_EQ(mode, opened == 1 ? modes[c.kind] : LB_Socket::kNone);
        EXPECT_EQ(opened, c.again != "-" ? 1 : 0);
        EXPECT_EQ(socket.isOpen(), opened == 1);
        for (int round = 0; round < 2 && opened == 1 && c.again != "-"; ++round) {
            EXPECT_TRUE(socket.isOpen());
            EXPECT_EQ(socket.port(), c.port != 0 ? c.port : port);
            char got[8] = {};
            Raw peer = c.kind == kTcp ? listener.accept() : Raw::make(SOCK_DGRAM);
            if (c.kind == kUdpServer) {
                ASSERT_TRUE(peer.send("ping", port));
                EXPECT_EQ(socket.receive(got, 8, 1), 4);
                EXPECT_EQ(socket.receive(got, 8, 2), 0) << "opened non-blocking";
            } else {
                EXPECT_EQ(socket.send("ping", 4, 0), 4);
                EXPECT_EQ((c.kind == kTcp ? peer : udp).receive(4), "ping");
            }
            EXPECT_TRUE(c.kind != kTcp || (peer.send("pong") && socket.receive(got, 8, 1) == 4));
            EXPECT_EQ(std::string(got), c.kind == kUdp ? "" : c.kind == kTcp ? "pong" : "ping");
            StdoutCapture again;
            socket.close();
            EXPECT_FALSE(socket.isOpen());
            EXPECT_EQ(socket.mode(), mode);
            EXPECT_EQ(socket.send("x", 1, 0) + socket.receive(got, 8, 0), 0);
            EXPECT_EQ(round == 0 ? socket.reconnect() : 1, 1);
            EXPECT_EQ(again.text(), round == 0 ? c.again : "");
        }
        EXPECT_EQ(socket.send("x", 1, 0), 0);
    }
    EXPECT_FALSE(listener.accept(100ms).valid()) << "a failed open reached the listener";
    LB_Socket socket;
    EXPECT_FALSE(socket.setLocalAddress("loopback") || socket.setLocalAddress(nullptr));
}

// A send that fails closes the socket with one line, later sends return at
// once, and a reconnect to a server that has gone fails quietly. No SIGPIPE.
TEST(LB_Socket, FailuresCloseTheSocketQuietly) {
    struct sigaction current {};
    ASSERT_TRUE(sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL);
    StdoutCapture capture;
    LB_Socket never;
    char buffer[16];
    EXPECT_EQ(never.send("hello", 5, 0) + never.receive(buffer, 16, 0) + never.reconnect(), 0);
    EXPECT_EQ(never.receive(buffer, 16, 1) + never.mode(), 0);
    ConnectedPair pair;
    ASSERT_TRUE(pair.open());
    pair.server.close();
    pair.listener.close();
    const std::string chunk(1024, 'z');
    int sent = 1;
    for (int i = 0; i < 100000 && sent != 0; ++i) {
        sent = pair.client.send(chunk.data(), static_cast<int>(chunk.size()), 0);
    }
    ASSERT_EQ(sent, 0) << "the peer's reset never failed a send";
    EXPECT_FALSE(pair.client.isOpen());
    EXPECT_EQ(pair.client.send("x", 1, 0) + pair.client.reconnect(), 0);
    EXPECT_EQ(pair.client.mode(), LB_Socket::kTcpClient);
    EXPECT_EQ(capture.text(), "did not send data: LB_Socket::send\n");
}

// abort() from another thread ends a blocked receive, connect or wait for a
// client, and no later open succeeds.
TEST(LB_Socket, AbortEndsWhatBlocks) {
    for (const Kind kind : {kTcp, kUdp, kOneClient}) { // receive, connect, wait for a client
        SCOPED_TRACE(kind);
        ConnectedPair pair;
        Raw filler;
        Raw silent = Raw::unanswering(&filler);
        ASSERT_TRUE(pair.client.setLocalAddress("127.0.0.1") && (kind != kTcp || pair.open()));
        StdoutCapture capture;
        char buffer[16];
        Async run(
            [&] {
                return kind == kTcp   ? pair.client.receive(buffer, sizeof buffer, 1)
                       : kind == kUdp ? pair.client.openTcpClient("127.0.0.1", silent.port(), 1)
                                      : pair.client.openTcpServer(0, 1, nullptr, nullptr);
            },
            [] {});
        EXPECT_FALSE(run.doneWithin(150ms));
        pair.client.abort();
        EXPECT_EQ(run.result(), kind == kTcp ? -1 : 0);
        EXPECT_FALSE(pair.client.isOpen());
        EXPECT_EQ(capture.text(), kind == kTcp ? kRecvError : kind == kUdp ? "" : kServerFailed);
        EXPECT_EQ(pair.client.openTcpClient("127.0.0.1", pair.listener.port(), 1), 0);
    }
}

// The one-client server waits for its client, talks with it and cannot reconnect.
TEST(LB_Socket, OneClientServerWaitsForItsClient) {
    const int port = testsupport::freePort();
    StdoutCapture capture;
    LB_Socket server;
    ASSERT_TRUE(server.setLocalAddress("127.0.0.1"));
    Async run([&] { return server.openTcpServer(port, 1, nullptr, nullptr); },
              [&] { server.abort(); });
    Raw client = Raw::connect(port);
    ASSERT_EQ(run.result(), 1);
    EXPECT_TRUE(server.isOpen() && server.mode() == LB_Socket::kTcpSingleClientServer);
    const std::string text = capture.text();
    const std::string connected = "127.0.0.1:" + std::to_string(client.port()) + " connected\n";
    int fd = -1;
    char end = 0;
    EXPECT_EQ(std::sscanf(text.c_str() + connected.size(), "sicket_fd is %d%c", &fd, &end), 2);
    EXPECT_TRUE(text.starts_with(connected) && fd >= 0 && end == '\n' && text.back() == '\n')
        << text;
    char buffer[8] = {};
    ASSERT_TRUE(client.send("one"));
    EXPECT_EQ(server.receive(buffer, sizeof buffer, 1), 3);
    EXPECT_EQ(server.send("two", 3, 0), 3);
    EXPECT_EQ(client.receive(3), "two");
    EXPECT_EQ(server.reconnect(), 0) << "nothing waits for another client";
    EXPECT_FALSE(server.isOpen());
    EXPECT_EQ(server.mode(), LB_Socket::kTcpSingleClientServer);
}

} // namespace

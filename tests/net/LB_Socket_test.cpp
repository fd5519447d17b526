#include "net/LB_SSubSocket.h"
#include "net/LB_Socket.h"

#include "tests/net/ConnectedPair.h"
#include "tests/net/RawSocket.h"
#include "tests/net/StdoutCapture.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <signal.h>

#include <chrono>
#include <functional>
#include <string>

namespace {

using namespace std::chrono_literals;
using nettest::ConnectedPair;
using nettest::RawSocket;
using nettest::StdoutCapture;
using Clock = std::chrono::steady_clock;

// A name that cannot resolve and is refused before any name server is asked:
// a label longer than 63 characters cannot be put into a query.
const std::string kUnknownHost = std::string(70, 'x') + ".invalid";

std::chrono::milliseconds since(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

TEST(LB_Socket, SendAndReceiveOnANeverOpenedSocketReturnZeroAndWriteNothing) {
    StdoutCapture capture;
    LB_Socket socket;
    char buffer[16] = {};
    EXPECT_EQ(socket.send("hello", 5, 0), 0);
    EXPECT_EQ(socket.receive(buffer, sizeof buffer, 0), 0);
    EXPECT_EQ(socket.receive(buffer, sizeof buffer, 1), 0);
    EXPECT_EQ(socket.reconnect(), 0);
    EXPECT_FALSE(socket.isOpen());
    EXPECT_EQ(socket.mode(), LB_Socket::kNone);
    EXPECT_EQ(capture.text(), "");
}

TEST(LB_Socket, SendsToAndReceivesFromATcpPeer) {
    StdoutCapture capture;
    RawSocket byName = RawSocket::listenTcp();
    LB_Socket local;
    ASSERT_EQ(local.openTcpClient("localhost", byName.port(), 1), 1); // a name that resolves
    EXPECT_TRUE(byName.accept(10s).valid());
    ConnectedPair pair;
    ASSERT_TRUE(pair.open());
    EXPECT_TRUE(pair.client.isOpen());
    EXPECT_EQ(pair.client.mode(), LB_Socket::kTcpClient);
    EXPECT_EQ(pair.client.port(), pair.listener.port());
    EXPECT_EQ(pair.client.send("GET /", 5, 0), 5);
    EXPECT_EQ(pair.server.receiveText(10s, 5), "GET /");
    ASSERT_TRUE(pair.server.sendText("reply"));
    char buffer[16] = {};
    EXPECT_EQ(pair.client.receive(buffer, sizeof buffer, 1), 5);
    EXPECT_EQ(std::string(buffer, 5), "reply");
    EXPECT_EQ(capture.text(), "");
}

TEST(LB_Socket, FailedSendClosesTheSocketAndTheNextSendReturnsAtOnce) {
    // A SIGPIPE would end this test's process: the test only proves something
    // while the signal keeps its default action.
    struct sigaction current {};
    ASSERT_EQ(sigaction(SIGPIPE, nullptr, &current), 0);
    ASSERT_EQ(current.sa_handler, SIG_DFL);

    ConnectedPair pair;
    ASSERT_TRUE(pair.open());
    pair.server.close();
    StdoutCapture capture;
    const std::string chunk(1024, 'z');
    const auto deadline = Clock::now() + 10s;
    int sent = 1;
    while (sent != 0 && Clock::now() < deadline) {
        sent = pair.client.send(chunk.data(), static_cast<int>(chunk.size()), 0);
    }
    ASSERT_EQ(sent, 0) << "the peer's reset never failed a send";
    EXPECT_EQ(capture.text(), "did not send data: LB_Socket::send\n");
    EXPECT_FALSE(pair.client.isOpen());
    EXPECT_EQ(pair.client.mode(), LB_Socket::kTcpClient);

    const auto start = Clock::now();
    EXPECT_EQ(pair.client.send("x", 1, 0), 0);
    EXPECT_LT(since(start), 10s);
    EXPECT_EQ(capture.text(), "did not send data: LB_Socket::send\n");
}

TEST(LB_Socket, ReceiveWithoutWaitingReportsTheWaitingCount) {
    ConnectedPair pair;
    ASSERT_TRUE(pair.open());
    char buffer[16] = {};
    ASSERT_TRUE(pair.server.sendText("hello"));
    const auto deadline = Clock::now() + 10s;
    int got = 0;
    // Loopback delivery is not instant: ask until the bytes are counted.
    while (got == 0 && Clock::now() < deadline) {
        StdoutCapture capture;
        got = pair.client.receive(buffer, sizeof buffer, 0);
        if (got > 0) {
            EXPECT_EQ(capture.text(), "before ioctlsocket\ngot a n of 5\n");
        }
    }
    EXPECT_EQ(got, 5);
    EXPECT_EQ(std::string(buffer, 5), "hello");
    EXPECT_TRUE(pair.client.isOpen());
}

TEST(LB_Socket, ReceiveReturnsZeroAndTellsWhenThePeerHasClosed) {
    ConnectedPair pair;
    ASSERT_TRUE(pair.open());
    ASSERT_TRUE(pair.server.sendText("abc"));
    pair.server.close();
    char buffer[16] = {};
    EXPECT_EQ(pair.client.receive(buffer, sizeof buffer, 1), 3);
    EXPECT_FALSE(pair.client.peerClosed());
    EXPECT_EQ(pair.client.receive(buffer, sizeof buffer, 1), 0);
    EXPECT_TRUE(pair.client.peerClosed());
    EXPECT_TRUE(pair.client.isOpen()) << "an orderly end of the peer is not an error";
}

struct UnknownHostCase {
    const char* kind;
    int (LB_Socket::*open)(const char*, int, int);
    std::string lines;
};

TEST(LB_Socket, UnknownHostWritesTheLookUpLinesAndFailsTheOpen) {
    const UnknownHostCase cases[] = {
        {"tcp", &LB_Socket::openTcpClient,
         "could not find " + kUnknownHost + "\nTrying to open SOCK_STREAM Client\n"},
        {"udp", &LB_Socket::openUdpClient,
         "could not find " + kUnknownHost + "\nTrying to open SOCK_DGRAM Client\nNo connection\n"},
    };
    // Something listens on the port: a connect to the any-address would
    // reach it on Linux, so only a failed open proves the look-up failed it.
    RawSocket listener = RawSocket::listenTcp();
    for (const UnknownHostCase& c : cases) {
        SCOPED_TRACE(c.kind);
        StdoutCapture capture;
        LB_Socket socket;
        const auto start = Clock::now();
        EXPECT_EQ((socket.*c.open)(kUnknownHost.c_str(), listener.port(), 1), 0);
        EXPECT_LT(since(start), 10s);
        EXPECT_FALSE(socket.isOpen());
        EXPECT_EQ(socket.mode(), LB_Socket::kNone);
        EXPECT_EQ(capture.text(), c.lines);
    }
    EXPECT_FALSE(listener.accept(100ms).valid());
}

// Opens that fail: nothing is left open, and only the look-up lines are written.
TEST(LB_Socket, FailedOpensLeaveNothingOpen) {
    RawSocket listener = RawSocket::listenTcp();
    RawSocket taken = RawSocket::bindUdp();
    RawSocket inUse = RawSocket::listenTcp();
    const auto handler = [](LB_SSubSocket*, void*) {};
    const int closedPort = RawSocket::freeTcpPort();
    const struct {
        const char* name;
        std::function<int(LB_Socket&)> open;
        const char* lines;
    } cases[] = {
        {"tcp to a closed port",
         [&](LB_Socket& s) { return s.openTcpClient("127.0.0.1", closedPort, 1); }, ""},
        {"tcp to the any-address",
         [&](LB_Socket& s) { return s.openTcpClient("0.0.0.0", listener.port(), 1); }, ""},
        {"udp to no address", [](LB_Socket& s) { return s.openUdpClient("1.2.3.4.5", 9, 1); },
         "phe->h_addr is -1\nNo connection\n"},
        {"tcp server on a port in use",
         [&](LB_Socket& s) { return s.openTcpServer(inUse.port(), 0, handler, nullptr); }, ""},
        {"udp server on a port in use",
         [&](LB_Socket& s) { return s.openUdpServer(taken.port(), 1); }, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StdoutCapture capture;
        LB_Socket socket;
        ASSERT_TRUE(socket.setLocalAddress("127.0.0.1"));
        EXPECT_EQ(c.open(socket), 0);
        EXPECT_FALSE(socket.isOpen());
        EXPECT_EQ(socket.send("x", 1, 0), 0);
        EXPECT_EQ(capture.text(), c.lines);
    }
    EXPECT_FALSE(listener.accept(100ms).valid());
    LB_Socket socket;
    EXPECT_FALSE(socket.setLocalAddress("loopback"));
    EXPECT_FALSE(socket.setLocalAddress(nullptr));
}

TEST(LB_Socket, UdpClientAndServerRoundTrip) {
    StdoutCapture capture;
    LB_Socket server;
    ASSERT_TRUE(server.setLocalAddress("127.0.0.1"));
    ASSERT_EQ(server.openUdpServer(0, 0), 1);
    EXPECT_EQ(server.mode(), LB_Socket::kUdpServer);
    ASSERT_NE(server.port(), 0);

    LB_Socket client;
    ASSERT_EQ(client.openUdpClient("127.0.0.1", server.port(), 1), 1);
    EXPECT_EQ(client.mode(), LB_Socket::kUdpClient);
    const std::string expected =
        "phe->h_addr is " + std::to_string(static_cast<int>(inet_addr("127.0.0.1"))) + "\n";
    EXPECT_EQ(capture.text(), expected);

    EXPECT_EQ(client.send("$007,datagram", 13, 0), 13);
    char buffer[64] = {};
    EXPECT_EQ(server.receive(buffer, sizeof buffer, 1), 13);
    EXPECT_EQ(std::string(buffer, 13), "$007,datagram");
    // The server was opened non-blocking: wait flag 2 asks and returns.
    EXPECT_EQ(server.receive(buffer, sizeof buffer, 2), 0);
}

// A closed socket keeps its mode and sends and receives nothing; a
// reconnect repeats what was opened last.
TEST(LB_Socket, CloseKeepsTheModeAndReconnectRepeatsTheOpen) {
    RawSocket listener = RawSocket::listenTcp();
    RawSocket udpPeer = RawSocket::bindUdp();
    struct Case {
        const char* name;
        std::function<int(LB_Socket&)> open;
        int mode;
        std::string lines;
    };
    const Case cases[] = {
        {"udp server", [](LB_Socket& s) { return s.openUdpServer(0, 0); }, LB_Socket::kUdpServer,
         ""},
        {"udp client",
         [&](LB_Socket& s) { return s.openUdpClient("localhost", udpPeer.port(), 1); },
         LB_Socket::kUdpClient, "Reopened the connection\n"},
        {"tcp client",
         [&](LB_Socket& s) { return s.openTcpClient("127.0.0.1", listener.port(), 1); },
         LB_Socket::kTcpClient, "Got a connection\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LB_Socket socket;
        ASSERT_TRUE(socket.setLocalAddress("127.0.0.1"));
        ASSERT_EQ(c.open(socket), 1);
        const int port = socket.port();
        StdoutCapture capture;
        socket.close();
        EXPECT_FALSE(socket.isOpen());
        EXPECT_EQ(socket.mode(), c.mode);
        char buffer[4];
        EXPECT_EQ(socket.send("x", 1, 0), 0);
        EXPECT_EQ(socket.receive(buffer, sizeof buffer, 0), 0);
        EXPECT_EQ(socket.reconnect(), 1);
        EXPECT_TRUE(socket.isOpen());
        EXPECT_EQ(socket.mode(), c.mode);
        EXPECT_EQ(socket.port(), port);
        EXPECT_EQ(capture.text(), c.lines);
    }
    EXPECT_TRUE(listener.accept(10s).valid());
    EXPECT_TRUE(listener.accept(10s).valid());
}

TEST(LB_Socket, ReconnectedUdpServerReceivesOnTheSamePort) {
    LB_Socket server;
    ASSERT_TRUE(server.setLocalAddress("127.0.0.1"));
    ASSERT_EQ(server.openUdpServer(0, 1), 1);
    const int port = server.port();
    ASSERT_EQ(server.reconnect(), 1);
    RawSocket sender = RawSocket::bindUdp();
    ASSERT_TRUE(sender.sendTo(port, "again"));
    char buffer[16] = {};
    EXPECT_EQ(server.receive(buffer, sizeof buffer, 1), 5);
    EXPECT_EQ(std::string(buffer, 5), "again");
}

TEST(LB_Socket, ReconnectOfATcpClientWhoseServerIsGoneFailsSilently) {
    LB_Socket client;
    {
        RawSocket listener = RawSocket::listenTcp();
        ASSERT_EQ(client.openTcpClient("127.0.0.1", listener.port(), 1), 1);
    }
    StdoutCapture capture;
    EXPECT_EQ(client.reconnect(), 0);
    EXPECT_FALSE(client.isOpen());
    EXPECT_EQ(client.mode(), LB_Socket::kTcpClient);
    EXPECT_EQ(capture.text(), "");
}

} // namespace

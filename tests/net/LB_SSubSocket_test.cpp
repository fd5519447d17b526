// The TCP server with a handler: its listener, the per-client sub-sockets and
// their threads, and how they end.
#include "net/LB_SSubSocket.h"
#include "net/LB_Socket.h"

#include "tests/net/RawSocket.h"
#include "tests/net/StdoutCapture.h"
#include "tests/support/EventCounter.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using nettest::RawSocket;
using nettest::StdoutCapture;
using testsupport::EventCounter;
using Clock = std::chrono::steady_clock;

const std::string kDeleting = "Deleting LB_SubSocket::LB_SubSocket for client ip:127.0.0.1 port ";

// What the handler sees and does; handed to it as the user data.
struct Scene {
    std::function<void(LB_SSubSocket*, int)> body = [](LB_SSubSocket*, int) {};
    EventCounter entered;
    EventCounter returned;
    std::mutex guard;
    std::vector<std::thread::id> threads;
    std::vector<int> results;
    int calls = 0;

    void record(int result) {
        std::lock_guard<std::mutex> hold(guard);
        results.push_back(result);
    }
};

void runScene(LB_SSubSocket* client, void* userData) {
    auto* scene = static_cast<Scene*>(userData);
    int index = 0;
    {
        std::lock_guard<std::mutex> hold(scene->guard);
        scene->threads.push_back(std::this_thread::get_id());
        index = scene->calls++;
    }
    scene->entered.add();
    scene->body(client, index);
    scene->returned.add();
}

std::unique_ptr<LB_Socket> startServer(Scene* scene) {
    auto server = std::make_unique<LB_Socket>();
    if (!server->setLocalAddress("127.0.0.1") ||
        server->openTcpServer(0, 0, runScene, scene) != 1) {
        return nullptr;
    }
    return server;
}

int receiveOne(LB_SSubSocket* client) {
    char byte = 0;
    return client->receive(&byte, 1, 1);
}

bool refused(int port) {
    return !RawSocket::connectTcp(port, 0ms).valid();
}

TEST(LB_SSubSocket, HandlerRunsOncePerClientEachOnItsOwnThread) {
    StdoutCapture capture;
    Scene scene;
    // Every handler stays until all three have started, so that the three
    // threads are alive together and their ids cannot be reused.
    scene.body = [&](LB_SSubSocket* client, int) {
        scene.record(scene.entered.waitFor(3, 10s) ? receiveOne(client) : -9);
    };
    auto server = startServer(&scene);
    ASSERT_NE(server, nullptr);
    EXPECT_FALSE(server->isOpen());

    std::vector<RawSocket> clients;
    for (int i = 0; i < 3; ++i) {
        clients.push_back(RawSocket::connectTcp(server->port(), 10s));
        ASSERT_TRUE(clients.back().valid());
        ASSERT_TRUE(clients.back().sendText("x"));
        // The listener's backlog is 1: a client that comes before the last
        // one was taken waits a SYN retry.
        ASSERT_TRUE(scene.entered.waitFor(i + 1, 10s));
    }
    ASSERT_TRUE(scene.returned.waitFor(3, 10s));
    ASSERT_TRUE(capture.waitForCount(kDeleting, 3, 10s));
    for (RawSocket& client : clients) {
        SCOPED_TRACE(client.port());
        EXPECT_TRUE(client.seesEndOfStream(10s)) << "the sub-socket was not destroyed";
        const std::string port = std::to_string(client.port());
        EXPECT_EQ(capture.count("127.0.0.1:" + port + " connected\n"), 1);
        EXPECT_EQ(capture.count(kDeleting + port + "\n"), 1);
    }
    EXPECT_EQ(scene.entered.value(), 3);
    {
        std::lock_guard<std::mutex> hold(scene.guard);
        const std::set<std::thread::id> distinct(scene.threads.begin(), scene.threads.end());
        EXPECT_EQ(distinct.size(), 3u);
        EXPECT_EQ(distinct.count(std::this_thread::get_id()), 0u);
        EXPECT_EQ(scene.results, std::vector<int>({1, 1, 1}));
    }
    EXPECT_EQ(capture.count("creating LB_SubSocket::LB_SubSocket\n"), 3);
    const std::string process =
        "LB_SSubSocket::~LB_SSubSocket() in process " + std::to_string(getpid()) + " ";
    EXPECT_EQ(capture.count(process), 3);
    // Each handler returned by itself: no sub-socket had to be waited for.
    EXPECT_EQ(capture.count("Sleep 100 in LB_SSubSocket::~LB_SSubSocket\n"), 0);

    const std::string text = capture.text();
    const std::string port = std::to_string(clients[0].port());
    const size_t created = text.find("creating LB_SubSocket::LB_SubSocket\n");
    const size_t connected = text.find("127.0.0.1:" + port + " connected\n");
    const size_t deleted = text.find(kDeleting + port + "\n");
    EXPECT_LT(created, connected);
    EXPECT_LT(connected, deleted);
}

TEST(LB_SSubSocket, HandlerTalksWithItsClient) {
    StdoutCapture capture;
    Scene scene;
    scene.body = [&](LB_SSubSocket* client, int) {
        char buffer[5] = {};
        const int got = client->receiveAll(buffer, sizeof buffer, 1);
        scene.record(got);
        if (got == 5) {
            scene.record(client->send(buffer, got, 0));
        }
    };
    auto server = startServer(&scene);
    ASSERT_NE(server, nullptr);
    RawSocket client = RawSocket::connectTcp(server->port(), 10s);
    ASSERT_TRUE(client.sendText("ec"));
    ASSERT_TRUE(client.sendText("hoo"));
    EXPECT_EQ(client.receiveText(10s, 5), "echoo");
    ASSERT_TRUE(scene.returned.waitFor(1, 10s));
    std::lock_guard<std::mutex> hold(scene.guard);
    EXPECT_EQ(scene.results, std::vector<int>({5, 5}));
}

TEST(LB_SSubSocket, SendToAClientThatHasGoneFailsWithoutASignal) {
    StdoutCapture capture;
    Scene scene;
    scene.body = [&](LB_SSubSocket* client, int) {
        // Wait for the client's end, then send until the reset fails a send.
        scene.record(receiveOne(client));
        const std::string chunk(1024, 'q');
        int sent = 0;
        const auto deadline = Clock::now() + 10s;
        while (sent >= 0 && Clock::now() < deadline) {
            sent = client->send(chunk.data(), static_cast<int>(chunk.size()), 0);
        }
        scene.record(sent);
    };
    auto server = startServer(&scene);
    ASSERT_NE(server, nullptr);
    RawSocket client = RawSocket::connectTcp(server->port(), 10s);
    ASSERT_TRUE(client.valid());
    client.close();
    ASSERT_TRUE(scene.returned.waitFor(1, 10s));
    {
        std::lock_guard<std::mutex> hold(scene.guard);
        ASSERT_EQ(scene.results.size(), 2u);
        EXPECT_EQ(scene.results[0], 0);
        EXPECT_LT(scene.results[1], 0);
    }
    EXPECT_EQ(capture.count("did not send data: LB_SSubSocket::send\n"), 1);
}

TEST(LB_SSubSocket, ReceiveAllEndsWithMinusOneWhenTheClientClosesMidway) {
    StdoutCapture capture;
    Scene scene;
    scene.body = [&](LB_SSubSocket* client, int) {
        char buffer[10] = {};
        scene.record(client->receiveAll(buffer, sizeof buffer, 1));
        scene.record(client->peerClosed() ? 1 : 0);
    };
    auto server = startServer(&scene);
    ASSERT_NE(server, nullptr);
    RawSocket client = RawSocket::connectTcp(server->port(), 10s);
    ASSERT_TRUE(client.sendText("abc"));
    client.close();
    ASSERT_TRUE(scene.returned.waitFor(1, 10s));
    std::lock_guard<std::mutex> hold(scene.guard);
    EXPECT_EQ(scene.results, std::vector<int>({-1, 1}));
}

TEST(LB_SSubSocket, ReceiveWithoutWaitingAsksHowManyBytesWait) {
    StdoutCapture capture;
    Scene scene;
    scene.body = [&](LB_SSubSocket* client, int) {
        char buffer[4] = {};
        scene.record(client->receive(buffer, sizeof buffer, 0));
    };
    auto server = startServer(&scene);
    ASSERT_NE(server, nullptr);
    RawSocket client = RawSocket::connectTcp(server->port(), 10s);
    ASSERT_TRUE(scene.returned.waitFor(1, 10s));
    std::lock_guard<std::mutex> hold(scene.guard);
    EXPECT_EQ(scene.results, std::vector<int>({0}));
}

TEST(LB_SSubSocket, StopListeningReturnsAfterTheLoopEnded) {
    StdoutCapture capture;
    Scene scene;
    auto server = startServer(&scene);
    ASSERT_NE(server, nullptr);
    const int port = server->port();
    server->stopListening();
    EXPECT_TRUE(refused(port));
    EXPECT_EQ(scene.entered.value(), 0);

    // The loop has let go of the lock: a new server starts at once.
    const auto start = Clock::now();
    ASSERT_EQ(server->openTcpServer(0, 0, runScene, &scene), 1);
    EXPECT_LT(Clock::now() - start, 10s);
    RawSocket client = RawSocket::connectTcp(server->port(), 10s);
    EXPECT_TRUE(scene.entered.waitFor(1, 10s));
    EXPECT_EQ(capture.count("Sleep 10"), 0);
    EXPECT_EQ(capture.count("Got a bad socket"), 0);
}

// A loop running on the calling thread ends when another thread or the
// handler itself stops the listener.
TEST(LB_SSubSocket, StopListeningEndsALoopRunningOnTheCallingThread) {
    for (const bool byHandler : {false, true}) {
        SCOPED_TRACE(byHandler ? "stopped by the handler" : "stopped by another thread");
        StdoutCapture capture;
        Scene scene;
        if (byHandler) {
            scene.body = [](LB_SSubSocket* client, int) { client->owner()->stopListening(); };
        }
        LB_Socket server;
        ASSERT_TRUE(server.setLocalAddress("127.0.0.1"));
        const int port = RawSocket::freeTcpPort();
        EventCounter returned;
        std::atomic<int> result{-2};
        std::thread caller([&] {
            result = server.openTcpServer(port, 1, runScene, &scene);
            returned.add();
        });
        RawSocket client = RawSocket::connectTcp(port, 10s);
        EXPECT_TRUE(scene.returned.waitFor(1, 10s)) << "the loop never served a client";
        if (!byHandler) {
            EXPECT_FALSE(returned.waitFor(1, 0ms));
            server.stopListening();
        }
        if (!returned.waitFor(1, 10s)) {
            ADD_FAILURE() << "the stop did not end the loop";
            server.stopListening();
        }
        caller.join();
        EXPECT_EQ(result.load(), 1);
        EXPECT_TRUE(refused(port));
        EXPECT_TRUE(client.seesEndOfStream(10s));
    }
}

// Clients that never send keep their handlers blocked in receive; ending the
// server must wake each one, wait for it and destroy its sub-socket.
void connectSilentClients(LB_Socket& server, Scene& scene, std::vector<RawSocket>* clients) {
    for (int i = 0; i < 3; ++i) {
        clients->push_back(RawSocket::connectTcp(server.port(), 10s));
        ASSERT_TRUE(clients->back().valid());
        ASSERT_TRUE(scene.entered.waitFor(i + 1, 10s));
    }
}

TEST(LB_SSubSocket, DestroyingTheServerEndsClientsBlockedInReceive) {
    StdoutCapture capture;
    Scene scene;
    scene.body = [&](LB_SSubSocket* client, int) { scene.record(receiveOne(client)); };
    auto server = startServer(&scene);
    ASSERT_NE(server, nullptr);
    std::vector<RawSocket> clients;
    connectSilentClients(*server, scene, &clients);
    EXPECT_FALSE(scene.returned.waitFor(1, 50ms));

    const auto start = Clock::now();
    server.reset();
    EXPECT_LT(Clock::now() - start, 10s);
    EXPECT_EQ(scene.returned.value(), 3) << "a handler outlived its server";
    {
        std::lock_guard<std::mutex> hold(scene.guard);
        EXPECT_EQ(scene.results, std::vector<int>({0, 0, 0}));
    }
    for (RawSocket& client : clients) {
        EXPECT_TRUE(client.seesEndOfStream(10s));
    }
    EXPECT_EQ(capture.count("Sleep 100 in LB_SSubSocket::~LB_SSubSocket\n"), 3);
    EXPECT_EQ(capture.count(kDeleting), 3);
    EXPECT_EQ(capture.count("Sleep 10 in LB_Socket::blockLoopNlisten\n"), 1);
    const std::string last = "Sleep 100 in LB_Socket::~LB_Socket\n";
    const std::string text = capture.text();
    ASSERT_GE(text.size(), last.size());
    EXPECT_EQ(text.substr(text.size() - last.size()), last);
    EXPECT_EQ(capture.count(last), 1);
}

TEST(LB_SSubSocket, CloseEndsTheListenerAndEveryClient) {
    StdoutCapture capture;
    Scene scene;
    scene.body = [&](LB_SSubSocket* client, int) { scene.record(receiveOne(client)); };
    auto server = startServer(&scene);
    ASSERT_NE(server, nullptr);
    const int port = server->port();
    std::vector<RawSocket> clients;
    connectSilentClients(*server, scene, &clients);

    server->close();
    EXPECT_EQ(scene.returned.value(), 3);
    EXPECT_EQ(capture.count(kDeleting), 3);
    EXPECT_TRUE(refused(port));
    EXPECT_FALSE(server->isOpen());
    EXPECT_EQ(server->mode(), LB_Socket::kNone);
    // Still serving: the loop ended through its stop request, quietly.
    EXPECT_EQ(capture.count("Sleep 10 in LB_Socket::blockLoopNlisten\n"), 0);
    EXPECT_EQ(capture.count("Got a bad socket"), 0);
}

// The handler woken by close() goes on using its sub-socket; the owner waits
// for it before the sub-socket is destroyed.
TEST(LB_SSubSocket, HandlerWokenByCloseMayStillUseItsSubSocket) {
    StdoutCapture capture;
    Scene scene;
    scene.body = [&](LB_SSubSocket* client, int) {
        scene.record(receiveOne(client));
        scene.record(client->send("bye", 3, 0));
        scene.record(client->peerClosed() ? 1 : 0);
    };
    auto server = startServer(&scene);
    ASSERT_NE(server, nullptr);
    RawSocket client = RawSocket::connectTcp(server->port(), 10s);
    ASSERT_TRUE(scene.entered.waitFor(1, 10s));
    server->close();
    EXPECT_EQ(scene.returned.value(), 1);
    {
        std::lock_guard<std::mutex> hold(scene.guard);
        ASSERT_EQ(scene.results.size(), 3u);
        EXPECT_EQ(scene.results[0], 0);
        EXPECT_LT(scene.results[1], 0);
        EXPECT_EQ(scene.results[2], 1);
    }
    const std::string text = capture.text();
    const size_t failedSend = text.find("did not send data: LB_SSubSocket::send\n");
    const size_t destroyed = text.find("LB_SSubSocket::~LB_SSubSocket() in process ");
    const size_t waited = text.find("Sleep 100 in LB_SSubSocket::~LB_SSubSocket\n");
    const size_t deleted = text.find(kDeleting + std::to_string(client.port()) + "\n");
    ASSERT_NE(deleted, std::string::npos) << text;
    EXPECT_LT(failedSend, destroyed) << "the handler ran on while its sub-socket was destroyed";
    EXPECT_LT(destroyed, waited);
    EXPECT_LT(waited, deleted);
}

TEST(LB_SSubSocket, HandlerMayCloseItsOwner) {
    StdoutCapture capture;
    Scene scene;
    scene.body = [&](LB_SSubSocket* client, int index) {
        if (index == 0) {
            scene.record(receiveOne(client));
            return;
        }
        client->owner()->close();
    };
    auto server = startServer(&scene);
    ASSERT_NE(server, nullptr);
    RawSocket first = RawSocket::connectTcp(server->port(), 10s);
    ASSERT_TRUE(scene.entered.waitFor(1, 10s));
    RawSocket second = RawSocket::connectTcp(server->port(), 10s);
    ASSERT_TRUE(scene.returned.waitFor(2, 10s));
    ASSERT_TRUE(capture.waitForCount(kDeleting, 2, 10s));
    EXPECT_TRUE(first.seesEndOfStream(10s));
    EXPECT_TRUE(second.seesEndOfStream(10s));
    std::lock_guard<std::mutex> hold(scene.guard);
    EXPECT_EQ(scene.results, std::vector<int>({0}));
}

TEST(LB_SSubSocket, ManyClientsComingAndGoingAreAllServedAndDestroyed) {
    constexpr int kClients = 40;
    StdoutCapture capture;
    Scene scene;
    scene.body = [&](LB_SSubSocket* client, int) { scene.record(receiveOne(client)); };
    auto server = startServer(&scene);
    ASSERT_NE(server, nullptr);
    for (int i = 0; i < kClients; ++i) {
        RawSocket client = RawSocket::connectTcp(server->port(), 10s);
        ASSERT_TRUE(client.valid());
        ASSERT_TRUE(client.sendText("y"));
        ASSERT_TRUE(scene.entered.waitFor(i + 1, 10s));
    }
    ASSERT_TRUE(scene.returned.waitFor(kClients, 10s));
    ASSERT_TRUE(capture.waitForCount(kDeleting, kClients, 10s));
    server.reset();
    EXPECT_EQ(capture.count(kDeleting), kClients);
    EXPECT_EQ(capture.count("creating LB_SubSocket::LB_SubSocket\n"), kClients);
}

TEST(LB_SSubSocket, TheOwnerDestroysTheSubSocketsInItsList) {
    RawSocket listener = RawSocket::listenTcp();
    RawSocket far = RawSocket::connectTcp(listener.port(), 10s);
    RawSocket near = listener.accept(10s);
    ASSERT_TRUE(near.valid());
    StdoutCapture capture;
    LB_Socket owner;
    // The sub-socket takes the descriptor over; the owner destroys it.
    auto* sub = new LB_SSubSocket(near.release(), &owner, nullptr, nullptr);
    EXPECT_EQ(sub->owner(), &owner);
    EXPECT_EQ(sub->peerAddress(), "");
    owner.close();
    EXPECT_TRUE(far.seesEndOfStream(10s));
    EXPECT_EQ(capture.text(), "creating LB_SubSocket::LB_SubSocket\n"
                              "LB_SSubSocket::~LB_SSubSocket() in process " +
                                  std::to_string(getpid()) + " " + std::to_string(gettid()) +
                                  "\nDeleting LB_SubSocket::LB_SubSocket\n");
}

} // namespace

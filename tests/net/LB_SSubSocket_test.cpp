// The TCP server with a handler: its listener, the per-client sub-sockets and
// their threads, and how they end.
#include "net/LB_SSubSocket.h"
#include "net/LB_Socket.h"

#include "tests/net/NetTest.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

namespace {

using namespace nettest;
using testsupport::EventCounter;

const std::string kDeleting = "Deleting LB_SubSocket::LB_SubSocket for client ip:127.0.0.1 port ";
const std::string kWaited = "Sleep 100 in LB_SSubSocket::~LB_SSubSocket\n";
const std::string kSendFailed = "did not send data: LB_SSubSocket::send\n";
const std::string kLoopSlept = "Sleep 10 in LB_Socket::blockLoopNlisten\n";
const std::string kCreating = "creating LB_SubSocket::LB_SubSocket\n";
const std::string kDestroying = "LB_SSubSocket::~LB_SSubSocket() in process ";

// What the handlers see and do; handed to them as the user data. Handler i is
// the i-th called.
struct Scene {
    std::function<void(LB_SSubSocket*, int)> body = [](LB_SSubSocket*, int) {};
    EventCounter entered, returned, step;
    std::mutex guard;
    std::set<std::thread::id> threads;
    std::map<int, std::vector<int>> results;
    int calls = 0;

    void record(int index, int result) {
        std::lock_guard<std::mutex> hold(guard);
        results[index].push_back(result);
    }
    std::vector<int> of(int index) {
        std::lock_guard<std::mutex> hold(guard);
        return results[index];
    }
};

void runScene(LB_SSubSocket* client, void* userData) {
    auto* scene = static_cast<Scene*>(userData);
    int index = 0;
    {
        std::lock_guard<std::mutex> hold(scene->guard);
        scene->threads.insert(std::this_thread::get_id());
        index = scene->calls++;
    }
    scene->entered.add();
    scene->body(client, index);
    scene->returned.add();
}

std::unique_ptr<LB_Socket> startServer(Scene* scene) {
    auto server = std::make_unique<LB_Socket>();
    const bool ok =
        server->setLocalAddress("127.0.0.1") && server->openTcpServer(0, 0, runScene, scene) == 1;
    return ok ? std::move(server) : nullptr;
}

int receiveOne(LB_SSubSocket* client) {
    char byte = 0;
    return client->receive(&byte, 1, 1);
}

// Connects `count` clients, each once the handler of the one before has started.
std::vector<Raw> connectClients(int port, Scene& scene, int count) {
    std::vector<Raw> clients;
    for (int i = 0; i < count && scene.entered.waitFor(i, 10s); ++i) {
        clients.push_back(Raw::connect(port));
    }
    EXPECT_TRUE(scene.entered.waitFor(count, 10s));
    return clients;
}

// Three handlers alive together, each on its own thread: one echoes, one sees
// its client close mid-receiveAll, one finds nothing waiting and then sends to a
// client that has gone. Then 40 clients come and go, and all are destroyed.
TEST(LB_SSubSocket, ServesEachClientOnItsOwnThread) {
    StdoutCapture capture;
    Scene scene;
    scene.body = [&](LB_SSubSocket* client, int i) {
        char buffer[10] = {};
        if (i >= 3 || !scene.entered.waitFor(3, 10s)) {
            scene.record(i, i >= 3 ? receiveOne(client) : -9);
            return;
        }
        if (i == 0) {
            scene.record(i, client->receiveAll(buffer, 5, 1));
            scene.record(i, client->send(buffer, 5, 0));
        } else if (i == 1) {
            scene.record(i, client->receiveAll(buffer, sizeof buffer, 1));
            scene.record(i, client->peerClosed());
        } else {
            scene.record(i, client->receive(buffer, 4, 0));
            scene.step.add();
            scene.record(i, receiveOne(client));
            const std::string chunk(1024, 'q');
            int sent = 0;
            for (const auto end = std::chrono::steady_clock::now() + 10s;
                 sent >= 0 && std::chrono::steady_clock::now() < end;) {
                sent = client->send(chunk.data(), static_cast<int>(chunk.size()), 0);
            }
            scene.record(i, sent < 0);
        }
    };
    auto server = startServer(&scene);
    ASSERT_NE(server, nullptr);
    EXPECT_FALSE(server->isOpen());
    std::vector<Raw> clients = connectClients(server->port(), scene, 3);
    ASSERT_EQ(clients.size(), 3u);
    std::vector<std::string> ports;
    for (const Raw& client : clients) {
        ports.push_back(std::to_string(client.port()));
    }
    ASSERT_TRUE(clients[0].send("ec") && clients[0].send("hoo"));
    EXPECT_EQ(clients[0].receive(5), "echoo");
    ASSERT_TRUE(clients[1].send("abc"));
    clients[1].close();
    ASSERT_TRUE(scene.step.waitFor(1, 10s));
    clients[2].close();
    for (int i = 3; i < 43; ++i) {
        ASSERT_TRUE(Raw::connect(server->port()).send("y"));
        ASSERT_TRUE(scene.entered.waitFor(i + 1, 10s));
    }
    ASSERT_TRUE(scene.returned.waitFor(43, 10s));
    ASSERT_TRUE(capture.waitForCount(kDeleting, 43));
    EXPECT_TRUE(clients[0].seesEnd()) << "the sub-socket was not destroyed";
    EXPECT_EQ(scene.of(0), std::vector<int>({5, 5}));
    EXPECT_EQ(scene.of(1), std::vector<int>({-1, 1}));
    EXPECT_EQ(scene.of(2), std::vector<int>({0, 0, 1}));
    EXPECT_EQ(scene.of(42), std::vector<int>({1}));
    EXPECT_GE(scene.threads.size(), 3u);
    EXPECT_EQ(scene.threads.count(std::this_thread::get_id()), 0u);
    EXPECT_EQ(capture.count(kCreating), 43);
    EXPECT_EQ(capture.count(kDestroying + std::to_string(getpid()) + " "), 43);
    EXPECT_EQ(capture.count(kSendFailed), 1);
    EXPECT_EQ(capture.count(kWaited), 0) << "each handler returned by itself";
    const std::string text = capture.text();
    for (int i = 0; i < 3; ++i) {
        const std::string& port = ports[static_cast<size_t>(i)];
        const size_t connected = text.find("127.0.0.1:" + port + " connected\n");
        EXPECT_EQ(capture.count("127.0.0.1:" + port + " connected\n"), 1);
        EXPECT_EQ(capture.count(kDeleting + port + "\n"), 1);
        EXPECT_LT(text.find(kCreating), connected);
        EXPECT_LT(connected, text.find(kDeleting + port + "\n"));
    }
}

// The listening loop, on its own thread or on the caller's, ends when another
// thread or a handler stops it, and lets go: the port is refused and a new
// server starts at once.
TEST(LB_SSubSocket, StopListeningEndsTheLoop) {
    for (const int who : {0, 1, 2}) {
        SCOPED_TRACE(who == 0 ? "own thread" : who == 1 ? "stopped by a thread" : "by a handler");
        StdoutCapture capture;
        Scene scene;
        if (who == 2) {
            scene.body = [](LB_SSubSocket* client, int) { client->owner()->stopListening(); };
        }
        LB_Socket server;
        ASSERT_TRUE(server.setLocalAddress("127.0.0.1"));
        const int port = testsupport::freePort();
        Async loop([&] { return server.openTcpServer(port, who == 0 ? 0 : 1, runScene, &scene); },
                   [&] { server.stopListening(); });
        Raw client = Raw::connect(port);
        EXPECT_TRUE(scene.returned.waitFor(1, 10s)) << "the loop never served a client";
        EXPECT_EQ(loop.doneWithin(who == 1 ? 0ms : 10s), who != 1);
        if (who != 2) {
            server.stopListening();
        }
        EXPECT_EQ(loop.result(), 1);
        EXPECT_FALSE(Raw::connect(port, 0ms).valid());
        EXPECT_TRUE(client.seesEnd());
        ASSERT_EQ(server.openTcpServer(0, 0, runScene, &scene), 1);
        ASSERT_TRUE(Raw::connect(server.port()).valid());
        EXPECT_TRUE(scene.entered.waitFor(2, 10s));
        EXPECT_EQ(capture.count(kLoopSlept) + capture.count("Got a bad socket"), 0);
    }
}

// Ending the server wakes every handler blocked in receive; a woken handler
// may still use its sub-socket, and the owner waits for it before destroying it.
TEST(LB_SSubSocket, EndingTheServerEndsEveryClient) {
    for (const int how : {0, 1, 2}) {
        SCOPED_TRACE(how == 0 ? "destroyed" : how == 1 ? "closed" : "closed by a handler");
        StdoutCapture capture;
        Scene scene;
        scene.body = [&](LB_SSubSocket* client, int i) {
            if (i == 3) {
                client->owner()->close();
                return;
            }
            scene.record(i, receiveOne(client));
            scene.record(i, client->send("bye", 3, 0) < 0);
            scene.record(i, client->peerClosed());
        };
        auto server = startServer(&scene);
        ASSERT_NE(server, nullptr);
        const int port = server->port();
        std::vector<Raw> clients = connectClients(port, scene, how == 2 ? 4 : 3);
        EXPECT_FALSE(how != 2 && scene.returned.waitFor(1, 50ms));
        how == 0 ? server.reset() : how == 1 ? server->close() : void();
        ASSERT_TRUE(scene.returned.waitFor(how == 2 ? 4 : 3, 10s)) << "a handler outlived it";
        ASSERT_TRUE(capture.waitForCount(kDeleting, how == 2 ? 4 : 3));
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(scene.of(i), std::vector<int>({0, 1, 1}));
            EXPECT_TRUE(clients[static_cast<size_t>(i)].seesEnd());
        }
        EXPECT_EQ(capture.count(kWaited), 3);
        EXPECT_FALSE(Raw::connect(port, 0ms).valid());
        const std::string text = capture.text();
        EXPECT_LT(text.find(kSendFailed), text.find(kDestroying)) << "ran on past its destruction";
        EXPECT_LT(text.find(kDestroying), text.find(kWaited));
        EXPECT_LT(text.find(kWaited), text.find(kDeleting));
        if (how == 0) {
            EXPECT_EQ(capture.count(kLoopSlept), 1);
            EXPECT_TRUE(text.ends_with("Sleep 100 in LB_Socket::~LB_Socket\n"));
            EXPECT_EQ(capture.count("Sleep 100 in LB_Socket::~LB_Socket\n"), 1);
        } else {
            EXPECT_FALSE(server->isOpen());
            EXPECT_EQ(server->mode(), LB_Socket::kNone);
            EXPECT_EQ(capture.count(kLoopSlept) + capture.count("Got a bad socket"), 0);
        }
    }
}

TEST(LB_SSubSocket, TheOwnerDestroysTheSubSocketsInItsList) {
    Raw listener = Raw::listener();
    Raw far = Raw::connect(listener.port());
    Raw near = listener.accept();
    ASSERT_TRUE(near.valid());
    StdoutCapture capture;
    LB_Socket owner;
    auto* sub = new LB_SSubSocket(std::exchange(near.fd, -1), &owner, nullptr, nullptr);
    EXPECT_EQ(sub->owner(), &owner);
    EXPECT_EQ(sub->peerAddress(), "");
    owner.close();
    EXPECT_TRUE(far.seesEnd());
    EXPECT_EQ(capture.text(), kCreating + kDestroying + std::to_string(getpid()) + " " +
                                  std::to_string(gettid()) +
                                  "\nDeleting LB_SubSocket::LB_SubSocket\n");
}

} // namespace

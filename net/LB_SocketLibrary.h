#pragma once

#include <mutex>

// Process-wide bookkeeping of the socket library's users. Each LB_Socket
// registers at construction and deregisters at destruction; the first user
// starts the library, the last one shuts it down. POSIX sockets need no
// start-up, so starting always succeeds, but the flags and the count are kept
// so that their rules hold wherever the family runs. Any thread.
class LB_SocketLibrary {
public:
    // Starts the library when needed and counts one user; false (nothing
    // counted) when the library could not be started.
    static bool addUser();
    // Drops one user; the last one shuts the library down, clearing the
    // started flag and the count.
    static void removeUser();

    static int userCount();
    static bool started();
    static bool startSucceeded();

private:
    struct State {
        std::mutex guard;
        bool started = false;
        bool succeeded = false;
        int users = 0;
    };
    static State& state();
};

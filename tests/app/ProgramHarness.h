#pragma once

#include "inputs/StateRecord.h"

#include "tests/support/ChildProcess.h"
#include "tests/support/ScriptedHttpServer.h"
#include "tests/support/TempDir.h"

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

// Xlib's types, without its macros (None, Bool, Status) that would break the
// test framework's headers: suites include X11 after gtest.
struct _XDisplay;

namespace programtest {

// What the whole-program suites share: it starts the program and its helpers
// (fleet-sim, the web server) as child processes, watches them, finds the
// program's window on the X server and asks it to close, and reads the
// snapshots the program writes.
//
// The harness owns every process it spawned and the web server it started:
// its destructor kills and reaps what still runs and stops the server, so a
// failing test leaves nothing behind. One thread (the test's). Failures are
// reported by results (0, false, an empty record list), never by exceptions.
class ProgramHarness {
public:
    using Window = unsigned long; // an X window id
    using Duration = std::chrono::milliseconds;
    static constexpr const char* kMainTitle = "Tarnell Map App Version 0.10 - ";

    using Exit = testsupport::ChildProcess::Exit;

    ProgramHarness();
    ~ProgramHarness();
    ProgramHarness(const ProgramHarness&) = delete;
    ProgramHarness& operator=(const ProgramHarness&) = delete;

    // Starts arguments[0] (searched in PATH) with its standard output and error
    // appended to `log` ("" keeps the test's own error stream and drops the
    // output). Returns the child's pid, or -1.
    pid_t spawn(const std::vector<std::string>& arguments, const std::string& log = "");
    // Runs a command to its end with its standard output written to `output`.
    Exit run(const std::vector<std::string>& arguments, const std::string& output,
             Duration limit = Duration(30000));
    // Whether the child still runs; once it has ended its exit is kept.
    bool running(pid_t child);
    Exit waitExit(pid_t child, Duration limit);
    // SIGTERM, then SIGKILL when it has not ended within two seconds.
    Exit stop(pid_t child);

    // The X server of DISPLAY, opened at the first use; null without one.
    _XDisplay* display();
    // The top-level windows whose title starts with `prefix`; by default the
    // main window's title.
    std::vector<Window> programWindows(const std::string& prefix = kMainTitle);
    // Waits for a window of a process (by the _NET_WM_PID that FLTK sets);
    // 0 when none came in time.
    Window waitForWindow(pid_t program, Duration limit = Duration(30000),
                         const std::string& prefix = kMainTitle);
    // Sends the window manager's close request (WM_DELETE_WINDOW).
    void requestClose(Window window);

    // What closing a program's window gave: whether the window was found and
    // how the program ended.
    struct Closed {
        bool found = false;
        Exit exit;
    };
    // Waits for the program's main window, sends it the close request and
    // waits up to ten seconds for the program to end: a limit that only a
    // hang reaches, on a busy machine and under the sanitizers too.
    Closed closeWindow(pid_t program, Duration windowLimit = Duration(10000));

    // Serves `root` on 127.0.0.1:port with scripts/web-server; the scratch
    // folder is the harness's own. Stopped again by stopWebServer or the
    // destructor.
    bool startWebServer(const std::string& root, int port);
    bool stopWebServer();
    // Requests the web server logged so far (lines of its access log).
    int webRequestCount() const;

    // A port on 127.0.0.1 free at this moment, for a stream or datagram socket.
    static int freePort(int socketType);
    static std::string readAll(const std::string& path);
    // The records of a snapshot in file order; empty when the file is missing
    // or lacks either marker line.
    static std::vector<inputs::StateRecord> snapshotRecords(const std::string& path);
    static std::map<int, inputs::StateRecord> snapshotById(const std::string& path);
    // Same records in the same order (identifiers, positions as written,
    // report times, statuses, comments and names; the age is left out).
    static bool sameRecords(const std::vector<inputs::StateRecord>& a,
                            const std::vector<inputs::StateRecord>& b);

    // A display's configuration in `folder` (created): the node file, the
    // input/output definitions and a master file naming them, the port file
    // (one group) when `port` is above 0, and `more` master lines. Returns the
    // master file's path.
    static std::string writeDisplay(const std::filesystem::path& folder, const std::string& nodes,
                                    const std::string& io, const std::string& group = "",
                                    int port = 0, const std::string& more = "");

    // fleet-sim's arguments for a burst: `count` reports of vehicles `ids`
    // ("0-7") sent to group:port at `rate` datagrams per second, their times
    // starting at `startTime` (UTC seconds).
    static std::vector<std::string> fleetSim(const std::string& group, int port,
                                             const std::string& ids, int seed, long startTime,
                                             int count, int rate);

    // What a datagram carries, read by the display's own parser (the suites run
    // in UTC), as the program writes it into a snapshot.
    struct Sent {
        int id = -1;
        std::string comment1;
        std::string comment2;
        std::string latitude; // "%f" of the decimal degrees
        std::string longitude;
        long seconds = 0; // the ZDA time in UTC
        int milliseconds = 0;
    };
    // The newest report of each vehicle among the datagrams, one per line.
    static std::map<int, Sent> newestReports(const std::string& datagrams);

    // Polls `condition` every 20 ms until it holds or `limit` has passed.
    template <typename Condition> static bool waitFor(Condition condition, Duration limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return true;
    }

private:
    std::map<pid_t, std::unique_ptr<testsupport::ChildProcess>> children_;
    _XDisplay* display_ = nullptr;
    testsupport::TempDir scratch_;
    std::unique_ptr<testsupport::WebServer> webServer_;
};

} // namespace programtest

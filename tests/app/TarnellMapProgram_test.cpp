// The program as users run it, in a real X server (xvfb-run): it starts on a
// configuration, reports its GL implementation, shows its titled window, and
// a close request from the window system ends it at once with status 0.
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

// After the test framework: X's macros (None, Bool) would break its headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const char* const kTitlePrefix = "Tarnell Map App Version 0.10 - ";

// Finds a top-level window by the start of its title.
Window findWindow(Display* display, Window parent, const std::string& prefix) {
    Window root = 0;
    Window parentOut = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, parent, &root, &parentOut, &children, &count)) {
        return 0;
    }
    Window found = 0;
    for (unsigned int i = 0; i < count && found == 0; ++i) {
        char* name = nullptr;
        if (XFetchName(display, children[i], &name) && name != nullptr) {
            if (std::string(name).rfind(prefix, 0) == 0) {
                found = children[i];
            }
            XFree(name);
        }
        if (found == 0) {
            found = findWindow(display, children[i], prefix);
        }
    }
    if (children != nullptr) {
        XFree(children);
    }
    return found;
}

void requestClose(Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

std::string readAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream out;
    out << in.rdbuf();
    return out.str();
}

class TarnellMapProgram : public ::testing::Test {
protected:
    void SetUp() override {
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr) << "no X server: run under xvfb-run";
        dir.write("nodes.txt", "1 One\n2 Two\n");
        dir.write("ports.txt", "fleet 239.255.9.9 25999\n");
        config = dir.write("site.cfg", "NodeFile nodes.txt\nPortFile ports.txt\n");
    }
    void TearDown() override {
        if (child > 0) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
        }
        if (display != nullptr) {
            XCloseDisplay(display);
        }
    }
    void start() {
        child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Started from elsewhere: the program enters the configuration's folder.
            chdir("/");
            freopen("/dev/null", "w", stdout);
            execl(TARNELL_MAP_PATH, TARNELL_MAP_PATH, config.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    Window waitForWindow() {
        const auto deadline = Clock::now() + 30s;
        while (Clock::now() < deadline) {
            const Window window = findWindow(display, DefaultRootWindow(display), kTitlePrefix);
            if (window != 0) {
                return window;
            }
            std::this_thread::sleep_for(50ms);
        }
        return 0;
    }

    testsupport::TempDir dir;
    std::string config;
    Display* display = nullptr;
    pid_t child = -1;
};

TEST_F(TarnellMapProgram, StartsReportsAndClosesCleanly) {
    start();
    const Window window = waitForWindow();
    ASSERT_NE(window, 0u);

    // The first frame writes the GL report beside the configuration.
    const std::string report = (dir.path() / "ttt.txt").string();
    const auto deadline = Clock::now() + 30s;
    while (readAll(report).find("extensions are") == std::string::npos && Clock::now() < deadline) {
        std::this_thread::sleep_for(50ms);
    }
    const std::string text = readAll(report);
    EXPECT_EQ(text.rfind("in glDrawSurface::draw vender is ", 0), 0u) << text;
    EXPECT_NE(text.find("\nin glDrawSurface::draw renderer is "), std::string::npos);
    EXPECT_NE(text.find("\nin glDrawSurface::draw version is "), std::string::npos);
    EXPECT_NE(text.find("\nin glDrawSurface::draw extensions are "), std::string::npos);

    XWindowAttributes attributes{};
    ASSERT_TRUE(XGetWindowAttributes(display, window, &attributes));
    EXPECT_EQ(attributes.width, 837);
    EXPECT_EQ(attributes.height, 877);

    // A close request while the remote timer is armed ends the program
    // within a second, with status 0.
    requestClose(display, window);
    const auto closeStart = Clock::now();
    int status = -1;
    while (waitpid(child, &status, WNOHANG) == 0 && Clock::now() - closeStart < 5s) {
        std::this_thread::sleep_for(10ms);
    }
    const auto took = Clock::now() - closeStart;
    ASSERT_TRUE(WIFEXITED(status)) << "still running or killed";
    child = -1;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_LT(took, 1s);
}

} // namespace

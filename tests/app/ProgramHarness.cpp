#include "tests/app/ProgramHarness.h"

#include "inputs/PacketParser.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>

namespace programtest {

namespace {

void collectTitled(Display* display, Window parent, const std::string& prefix,
                   std::vector<Window>& found) {
    Window root = 0;
    Window parentOut = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, parent, &root, &parentOut, &children, &count)) {
        return;
    }
    for (unsigned int i = 0; i < count; ++i) {
        char* name = nullptr;
        if (XFetchName(display, children[i], &name) && name != nullptr) {
            if (std::string(name).rfind(prefix, 0) == 0) {
                found.push_back(children[i]);
            }
            XFree(name);
        }
    }
    if (children != nullptr) {
        XFree(children);
    }
}

long windowPid(Display* display, Window window) {
    const Atom property = XInternAtom(display, "_NET_WM_PID", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    long pid = -1;
    if (XGetWindowProperty(display, window, property, 0, 1, False, XA_CARDINAL, &type, &format,
                           &count, &remaining, &data) == Success &&
        data != nullptr && format == 32 && count == 1) {
        pid = *reinterpret_cast<long*>(data);
    }
    if (data != nullptr) {
        XFree(data);
    }
    return pid;
}

// Windows vanish between a query and the next request when a program ends;
// that is no error for the suites.
int ignoreXErrors(Display*, XErrorEvent*) {
    return 0;
}

} // namespace

ProgramHarness::ProgramHarness() = default;

ProgramHarness::~ProgramHarness() {
    children_.clear();
    stopWebServer();
    if (display_ != nullptr) {
        XCloseDisplay(display_);
    }
}

pid_t ProgramHarness::spawn(const std::vector<std::string>& arguments, const std::string& log) {
    if (arguments.empty()) {
        return -1;
    }
    auto child = std::make_unique<testsupport::ChildProcess>();
    const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    if (!child->start(arguments[0], rest, log.empty() ? "/dev/null" : log)) {
        return -1;
    }
    const pid_t pid = child->pid();
    children_[pid] = std::move(child);
    return pid;
}

ProgramHarness::Exit ProgramHarness::run(const std::vector<std::string>& arguments,
                                         const std::string& output, Duration limit) {
    if (arguments.empty()) {
        return Exit{};
    }
    const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    const testsupport::ChildProcess::Outcome outcome =
        testsupport::ChildProcess::run(arguments[0], rest, limit);
    std::ofstream(output, std::ios::binary) << outcome.out;
    Exit result;
    result.ended = !outcome.timedOut;
    result.exited = outcome.exited;
    result.status = outcome.status;
    return result;
}

bool ProgramHarness::running(pid_t child) {
    const auto known = children_.find(child);
    return known != children_.end() && known->second->running();
}

ProgramHarness::Exit ProgramHarness::waitExit(pid_t child, Duration limit) {
    const auto known = children_.find(child);
    return known == children_.end() ? Exit{} : known->second->waitExit(limit);
}

ProgramHarness::Closed ProgramHarness::closeWindow(pid_t program, Duration windowLimit) {
    Closed closed;
    const Window window = waitForWindow(program, windowLimit);
    closed.found = window != 0;
    if (!closed.found) {
        return closed;
    }
    requestClose(window);
    closed.exit = waitExit(program, Duration(10000));
    return closed;
}

ProgramHarness::Exit ProgramHarness::stop(pid_t child) {
    const auto known = children_.find(child);
    return known == children_.end() ? Exit{} : known->second->stop();
}

_XDisplay* ProgramHarness::display() {
    if (display_ == nullptr) {
        display_ = XOpenDisplay(nullptr);
        XSetErrorHandler(ignoreXErrors);
    }
    return display_;
}

std::vector<ProgramHarness::Window> ProgramHarness::programWindows(const std::string& prefix) {
    std::vector<Window> found;
    if (display() != nullptr) {
        collectTitled(display_, DefaultRootWindow(display_), prefix, found);
    }
    return found;
}

ProgramHarness::Window ProgramHarness::waitForWindow(pid_t program, Duration limit,
                                                     const std::string& prefix) {
    Window found = 0;
    waitFor(
        [&] {
            for (Window window : programWindows(prefix)) {
                if (windowPid(display_, window) == program) {
                    found = window;
                    return true;
                }
            }
            return false;
        },
        limit);
    return found;
}

void ProgramHarness::requestClose(Window window) {
    if (display() == nullptr) {
        return;
    }
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, window, False, NoEventMask, &event);
    XFlush(display_);
}

bool ProgramHarness::startWebServer(const std::string& root, int port) {
    webServer_ = std::make_unique<testsupport::WebServer>(root, port, scratch_.file("web"));
    return webServer_->started();
}

bool ProgramHarness::stopWebServer() {
    webServer_.reset();
    return true;
}

int ProgramHarness::webRequestCount() const {
    return webServer_ ? webServer_->requestCount() : 0;
}

int ProgramHarness::freePort(int socketType) {
    const int fd = socket(AF_INET, socketType, 0);
    if (fd < 0) {
        return 0;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    close(fd);
    return port;
}

std::string ProgramHarness::readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream out;
    out << in.rdbuf();
    return out.str();
}

std::vector<inputs::StateRecord> ProgramHarness::snapshotRecords(const std::string& path) {
    std::istringstream lines(readAll(path));
    std::string line;
    std::vector<inputs::StateRecord> records;
    bool opened = false;
    while (std::getline(lines, line)) {
        if (!opened) {
            opened = line == "<rvx>";
            continue;
        }
        if (line == "</rvx>") {
            return records;
        }
        inputs::StateRecord record;
        if (record.parse(line.c_str())) {
            records.push_back(record);
        }
    }
    return {};
}

std::map<int, inputs::StateRecord> ProgramHarness::snapshotById(const std::string& path) {
    std::map<int, inputs::StateRecord> byId;
    for (const inputs::StateRecord& record : snapshotRecords(path)) {
        byId[record.id] = record;
    }
    return byId;
}

std::string ProgramHarness::writeDisplay(const std::filesystem::path& folder,
                                         const std::string& nodes, const std::string& io,
                                         const std::string& group, int port,
                                         const std::string& more) {
    std::filesystem::create_directories(folder);
    auto write = [&](const char* name, const std::string& text) {
        std::ofstream((folder / name).string(), std::ios::binary) << text;
    };
    std::string master = "NodeFile nodes.txt\nWWWFile io.txt\n";
    write("nodes.txt", nodes);
    write("io.txt", io);
    if (port > 0) {
        write("ports.txt", "fleet " + group + " " + std::to_string(port) + "\n");
        master += "PortFile ports.txt\n";
    }
    write("site.cfg", master + more);
    return (folder / "site.cfg").string();
}

std::vector<std::string> ProgramHarness::fleetSim(const std::string& group, int port,
                                                  const std::string& ids, int seed, long startTime,
                                                  int count, int rate) {
    return {FLEET_SIM_PATH,
            "--group",
            group,
            "--port",
            std::to_string(port),
            "--ids",
            ids,
            "--seed",
            std::to_string(seed),
            "--start-time",
            std::to_string(startTime),
            "--count",
            std::to_string(count),
            "--total-rate",
            std::to_string(rate),
            "--silent-fraction",
            "0"};
}

std::map<int, ProgramHarness::Sent> ProgramHarness::newestReports(const std::string& datagrams) {
    std::map<int, Sent> newest;
    std::istringstream lines(datagrams);
    for (std::string line; std::getline(lines, line);) {
        inputs::PositionReport report;
        if (!inputs::PacketParser::parse(line.data(), report)) {
            continue;
        }
        Sent sent;
        sent.id = report.id;
        sent.comment1 = report.comment1;
        sent.comment2 = report.comment2;
        char degrees[64];
        std::snprintf(degrees, sizeof degrees, "%f", report.latitude);
        sent.latitude = degrees;
        std::snprintf(degrees, sizeof degrees, "%f", report.longitude);
        sent.longitude = degrees;
        sent.seconds = static_cast<long>(report.reportTime.time);
        sent.milliseconds = report.reportTime.millitm;
        const auto known = newest.find(sent.id);
        if (known == newest.end() || known->second.seconds < sent.seconds ||
            (known->second.seconds == sent.seconds &&
             known->second.milliseconds <= sent.milliseconds)) {
            newest[sent.id] = sent;
        }
    }
    return newest;
}

bool ProgramHarness::sameRecords(const std::vector<inputs::StateRecord>& a,
                                 const std::vector<inputs::StateRecord>& b) {
    auto same = [](const inputs::StateRecord& x, const inputs::StateRecord& y) {
        return x.id == y.id && x.latitude == y.latitude && x.longitude == y.longitude &&
               x.seconds == y.seconds && x.milliseconds == y.milliseconds && x.status == y.status &&
               x.comment1 == y.comment1 && x.comment2 == y.comment2 && x.name == y.name;
    };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), same);
}

} // namespace programtest

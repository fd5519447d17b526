// The program as users run it, on the virtual X server and in a private network namespace: a
// few scenarios, each one run checked on many points.
#include "inputs/PacketParser.h"
#include "inputs/StateRecord.h"

#include "tests/support/ChildProcess.h"
#include "tests/support/MulticastSender.h"
#include "tests/support/ScriptedHttpServer.h"
#include "tests/support/TempDir.h"
#include "tests/support/ZoneGuard.h"

#include <gtest/gtest.h>

// After the test framework: X's macros (None, Bool) would break its headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <regex>
#include <sstream>
#include <thread>

namespace {

using namespace std::chrono_literals;
using testsupport::ChildProcess;
using testsupport::ScriptedHttpServer;
using Records = std::map<int, inputs::StateRecord>;

constexpr const char* kGroup = "239.255.6.7";
constexpr long kStart = 1750000000;
const std::string kOut = "Active Output LOCAL_STATE\nOutput LocalStateFile snap.txt\n";

template <typename Condition> bool waitFor(Condition condition, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

std::string read(const std::string& path) {
    return testsupport::TempDir::read(path);
}

// A record as a snapshot line, the age left out.
std::string line(const inputs::StateRecord& r) {
    return inputs::StateRecord::format(r.id, r.latitude, r.longitude, r.seconds, r.milliseconds,
                                       r.status, 0.0, r.comment1.c_str(), r.comment2.c_str(),
                                       r.name.c_str());
}

// A snapshot's records in file order; none while either marker line is missing.
std::vector<inputs::StateRecord> snapshot(const std::string& path) {
    std::istringstream lines(read(path));
    std::vector<inputs::StateRecord> records;
    std::string text;
    while (std::getline(lines, text) && text != "<rvx>") {
    }
    while (std::getline(lines, text)) {
        if (text == "</rvx>") {
            return records;
        }
        records.emplace_back();
        if (!records.back().parse(text.c_str())) {
            records.pop_back();
        }
    }
    return {};
}

std::string listing(const std::string& path) {
    std::string text;
    for (const inputs::StateRecord& record : snapshot(path)) {
        text += line(record);
    }
    return text;
}

Records byId(const std::string& path) {
    Records records;
    for (const inputs::StateRecord& record : snapshot(path)) {
        records[record.id] = record;
    }
    return records;
}

// The newest report of each vehicle among datagrams (one a line), read by the display's parser.
Records newest(const std::string& datagrams) {
    Records found;
    std::istringstream lines(datagrams);
    for (std::string text; std::getline(lines, text);) {
        inputs::PositionReport report;
        if (!inputs::PacketParser::parse(text.data(), report)) {
            continue;
        }
        inputs::StateRecord& r = found[report.id];
        const auto seconds = static_cast<int32_t>(report.reportTime.time);
        if (r.seconds * 1000LL + r.milliseconds <= seconds * 1000LL + report.reportTime.millitm) {
            r = {
                report.id, report.latitude, report.longitude, seconds, report.reportTime.millitm, 0,
                0.0,       report.comment1, report.comment2,  ""};
        }
    }
    return found;
}

// Whether a snapshot holds each report's time.
bool holds(const std::string& path, const Records& reports) {
    Records records = byId(path);
    for (const auto& [id, r] : reports) {
        if (records[id].seconds != r.seconds || records[id].milliseconds != r.milliseconds) {
            return false;
        }
    }
    return true;
}

int freePort(int socketType) {
    const int fd = socket(AF_INET, socketType, 0);
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

std::vector<std::string> fleetSim(int port, const char* ids, int seed, long start, int count,
                                  int rate) {
    return {"--group",
            kGroup,
            "--port",
            std::to_string(port),
            "--ids",
            ids,
            "--seed",
            std::to_string(seed),
            "--start-time",
            std::to_string(start),
            "--count",
            std::to_string(count),
            "--total-rate",
            std::to_string(rate),
            "--silent-fraction",
            "0"};
}

// What fleet-sim would send, one datagram a line.
std::string dryRun(std::vector<std::string> arguments) {
    arguments.insert(arguments.end(), {"--dry-run", "--max-rate"});
    return ChildProcess::run(FLEET_SIM_PATH, arguments).out;
}

std::string sendBurst(const std::vector<std::string>& arguments) {
    EXPECT_EQ(ChildProcess::run(FLEET_SIM_PATH, arguments).status, 0);
    return dryRun(arguments);
}

class Program : public ::testing::Test {
protected:
    ~Program() override {
        children.clear();
        if (display != nullptr) {
            XCloseDisplay(display);
        }
    }

    // A display's files in `folder` (nodes, definitions, ports when port > 0, preferences when
    // given, the master file naming them), started from "/": it enters the master's folder.
    pid_t start(const std::string& folder, const std::string& nodes, const std::string& io,
                int port = 0, const std::string& preferences = "") {
        std::filesystem::create_directories(dir.path() / folder);
        dir.write(folder + "/nodes.txt", nodes);
        dir.write(folder + "/io.txt", io);
        std::string master = "NodeFile nodes.txt\nWWWFile io.txt\n";
        if (port > 0) {
            dir.write(folder + "/ports.txt",
                      "fleet " + std::string(kGroup) + " " + std::to_string(port) + "\n");
            master += "PortFile ports.txt\n";
        }
        if (!preferences.empty()) {
            dir.write(folder + "/prefs.txt", preferences);
            master += "PreferenceFile prefs.txt\n";
        }
        return spawn(TARNELL_MAP_PATH, {dir.write(folder + "/site.cfg", master)},
                     dir.file(folder + "/output.txt"));
    }
    pid_t spawn(const std::string& program, std::vector<std::string> arguments,
                const std::string& log = "/dev/null") {
        auto child = std::make_unique<ChildProcess>();
        arguments.insert(arguments.begin(), {"-C", "/", program});
        child->start("env", arguments, log);
        return children.emplace(child->pid(), std::move(child)).first->first;
    }
    bool running(pid_t child) { return children.at(child)->running(); }

    // The main window of a process (by _NET_WM_PID); 0 when none came.
    Window window(pid_t program) {
        Window found = 0;
        display = display != nullptr ? display : XOpenDisplay(nullptr);
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; }); // windows vanish
        waitFor(
            [&] {
                Window root = 0, parent = 0, *windows = nullptr;
                unsigned int count = 0;
                XQueryTree(display, DefaultRootWindow(display), &root, &parent, &windows, &count);
                for (unsigned int i = 0; i < count && found == 0; ++i) {
                    char* name = nullptr;
                    Atom type = 0;
                    int format = 0;
                    unsigned long n = 0, left = 0;
                    unsigned char* pid = nullptr;
                    if (XFetchName(display, windows[i], &name) && name != nullptr &&
                        std::string(name).rfind("Tarnell Map App Version", 0) == 0 &&
                        XGetWindowProperty(
                            display, windows[i], XInternAtom(display, "_NET_WM_PID", False), 0, 1,
                            False, XA_CARDINAL, &type, &format, &n, &left, &pid) == Success &&
                        n == 1 && *reinterpret_cast<long*>(pid) == program) {
                        found = windows[i];
                    }
                    XFree(pid);
                    XFree(name);
                }
                XFree(windows);
                return found != 0;
            },
            30s);
        return found;
    }

    // The window system's close request (WM_DELETE_WINDOW) ends it with status 0 within 10 s.
    void expectCloses(pid_t program) {
        const Window main = window(program);
        ASSERT_NE(main, 0u) << "no window";
        XEvent event{};
        event.xclient = {ClientMessage,
                         0,
                         False,
                         display,
                         main,
                         XInternAtom(display, "WM_PROTOCOLS", False),
                         32,
                         {}};
        event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", 0));
        XSendEvent(display, main, False, NoEventMask, &event);
        XFlush(display);
        const ChildProcess::Exit exit = children.at(program)->waitExit(10s);
        EXPECT_TRUE(exit.exited && exit.status == 0) << exit.ended << " status " << exit.status;
    }

    testsupport::ZoneGuard zone{"UTC"};
    testsupport::TempDir dir;
    std::map<pid_t, std::unique_ptr<ChildProcess>> children;
    Display* display = nullptr;
};

// fleet-sim into display A, whose snapshots (every field sent, in node file order) a real web
// server serves to B and the file itself gives to C; B keeps its records while the server is
// away and takes A's new ones when it is back; at exit A's port says what it took.
TEST_F(Program, FleetRelayedOverHttpAndAFile) {
    const int port = freePort(SOCK_DGRAM);
    const int http = freePort(SOCK_STREAM);
    std::filesystem::create_directories(dir.path() / "www");
    auto web = std::make_unique<testsupport::WebServer>(dir.file("www"), http, dir.file("web"));
    ASSERT_TRUE(web->started());
    const std::string snapA = dir.file("www/snap.txt");
    const std::string snapB = dir.file("b/snap.txt");
    // Vehicles 0 to 7 report, 12 never does; idle limits far away keep the statuses.
    const pid_t a = start("a",
                          "5 Vehicle 5\n0 Vehicle 0\n7 Vehicle 7\n12 Quiet One\n3 Vehicle 3\n"
                          "1 Vehicle 1\n2 Vehicle 2\n4 Vehicle 4\n6 Vehicle 6\n",
                          "Active Input MULTICAST\nActive Output LOCAL_STATE\n"
                          "Output LocalStateFile " +
                              snapA + "\n",
                          port, "alert mediumIdle 100000\nalert badIdle 200000\n");
    const pid_t b = start("b", "7 Seven\n2 Two\n",
                          "Active Input REMOTE_STATE\nInput RemoteIp 127.0.0.1\nInput RemotePort " +
                              std::to_string(http) + "\nInput RemoteStateFile /snap.txt\n" + kOut);
    const pid_t c = start("c", "7 Seven\n2 Two\n",
                          "Active Input LOCAL_STATE\nInput LocalStateFile " + snapA + "\n" + kOut);
    ASSERT_TRUE(waitFor([&] { return !snapshot(snapA).empty(); }, 20s)); // the group is joined
    const Records sent = newest(sendBurst(fleetSim(port, "0-7", 21, kStart, 64, 200)));
    ASSERT_EQ(sent.size(), 8u);
    ASSERT_TRUE(waitFor([&] { return holds(snapA, sent); }, 10s)) << read(snapA);

    // The age (seconds since receipt, three decimals, five characters at least) stands between
    // status and comments.
    std::istringstream lines(read(snapA));
    std::string text;
    ASSERT_TRUE(std::getline(lines, text) && text == "<rvx>") << text;
    for (const int id : {5, 0, 7, 12, 3, 1, 2, 4, 6}) {
        ASSERT_TRUE(std::getline(lines, text));
        char head[160] = "$012,0.000000,0.000000,0,0,2,";
        std::string tail = ",,,Quiet One*";
        if (id != 12) {
            const inputs::StateRecord& r = sent.at(id);
            std::snprintf(head, sizeof head, "$%03d,%f,%f,%d,%d,0,", id, r.latitude, r.longitude,
                          r.seconds, r.milliseconds);
            tail = "," + r.comment1 + "," + r.comment2 + ",Vehicle " + std::to_string(id) + "*";
        }
        const std::regex age("^((?:[^,]*,){6})[0-9]+\\.[0-9]{3},");
        EXPECT_EQ(std::regex_replace(text, age, "$1age,"), head + std::string("age") + tail);
    }
    ASSERT_TRUE(std::getline(lines, text) && text == "</rvx>") << text;

    // B (first poll 10 s after its start) and C list the nodes they know first, then the others
    // in A's order, all with A's fields and names.
    const auto followed = [&] {
        Records now = byId(snapA);
        std::string expected = line(now[7]) + line(now[2]);
        for (const int id : {5, 0, 12, 3, 1, 4, 6}) {
            expected += line(now[id]);
        }
        return expected;
    };
    std::string expected = followed();
    for (const std::string& follower : {snapB, dir.file("c/snap.txt")}) {
        EXPECT_TRUE(waitFor([&] { return listing(follower) == expected; }, 25s))
            << follower << "\n"
            << listing(follower) << "expected\n"
            << expected;
    }
    EXPECT_GE(web->requestCount(), 1);

    web.reset();
    const Records moved = newest(sendBurst(fleetSim(port, "0-7", 22, kStart + 600, 64, 200)));
    ASSERT_TRUE(waitFor([&] { return holds(snapA, moved); }, 10s));
    EXPECT_FALSE(waitFor([&] { return listing(snapB) != expected || !running(b); }, 11s))
        << "B lost its records while the server was away:\n"
        << listing(snapB);
    web = std::make_unique<testsupport::WebServer>(dir.file("www"), http, dir.file("web"));
    ASSERT_TRUE(web->started());
    expected = followed();
    EXPECT_TRUE(waitFor([&] { return listing(snapB) == expected; }, 15s)) << listing(snapB);

    for (const pid_t program : {c, b, a}) {
        expectCloses(program);
    }
    // Each of the 128 datagrams was received or lost, and a loss is counted.
    const std::regex traffic("Port fleet " + std::string(kGroup) + ":" + std::to_string(port) +
                             ": ([0-9]+) datagrams received, [0-9]+ dropped \\(queue full\\), "
                             "([0-9]+) lost in the system \\(receive buffer full\\)\n");
    const std::string output = read(dir.file("a/output.txt"));
    std::smatch counts;
    ASSERT_TRUE(std::regex_search(output, counts, traffic)) << output;
    EXPECT_EQ(std::stoi(counts[1]) + std::stoi(counts[2]), 128) << output;
}

// A flood of garbage (cut, oversized, random, not finite, unknown vehicles, older reports)
// leaves the records as they were and the receiver delivering; a close request while packets
// keep arriving ends the program cleanly.
TEST_F(Program, GarbageFloodThenCloseWhilePacketsArrive) {
    const int port = freePort(SOCK_DGRAM);
    std::string nodes;
    for (int id = 0; id < 10; ++id) {
        nodes += std::to_string(id) + " Vehicle " + std::to_string(id) + "\n";
    }
    const std::string snap = dir.file("d/snap.txt");
    const pid_t d = start("d", nodes, "Active Input MULTICAST\n" + kOut, port,
                          "alert mediumIdle 100000\nalert badIdle 200000\n");
    ASSERT_TRUE(waitFor([&] { return !snapshot(snap).empty(); }, 20s));
    const std::string good = sendBurst(fleetSim(port, "0-7", 31, kStart, 48, 200));
    ASSERT_TRUE(waitFor([&] { return holds(snap, newest(good)); }, 10s));
    const Records was = byId(snap);

    std::mt19937 random(33);
    const auto bytes = [&](std::size_t size) {
        std::string noise(size, '\0');
        for (char& c : noise) {
            c = static_cast<char>(random());
        }
        return noise;
    };
    std::vector<std::string> garbage;
    std::istringstream goodLines(good);
    for (std::string text; std::getline(goodLines, text);) {
        garbage.push_back(text.substr(0, random() % text.size())); // dropped, or the same
        garbage.push_back(text + std::string(65000, '9'));
    }
    std::istringstream older(dryRun(fleetSim(port, "0-7", 32, kStart - 3600, 48, 200)));
    for (std::string text; std::getline(older, text);) {
        garbage.push_back(text);
        garbage.push_back("5000" + text.substr(text.find(',')));
        const std::size_t gll = text.find("$GPGLL,") + 7;
        garbage.push_back(text.replace(gll, text.find(',', gll) - gll, "nan"));
    }
    for (int i = 0; i < 200; ++i) {
        garbage.insert(garbage.end(), {bytes(1 + random() % 1400), std::string(248 + i % 4, 'Z'),
                                       "$GPZDA,$GPGLL,*,*,$,,,,"});
    }
    for (int i = 0; i < 20; ++i) {
        garbage.push_back(bytes(65000));
    }
    testsupport::MulticastSender sender(kGroup, port);
    const auto flood = std::chrono::steady_clock::now();
    for (int sent = 0; sent <= 2000 || std::chrono::steady_clock::now() - flood < 1500ms;) {
        for (const std::string& datagram : garbage) {
            sender.send(datagram);
            ++sent;
        }
    }
    // Vehicle 9's report after the flood, sent again while the receive queue may still be full.
    std::string marker = dryRun(fleetSim(port, "9-9", 34, kStart + 60, 1, 1));
    marker.resize(marker.find('\n'));
    ASSERT_TRUE(waitFor([&] { return sender.send(marker) && byId(snap)[9].seconds > 0; }, 10s))
        << "the receiver no longer delivers";
    Records now = byId(snap);
    now[9] = was.at(9);
    for (const auto& [id, record] : was) {
        EXPECT_EQ(line(now[id]), line(record));
    }

    const pid_t stream =
        spawn(FLEET_SIM_PATH, fleetSim(port, "0-7", 23, kStart + 3600, 99999, 400));
    int previous = was.at(0).seconds;
    int advances = 0;
    ASSERT_TRUE(waitFor(
        [&] {
            const int seconds = byId(snap)[0].seconds;
            advances += seconds > previous ? 1 : 0;
            previous = std::max(previous, seconds);
            return advances >= 2;
        },
        10s));
    ASSERT_TRUE(running(stream));
    expectCloses(d);
    EXPECT_TRUE(running(stream)) << "the packets stopped before the close";
}

// Bad configuration files, each run on its own: the program draws a first frame (the GL report
// is written), writes the records it could read when an output is defined, keeps running and
// ends cleanly. Files are "name=text|..." over site.cfg {good}, nodes.txt "1 One\n2 Two\n" and
// io.txt {out} (none when ""); {bin} is 16 KB of random bytes, {huge} a line of a million
// characters, {long} a name of 300, {cut} what a node keeps of it. Records "-": no snapshot.
TEST_F(Program, BadConfigurationsLeaveItRunning) {
    const struct {
        const char* what;
        const char* files;
        const char* records;
    } cases[] = {
        {"no master file", "", "-"},
        {"empty master file", "site.cfg=", "-"},
        {"binary master file", "site.cfg={bin}", "-"},
        {"huge line first", "site.cfg={huge}\n{good}", "1 One;2 Two;"},
        {"misspelt keys",
         "site.cfg=nodefile nodes.txt\nNodeFile\nNODEFILE nodes.txt\n"
         "Colour blue\nWWWFile io.txt\n",
         ""},
        {"named files binary",
         "site.cfg=NodeFile g\nPortFile g\nNodeDefFile g\nMapFile g\n"
         "PreferenceFile g\nWWWFile g\n|g={bin}",
         "-"},
        // The huge line's 255-character pieces are node lines of identifier 0, the first kept.
        {"huge lines",
         "site.cfg={good}PortFile h\nNodeDefFile h\nMapFile h\nPreferenceFile h\n"
         "|h={huge}\n|nodes.txt={huge}\n1 One\n|io.txt={huge}\n{out}",
         "0 ;1 One;"},
        // The long name's remainder reads as a line: identifier 0 again, dropped.
        {"identifiers",
         "nodes.txt=-5 Minus\n1001 Over\n99999999999 Huge\nabc Letters\n7 Seven\n"
         "8 {long}\n1001\n",
         "0 Letters;7 Seven;8 {cut};"},
        {"absurd values",
         "site.cfg={good}PortFile p\n|p=fleet 239.255.6.9 99999\nbad 999.1.2.3 1"
         "\n|io.txt=Active Input MULTICAST\nInput MultiCastBytesPerBuffer -1\n"
         "Input MultiCastBuffersPerPort 0\nInput RemotePort 99999\n"
         "Input RemoteIp {long}\n{out}",
         "1 One;2 Two;"},
        {"buffers beyond memory",
         "site.cfg={good}PortFile p\n|p=fleet 239.255.6.9 5599\n"
         "|io.txt=Active Input MULTICAST\n"
         "Input MultiCastBuffersPerPort 2000000000\n{out}",
         "1 One;2 Two;"},
        {"missing images",
         "site.cfg={good}MapFile m\nNodeDefFile n\nPreferenceFile t\n"
         "|m=nothere.sgi -116 -114 34 36 0 100\n"
         "|n=Dflt alsonothere.sgi 5 5 5 1 0 0 1 0 0 1 0 0 on\n"
         "|t=track mode roam\n",
         "1 One;2 Two;"},
    };
    std::mt19937 random(7);
    std::string binary(16384, '\0');
    for (char& c : binary) {
        c = static_cast<char>(random());
    }
    const std::pair<const char*, std::string> marks[] = {
        {"{bin}", binary},
        {"{huge}", std::string(1000000, 'x')},
        {"{long}", std::string(300, 'n')},
        {"{cut}", std::string(127, 'n')},
        {"{good}", "NodeFile nodes.txt\nWWWFile io.txt\n"},
        {"{out}", kOut}};
    const auto expand = [&](std::string text) {
        for (const auto& [mark, by] : marks) {
            for (std::size_t at; (at = text.find(mark)) != std::string::npos;) {
                text.replace(at, std::strlen(mark), by);
            }
        }
        return text;
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].what);
        const std::string folder = "case" + std::to_string(i) + "/";
        std::filesystem::create_directories(dir.path() / folder);
        if (cases[i].files[0] != '\0') {
            dir.write(folder + "site.cfg", expand("{good}"));
            dir.write(folder + "nodes.txt", "1 One\n2 Two\n");
            dir.write(folder + "io.txt", kOut);
        }
        std::istringstream files(cases[i].files);
        for (std::string file; std::getline(files, file, '|') && !file.empty();) {
            const std::size_t equals = file.find('=');
            dir.write(folder + file.substr(0, equals), expand(file.substr(equals + 1)));
        }
        const pid_t program =
            spawn(TARNELL_MAP_PATH, {dir.file(folder + "site.cfg")}, dir.file(folder + "log"));
        ASSERT_NE(window(program), 0u) << read(dir.file(folder + "log"));
        EXPECT_TRUE(waitFor(
            [&] {
                return read(dir.file(folder + "ttt.txt")).find("extensions are") !=
                       std::string::npos;
            },
            10s))
            << "no frame drawn";
        if (std::string(cases[i].records) != "-") {
            const std::string snap = dir.file(folder + "snap.txt");
            EXPECT_TRUE(
                waitFor([&] { return read(snap).find("</rvx>") != std::string::npos; }, 10s));
            std::string records;
            for (const auto& [id, record] : byId(snap)) {
                records += std::to_string(id) + " " + record.name + ";";
            }
            EXPECT_EQ(records, expand(cases[i].records));
        }
        EXPECT_TRUE(running(program)) << read(dir.file(folder + "log"));
        expectCloses(program);
    }
}

// Each server's first answer brings three good records; its second brings nonsense (random
// bytes, broken lines around one good record, a line a byte per 100 ms, a reset), which changes
// nothing but that one record; a close ends the program even while a fetch trickles on.
TEST_F(Program, NonsenseFromWebServersLeavesRecordsIntact) {
    const std::string good =
        "$001,35.100000,-115.100000,1750000000,250,0,1.500,Convoy A,Leg 1,Alpha*\n"
        "$002,35.200000,-115.200000,1750000001,500,1,6.000,Convoy A,Leg 2,Bravo*\n"
        "$003,35.300000,-115.300000,1750000002,750,2,12.000,Convoy B,Leg 3,Charlie*\n";
    const std::string moved = "$002,36.000000,-116.000000,1750000100,0,0,2.000,Moved,On,Bravo*";
    std::mt19937 random(41);
    std::string noise(65536, '\0');
    for (char& c : noise) {
        c = static_cast<char>(random());
    }
    const std::string broken = "HTTP/1.0 500 Oops\r\n\r\n<rvx>\n" + std::string(5000, 'L') +
                               "\n$001,abc,-115.1,1750000000,0,0,1.0,x,y,z*\n"
                               "$001,1e999,-115.1,1750000000,0,0,1.0,x,y,z*\n"
                               "$5000,35.0,-115.0,1750000000,0,0,1.0,x,y,z*\n" +
                               noise.substr(0, 300) + "\n" + moved + "\n$003,36.5,-116.5,17500";
    const auto script = [&](std::string then) {
        return [then, good](int client, int number, const std::string&,
                            const std::atomic<bool>& stopping) {
            const std::string header = "HTTP/1.0 200 OK\r\n\r\n<rvx>\n";
            if (number == 1) {
                ScriptedHttpServer::writeAll(client, header + good + "</rvx>\n");
            } else if (then == "reset") {
                const linger abort{1, 0};
                setsockopt(client, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
            } else if (then == "trickle") {
                ScriptedHttpServer::writeAll(client, header);
                const std::string slow = "$001,37.0,-117.0,1750000200,0,0,1.0,Slow,Line,Alpha*\n";
                for (std::size_t i = 0; !stopping; i = (i + 1) % slow.size()) {
                    ScriptedHttpServer::writeAll(client, slow.substr(i, 1));
                    std::this_thread::sleep_for(100ms);
                }
            } else {
                ScriptedHttpServer::writeAll(client, then);
            }
        };
    };
    std::string expected;
    std::string afterBroken;
    std::istringstream lines(good);
    for (std::string text; std::getline(lines, text);) {
        inputs::StateRecord record;
        ASSERT_TRUE(record.parse(text.c_str()));
        expected += line(record);
        ASSERT_TRUE(record.id != 2 || record.parse(moved.c_str()));
        afterBroken += line(record);
    }
    const std::string peers[] = {"garbage", "broken", "trickle", "reset"};
    const std::string answers[] = {noise, broken, "trickle", "reset"};
    std::vector<std::unique_ptr<ScriptedHttpServer>> servers;
    std::vector<pid_t> programs;
    for (std::size_t i = 0; i < std::size(peers); ++i) {
        servers.push_back(std::make_unique<ScriptedHttpServer>(script(answers[i])));
        programs.push_back(start(peers[i], "1 One\n2 Two\n3 Three\n",
                                 "Active Input REMOTE_STATE\nInput RemoteIp 127.0.0.1\n"
                                 "Input RemotePort " +
                                     std::to_string(servers[i]->port()) +
                                     "\nInput RemoteStateFile /state.txt\n" + kOut));
    }
    for (std::size_t i = 0; i < std::size(peers); ++i) { // the first poll 10 s after the start
        SCOPED_TRACE(peers[i]);
        const std::string snap = dir.file(peers[i] + "/snap.txt");
        EXPECT_TRUE(waitFor([&] { return listing(snap) == expected; }, 20s)) << listing(snap);
    }
    for (std::size_t i = 0; i < std::size(peers); ++i) {
        SCOPED_TRACE(peers[i]);
        const std::string snap = dir.file(peers[i] + "/snap.txt");
        ASSERT_TRUE(waitFor(
            [&] { return i == 2 ? servers[i]->accepted() >= 2 : servers[i]->answered() >= 2; },
            20s));
        // Two more snapshots: whatever the second answer brought has been applied.
        std::error_code error;
        auto stamp = std::filesystem::last_write_time(snap, error);
        int writes = 0;
        ASSERT_TRUE(waitFor(
            [&] {
                const auto now = std::filesystem::last_write_time(snap, error);
                writes += now != stamp ? 1 : 0;
                stamp = now;
                return writes >= 2;
            },
            10s));
        EXPECT_TRUE(running(programs[i])) << read(dir.file(peers[i] + "/output.txt"));
        EXPECT_EQ(listing(snap), i == 1 ? afterBroken : expected);
    }
    ASSERT_EQ(servers[2]->answered(), 1); // still trickling
    for (const pid_t program : programs) {
        expectCloses(program);
    }
}

} // namespace

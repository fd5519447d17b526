// The program as users run it, on the virtual X server and in a private network namespace: a
// few scenarios, each one run checked on many points.
#include "inputs/PacketParser.h"
#include "inputs/StateBlock.h"
#include "inputs/StateRecord.h"

#include "tests/support/ChildProcess.h"
#include "tests/support/FreePort.h"
#include "tests/support/MulticastSender.h"
#include "tests/support/ScriptedHttpServer.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/ZoneGuard.h"

#include <gtest/gtest.h>

// After the test framework: X's macros (None, Bool) would break its headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstring>
#include <filesystem>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <regex>
#include <sstream>
#include <thread>

namespace {

using namespace std::chrono_literals;
using testsupport::ChildProcess;
using testsupport::freePort;
using testsupport::ScriptedHttpServer;
using testsupport::waitUntil;
using Records = std::map<int, inputs::StateRecord>;

constexpr const char* kGroup = "239.255.6.7";
constexpr long kStart = 1750000000;
const std::string kOut = "Active Output LOCAL_STATE\nOutput LocalStateFile snap.txt\n";
const std::string kFarIdle = "alert mediumIdle 100000\nalert badIdle 200000\n";

std::string read(const std::string& path) {
    return testsupport::TempDir::read(path);
}

// A record as a snapshot line, the age left out.
std::string line(const inputs::StateRecord& r) {
    return inputs::StateRecord::format(r.id, r.latitude, r.longitude, r.seconds, r.milliseconds,
                                       r.status, 0.0, r.comment1.c_str(), r.comment2.c_str(),
                                       r.name.c_str());
}

// A snapshot's records (none while it lacks its end): as lines in file order, and by id.
std::pair<std::string, Records> snapshot(const std::string& path) {
    std::istringstream lines(read(path));
    inputs::StateBlock block;
    std::pair<std::string, Records> found;
    for (std::string text; std::getline(lines, text);) {
        inputs::StateRecord r;
        const inputs::StateBlock::Step step = block.take(text);
        if (step == inputs::StateBlock::kEnded) {
            return found;
        }
        if (step == inputs::StateBlock::kRecord && r.parse(text.c_str())) {
            found.first += line(r);
            found.second[r.id] = r;
        }
    }
    return {};
}

std::string listing(const std::string& path) {
    return snapshot(path).first;
}

// The newest report of each vehicle among datagrams (one a line), read by the display's parser.
Records newest(const std::string& datagrams) {
    Records found;
    std::istringstream lines(datagrams);
    for (std::string text; std::getline(lines, text);) {
        inputs::PositionReport p;
        if (!inputs::PacketParser::parse(text.data(), p)) {
            continue;
        }
        inputs::StateRecord& r = found[p.id];
        const auto seconds = static_cast<int32_t>(p.reportTime.time);
        if (r.seconds * 1000LL + r.milliseconds <= seconds * 1000LL + p.reportTime.millitm) {
            r = {p.id, p.latitude, p.longitude, seconds,    p.reportTime.millitm,
                 0,    0.0,        p.comment1,  p.comment2, ""};
        }
    }
    return found;
}

// Whether a snapshot holds each report's time.
bool holds(const std::string& path, const Records& reports) {
    Records records = snapshot(path).second;
    return std::all_of(reports.begin(), reports.end(), [&](const auto& report) {
        const inputs::StateRecord& r = records[report.first];
        return r.seconds == report.second.seconds && r.milliseconds == report.second.milliseconds;
    });
}

std::vector<std::string> fleetSim(int port, const char* ids, int seed, long start, int count,
                                  int rate) {
    char text[256];
    std::snprintf(text, sizeof text,
                  "--group %s --port %d --ids %s --seed %d --start-time %ld --count %d "
                  "--total-rate %d --silent-fraction 0",
                  kGroup, port, ids, seed, start, count, rate);
    std::istringstream words(text);
    return {std::istream_iterator<std::string>(words), std::istream_iterator<std::string>()};
}

// What fleet-sim sends, one datagram a line; sent too unless `dry`.
std::string datagrams(std::vector<std::string> arguments, bool dry = false) {
    EXPECT_TRUE(dry || ChildProcess::run(FLEET_SIM_PATH, arguments).status == 0);
    arguments.insert(arguments.end(), {"--dry-run", "--max-rate"});
    return ChildProcess::run(FLEET_SIM_PATH, arguments).out;
}

class Program : public ::testing::Test {
protected:
    ~Program() override {
        children.clear();
        if (display != nullptr) {
            XCloseDisplay(display);
        }
    }

    // A display's files in `folder` (nodes, definitions, ports when given, preferences, the
    // master file), started from "/": it enters the master file's folder.
    pid_t start(const std::string& folder, const std::string& nodes, const std::string& io,
                const std::string& ports = "", const std::string& preferences = "") {
        std::filesystem::create_directories(dir.path() / folder);
        dir.write(folder + "/nodes.txt", nodes);
        dir.write(folder + "/io.txt", io);
        dir.write(folder + "/prefs.txt", preferences);
        dir.write(folder + "/ports.txt", ports);
        const std::string master = "NodeFile nodes.txt\nWWWFile io.txt\nPreferenceFile prefs.txt\n";
        return spawn(TARNELL_MAP_PATH,
                     {dir.write(folder + "/site.cfg",
                                master + (ports.empty() ? "" : "PortFile ports.txt\n"))},
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

    // The window system's close request (WM_DELETE_WINDOW) to the program's main window (its
    // _NET_WM_PID) ends it with status 0 within 10 s.
    void expectCloses(pid_t program) {
        display = display != nullptr ? display : XOpenDisplay(nullptr);
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; }); // windows vanish
        const auto atom = [&](const char* name) { return XInternAtom(display, name, False); };
        XEvent close{};
        close.xclient = {ClientMessage, 0, False, display, 0, atom("WM_PROTOCOLS"), 32, {}};
        close.xclient.data.l[0] = static_cast<long>(atom("WM_DELETE_WINDOW"));
        ASSERT_TRUE(waitUntil(
            [&] {
                Window root = 0, parent = 0, *windows = nullptr;
                unsigned int count = 0;
                XQueryTree(display, DefaultRootWindow(display), &root, &parent, &windows, &count);
                for (unsigned int i = 0; i < count && close.xclient.window == 0; ++i) {
                    char* name = nullptr;
                    Atom type = 0;
                    int format = 0;
                    unsigned long n = 0, left = 0;
                    unsigned char* pid = nullptr;
                    if (XFetchName(display, windows[i], &name) && name != nullptr &&
                        std::strstr(name, "Tarnell Map App Version") == name &&
                        XGetWindowProperty(display, windows[i], atom("_NET_WM_PID"), 0, 1, False,
                                           XA_CARDINAL, &type, &format, &n, &left, &pid) == 0 &&
                        n == 1 && *reinterpret_cast<long*>(pid) == program) {
                        close.xclient.window = windows[i];
                    }
                    XFree(pid);
                    XFree(name);
                }
                XFree(windows);
                return close.xclient.window != 0;
            },
            30s))
            << "no window";
        XSendEvent(display, close.xclient.window, False, NoEventMask, &close);
        XFlush(display);
        const ChildProcess::Exit exit = children.at(program)->waitExit(10s);
        EXPECT_TRUE(exit.exited && exit.status == 0) << exit.ended << " status " << exit.status;
    }

    testsupport::ZoneGuard zone{"UTC"};
    testsupport::TempDir dir;
    std::map<pid_t, std::unique_ptr<ChildProcess>> children;
    Display* display = nullptr;
};

// fleet-sim into display A on one port, whose snapshots (every field sent, in node file order)
// nginx serves to B and a scripted server to C. While nginx is away, a flood of garbage on A's
// second port (cut, oversized, random, not finite, unknown vehicles, older reports) changes
// nothing and a report after it still arrives; B keeps its records, and takes A's new ones when
// nginx is back. C's server answers nonsense around one good record, which alone changes, then
// sends a byte per 100 ms. All close while packets arrive; A's first port says what it took.
TEST_F(Program, FleetRelayedThroughFloodOutageAndNonsense) {
    const int port = freePort(SOCK_DGRAM);
    const int noisy = freePort(SOCK_DGRAM);
    const int http = freePort(SOCK_STREAM);
    std::filesystem::create_directories(dir.path() / "www");
    auto web = std::make_unique<testsupport::WebServer>(dir.file("www"), http, dir.file("web"));
    ASSERT_TRUE(web->started());
    const std::string snapA = dir.file("www/snap.txt");
    const std::string snapB = dir.file("b/snap.txt");
    const std::string snapC = dir.file("c/snap.txt");
    std::mt19937 random(41);
    const auto bytes = [&](std::size_t size) {
        std::string noise(size, '\0');
        std::generate(noise.begin(), noise.end(), random);
        return noise;
    };
    const std::string moved = "$002,36.000000,-116.000000,1750000100,0,0,2.000,Moved,On,Bravo*";
    const std::string nonsense =
        "HTTP/1.0 500 Oops\r\n\r\n<rvx>\n" + std::string(5000, 'L') +
        "\n$007,abc,-115.1,1750000000,0,0,1.0,x,y,z*\n$007,1e999,-115.1,1750000000,0,0,1.0,x,y,z*"
        "\n$5000,35.0,-115.0,1750000000,0,0,1.0,x,y,z*\n" +
        bytes(300) + "\n" + moved + "\n" + bytes(65536) + "\n$007,36.5,-116.5,17500";
    std::atomic<int> phase = 0; // A's snapshot, then the nonsense once, then the trickle
    ScriptedHttpServer scripted(
        [&](int client, int, const std::string&, const std::atomic<bool>& stopping) {
            if (phase == 0) {
                ScriptedHttpServer::writeAll(client, "HTTP/1.0 200 OK\r\n\r\n" + read(snapA));
            } else if (phase++ == 1) {
                ScriptedHttpServer::writeAll(client, nonsense);
            } else {
                while (!stopping && ScriptedHttpServer::writeAll(client, "x")) {
                    std::this_thread::sleep_for(100ms);
                }
            }
        });
    // Vehicles 0 to 7 report, 12 only after the flood.
    const std::string group = " " + std::string(kGroup) + " ";
    const pid_t a = start("a",
                          "5 Vehicle 5\n0 Vehicle 0\n7 Vehicle 7\n12 Quiet One\n3 Vehicle 3\n"
                          "1 Vehicle 1\n2 Vehicle 2\n4 Vehicle 4\n6 Vehicle 6\n",
                          "Active Input MULTICAST\nActive Output LOCAL_STATE\n"
                          "Output LocalStateFile " +
                              snapA + "\n",
                          "fleet" + group + std::to_string(port) + "\nnoisy" + group +
                              std::to_string(noisy) + "\n",
                          kFarIdle);
    const auto follower = [&](const char* folder, int from) {
        return start(folder, "7 Seven\n2 Two\n",
                     "Active Input REMOTE_STATE\nInput RemoteIp 127.0.0.1\nInput RemotePort " +
                         std::to_string(from) + "\nInput RemoteStateFile /snap.txt\n" + kOut);
    };
    const pid_t b = follower("b", http);
    const pid_t c = follower("c", scripted.port());
    ASSERT_TRUE(waitUntil([&] { return !listing(snapA).empty(); }, 20s)); // the groups are joined
    const std::string first = datagrams(fleetSim(port, "0-7", 21, kStart, 64, 200));
    Records sent = newest(first);
    ASSERT_EQ(sent.size(), 8u);
    ASSERT_TRUE(waitUntil([&] { return holds(snapA, sent); }, 10s)) << read(snapA);
    const auto inOrder = [&](const Records& records, std::initializer_list<int> ids) {
        std::string text;
        for (const int id : ids) {
            text += line(records.at(id));
        }
        return text;
    };
    for (const int id : {5, 0, 7, 12, 3, 1, 2, 4, 6}) {
        sent[id].id = id;
        sent[id].status = id == 12 ? 2 : 0;
        sent[id].name = id == 12 ? "Quiet One" : "Vehicle " + std::to_string(id);
    }
    EXPECT_EQ(listing(snapA), inOrder(sent, {5, 0, 7, 12, 3, 1, 2, 4, 6}));
    // The age, seconds since receipt to three decimals, stands between status and comments.
    EXPECT_TRUE(std::regex_match(
        read(snapA),
        std::regex("<rvx>\n(\\$[0-9]{3},([^,\n]*,){5}[0-9]+\\.[0-9]{3},[^\n]*\n){9}</rvx>\n")))
        << read(snapA);

    // B and C (first poll 10 s after their start) list the nodes they know first, then the
    // others in A's order, all with A's fields and names.
    const auto followed = [&](const Records& r) {
        return inOrder(r, {7, 2, 5, 0, 12, 3, 1, 4, 6});
    };
    const std::string expected = followed(sent);
    for (const std::string& snap : {snapB, snapC}) {
        EXPECT_TRUE(waitUntil([&] { return listing(snap) == expected; }, 25s)) << listing(snap);
    }
    EXPECT_GE(web->requestCount(), 1);
    phase = 1;
    Records afterNonsense = sent;
    ASSERT_TRUE(afterNonsense[2].parse(moved.c_str()));

    web.reset();
    std::vector<std::string> garbage;
    std::istringstream good(first);
    for (std::string text; std::getline(good, text);) {
        garbage.push_back(text.substr(0, random() % text.size())); // dropped, or the same
        garbage.push_back(text + std::string(65000, '9'));
    }
    std::istringstream older(datagrams(fleetSim(noisy, "0-7", 32, kStart - 3600, 48, 200), true));
    for (std::string text; std::getline(older, text);) {
        garbage.push_back(text);
        garbage.push_back("5000" + text.substr(text.find(',')));
        const std::size_t gll = text.find("$GPGLL,") + 7;
        garbage.push_back(text.replace(gll, text.find(',', gll) - gll, "nan"));
    }
    for (int i = 0; i < 220; ++i) {
        garbage.insert(garbage.end(), {bytes(i < 200 ? 1 + random() % 1400 : 65000),
                                       std::string(248 + i % 4, 'Z'), "$GPZDA,$GPGLL,*,*,"});
    }
    testsupport::MulticastSender sender(kGroup, noisy);
    const auto flood = std::chrono::steady_clock::now();
    for (int count = 0; count <= 2000 || std::chrono::steady_clock::now() - flood < 1500ms;) {
        for (const std::string& datagram : garbage) {
            sender.send(datagram);
            ++count;
        }
    }
    std::string marker = datagrams(fleetSim(noisy, "12-12", 34, kStart + 60, 1, 1), true);
    marker.resize(marker.find('\n')); // sent again while the receive queue may still be full
    ASSERT_TRUE(
        waitUntil([&] { return sender.send(marker) && snapshot(snapA).second[12].seconds; }, 10s))
        << "the receiver no longer delivers";
    sent[12] = snapshot(snapA).second[12];
    EXPECT_EQ(listing(snapA), inOrder(sent, {5, 0, 7, 12, 3, 1, 2, 4, 6}));

    const Records second = newest(datagrams(fleetSim(port, "0-7", 22, kStart + 600, 64, 200)));
    ASSERT_TRUE(waitUntil([&] { return holds(snapA, second); }, 10s));
    EXPECT_FALSE(waitUntil([&] { return listing(snapB) != expected || !running(b); }, 11s))
        << "B lost its records while the server was away:\n"
        << listing(snapB);
    web = std::make_unique<testsupport::WebServer>(dir.file("www"), http, dir.file("web"));
    ASSERT_TRUE(web->started());
    const std::string now = followed(snapshot(snapA).second);
    EXPECT_TRUE(waitUntil([&] { return listing(snapB) == now; }, 15s)) << listing(snapB);
    EXPECT_TRUE(waitUntil([&] { return listing(snapC) == followed(afterNonsense); }, 15s))
        << listing(snapC);
    ASSERT_TRUE(waitUntil([&] { return phase == 3; }, 15s)) << "no trickling fetch";

    const pid_t stream =
        spawn(FLEET_SIM_PATH, fleetSim(noisy, "0-7", 23, kStart + 3600, 99999, 400));
    int previous = second.at(0).seconds;
    int advances = 0;
    ASSERT_TRUE(waitUntil(
        [&] {
            const int seconds = snapshot(snapA).second[0].seconds;
            advances += seconds > previous ? 1 : 0;
            previous = std::max(previous, seconds);
            return advances >= 2;
        },
        10s));
    for (const pid_t program : {c, b, a}) {
        expectCloses(program);
    }
    EXPECT_TRUE(running(stream)) << "the packets stopped before the close";
    // Each of the 128 datagrams on the first port was received or lost, and a loss is counted.
    const std::regex traffic("Port fleet " + std::string(kGroup) + ":" + std::to_string(port) +
                             ": ([0-9]+) datagrams received, [0-9]+ dropped \\(queue full\\), "
                             "([0-9]+) lost in the system \\(receive buffer full\\)\n");
    const std::string output = read(dir.file("a/output.txt"));
    std::smatch counts;
    ASSERT_TRUE(std::regex_search(output, counts, traffic)) << output;
    EXPECT_EQ(std::stoi(counts[1]) + std::stoi(counts[2]), 128) << output;
}

// Bad configuration files, each run on its own: the program draws a first frame (the GL report
// is written), writes the records it could read, keeps running and ends cleanly. Files are
// "name=text|..." over site.cfg {good}, nodes.txt "1 One\n2 Two\n" and io.txt {out} (none at
// all when ""); {bin} is 16 KB of random bytes, {huge} a line of a million characters. Every
// reader's own input is fuzzed; here they run together in the program.
TEST_F(Program, BadConfigurationsLeaveItRunning) {
    const struct {
        const char *what, *files, *records; // "-": no snapshot
    } cases[] = {
        {"no master file", "", "-"},
        {"named files binary",
         "site.cfg=NodeFile g\nPortFile g\nNodeDefFile g\nMapFile g\n"
         "PreferenceFile g\nWWWFile g\n|g={bin}",
         "-"},
        // The huge line's 255-character pieces are node lines of identifier 0, the first kept.
        {"huge lines",
         "site.cfg={huge}\n{good}PortFile h\nNodeDefFile h\nMapFile h\n"
         "PreferenceFile h\n|h={huge}\n|nodes.txt={huge}\n1 One\n|io.txt={huge}\n"
         "{out}",
         "0 ;1 One;"},
        {"buffers beyond memory, images missing",
         "site.cfg={good}PortFile p\nMapFile m\nNodeDefFile n\n|p=fleet 239.255.6.9 5599\n"
         "|io.txt=Active Input MULTICAST\nInput MultiCastBuffersPerPort 2000000000\n{out}"
         "|m=nothere.sgi -116 -114 34 36 0 100\n|n=Dflt alsonothere.sgi 5 5 5 1 0 0 1 0 0 1 0 0 "
         "on\n",
         "1 One;2 Two;"},
    };
    std::mt19937 random(7);
    std::string binary(16384, '\0');
    std::generate(binary.begin(), binary.end(), random);
    const std::pair<const char*, std::string> marks[] = {
        {"{bin}", binary},
        {"{huge}", std::string(1000000, 'x')},
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
        const std::string folder = dir.file("case" + std::to_string(i)) + "/";
        const auto has = [&](const char* file, const char* text) {
            return read(folder + file).find(text) != std::string::npos;
        };
        std::filesystem::create_directories(folder);
        const std::string defaults = "site.cfg={good}|nodes.txt=1 One\n2 Two\n|io.txt={out}|";
        std::istringstream files(*cases[i].files ? defaults + cases[i].files : "");
        for (std::string file; std::getline(files, file, '|');) {
            const std::size_t equals = file.find('=');
            dir.write(folder + file.substr(0, equals), expand(file.substr(equals + 1)));
        }
        const pid_t program = spawn(TARNELL_MAP_PATH, {folder + "site.cfg"}, folder + "log");
        EXPECT_TRUE(waitUntil([&] { return has("ttt.txt", "extensions are"); }, 30s)) << "no frame";
        if (std::string(cases[i].records) != "-") {
            EXPECT_TRUE(waitUntil([&] { return has("snap.txt", "</rvx>"); }, 10s));
            std::string records;
            for (const auto& [id, record] : snapshot(folder + "snap.txt").second) {
                records += std::to_string(id) + " " + record.name + ";";
            }
            EXPECT_EQ(records, cases[i].records);
        }
        EXPECT_TRUE(running(program)) << read(folder + "log");
        expectCloses(program);
    }
}

} // namespace

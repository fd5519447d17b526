// Frame time of the whole display: the application's own frame (tick, follow, map layer, every
// node with its icon and labels) in its 835 x 850 map surface, with 1001 nodes spread over the
// view and one textured map layer under them. Prints the median, 10th and 90th percentile
// milliseconds per frame with labels off and with all three label lines on, and the processor
// time a frame took (all threads); then labels off with every node trailing a full trail of
// 120 reports a second apart, and the heap those trails take. Run it under a virtual X server
// (xvfb-run -a -s "-screen 0 1280x1024x24"); images are made with netpbm.
#include "app/TN_mapWindow.h"
#include "nodes/NodeRecord.h"
#include "nodes/NodeTable.h"
#include "render/glDrawSurface.h"

#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <cmath>
#include <malloc.h>
#include <time.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kNodes = 1001;
constexpr int kFrames = 300;
constexpr int kTrailSeconds = 120;

void writeFile(const fs::path& path, const std::string& text) {
    std::ofstream(path) << text;
}

bool makeImages(const fs::path& dir) {
    const std::string map = "ppmmake rgb:40/80/40 1024 512 | pnmtosgi > '" +
                            (dir / "map.sgi").string() + "' 2>/dev/null";
    const std::string icon =
        "ppmmake rgb:ff/ff/ff 64 64 | pnmtosgi > '" + (dir / "icon.sgi").string() + "' 2>/dev/null";
    return std::system(map.c_str()) == 0 && std::system(icon.c_str()) == 0;
}

void writeConfiguration(const fs::path& dir) {
    std::string nodes;
    for (int id = 0; id < kNodes; ++id) {
        nodes += std::to_string(id) + " Vehicle " + std::to_string(id) + "\n";
    }
    writeFile(dir / "nodes.txt", nodes);
    writeFile(dir / "map.cfg", "map.sgi -116 -114 34 36 0 100\n");
    writeFile(dir / "icons-plain.cfg", "Default icon.sgi 2 3 3 0 1 0 1 1 0 1 0 0 off\n"
                                       "Target icon.sgi 4 4 4 1 1 1 1 1 1 1 1 1 off\n");
    writeFile(dir / "icons-numbered.cfg", "Default icon.sgi 2 3 3 0 1 0 1 1 0 1 0 0 on\n"
                                          "Target icon.sgi 4 4 4 1 1 1 1 1 1 1 1 1 off\n");
    const std::string common = "target id 0\ntarget icon on\ntrack mode roam\n";
    writeFile(dir / "labels-off.txt", common + "comment node off\ncomment mcPacket1 off\n"
                                               "comment mcPacket2 off\n");
    writeFile(dir / "labels-on.txt", common + "comment node on\ncomment mcPacket1 on\n"
                                              "comment mcPacket2 on\n");
    writeFile(dir / "plain.cfg", "NodeFile nodes.txt\nNodeDefFile icons-plain.cfg\n"
                                 "MapFile map.cfg\nPreferenceFile labels-off.txt\n");
    writeFile(dir / "map-only.cfg", "NodeDefFile icons-plain.cfg\nMapFile map.cfg\n"
                                    "PreferenceFile labels-off.txt\n");
    writeFile(dir / "numbered.cfg", "NodeFile nodes.txt\nNodeDefFile icons-numbered.cfg\n"
                                    "MapFile map.cfg\nPreferenceFile labels-off.txt\n");
    writeFile(dir / "commented.cfg", "NodeFile nodes.txt\nNodeDefFile icons-plain.cfg\n"
                                     "MapFile map.cfg\nPreferenceFile labels-on.txt\n");
    writeFile(dir / "labelled.cfg", "NodeFile nodes.txt\nNodeDefFile icons-numbered.cfg\n"
                                    "MapFile map.cfg\nPreferenceFile labels-on.txt\n");
    writeFile(dir / "trails.txt", common +
                                      "comment node off\ncomment mcPacket1 off\n"
                                      "comment mcPacket2 off\ndisplay trail " +
                                      std::to_string(kTrailSeconds) + "\n");
    writeFile(dir / "trails.cfg", "NodeFile nodes.txt\nNodeDefFile icons-plain.cfg\n"
                                  "MapFile map.cfg\nPreferenceFile trails.txt\n");
}

// Spreads the nodes over the view in a jittered grid, with two comments each.
void placeNodes(nodes::NodeTable& table) {
    for (int position = 0; position < kNodes; ++position) {
        nodes::NodeRecord* node = table.recordAt(position);
        if (node == nullptr) {
            return;
        }
        node->longitude = -115.95 + 1.9 * ((position % 32) + 0.5 * ((position / 32) % 2)) / 32.0;
        node->latitude = 34.05 + 1.9 * (position / 32) / 32.0;
        node->everFresh = true;
        node->setComments("Leg 12 northbound", "Speed 54 km/h");
    }
}

// Each node drives once round a small circle about its place, one report a second, so its
// trail is full: kTrailSeconds + 1 points within the span. Returns the heap the trails took.
size_t fillTrails(app::TN_mapWindow& window) {
    window.periodicUpdate(); // hands the preferences' span to the table
    nodes::NodeTable& table = window.nodeTable();
    const size_t heapBefore = mallinfo2().uordblks;
    for (int position = 0; position < kNodes; ++position) {
        nodes::NodeRecord* node = table.recordAt(position);
        const double x = node->longitude;
        const double y = node->latitude;
        for (int second = 0; second <= kTrailSeconds; ++second) {
            const double angle = 2.0 * M_PI * second / kTrailSeconds;
            platform::TimeStamp time;
            time.time = 1700000000 + second;
            node->updatePosition(y + 0.02 * std::sin(angle), x + 0.02 * std::cos(angle), {}, time,
                                 "");
        }
    }
    return mallinfo2().uordblks - heapBefore;
}

struct Figures {
    double median;
    double p10;
    double p90;
    double cpuPerFrame; // all of the process's threads, Mesa's rasterisers included
};

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Processor time of the whole process: on a busy machine it stays near what a frame costs,
// where the time on the clock grows with the waits for a processor.
double processCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

void finishFrame(void*, DrawContext&) {
    glFinish();
}

Figures measureFrames(app::TN_mapWindow& window) {
    glDrawSurface* surface = window.surface();
    for (int warm = 0; warm < 20; ++warm) {
        surface->redraw();
        Fl::flush();
    }
    std::vector<double> times;
    const double cpuStart = processCpuMs();
    for (int frame = 0; frame < kFrames; ++frame) {
        const Clock::time_point start = Clock::now();
        surface->redraw();
        Fl::flush();
        times.push_back(msSince(start));
        Fl::check();
    }
    const double cpu = (processCpuMs() - cpuStart) / kFrames;
    std::sort(times.begin(), times.end());
    return Figures{times[times.size() / 2], times[times.size() / 10], times[times.size() * 9 / 10],
                   cpu};
}

// A fresh application on one master configuration, its window shown and drawn once.
Figures measure(const char* masterFile, bool trails) {
    app::TN_mapWindow window;
    window.loadMasterConfig(masterFile);
    placeNodes(window.nodeTable());
    if (trails) {
        const size_t heap = fillTrails(window);
        std::printf("  trails of %d nodes: %.2f MB of heap (%zu bytes a ring)\n", kNodes,
                    static_cast<double>(heap) / 1e6, nodes::Trail::ringBytes());
    }
    window.surface()->addDrawCallback(&finishFrame, nullptr);
    window.mainWindow()->show();
    while (!window.surface()->visible() || !window.surface()->valid()) {
        window.surface()->redraw();
        Fl::wait(0.05);
    }
    return measureFrames(window);
}

void print(const char* what, const Figures& figures) {
    std::printf("%s: median %.2f ms (10%% %.2f, 90%% %.2f), processor %.2f ms a frame\n", what,
                figures.median, figures.p10, figures.p90, figures.cpuPerFrame);
}

} // namespace

int main(int argc, char** argv) {
    // An argument picks the cases whose master file name contains it (e.g. "plain").
    const std::string only = argc > 1 ? argv[1] : "";
    const fs::path dir = fs::temp_directory_path() / ("frame-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    if (!makeImages(dir)) {
        std::fprintf(stderr, "frame bench: netpbm (ppmmake, pnmtosgi) is needed\n");
        return 1;
    }
    writeConfiguration(dir);
    fs::current_path(dir);
    Fl::lock();
    struct Case {
        const char* masterFile;
        const char* what;
        bool trails;
    };
    // The first three are the figures that matter; the others show where the labelled frame's
    // time goes.
    const Case cases[] = {
        {"plain.cfg", "labels off", false},
        {"labelled.cfg", "labels on (id on the icon and three comment lines)", false},
        {"trails.cfg", "labels off, every node with a full 120-point trail", true},
        {"map-only.cfg", "  no nodes: background, map layer and buffer swap", false},
        {"numbered.cfg", "  id on the icon only", false},
        {"commented.cfg", "  three comment lines only", false},
    };
    std::printf("frame, %d nodes, one map layer, 835 x 850 surface, %d frames each\n", kNodes,
                kFrames);
    for (const Case& c : cases) {
        if (!only.empty() && std::string(c.masterFile).find(only) == std::string::npos) {
            continue;
        }
        print(c.what, measure(c.masterFile, c.trails));
        std::fflush(stdout);
    }
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(dir);
    return 0;
}

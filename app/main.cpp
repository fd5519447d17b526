// tarnell-map: the fleet map display. Its one argument is the master
// configuration file; the file's folder becomes the working directory so that
// the names inside it resolve next to it.
#include "app/EntryArguments.h"
#include "app/TN_mapWindow.h"
#include "inputs/MulticastPort.h"

#include <FL/Fl.H>

#include <cstdio>
#include <memory>

int main(int argc, char** argv) {
    const app::EntryArguments arguments = app::EntryArguments::fromArgv(argc, argv);
    arguments.enterDirectory();

    // Before any thread starts: receivers and the remote poll wake the loop.
    Fl::lock();

    auto window = std::make_unique<app::TN_mapWindow>();
    window->loadMasterConfig(arguments.configFile ? arguments.configFile->c_str() : nullptr);
    window->run();
    // Loss is otherwise silent: each port says what it took and what it lost.
    nodes::NodeTable& table = window->nodeTable();
    table.stopPorts();
    for (size_t i = 0; i < table.portCount(); ++i) {
        std::fprintf(stderr, "%s\n", table.portAt(i)->trafficLine().c_str());
    }
    window.reset();
    return 0;
}

// The multicast port file loaded into a table (the ports are made, not started: no sockets).
#include "fuzz/support/FuzzFile.h"
#include "inputs/MulticastPort.h"
#include "nodes/NodeTable.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzzsupport::FuzzFile::write("ports.txt", data, size);
    nodes::NodeTable table(250, 20);
    const bool loaded = table.loadPortFile(path.c_str());
    if (loaded != (table.portCount() > 0) || table.portsRunning()) {
        std::abort();
    }
    for (size_t i = 0; i < table.portCount(); ++i) {
        const inputs::MulticastPort* port = table.portAt(i);
        if (port == nullptr || port->label().empty() || port->label()[0] == '#' ||
            port->groupAddress().empty() || port->running()) {
            std::abort();
        }
    }
    // Nothing to drain before the receivers start.
    if (table.processPorts() != 0) {
        std::abort();
    }
    return 0;
}

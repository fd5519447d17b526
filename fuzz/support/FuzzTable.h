#pragma once

#include "nodes/NodeTable.h"

#include <memory>

namespace fuzzsupport {

// What the table-facing targets share: a fresh node table per input, so that an input does the
// same thing whatever ran before it, and the check every record of it must pass. One thread.
class FuzzTable {
public:
    // A table with the node file's records 0 to 20 and 1000 (a gap, so that state records add
    // late ones both below and above the largest file id), sized as the display starts.
    static std::unique_ptr<nodes::NodeTable> make();

    // Every record writes a snapshot line that reads back as itself: the line parses, and the
    // record it gives writes the same line again (relayed, as a display that follows this one
    // writes it). A record that cannot be written at all is left out of snapshots and passes.
    // A record that fails ends the run (a finding).
    static void checkSnapshotLines(nodes::NodeTable& table);
};

} // namespace fuzzsupport

// A datagram as the receiver queues it (cut to the largest buffer, terminated), parsed and
// applied to a table the way a port's processing does; every record must then still write a
// snapshot line that reads back as itself.
#include "fuzz/support/FuzzTable.h"
#include "inputs/PacketParser.h"
#include "inputs/PacketQueue.h"
#include "inputs/PositionReport.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

bool inside(const char* pointer, const char* text, size_t size) {
    return pointer >= text && pointer <= text + size;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("TZ", "UTC", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static inputs::PacketQueue queue(nodes::NodeTable::kMaxBytesPerBuffer, 1);
    queue.clear();
    queue.rewind();
    queue.push(reinterpret_cast<const char*>(data), size);
    char* text = queue.pop();
    const size_t length = std::strlen(text);

    auto table = fuzzsupport::FuzzTable::make();
    inputs::PositionReport report;
    if (!inputs::PacketParser::parse(text, report)) {
        return 0;
    }
    if (!inputs::PositionReport::onEarth(report.latitude, report.longitude) ||
        !inside(report.comment1, text, length) || !inside(report.comment2, text, length) ||
        report.reportTime.millitm > 999 ||
        std::memchr(report.timeText, '\0', sizeof report.timeText) == nullptr) {
        std::abort();
    }
    report.applyTo(*table);
    fuzzsupport::FuzzTable::checkSnapshotLines(*table);
    return 0;
}

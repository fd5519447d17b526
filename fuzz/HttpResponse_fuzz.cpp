// A web server's answer to the state file's GET, read by the fetch's line reader from a socket
// whose receive hands the bytes over in pieces of changing sizes (as TCP segments come), then
// applied to a table as the remote poll applies it.
#include "fuzz/support/FuzzTable.h"
#include "inputs/StateFetch.h"
#include "net/LB_SubSocket.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The receive of a connected socket over a fixed response: at most the asked length, in pieces
// whose sizes follow a small generator seeded by the response's length, so that line ends and
// buffer refills meet at every offset across a corpus. 0 (the peer closed) at the end.
class ResponseSocket : public LB_SubSocket {
public:
    ResponseSocket(const uint8_t* data, size_t size)
        : data_(data), size_(size), state_(static_cast<uint32_t>(size) * 2654435761u + 1) {}

    int send(const char*, int length, int) override { return length; }
    int receive(char* buffer, int length, int) override {
        if (length < 1 || at_ >= size_) {
            return 0;
        }
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        // Mostly whole reads, now and then short ones down to a single byte.
        const size_t wanted = (state_ & 3) == 0 ? 1 + state_ % 97 : static_cast<size_t>(length);
        const size_t piece = std::min({wanted, static_cast<size_t>(length), size_ - at_});
        std::memcpy(buffer, data_ + at_, piece);
        at_ += piece;
        return static_cast<int>(piece);
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
    uint32_t state_;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("TZ", "UTC", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ResponseSocket socket(data, size);
    std::vector<std::string> lines;
    inputs::StateFetch::readBlock(socket, lines);
    if (lines.size() > inputs::StateFetch::kMaxLines) {
        std::abort();
    }
    for (const std::string& line : lines) {
        if (line.size() > static_cast<size_t>(inputs::StateFetch::kLineChars)) {
            std::abort();
        }
    }
    auto table = fuzzsupport::FuzzTable::make();
    table->applyStateLines(lines);
    fuzzsupport::FuzzTable::checkSnapshotLines(*table);
    return 0;
}

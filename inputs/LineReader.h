#pragma once

class LB_SubSocket;

namespace inputs {

// Reads text lines from a connected socket through a buffer of 800 bytes,
// refilled by one receive of at most 799 bytes whenever it runs dry. Used by
// the thread that owns the socket.
class LineReader {
public:
    static constexpr int kBufferSize = 800;

    void reset();
    // Copies characters into destination until it has copied a line feed
    // (kept) or size - 1 characters, then terminates the text. Returns
    // destination, or null when nothing could be copied: the peer closed,
    // the receive failed or timed out.
    char* readLine(char* destination, int size, LB_SubSocket& socket);

private:
    bool refill(LB_SubSocket& socket);

    char buffer_[kBufferSize] = {};
    int position_ = 0;
    int count_ = 0;
};

} // namespace inputs

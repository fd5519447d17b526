#include "inputs/LineReader.h"

#include "net/LB_SubSocket.h"

namespace inputs {

void LineReader::reset() {
    position_ = 0;
    count_ = 0;
}

bool LineReader::refill(LB_SubSocket& socket) {
    position_ = 0;
    count_ = 0;
    const int received = socket.receive(buffer_, kBufferSize - 1, 1);
    if (received < 1) {
        return false;
    }
    count_ = received;
    return true;
}

char* LineReader::readLine(char* destination, int size, LB_SubSocket& socket) {
    if (destination == nullptr || size < 1) {
        return nullptr;
    }
    int copied = 0;
    while (copied < size - 1) {
        if (position_ >= count_ && !refill(socket)) {
            break;
        }
        const char c = buffer_[position_++];
        destination[copied++] = c;
        if (c == '\n') {
            break;
        }
    }
    destination[copied] = '\0';
    return copied > 0 ? destination : nullptr;
}

} // namespace inputs

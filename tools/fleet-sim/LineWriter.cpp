#include "tools/fleet-sim/LineWriter.h"

namespace fleetsim {

bool LineWriter::send(std::string_view datagram) {
    if (std::fwrite(datagram.data(), 1, datagram.size(), stream_) != datagram.size()) {
        return false;
    }
    return std::fputc('\n', stream_) != EOF;
}

bool LineWriter::flush() {
    return std::fflush(stream_) == 0;
}

} // namespace fleetsim

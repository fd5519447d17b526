#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>

// One pixel of the reader's result as four byte values, compared and printed channel by channel
// rather than as a 32-bit word whose byte order depends on the host.
struct Rgba {
    int r = 0, g = 0, b = 0, a = 0;

    static Rgba at(const uint32_t* pixels, std::size_t index) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(pixels + index);
        return {bytes[0], bytes[1], bytes[2], bytes[3]};
    }
    friend bool operator==(const Rgba&, const Rgba&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Rgba& p) {
        return out << "(" << p.r << ", " << p.g << ", " << p.b << ", " << p.a << ")";
    }
};

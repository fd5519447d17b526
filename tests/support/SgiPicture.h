#pragma once

#include "tests/support/Rgba.h"

#include <memory>
#include <string>

// An SGI file as the display reads it: size and channels from the header, pixels through
// longimagedata, rows bottom first. One thread; the object owns the pixels.
struct SgiPicture {
    int width = 0;
    int height = 0;
    int channels = 0;
    std::unique_ptr<uint32_t[]> pixels;

    // x from the left, y from the bottom (the SGI row order).
    Rgba at(int x, int y) const { return Rgba::at(pixels.get(), std::size_t(y) * width + x); }

    // Reads the file in a child first, so that a file the reader refuses (which ends the
    // process) fails the test with the reader's message; false then.
    bool read(const std::string& path);
};

#pragma once

#include <cstdint>
#include <memory>

namespace sgi {

// Reads a whole SGI image file (see render/sgi/SgiImage.h) as xsize * ysize pixels, each the bytes
// R, G, B, A in memory order, bottom row first, ready for an RGBA texture of 8-bit samples.
// One channel, or two (the second is ignored), gives grey with A = 255; three give A = 255; four
// or more take A from channel 3. 2-byte samples keep their high byte.
//
// Ownership: the returned buffer is the caller's. Threads: any thread; no shared state.
// Failure: as for the reader's routines, a fault in the file is fatal (message on stderr, exit
// status 1), and so is a file that cannot be opened: a caller that must survive a missing file
// opens it with iopen first. A header with a zero size gives nullptr; iopen and hasPicture let a
// caller learn that without reading the rows.
std::unique_ptr<uint32_t[]> longimagedata(const char* fileName);

} // namespace sgi

#pragma once

#include <cstdint>
#include <memory>

namespace sgi {

struct SgiImage;

// Reads a whole SGI image file (see render/sgi/SgiImage.h) as xsize * ysize pixels, each the bytes
// R, G, B, A in memory order, bottom row first, ready for an RGBA texture of 8-bit samples.
// One channel, or two (the second is ignored), gives grey with A = 255; three give A = 255; four
// or more take A from channel 3. 2-byte samples keep their high byte.
//
// Ownership: the returned buffer is the caller's. Threads: any thread; no shared state.
// Failure: as for the reader's routines, a fault in the file is fatal (message on stderr, exit
// status 1), and so is a file that cannot be opened: a caller that must survive a missing file
// opens it with iopen first. A header with a zero size gives nullptr; iopen and hasPicture let a
// caller learn that without reading the rows. So does an image refused by checkPixelRows, with
// its line on stderr. Nothing is allocated for the pixels before the file is known to hold them.
std::unique_ptr<uint32_t[]> longimagedata(const char* fileName);

// The two halves of longimagedata, for a caller that opens the image itself and allocates the
// pixels on its own terms.
//
// checkPixelRows: every row the pixels come from must be readable whole (checkrow: a fault is
// fatal with the message reading it would give). An RLE image may point many scanlines at one
// stored row; one whose header asks for more samples than its file could hold if every scanline
// had its own stored row is refused: one line on stderr naming fileName, false. The work of
// reading an image is thereby bounded by what a real image of its file's length costs.
bool checkPixelRows(const SgiImage& image, const char* fileName);
// readPixels: the pixels of an image that passed checkPixelRows, into `pixels` (xsize * ysize).
void readPixels(SgiImage& image, uint32_t* pixels);

} // namespace sgi

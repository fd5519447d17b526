#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

namespace sgi {

// Reader of SGI image files: a 512-byte header, then channel rows stored verbatim or run-length
// encoded, 1 or 2 bytes per sample, in big-endian (magic bytes 01 DA) or little-endian (DA 01)
// order. Map layers and node icons get their pictures through longimagedata
// (render/sgi/LongImageData.h), which is built on these routines.
//
// Ownership: iopen creates the SgiImage; the caller hands it back to iclose, which closes the file
// and frees its tables and buffers.
//
// Threads: the routines keep no state outside the SgiImage they are given, so any thread may call
// them, one thread per open image. The system calls them from the thread that draws the GL window.
//
// Failure: a file that cannot be opened gives nullptr without a message. Every other fault (a bad
// header, a short read, rows that do not fit their buffers) writes one fixed line to stderr and
// ends the process with exit status 1: the file is unusable and the display has no sensible way to
// carry on with half a texture. A header with a zero size is not a fault: hasPicture tells the
// caller so before it reads anything. Sizes are never trusted beyond the file: the RLE tables are
// allocated only once the file is known to hold them, and checkrow lets a caller learn that a row
// is beyond the file before it allocates for the picture.

struct SgiImage {
    static constexpr unsigned readMode = 1;

    SgiImage() = default;
    // An image that never reaches iclose (a failure handler threw past it, see SgiFailure.h) still
    // closes its file; iclose itself closes it first and reports a failing close.
    ~SgiImage();
    SgiImage(const SgiImage&) = delete;
    SgiImage& operator=(const SgiImage&) = delete;

    // Header, converted to host order.
    uint16_t magic = 0;
    uint8_t storage = 0; // 0 verbatim, 1 RLE; anything else fails when rows are read
    uint8_t bpc = 0;     // bytes per channel sample
    uint16_t dimension = 0;
    uint16_t xsize = 0;
    // A dimension-1 image is a single row whatever the header says: iopen sets ysize to 1 then
    // (0 stays 0, an image without a picture).
    uint16_t ysize = 0;
    uint16_t zsize = 0;
    int32_t pixmin = 0;
    int32_t pixmax = 0;
    int32_t reserved = 0;
    char name[80] = {};
    int32_t colormap = 0;

    std::FILE* file = nullptr;
    // The file's length in bytes when it was opened: what the header's sizes are checked against
    // before anything is allocated from them.
    int64_t fileLength = 0;
    unsigned flags = 0;
    bool swapBytes = false; // the file's byte order is not the host's

    uint16_t x = 0;
    uint16_t y = 0;
    uint16_t z = 0;
    // Where the file stands, so that reading consecutive rows needs no seek; -1 when unknown.
    // 64-bit: verbatim row offsets of a large image pass 4 GiB.
    int64_t offset = 0;

    // RLE only: ysize * zsize entries each, entry z * ysize + y for row y of channel z.
    std::unique_ptr<uint32_t[]> rowStart;
    std::unique_ptr<uint32_t[]> rowSize;

    // Raw bytes of one stored row: 4 * (xsize + xsize / 64) bytes. A stored RLE row longer than
    // this is refused rather than trusted.
    std::unique_ptr<unsigned char[]> rowBuffer;
    std::size_t rowBufferSize = 0;
};

// Opens fileName for reading. mode must begin with 'r'; a mode whose second character is '+' is
// fatal (this reader never writes), any other mode gives nullptr. nullptr also when the file
// cannot be opened.
SgiImage* iopen(const char* fileName, const char* mode);

// Closes the file and frees the image. Returns 0, or -1 for a null image; a failing close is fatal.
int iclose(SgiImage* image);

// Positions the file at row y of channel z. Returns 0, or -1 when the file cannot seek there.
// A row outside the image, an unknown dimension or storage is fatal.
int img_seek(SgiImage* image, unsigned int y, unsigned int z);

// Fills buffer (xsize samples) with row y of channel z, bottom row 0; returns xsize. Samples keep
// their stored width (up to 16 bits). An RLE row whose packets end before xsize samples leaves the
// rest of buffer as it was.
int getrow(SgiImage* image, uint16_t* buffer, unsigned int y, unsigned int z);

// Ends the process, with the line getrow would write, when row y of channel z cannot be read
// whole: a row outside the image, an unknown dimension, storage or sample size, a row past the end
// of the file, or an RLE row longer than the row buffer. Reads nothing.
void checkrow(const SgiImage& image, unsigned int y, unsigned int z);

// Expands one RLE row of inBytes bytes (units of inBpu bytes, host order) into at most outUnits
// units of outBpu bytes. Returns the number of units written, or -1 when a packet needs more
// input than inBytes or more output than outUnits. Unit sizes other than 1 and 2 are fatal.
int rle_expand(const unsigned char* in, std::size_t inBytes, int inBpu, void* out,
               std::size_t outUnits, int outBpu);

// True when the header describes at least one pixel in at least one channel.
bool hasPicture(const SgiImage& image);

} // namespace sgi

#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The header fields of a hand-made SGI file. Values are written as given, truncated to the
// field's width, so a test can describe files the reader must refuse.
struct SgiLayout {
    bool bigEndian = true;
    int storage = 0; // 0 verbatim, 1 RLE
    int bpc = 1;
    int dimension = 3;
    int xsize = 0;
    int ysize = 0;
    int zsize = 0;
};

// Builds the bytes of SGI files for the reader's tests, in either byte order, so that the tests
// do not depend on a tool for the cases no tool writes (little-endian files, two channels, broken
// rows). Stored rows are given one after another: row y of channel z at (z * ysize + y) * xsize.
// Pure: no I/O; any thread.
class SgiFileWriter {
public:
    explicit SgiFileWriter(const SgiLayout& layout) : layout_(layout) {}

    std::string header() const; // the full 512 bytes
    std::string verbatim(const std::vector<uint16_t>& samples) const;
    // Encodes every stored row with repeat packets for runs of three or more, literal ones
    // otherwise.
    std::string rle(const std::vector<uint16_t>& samples) const;
    // Uses the given bytes as the stored rows: table entry i points at rows[i] with its length,
    // unless lengths gives one; entries without a row point at offset 0 with length 0.
    std::string rleRows(const std::vector<std::string>& rows,
                        const std::vector<uint32_t>& lengths = {}) const;

    // One stored row encoded as rle() encodes each.
    std::string rleRow(const std::vector<uint16_t>& samples) const {
        return encodeRow(samples.data(), samples.size());
    }
    // Points every table entry at the one stored row `row`, then pads the file with zero bytes
    // to `length` bytes when that is longer: the smallest file for a picture of any height.
    std::string rleShared(const std::string& row, std::size_t length = 0) const;

    // Pieces of an RLE row, in the layout's unit size and byte order.
    std::string literal(const std::vector<unsigned>& values) const;
    std::string repeat(unsigned count, unsigned value) const;
    std::string end() const { return unit(0); }
    std::string unit(unsigned value) const;

private:
    std::string field(uint32_t value, int bytes) const;
    std::string encodeRow(const uint16_t* samples, std::size_t count) const;

    SgiLayout layout_;
};

#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

// The header fields of a hand-made SGI file, written as given (cut to the field's width) so a
// test can describe files the reader must refuse.
struct SgiLayout {
    bool bigEndian = true;
    int storage = 0; // 0 verbatim, 1 RLE
    int bpc = 1;
    int dimension = 3;
    int xsize = 0;
    int ysize = 0;
    int zsize = 0;
};

// Builds SGI files in either byte order, for the cases no tool writes (little-endian files, two
// channels, broken rows). Samples are given stored row after stored row: row y of channel z at
// (z * ysize + y) * xsize. Pure; any thread.
class SgiFileWriter {
public:
    explicit SgiFileWriter(const SgiLayout& layout) : layout_(layout) {}

    std::string header() const; // the full 512 bytes
    std::string verbatim(const std::vector<uint16_t>& samples) const;
    // Every row with repeat packets for runs of three or more, literal ones otherwise.
    std::string rle(const std::vector<uint16_t>& samples) const;
    // Table entry i points at rows[i], with lengths[i] when given; entries past the rows at 0.
    std::string rleRows(const std::vector<std::string>& rows,
                        const std::vector<uint32_t>& lengths = {}) const {
        return tables(rows, lengths, false);
    }
    std::string rleRow(const std::vector<uint16_t>& samples) const;
    // Every table entry at the one row, the file padded with zero bytes to `length`.
    std::string rleShared(const std::string& row, std::size_t length = 0) const {
        std::string bytes = tables({row}, {}, true);
        bytes.resize(std::max(bytes.size(), length), '\0');
        return bytes;
    }

    // Pieces of an RLE row in the layout's unit size and byte order.
    std::string literal(const std::vector<unsigned>& values) const;
    std::string repeat(unsigned count, unsigned value) const { return unit(count) + unit(value); }
    std::string end() const { return unit(0); }
    std::string unit(unsigned value) const { return field(value, layout_.bpc == 2 ? 2 : 1); }

private:
    std::string field(uint32_t value, int bytes) const;
    std::string tables(const std::vector<std::string>& rows, const std::vector<uint32_t>& lengths,
                       bool shared) const;

    SgiLayout layout_;
};

#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A binary netpbm picture, top row first as netpbm stores it: the pictures the tests hand to the
// image tools and the ones the tools give back. Reads P5 and P6; writes P5 (one channel), P6
// (three) or P7 (two or four, with alpha). Samples are 8-bit when maxval < 256, else 16-bit
// big-endian, as netpbm has it. One thread; the object owns its samples.
class PnmImage {
public:
    PnmImage() = default;
    PnmImage(int width, int height, int depth, int maxval);

    int width() const { return width_; }
    int height() const { return height_; }
    int depth() const { return depth_; }
    int maxval() const { return maxval_; }

    // Row 0 is the top row.
    uint16_t at(int x, int row, int channel) const;
    void set(int x, int row, int channel, uint16_t value);

    bool write(const std::string& path) const;
    // Replaces this picture by the one in the file; false (and this picture unchanged) when the
    // file is not a P5 or P6 picture or is cut short.
    bool read(const std::string& path);

private:
    std::size_t index(int x, int row, int channel) const;

    int width_ = 0;
    int height_ = 0;
    int depth_ = 0;
    int maxval_ = 0;
    std::vector<uint16_t> samples_;
};

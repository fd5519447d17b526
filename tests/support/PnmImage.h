#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

// A binary netpbm picture for the image tools, row 0 at the top: written as P5 (one channel),
// P6 (three) or P7 (two or four, with alpha); samples 16-bit big-endian when maxval > 255.
class PnmImage {
public:
    PnmImage(int width, int height, int depth, int maxval)
        : width_(width), height_(height), depth_(depth), maxval_(maxval),
          samples_(static_cast<std::size_t>(width) * height * depth, 0) {}

    int width() const { return width_; }
    int height() const { return height_; }
    int depth() const { return depth_; }
    int maxval() const { return maxval_; }
    uint16_t at(int x, int row, int channel) const { return samples_[index(x, row, channel)]; }
    void set(int x, int row, int channel, uint16_t value) {
        samples_[index(x, row, channel)] = value;
    }

    bool write(const std::string& path) const {
        const std::string size = std::to_string(width_) + " " + std::to_string(height_);
        std::string text = depth_ == 1 || depth_ == 3
                               ? (depth_ == 1 ? "P5\n" : "P6\n") + size + "\n"
                               : "P7\nWIDTH " + std::to_string(width_) + "\nHEIGHT " +
                                     std::to_string(height_) + "\nDEPTH " + std::to_string(depth_) +
                                     "\nTUPLTYPE " + (depth_ == 2 ? "GRAYSCALE" : "RGB") +
                                     "_ALPHA\n";
        text += (depth_ == 1 || depth_ == 3 ? "" : "MAXVAL ") + std::to_string(maxval_) +
                (depth_ == 1 || depth_ == 3 ? "\n" : "\nENDHDR\n");
        for (uint16_t sample : samples_) {
            if (maxval_ > 255) {
                text.push_back(static_cast<char>(sample >> 8));
            }
            text.push_back(static_cast<char>(sample & 0xff));
        }
        std::ofstream out(path, std::ios::binary);
        return static_cast<bool>(out << text);
    }

private:
    std::size_t index(int x, int row, int channel) const {
        return (static_cast<std::size_t>(row) * width_ + x) * depth_ + channel;
    }

    int width_, height_, depth_, maxval_;
    std::vector<uint16_t> samples_;
};

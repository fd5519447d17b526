#include "tests/sgi/PnmImage.h"

#include <cctype>
#include <fstream>
#include <iterator>
#include <sstream>
#include <utility>

namespace {

// Netpbm's header: tokens separated by white space, with "#" comments to the end of the line,
// and a single white-space byte before the samples.
bool readNumber(std::istream& in, int& value) {
    for (;;) {
        const int next = in.peek();
        if (next == '#') {
            std::string comment;
            std::getline(in, comment);
        } else if (next != EOF && std::isspace(next)) {
            in.get();
        } else {
            break;
        }
    }
    return static_cast<bool>(in >> value);
}

const char* tupleType(int depth) {
    switch (depth) {
    case 1:
        return "GRAYSCALE";
    case 2:
        return "GRAYSCALE_ALPHA";
    case 3:
        return "RGB";
    default:
        return "RGB_ALPHA";
    }
}

} // namespace

PnmImage::PnmImage(int width, int height, int depth, int maxval)
    : width_(width), height_(height), depth_(depth), maxval_(maxval),
      samples_(static_cast<std::size_t>(width) * height * depth, 0) {}

std::size_t PnmImage::index(int x, int row, int channel) const {
    return (static_cast<std::size_t>(row) * width_ + x) * depth_ + channel;
}

uint16_t PnmImage::at(int x, int row, int channel) const {
    return samples_[index(x, row, channel)];
}

void PnmImage::set(int x, int row, int channel, uint16_t value) {
    samples_[index(x, row, channel)] = value;
}

bool PnmImage::write(const std::string& path) const {
    std::ostringstream text;
    if (depth_ == 1 || depth_ == 3) {
        text << (depth_ == 1 ? "P5" : "P6") << "\n"
             << width_ << " " << height_ << "\n"
             << maxval_ << "\n";
    } else {
        text << "P7\nWIDTH " << width_ << "\nHEIGHT " << height_ << "\nDEPTH " << depth_
             << "\nMAXVAL " << maxval_ << "\nTUPLTYPE " << tupleType(depth_) << "\nENDHDR\n";
    }
    for (uint16_t sample : samples_) {
        if (maxval_ > 255) {
            text.put(static_cast<char>(sample >> 8));
        }
        text.put(static_cast<char>(sample & 0xff));
    }
    std::ofstream out(path, std::ios::binary);
    out << text.str();
    return static_cast<bool>(out.flush());
}

bool PnmImage::read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic(2, '\0');
    if (!in.read(magic.data(), 2) || (magic != "P5" && magic != "P6")) {
        return false;
    }
    PnmImage picture;
    picture.depth_ = magic == "P5" ? 1 : 3;
    if (!readNumber(in, picture.width_) || !readNumber(in, picture.height_) ||
        !readNumber(in, picture.maxval_) || !std::isspace(in.get())) {
        return false;
    }
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t bytesPerSample = picture.maxval_ > 255 ? 2 : 1;
    const std::size_t count =
        static_cast<std::size_t>(picture.width_) * picture.height_ * picture.depth_;
    if (picture.width_ <= 0 || picture.height_ <= 0 || data.size() < count * bytesPerSample) {
        return false;
    }
    picture.samples_.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto* bytes =
            reinterpret_cast<const unsigned char*>(data.data()) + i * bytesPerSample;
        picture.samples_[i] =
            bytesPerSample == 2 ? static_cast<uint16_t>(bytes[0] << 8 | bytes[1]) : bytes[0];
    }
    *this = std::move(picture);
    return true;
}

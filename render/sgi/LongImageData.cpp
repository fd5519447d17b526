#include "render/sgi/LongImageData.h"

#include "render/sgi/SgiFailure.h"
#include "render/sgi/SgiImage.h"

#include <cstddef>
#include <cstdio>
#include <new>

namespace sgi {
namespace {

constexpr unsigned char opaque = 255;

// zsize 1 or 2 is grey (a second channel is ignored), 3 is RGB, 4 and more RGBA.
unsigned channelsUsed(const SgiImage& image) {
    if (image.zsize >= 4) {
        return 4;
    }
    return image.zsize == 3 ? 3 : 1;
}

void readPixelRow(SgiImage& image, unsigned int y, uint16_t* const channels[4], uint32_t* row) {
    const unsigned used = channelsUsed(image);
    for (unsigned z = 0; z < used; ++z) {
        getrow(&image, channels[z], y, z);
    }
    // The texture holds 8-bit samples; the high byte of a 2-byte sample is its most significant
    // part and maps 0..65535 onto the whole 0..255 range.
    const unsigned shift = image.bpc == 2 ? 8 : 0;
    auto* pixel = reinterpret_cast<unsigned char*>(row);
    for (std::size_t x = 0; x < image.xsize; ++x, pixel += 4) {
        const auto sample = [&](unsigned z) {
            return static_cast<unsigned char>(channels[z][x] >> shift);
        };
        pixel[0] = sample(0);
        pixel[1] = used == 1 ? pixel[0] : sample(1);
        pixel[2] = used == 1 ? pixel[0] : sample(2);
        pixel[3] = used == 4 ? sample(3) : opaque;
    }
}

// A run packet, one control unit and one value unit of at least a byte each, gives at most 127
// samples: a file where each scanline has its own stored row holds fewer than 64 samples per byte.
constexpr int64_t mostSamplesPerByte = 64;

// The stored scanlines the pixels are read from, counting each time one is read: a dimension-3
// image reads a row per channel used, the others the one channel.
uint64_t scanlinesRead(const SgiImage& image) {
    return uint64_t{image.ysize} * (image.dimension >= 3 ? channelsUsed(image) : 1);
}

} // namespace

bool checkPixelRows(const SgiImage& image, const char* fileName) {
    const unsigned used = channelsUsed(image);
    for (unsigned int y = 0; y < image.ysize; ++y) {
        for (unsigned z = 0; z < used; ++z) {
            checkrow(image, y, z);
        }
    }
    const uint64_t samples = uint64_t{image.xsize} * scanlinesRead(image);
    if (image.storage == 1 &&
        samples > static_cast<uint64_t>(mostSamplesPerByte * image.fileLength)) {
        std::fprintf(stderr,
                     "longimagedata: image file %s shares its rows too often: %u x %u pixels "
                     "from %lld bytes, refused\n",
                     fileName != nullptr ? fileName : "", static_cast<unsigned>(image.xsize),
                     static_cast<unsigned>(image.ysize), static_cast<long long>(image.fileLength));
        return false;
    }
    return true;
}

void readPixels(SgiImage& image, uint32_t* pixels) {
    const std::size_t xsize = image.xsize;
    // Zeroed, so samples that a short RLE row leaves untouched are defined.
    std::unique_ptr<uint16_t[]> samples[4];
    for (auto& channel : samples) {
        channel.reset(new (std::nothrow) uint16_t[xsize]());
        if (!channel) {
            fail("longimagedata: can't malloc enough memory\n");
        }
    }
    uint16_t* const channels[4] = {samples[0].get(), samples[1].get(), samples[2].get(),
                                   samples[3].get()};
    for (unsigned int y = 0; y < image.ysize; ++y) {
        readPixelRow(image, y, channels, pixels + y * xsize);
    }
}

std::unique_ptr<uint32_t[]> longimagedata(const char* fileName) {
    // Held so that a failure handler that throws (SgiFailure.h) leaves nothing open behind it.
    std::unique_ptr<SgiImage> image(iopen(fileName, "r"));
    if (!image) {
        fail("longimagedata: can't open image file %s\n", fileName != nullptr ? fileName : "");
    }
    if (!hasPicture(*image) || !checkPixelRows(*image, fileName)) {
        iclose(image.release());
        return nullptr;
    }
    std::unique_ptr<uint32_t[]> result(new (std::nothrow)
                                           uint32_t[std::size_t{image->xsize} * image->ysize]);
    if (!result) {
        fail("longimagedata: can't malloc enough memory\n");
    }
    readPixels(*image, result.get());
    iclose(image.release());
    return result;
}

} // namespace sgi

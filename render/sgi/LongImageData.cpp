#include "render/sgi/LongImageData.h"

#include "render/sgi/SgiFailure.h"
#include "render/sgi/SgiImage.h"

#include <cstddef>
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

} // namespace

std::unique_ptr<uint32_t[]> longimagedata(const char* fileName) {
    SgiImage* image = iopen(fileName, "r");
    if (image == nullptr) {
        fail("longimagedata: can't open image file %s\n", fileName != nullptr ? fileName : "");
    }
    if (!hasPicture(*image)) {
        iclose(image);
        return nullptr;
    }
    const std::size_t xsize = image->xsize;
    std::unique_ptr<uint32_t[]> result(new (std::nothrow) uint32_t[xsize * image->ysize]);
    // Zeroed, so samples that a short RLE row leaves untouched are defined.
    std::unique_ptr<uint16_t[]> samples[4];
    bool allocated = result != nullptr;
    for (auto& channel : samples) {
        channel.reset(new (std::nothrow) uint16_t[xsize]());
        allocated = allocated && channel != nullptr;
    }
    if (!allocated) {
        fail("longimagedata: can't malloc enough memory\n");
    }
    uint16_t* const channels[4] = {samples[0].get(), samples[1].get(), samples[2].get(),
                                   samples[3].get()};
    for (unsigned int y = 0; y < image->ysize; ++y) {
        readPixelRow(*image, y, channels, result.get() + y * xsize);
    }
    iclose(image);
    return result;
}

} // namespace sgi

#include "render/sgi/LongImageData.h"
#include "render/sgi/SgiImage.h"
#include "tests/sgi/PnmImage.h"
#include "tests/sgi/Rgba.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

// Files written by netpbm and ImageMagick, which no code of ours wrote, read back and compared
// pixel by pixel with the picture the tools were given.
// SGI rows run bottom to top, netpbm rows top to bottom.

namespace {

const std::string pnmtosgi = "/usr/bin/pnmtosgi";
const std::string convert =
    "/usr/bin/convert"; // ImageMagick itself, not a stand-in earlier on PATH

std::string quoted(const std::string& path) {
    return "'" + path + "'";
}

bool run(const std::string& command) {
    return std::system((command + " 2>/dev/null").c_str()) == 0;
}

// Runs of one value wide enough to need two repeat packets (127 at most), then samples that
// change at every pixel so the encoder must use literal packets. 16-bit samples vary in the low
// byte too, so that keeping the high byte is tested, not assumed.
uint16_t sampleAt(int x, int y, int channel, int maxval) {
    const bool inRun = x < 140;
    const int high =
        inRun ? (y * 40 + channel * 70 + 5) % 256 : (x * 7 + y * 31 + channel * 50) % 256;
    if (maxval <= 255) {
        return static_cast<uint16_t>(high);
    }
    const int low = inRun ? 0x5a : (x * 13 + channel) % 256;
    return static_cast<uint16_t>(high << 8 | low);
}

PnmImage makePicture(int depth, int maxval) {
    PnmImage picture(300, 5, depth, maxval);
    for (int row = 0; row < picture.height(); ++row) {
        for (int x = 0; x < picture.width(); ++x) {
            for (int c = 0; c < depth; ++c) {
                picture.set(x, row, c, sampleAt(x, row, c, maxval));
            }
        }
    }
    return picture;
}

// The pixel the reader must give for netpbm's (x, row), row 0 at the top.
Rgba expectedPixel(const PnmImage& picture, int x, int row, const PnmImage* alpha) {
    const int shift = picture.maxval() > 255 ? 8 : 0;
    const auto sample = [&](const PnmImage& from, int c) { return from.at(x, row, c) >> shift; };
    const bool grey = picture.depth() == 1;
    return {sample(picture, 0), sample(picture, grey ? 0 : 1), sample(picture, grey ? 0 : 2),
            alpha != nullptr ? sample(*alpha, alpha->depth() == 1 ? 0 : 3) : 255};
}

void expectSamePicture(const uint32_t* pixels, const PnmImage& picture,
                       const PnmImage* alpha = nullptr) {
    int mismatches = 0;
    for (int y = 0; y < picture.height() && mismatches < 5; ++y) {
        const int row = picture.height() - 1 - y;
        for (int x = 0; x < picture.width() && mismatches < 5; ++x) {
            const Rgba got = Rgba::at(pixels, static_cast<std::size_t>(y) * picture.width() + x);
            const Rgba want = expectedPixel(picture, x, row, alpha);
            if (got != want) {
                ++mismatches;
                ADD_FAILURE() << "pixel " << x << ", " << y << ": " << got << " != " << want;
            }
        }
    }
}

struct Header {
    int storage;
    int bpc;
    int zsize;
};

void expectHeader(const std::string& path, const Header& want) {
    sgi::SgiImage* image = sgi::iopen(path.c_str(), "r");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->storage, want.storage);
    EXPECT_EQ(image->bpc, want.bpc);
    EXPECT_EQ(image->zsize, want.zsize);
    EXPECT_EQ(image->xsize, 300);
    EXPECT_EQ(image->ysize, 5);
    sgi::iclose(image);
}

TEST(SgiImageTools, ReadsWhatNetpbmWrites) {
    const struct {
        const char* flag;
        int depth, maxval;
    } cases[] = {
        {"-rle", 3, 255},   {"-verbatim", 3, 255},   {"-rle", 1, 255},   {"-verbatim", 1, 255},
        {"-rle", 3, 65535}, {"-verbatim", 3, 65535}, {"-rle", 1, 65535}, {"-verbatim", 1, 65535},
    };
    testsupport::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.flag) + " depth " + std::to_string(c.depth) + " maxval " +
                     std::to_string(c.maxval));
        const PnmImage input = makePicture(c.depth, c.maxval);
        const std::string in = dir.file("in.pnm");
        const std::string sgiFile = dir.file("out.sgi");
        ASSERT_TRUE(input.write(in));
        ASSERT_TRUE(run(pnmtosgi + " " + c.flag + " " + quoted(in) + " > " + quoted(sgiFile)));

        const bool rle = std::string(c.flag) == "-rle";
        expectHeader(sgiFile, {rle ? 1 : 0, c.maxval > 255 ? 2 : 1, c.depth});
        if (rle) {
            const auto verbatimSize = 512u + 300u * 5 * c.depth * (c.maxval > 255 ? 2 : 1);
            EXPECT_LT(std::filesystem::file_size(sgiFile), verbatimSize) << "nothing compressed";
        }
        const std::unique_ptr<uint32_t[]> pixels = sgi::longimagedata(sgiFile.c_str());
        ASSERT_NE(pixels, nullptr);
        expectSamePicture(pixels.get(), input);
    }
}

TEST(SgiImageTools, ReadsWhatImageMagickWritesWithAlpha) {
    const struct {
        const char* name;
        const char* options;
        Header header;
    } cases[] = {
        {"default rle", "", {1, 1, 4}},
        {"verbatim", "-compress None", {0, 1, 4}},
        {"16-bit", "-depth 16", {0, 2, 4}},
    };
    testsupport::TempDir dir;
    const PnmImage input = makePicture(4, 255);
    const std::string in = dir.file("in.pam");
    ASSERT_TRUE(input.write(in));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string sgiFile = dir.file("out.sgi");
        ASSERT_TRUE(run(convert + " " + quoted(in) + " " + c.options + " " + quoted(sgiFile)));
        expectHeader(sgiFile, c.header);
        const std::unique_ptr<uint32_t[]> pixels = sgi::longimagedata(sgiFile.c_str());
        ASSERT_NE(pixels, nullptr);
        expectSamePicture(pixels.get(), input, &input);
    }
}

} // namespace

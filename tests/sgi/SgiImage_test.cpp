#include "render/sgi/LongImageData.h"
#include "render/sgi/SgiImage.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/PnmImage.h"
#include "tests/support/Rgba.h"
#include "tests/support/SgiFileWriter.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <filesystem>
#include <tuple>

namespace {

using testsupport::ChildProcess;
using Samples = std::vector<uint16_t>;
using Pixels = std::vector<Rgba>;

std::string fileBytes(const SgiLayout& layout, const Samples& samples) {
    const SgiFileWriter writer(layout);
    return layout.storage == 1 ? writer.rle(samples) : writer.verbatim(samples);
}

Pixels pixelsOf(const std::string& path, std::size_t count) {
    const std::unique_ptr<uint32_t[]> pixels = sgi::longimagedata(path.c_str());
    Pixels result;
    for (std::size_t i = 0; pixels != nullptr && i < count; ++i) {
        result.push_back(Rgba::at(pixels.get(), i));
    }
    return result;
}

Pixels grey(const std::vector<int>& values) {
    Pixels pixels;
    for (int v : values) {
        pixels.push_back({v, v, v, 255});
    }
    return pixels;
}

// Each picture in both byte orders and both storages: the pixels bottom row first, every stored
// row through getrow in any order. Samples are stored rows, channel by channel, bottom first; a
// dimension-2 file reads channel 0 for every channel, a dimension-1 file is one row whatever its
// header says; two-byte samples reach getrow whole and give their high byte to the picture.
TEST(SgiImage, PicturesInEitherByteOrderAndStorage) {
    const Samples rgb = {10, 10, 10, 200, 1,  2,  3,  4, 20, 20, 20, 100,
                         5,  6,  7,  8,   30, 30, 30, 0, 9,  10, 11, 12};
    const Pixels rgbPixels = {{10, 20, 30, 255},  {10, 20, 30, 255}, {10, 20, 30, 255},
                              {200, 100, 0, 255}, {1, 5, 9, 255},    {2, 6, 10, 255},
                              {3, 7, 11, 255},    {4, 8, 12, 255}};
    const std::tuple<int, int, int, int, int, Samples, Pixels> cases[] = {
        // bpc, dimension, size
        {1, 3, 4, 2, 3, rgb, rgbPixels},
        {2,
         3,
         8,
         1,
         1,
         {0, 0xff, 0x100, 0x7fff, 0x8000, 0xffff, 0x1234, 0xabcd},
         grey({0, 0, 1, 0x7f, 0x80, 0xff, 0x12, 0xab})},
        {1, 3, 2, 1, 1, {7, 250}, grey({7, 250})},
        {1, 3, 2, 1, 2, {7, 250, 99, 1}, grey({7, 250})},
        {1, 3, 2, 1, 4, {1, 2, 3, 4, 5, 6, 0, 128}, {{1, 3, 5, 0}, {2, 4, 6, 128}}},
        {1, 3, 2, 1, 5, {1, 2, 3, 4, 5, 6, 0, 128, 77, 77}, {{1, 3, 5, 0}, {2, 4, 6, 128}}},
        {1, 2, 2, 1, 3, {1, 2}, grey({1, 2})},
        {1, 1, 2, 3, 3, {40, 80}, grey({40, 80})},
        {1, 1, 2, 65535, 3, {40, 80}, grey({40, 80})},
    };
    testsupport::TempDir dir;
    for (const auto& [bpc, dimension, xsize, ysize, zsize, samples, pixels] : cases) {
        for (const auto& [big, storage] : {std::pair{true, 1}, {true, 0}, {false, 1}, {false, 0}}) {
            SCOPED_TRACE(testing::Message() << bpc << dimension << zsize << big << storage);
            const std::string path = dir.write(
                "p.sgi", fileBytes({big, storage, bpc, dimension, xsize, ysize, zsize}, samples));
            EXPECT_EQ(pixelsOf(path, pixels.size()), pixels);
            sgi::SgiImage* image = sgi::iopen(path.c_str(), "r");
            ASSERT_NE(image, nullptr);
            EXPECT_EQ(image->swapBytes, big != (std::endian::native == std::endian::big));
            EXPECT_EQ(image->ysize, dimension == 1 ? 1 : ysize);
            // Rows backwards; a dimension-1 file has its one row whatever is asked for.
            for (int i = int(samples.size()) / xsize - 1; i >= 0 && dimension != 2; --i) {
                Samples row(std::size_t(xsize), 0);
                const unsigned y = dimension == 1 ? 7 : i % ysize,
                               z = dimension == 1 ? 9 : i / ysize;
                EXPECT_EQ(sgi::getrow(image, row.data(), y, z), xsize);
                EXPECT_EQ(row,
                          Samples(samples.begin() + i * xsize, samples.begin() + (i + 1) * xsize));
            }
            EXPECT_EQ(sgi::iclose(image), 0);
        }
    }
}

Samples rowOf(const std::string& path, std::size_t width) {
    Samples row(width, 0xbeef);
    sgi::SgiImage* image = sgi::iopen(path.c_str(), "r");
    EXPECT_EQ(image != nullptr && sgi::getrow(image, row.data(), 0, 0) == int(width), true);
    sgi::iclose(image);
    return row;
}

// Little-endian files spelled out byte by byte, so they do not rest on the test's own writer.
// An RLE row may end early (the rest of the buffer stays), end without its count of zero, or
// fill the whole row buffer of 4 * (xsize + xsize / 64) bytes, what follows never looked at.
TEST(SgiImage, RowsByteByByteAndRleRowsEndingEarlyOpenOrFillingTheBuffer) {
    const auto header = [](char storage, char bpc, char xsize) {
        std::string bytes = std::string("\xda\x01", 2) + storage + bpc + std::string("\x02\0", 2) +
                            xsize + std::string("\0\x01\0\x01\0", 5);
        bytes.resize(512, '\0');
        return bytes + (storage == 1 ? std::string("\x08\x02\0\0", 4) : ""); // rows at 520
    };
    const auto shortRow = [](bool big, int bpc) {
        const SgiFileWriter writer({big, 1, bpc, 2, 5, 1, 1});
        return writer.rleRows({writer.repeat(2, 9) + writer.end()});
    };
    const Samples early = {9, 9, 0xbeef, 0xbeef, 0xbeef};
    const SgiFileWriter w({true, 1, 1, 2, 4, 1, 1});
    const std::string full = w.literal({5}) + w.literal({6}) + w.literal({7}) + w.repeat(1, 8) +
                             w.end() + std::string(7, '\x7f');
    ASSERT_EQ(full.size(), 16u);
    const std::pair<std::string, Samples> cases[] = {
        {header(0, 1, 3) + "\x05\xfa\x80", {0x05, 0xfa, 0x80}},
        {header(0, 2, 2) + "\x34\x12\xcd\xab", {0x1234, 0xabcd}},
        {header(1, 1, 3) + std::string("\x04\0\0\0\x03\x07\0\0", 8), {7, 7, 7}},
        {header(1, 2, 2) + std::string("\x08\0\0\0\x82\0\x34\x12\xcd\xab\0\0", 12),
         {0x1234, 0xabcd}},
        {shortRow(true, 1), early},
        {shortRow(true, 2), early},
        {shortRow(false, 1), early},
        {shortRow(false, 2), early},
        {w.rleRows({w.literal({5, 6, 7, 8})}), {5, 6, 7, 8}},
        {w.rleRows({full}), {5, 6, 7, 8}},
    };
    testsupport::TempDir dir;
    for (const auto& [bytes, expected] : cases) {
        SCOPED_TRACE(testing::PrintToString(expected));
        EXPECT_EQ(rowOf(dir.write("row.sgi", bytes), expected.size()), expected);
    }
}

// Units in host order, as getrow hands them over.
std::vector<unsigned char> units16(const Samples& values, int oddByte = -1) {
    std::vector<unsigned char> bytes(values.size() * 2);
    std::memcpy(bytes.data(), values.data(), bytes.size());
    if (oddByte >= 0) {
        bytes.push_back(static_cast<unsigned char>(oddByte));
    }
    return bytes;
}

// in, its unit size, output units, their size, units written, output (0xee: never written).
TEST(SgiImage, RleExpandConvertsBetweenUnitSizes) {
    using Bytes = std::vector<unsigned char>;
    const std::tuple<Bytes, int, std::size_t, int, int, std::vector<unsigned>> cases[] = {
        {{0x82, 4, 5, 3, 6, 0}, 1, 6, 1, 5, {4, 5, 6, 6, 6, 0xee}},
        {{0x82, 4, 200, 3, 6, 0}, 1, 5, 2, 5, {4, 200, 6, 6, 6}},
        {units16({0x82, 0x1234, 0xfffe, 2, 0x0102, 0}),
         2,
         4,
         2,
         4,
         {0x1234, 0xfffe, 0x0102, 0x0102}},
        {units16({0x81, 0x1234, 2, 0xabcd, 0}), 2, 3, 1, 3, {0x34, 0xcd, 0xcd}}, // low byte
        {{0x81, 9, 0, 3, 7}, 1, 4, 1, 1, {9, 0xee, 0xee, 0xee}}, // count of zero ends
        {{2, 9}, 1, 4, 1, 2, {9, 9, 0xee, 0xee}},                // end of input ends
        {{5, 9, 0}, 1, 4, 1, -1, {0xee, 0xee, 0xee, 0xee}},      // repeat past the output
        {{0x83, 1, 2}, 1, 4, 1, -1, {0xee, 0xee, 0xee, 0xee}},   // literal past input
        {{0x81, 1, 3}, 1, 4, 1, -1, {1, 0xee, 0xee, 0xee}},      // repeat without value
        {units16({1, 7}, 0x2a), 2, 2, 2, 1, {7, 0xeeee}},
    }; // odd byte ignored
    for (const auto& [in, inBpu, outUnits, outBpu, written, expected] : cases) {
        SCOPED_TRACE(testing::PrintToString(in));
        std::vector<unsigned char> out(outUnits * std::size_t(outBpu), 0xee);
        EXPECT_EQ(sgi::rle_expand(in.data(), in.size(), inBpu, out.data(), outUnits, outBpu),
                  written);
        std::vector<unsigned> units(outUnits);
        for (std::size_t i = 0; i < outUnits; ++i) {
            uint16_t unit = out[i];
            units[i] = outBpu == 2 ? (std::memcpy(&unit, out.data() + 2 * i, 2), unit) : unit;
        }
        EXPECT_EQ(units, expected);
    }
}

// Every scanline of a 4096 x 1024 picture points at one stored row: a file where each had its
// own would need 1/64 byte per sample, 65536 bytes for these. A header with a zero size has no
// picture and is no fault, nor is a missing file; only read modes open.
TEST(SgiImage, SharedRowsEmptyMissingAndUnreadableOpens) {
    const SgiFileWriter writer({true, 1, 1, 2, 4096, 1024, 1});
    const std::string row = writer.rleRow(Samples(4096, 200)),
                      picture = fileBytes({true, 0, 1, 3, 1, 1, 1}, {1});
    testsupport::TempDir dir;
    const std::string refused = "longimagedata: image file " + dir.file("p.sgi") +
                                " shares its rows too often: 4096 x 1024 pixels from ";
    const std::tuple<std::string, int, std::string> cases[] = {
        {writer.rleShared(row, 65536), 200, ""},
        {writer.rleShared(row, 65535), 0, refused + "65535 bytes, refused\n"},
        {writer.rleShared(row), 0,
         refused + std::to_string(8704 + row.size()) + " bytes, refused\n"},
        {SgiFileWriter({true, 0, 1, 3, 0, 2, 3}).verbatim({}), 0, ""},
        {SgiFileWriter({true, 1, 1, 3, 4, 0, 3}).rle({}), 0, ""},
        {SgiFileWriter({true, 0, 1, 3, 4, 2, 0}).verbatim({}), 0, ""}};
    for (const auto& [bytes, status, errors] : cases) {
        SCOPED_TRACE(errors.substr(0, 60) + std::to_string(status));
        const std::string path = dir.write("p.sgi", bytes);
        const auto outcome = ChildProcess::runFunction([&] {
            const auto pixels = sgi::longimagedata(path.c_str());
            std::_Exit(pixels == nullptr ? 0 : Rgba::at(pixels.get(), 4096 * 1024 - 1).r);
        });
        EXPECT_TRUE(outcome.exited);
        EXPECT_EQ(outcome.status, status);
        EXPECT_EQ(outcome.err, errors);
        sgi::SgiImage* image = sgi::iopen(path.c_str(), "r");
        EXPECT_EQ(sgi::hasPicture(*image), status != 0 || !errors.empty());
        sgi::iclose(image);
    }
    const std::string absent = dir.file("absent.sgi"), path = dir.write("p.sgi", picture);
    const auto quiet =
        ChildProcess::runFunction([&] { std::_Exit(sgi::iopen(absent.c_str(), "r") != nullptr); });
    EXPECT_EQ(std::tuple(quiet.exited, quiet.status, quiet.err), std::tuple(true, 0, ""));
    for (const char* mode : {"w", "a", "", static_cast<const char*>(nullptr)}) {
        EXPECT_EQ(sgi::iopen(path.c_str(), mode), nullptr) << (mode != nullptr ? mode : "null");
    }
    sgi::SgiImage* image = sgi::iopen(path.c_str(), "rb");
    EXPECT_EQ(std::tuple(sgi::iopen(nullptr, "r"), image->flags),
              std::tuple(nullptr, sgi::SgiImage::readMode));
    EXPECT_EQ(sgi::iclose(image) + sgi::iclose(nullptr), -1);
}

// Files netpbm and ImageMagick write (no code of ours), read back pixel by pixel against the
// picture the tools were given; netpbm rows run top to bottom, SGI rows bottom to top. Runs of
// one value need two repeat packets, then samples change at every pixel for literal ones; 16-bit
// samples vary in the low byte too, so keeping the high byte is tested.
TEST(SgiImageTools, ReadsWhatNetpbmAndImageMagickWrite) {
    const std::tuple<std::string, int, int, int, int> cases[] = {
        {"/usr/bin/pnmtosgi -rle IN > OUT", 3, 255, 1, 1},
        {"/usr/bin/pnmtosgi -verbatim IN > OUT", 1, 255, 0, 1},
        {"/usr/bin/pnmtosgi -rle IN > OUT", 1, 65535, 1, 2},
        {"/usr/bin/pnmtosgi -verbatim IN > OUT", 3, 65535, 0, 2},
        {"/usr/bin/convert IN OUT", 4, 255, 1, 1},
        {"/usr/bin/convert IN -compress None OUT", 4, 255, 0, 1},
        {"/usr/bin/convert IN -depth 16 OUT", 4, 255, 0, 2}};
    testsupport::TempDir dir;
    const std::string in = dir.file("in.pnm"), out = dir.file("out.sgi");
    for (const auto& [command, depth, maxval, storage, bpc] : cases) {
        SCOPED_TRACE(command + " depth " + std::to_string(depth) + " maxval " +
                     std::to_string(maxval));
        PnmImage picture(300, 5, depth, maxval);
        for (int i = 0; i < 300 * 5 * depth; ++i) {
            const int x = i / depth % 300, y = i / depth / 300, c = i % depth;
            const int high =
                x < 140 ? (y * 40 + c * 70 + 5) % 256 : (x * 7 + y * 31 + c * 50) % 256;
            const int low = x < 140 ? 0x5a : (x * 13 + c) % 256;
            picture.set(x, y, c, static_cast<uint16_t>(maxval <= 255 ? high : high << 8 | low));
        }
        ASSERT_TRUE(picture.write(in));
        std::string line = command;
        line.replace(line.find("IN"), 2, in).replace(line.find("OUT"), 3, out);
        ASSERT_EQ(std::system((line + " 2>/dev/null").c_str()), 0);
        sgi::SgiImage* image = sgi::iopen(out.c_str(), "r");
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(std::tuple(image->storage, image->bpc, image->zsize, image->xsize, image->ysize),
                  std::tuple(storage, bpc, depth, 300, 5));
        sgi::iclose(image);
        const std::unique_ptr<uint32_t[]> pixels = sgi::longimagedata(out.c_str());
        ASSERT_NE(pixels, nullptr);
        const int shift = maxval > 255 ? 8 : 0;
        for (int i = 0, mismatches = 0; i < 300 * 5 && mismatches < 5; ++i) {
            const int x = i % 300, row = 4 - i / 300;
            const auto sample = [&](int c) { return picture.at(x, row, c) >> shift; };
            const Rgba want = {sample(0), sample(depth == 1 ? 0 : 1), sample(depth == 1 ? 0 : 2),
                               depth == 4 ? sample(3) : 255};
            const Rgba got = Rgba::at(pixels.get(), std::size_t(i));
            mismatches += got != want;
            EXPECT_EQ(got, want) << "pixel " << x << ", " << i / 300;
        }
    }
}

} // namespace

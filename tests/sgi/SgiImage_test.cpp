#include "render/sgi/LongImageData.h"
#include "render/sgi/SgiImage.h"
#include "tests/sgi/ChildProcess.h"
#include "tests/sgi/Rgba.h"
#include "tests/sgi/SgiFileWriter.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr bool hostIsBigEndian = std::endian::native == std::endian::big;

// A 4 x 2 RGB picture with a run in its bottom row. Stored rows: channel by channel, bottom first.
const std::vector<uint16_t> rgbSamples = {
    10, 10, 10, 200, 1, 2,  3,  4, // R: row 0, row 1
    20, 20, 20, 100, 5, 6,  7,  8, // G
    30, 30, 30, 0,   9, 10, 11, 12 // B
};
const std::vector<Rgba> rgbPixels = {
    {10, 20, 30, 255}, {10, 20, 30, 255}, {10, 20, 30, 255}, {200, 100, 0, 255},
    {1, 5, 9, 255},    {2, 6, 10, 255},   {3, 7, 11, 255},   {4, 8, 12, 255},
};

std::string storageName(int storage) {
    return storage == 1 ? "rle" : "verbatim";
}

std::string fileBytes(const SgiLayout& layout, const std::vector<uint16_t>& samples) {
    const SgiFileWriter writer(layout);
    return layout.storage == 1 ? writer.rle(samples) : writer.verbatim(samples);
}

std::vector<Rgba> pixelsOf(const std::string& path, std::size_t count) {
    const std::unique_ptr<uint32_t[]> pixels = sgi::longimagedata(path.c_str());
    std::vector<Rgba> result;
    for (std::size_t i = 0; pixels != nullptr && i < count; ++i) {
        result.push_back(Rgba::at(pixels.get(), i));
    }
    return result;
}

struct Variant {
    bool bigEndian;
    int storage;
};
const Variant everyVariant[] = {{true, 1}, {true, 0}, {false, 1}, {false, 0}};

std::string traceOf(const Variant& variant) {
    return std::string(variant.bigEndian ? "big-endian " : "little-endian ") +
           storageName(variant.storage);
}

// Header fields in host order, pixels bottom row first, rows read in any order from their own
// place: in either byte order and storage.
TEST(SgiImage, ReadsRgbInEitherByteOrderAndStorage) {
    testsupport::TempDir dir;
    for (const Variant& variant : everyVariant) {
        SCOPED_TRACE(traceOf(variant));
        const SgiLayout layout{variant.bigEndian, variant.storage, 1, 3, 4, 2, 3};
        const std::string path = dir.write("rgb.sgi", fileBytes(layout, rgbSamples));
        EXPECT_EQ(pixelsOf(path, 8), rgbPixels);
        sgi::SgiImage* image = sgi::iopen(path.c_str(), "r");
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->magic, 474);
        EXPECT_EQ(image->storage, variant.storage);
        EXPECT_EQ(image->bpc, 1);
        EXPECT_EQ(image->dimension, 3);
        EXPECT_EQ(image->xsize, 4);
        EXPECT_EQ(image->ysize, 2);
        EXPECT_EQ(image->zsize, 3);
        EXPECT_EQ(image->pixmax, 255);
        EXPECT_STREQ(image->name, "hand-made");
        EXPECT_EQ(image->swapBytes, variant.bigEndian != hostIsBigEndian);
        EXPECT_EQ(image->rowBufferSize, 16u);
        const struct {
            unsigned y, z;
        } order[] = {{1, 2}, {0, 0}, {0, 0}, {1, 0}, {0, 2}, {1, 1}, {0, 1}};
        for (const auto& row : order) {
            std::vector<uint16_t> samples(4, 0);
            sgi::getrow(image, samples.data(), row.y, row.z);
            const auto stored = rgbSamples.begin() + (row.z * 2 + row.y) * 4;
            EXPECT_EQ(samples, std::vector<uint16_t>(stored, stored + 4)) << row.y << " " << row.z;
        }
        EXPECT_EQ(sgi::iclose(image), 0);
    }
}

// Spelled out byte by byte, so the little-endian layout does not rest on the test's own writer.
std::string littleEndianHeader(int storage, int bpc, int xsize) {
    std::string header = std::string("\xda\x01", 2) + static_cast<char>(storage) +
                         static_cast<char>(bpc) + std::string("\x02\x00", 2) +
                         static_cast<char>(xsize) + std::string("\x00\x01\x00\x01\x00", 5);
    header.resize(512, '\0');
    return header;
}

TEST(SgiImage, ReadsLittleEndianFilesWithoutSwapping) {
    const struct {
        const char* name;
        std::string bytes;
        std::vector<uint16_t> row;
    } cases[] = {
        {"verbatim 1 byte", littleEndianHeader(0, 1, 3) + "\x05\xfa\x80", {0x05, 0xfa, 0x80}},
        {"verbatim 2 bytes", littleEndianHeader(0, 2, 2) + "\x34\x12\xcd\xab", {0x1234, 0xabcd}},
        // Start table (520), length table (4), then a repeat of 3 and the count of zero.
        {"rle 1 byte",
         littleEndianHeader(1, 1, 3) + std::string("\x08\x02\x00\x00", 4) +
             std::string("\x04\x00\x00\x00", 4) + std::string("\x03\x07\x00\x00", 4),
         {7, 7, 7}},
        // A literal of 2 (0x0082) and the count of zero, in 2-byte units.
        {"rle 2 bytes",
         littleEndianHeader(1, 2, 2) + std::string("\x08\x02\x00\x00", 4) +
             std::string("\x08\x00\x00\x00", 4) +
             std::string("\x82\x00\x34\x12\xcd\xab\x00\x00", 8),
         {0x1234, 0xabcd}},
    };
    testsupport::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.write("little.sgi", c.bytes);
        sgi::SgiImage* image = sgi::iopen(path.c_str(), "r");
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->xsize, c.row.size());
        EXPECT_EQ(image->ysize, 1);
        EXPECT_EQ(image->zsize, 1);
        std::vector<uint16_t> row(c.row.size(), 0);
        sgi::getrow(image, row.data(), 0, 0);
        EXPECT_EQ(row, c.row);
        sgi::iclose(image);
    }
}

// Two-byte samples reach getrow whole and give their high byte to the picture.
TEST(SgiImage, TwoByteSamplesReachGetrowWholeAndKeepTheirHighByte) {
    const std::vector<uint16_t> samples = {0x0000, 0x00ff, 0x0100, 0x7fff,
                                           0x8000, 0xffff, 0x1234, 0xabcd};
    const int expected[] = {0x00, 0x00, 0x01, 0x7f, 0x80, 0xff, 0x12, 0xab};
    testsupport::TempDir dir;
    for (const Variant& variant : everyVariant) {
        SCOPED_TRACE(traceOf(variant));
        const SgiLayout layout{variant.bigEndian, variant.storage, 2, 2, 8, 1, 1};
        const std::string path = dir.write("wide.sgi", fileBytes(layout, samples));
        sgi::SgiImage* image = sgi::iopen(path.c_str(), "r");
        ASSERT_NE(image, nullptr);
        std::vector<uint16_t> row(8, 0);
        EXPECT_EQ(sgi::getrow(image, row.data(), 0, 0), 8);
        EXPECT_EQ(row, samples);
        sgi::iclose(image);
        const std::vector<Rgba> pixels = pixelsOf(path, 8);
        ASSERT_EQ(pixels.size(), 8u);
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            EXPECT_EQ(pixels[i], (Rgba{expected[i], expected[i], expected[i], 255})) << i;
        }
    }
}

// The channel count chooses grey, RGB or RGBA (2 x 1 pixels, samples channel by channel); a
// dimension-2 file reads channel 0 for every channel.
TEST(SgiImage, ChannelCountAndDimensionChooseTheColours) {
    const struct {
        int dimension, zsize;
        std::vector<uint16_t> samples;
        std::vector<Rgba> pixels;
    } cases[] = {
        {3, 1, {7, 250}, {{7, 7, 7, 255}, {250, 250, 250, 255}}},
        {3, 2, {7, 250, 99, 1}, {{7, 7, 7, 255}, {250, 250, 250, 255}}},
        {3, 3, {1, 2, 3, 4, 5, 6}, {{1, 3, 5, 255}, {2, 4, 6, 255}}},
        {3, 4, {1, 2, 3, 4, 5, 6, 0, 128}, {{1, 3, 5, 0}, {2, 4, 6, 128}}},
        {3, 5, {1, 2, 3, 4, 5, 6, 0, 128, 77, 77}, {{1, 3, 5, 0}, {2, 4, 6, 128}}},
        {2, 3, {1, 2}, {{1, 1, 1, 255}, {2, 2, 2, 255}}},
    };
    testsupport::TempDir dir;
    for (const auto& c : cases) {
        for (const Variant& variant : everyVariant) {
            SCOPED_TRACE(std::to_string(c.zsize) + " channels, " + traceOf(variant));
            const SgiLayout layout{
                variant.bigEndian, variant.storage, 1, c.dimension, 2, 1, c.zsize};
            const std::string path = dir.write("channels.sgi", fileBytes(layout, c.samples));
            EXPECT_EQ(pixelsOf(path, 2), c.pixels);
        }
    }
}

TEST(SgiImage, DimensionOneIsOneRowWhateverTheHeaderSays) {
    testsupport::TempDir dir;
    for (const int rows : {3, 65535}) {
        for (const Variant& variant : everyVariant) {
            SCOPED_TRACE(traceOf(variant) + " declaring " + std::to_string(rows) + " rows");
            const SgiLayout layout{variant.bigEndian, variant.storage, 1, 1, 2, rows, 3};
            const std::string path = dir.write("line.sgi", fileBytes(layout, {40, 80}));
            sgi::SgiImage* image = sgi::iopen(path.c_str(), "r");
            ASSERT_NE(image, nullptr);
            EXPECT_EQ(image->ysize, 1);
            // Whatever row and channel are asked for, there is only the one.
            std::vector<uint16_t> row(2, 0);
            EXPECT_EQ(sgi::getrow(image, row.data(), 7, 9), 2);
            EXPECT_EQ(row, (std::vector<uint16_t>{40, 80}));
            sgi::iclose(image);
            EXPECT_EQ(pixelsOf(path, 2), (std::vector<Rgba>{{40, 40, 40, 255}, {80, 80, 80, 255}}));
        }
    }
}

// An RLE row may end early (the rest of the buffer stays), end with its bytes instead of a count
// of zero, or fill the whole row buffer of 4 * (xsize + xsize / 64) = 16 bytes, with the bytes
// after its count of zero never looked at.
TEST(SgiImage, RleRowsEndingEarlyOpenOrFillingTheBuffer) {
    testsupport::TempDir dir;
    for (const bool bigEndian : {true, false}) {
        for (const int bpc : {1, 2}) {
            SCOPED_TRACE(std::string(bigEndian ? "big-endian" : "little-endian") + " bpc " +
                         std::to_string(bpc));
            const SgiFileWriter writer({bigEndian, 1, bpc, 2, 5, 1, 1});
            const std::string path =
                dir.write("short.sgi", writer.rleRows({writer.repeat(2, 9) + writer.end()}));
            sgi::SgiImage* image = sgi::iopen(path.c_str(), "r");
            ASSERT_NE(image, nullptr);
            std::vector<uint16_t> row(5, 0xbeef);
            EXPECT_EQ(sgi::getrow(image, row.data(), 0, 0), 5);
            EXPECT_EQ(row, (std::vector<uint16_t>{9, 9, 0xbeef, 0xbeef, 0xbeef}));
            sgi::iclose(image);
        }
    }
    const SgiFileWriter writer({true, 1, 1, 2, 4, 1, 1});
    const std::string full = writer.literal({5}) + writer.literal({6}) + writer.literal({7}) +
                             writer.repeat(1, 8) + writer.end() + std::string(7, '\x7f');
    ASSERT_EQ(full.size(), 16u);
    const std::vector<Rgba> grey = {{5, 5, 5, 255}, {6, 6, 6, 255}, {7, 7, 7, 255}, {8, 8, 8, 255}};
    for (const std::string& row : {writer.literal({5, 6, 7, 8}), full}) {
        EXPECT_EQ(pixelsOf(dir.write("rle.sgi", writer.rleRows({row})), 4), grey);
    }
}

// Units are in host order, as getrow hands them over.
std::vector<unsigned char> units16(const std::vector<uint16_t>& values, int oddByte = -1) {
    std::vector<unsigned char> bytes(values.size() * 2);
    std::memcpy(bytes.data(), values.data(), bytes.size());
    if (oddByte >= 0) {
        bytes.push_back(static_cast<unsigned char>(oddByte));
    }
    return bytes;
}

std::vector<unsigned> expandInto(const std::vector<unsigned char>& in, int inBpu,
                                 std::size_t outUnits, int outBpu, int& written) {
    std::vector<unsigned char> out(outUnits * static_cast<std::size_t>(outBpu), 0xee);
    written = sgi::rle_expand(in.data(), in.size(), inBpu, out.data(), outUnits, outBpu);
    std::vector<unsigned> values;
    for (std::size_t i = 0; i < outUnits; ++i) {
        uint16_t unit = out[i];
        if (outBpu == 2) {
            std::memcpy(&unit, out.data() + 2 * i, 2);
        }
        values.push_back(unit);
    }
    return values;
}

// in, its unit size, output units, their size, units written, output (0xee: never written).
TEST(SgiImage, RleExpandConvertsBetweenUnitSizes) {
    using Bytes = std::vector<unsigned char>;
    using Units = std::vector<unsigned>;
    const struct {
        Bytes in;
        int inBpu;
        std::size_t outUnits;
        int outBpu;
        int written;
        Units out;
    } cases[] = {
        {{0x82, 4, 5, 3, 6, 0}, 1, 6, 1, 5, {4, 5, 6, 6, 6, 0xee}},
        {{0x82, 4, 200, 3, 6, 0}, 1, 5, 2, 5, {4, 200, 6, 6, 6}},
        {units16({0x82, 0x1234, 0xfffe, 2, 0x0102, 0}),
         2,
         4,
         2,
         4,
         {0x1234, 0xfffe, 0x0102, 0x0102}},
        {units16({0x81, 0x1234, 2, 0xabcd, 0}), 2, 3, 1, 3, {0x34, 0xcd, 0xcd}}, // low byte
        {{0x81, 9, 0, 3, 7}, 1, 4, 1, 1, {9, 0xee, 0xee, 0xee}},        // count of zero ends
        {{2, 9}, 1, 4, 1, 2, {9, 9, 0xee, 0xee}},                       // end of input ends
        {{0x84, 1, 2, 3, 4, 0}, 1, 4, 1, 4, {1, 2, 3, 4}},              // filled exactly
        {{5, 9, 0}, 1, 4, 1, -1, {0xee, 0xee, 0xee, 0xee}},             // repeat past the output
        {{0x85, 1, 2, 3, 4, 5}, 1, 4, 1, -1, {0xee, 0xee, 0xee, 0xee}}, // literal past output
        {{0x83, 1, 2}, 1, 4, 1, -1, {0xee, 0xee, 0xee, 0xee}},          // literal past input
        {{0x81, 1, 3}, 1, 4, 1, -1, {1, 0xee, 0xee, 0xee}},             // repeat without value
        {units16({1, 7}, 0x2a), 2, 2, 2, 1, {7, 0xeeee}},               // odd byte ignored
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        int written = 0;
        const Units out = expandInto(c.in, c.inBpu, c.outUnits, c.outBpu, written);
        EXPECT_EQ(written, c.written);
        EXPECT_EQ(out, c.out);
    }
}

// Every scanline of a 4096 x 1024 picture points at one stored row. A file where each scanline
// had its own row would need more than 1/64 byte per sample: 65536 bytes for these.
TEST(SgiImage, RleRowsSharedBeyondWhatTheFileHoldsAreRefusedWithOneLine) {
    const SgiLayout layout{true, 1, 1, 2, 4096, 1024, 1};
    const SgiFileWriter writer(layout);
    const std::string row = writer.rleRow(std::vector<uint16_t>(4096, 200));
    const struct {
        std::size_t length;
        bool refused;
    } cases[] = {{65536, false}, {65535, true}, {0, true}};
    testsupport::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        const std::string path = dir.write("shared.sgi", writer.rleShared(row, c.length));
        const ChildProcess::Outcome outcome = ChildProcess::run([&] {
            const auto pixels = sgi::longimagedata(path.c_str());
            std::_Exit(pixels == nullptr ? 0 : Rgba::at(pixels.get(), 4096 * 1024 - 1).r);
        });
        EXPECT_TRUE(outcome.exited);
        EXPECT_EQ(outcome.status, c.refused ? 0 : 200);
        const std::string size = std::to_string(c.length != 0 ? c.length : 8704 + row.size());
        EXPECT_EQ(outcome.errors, c.refused ? "longimagedata: image file " + path +
                                                  " shares its rows too often: 4096 x 1024 "
                                                  "pixels from " +
                                                  size + " bytes, refused\n"
                                            : "");
    }
}

// A header with a zero size has no picture and is no fault; a missing file is none, quietly; only
// read modes open, and closing no image fails.
TEST(SgiImage, EmptyMissingAndUnreadableOpens) {
    const struct {
        int xsize, ysize, zsize;
    } sizes[] = {{0, 2, 3}, {4, 0, 3}, {4, 2, 0}, {0, 0, 0}, {4, 2, 3}};
    testsupport::TempDir dir;
    for (const auto& size : sizes) {
        for (const int storage : {0, 1}) {
            SCOPED_TRACE(std::to_string(size.xsize) + " x " + std::to_string(size.ysize) + " x " +
                         std::to_string(size.zsize) + " " + storageName(storage));
            const SgiLayout layout{true, storage, 1, 3, size.xsize, size.ysize, size.zsize};
            const bool whole = size.xsize * size.ysize * size.zsize != 0;
            const std::string path = dir.write(
                "empty.sgi", fileBytes(layout, whole ? rgbSamples : std::vector<uint16_t>{}));
            sgi::SgiImage* image = sgi::iopen(path.c_str(), "r");
            ASSERT_NE(image, nullptr);
            EXPECT_EQ(sgi::hasPicture(*image), whole);
            sgi::iclose(image);
            if (whole) {
                continue;
            }
            const ChildProcess::Outcome outcome = ChildProcess::run(
                [&] { std::_Exit(sgi::longimagedata(path.c_str()) == nullptr ? 0 : 3); });
            EXPECT_TRUE(outcome.exited);
            EXPECT_EQ(outcome.status, 0);
            EXPECT_EQ(outcome.errors, "");
        }
    }
    const std::string absent = dir.file("absent.sgi");
    const ChildProcess::Outcome outcome =
        ChildProcess::run([&] { std::_Exit(sgi::iopen(absent.c_str(), "r") == nullptr ? 0 : 3); });
    EXPECT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.errors, "");
    const std::string path = dir.write("rgb.sgi", fileBytes({true, 0, 1, 3, 4, 2, 3}, rgbSamples));
    for (const char* mode : {"w", "a", "", static_cast<const char*>(nullptr)}) {
        EXPECT_EQ(sgi::iopen(path.c_str(), mode), nullptr) << (mode != nullptr ? mode : "null");
    }
    EXPECT_EQ(sgi::iopen(nullptr, "r"), nullptr);
    sgi::SgiImage* image = sgi::iopen(path.c_str(), "rb");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->flags, sgi::SgiImage::readMode);
    EXPECT_EQ(sgi::iclose(image), 0);
    EXPECT_EQ(sgi::iclose(nullptr), -1);
}

} // namespace

#include "render/sgi/LongImageData.h"
#include "render/sgi/SgiFailure.h"
#include "render/sgi/SgiImage.h"
#include "tests/sgi/ChildProcess.h"
#include "tests/sgi/SgiFileWriter.h"
#include "tests/support/AddressSpaceCap.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

// Every fault in a file ends the process with one exact line on stderr and exit status 1; each
// case runs in a child so the message and status can be checked whole.

namespace {

using testsupport::sanitized;

const std::string readRowError = "getrow: error on read of row\n";

void expectFatal(const ChildProcess::Outcome& outcome, const std::string& message) {
    EXPECT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.errors, message);
}

void expectLongimagedataFatal(const std::string& path, const std::string& message) {
    expectFatal(ChildProcess::run([&] { sgi::longimagedata(path.c_str()); }), message);
}

// A 4 x 2 x 3 picture, verbatim or RLE, in the given byte order.
SgiLayout rgb(int storage, bool bigEndian = true) {
    return {bigEndian, storage, 1, 3, 4, 2, 3};
}
const std::vector<uint16_t> rgbSamples(24, 17);

std::string withStorage(int storage, int dimension, int bpc = 1) {
    SgiLayout layout = rgb(storage);
    layout.dimension = dimension;
    layout.bpc = bpc;
    const SgiFileWriter writer(layout);
    return storage == 1 ? writer.rle(rgbSamples) : writer.verbatim(rgbSamples);
}

// One RLE row of a 4 x 1 single-channel picture, with the table's length unless one is given.
std::string rleRow(int bpc, const std::string& row, std::vector<uint32_t> lengths = {}) {
    return SgiFileWriter({true, 1, bpc, 2, 4, 1, 1}).rleRows({row}, lengths);
}

struct FileCase {
    const char* name;
    std::string bytes;
    std::string message;
};

TEST(SgiImageExit, HeaderRowAndRleFaults) {
    const std::string header = SgiFileWriter(rgb(0)).header();
    const std::string rleHeader = SgiFileWriter(rgb(1)).header();
    const std::string tables(48, '\0');
    const std::string verbatim = SgiFileWriter(rgb(0)).verbatim(rgbSamples);
    const std::string rle = SgiFileWriter(rgb(1)).rle(rgbSamples);
    const SgiFileWriter one({true, 1, 1, 2, 4, 1, 1});
    const SgiFileWriter two({true, 1, 2, 2, 4, 1, 1});
    // The row buffer of a 4-pixel row holds 16 bytes.
    std::string seventeen = one.literal({1, 2, 3, 4}) + one.end();
    seventeen.resize(17, '\0');
    const std::string magic = "iopen: bad magic in image file ";
    const std::string rowstart = "iopen: error on read of rowstart\n";
    const std::string type = "img_seek: weird image type\n", dim = "img_seek: weird dim\n";
    const std::string bpp = "getrow: weird bpp\n", row = readRowError;
    const FileCase cases[] = {
        {"other format", std::string("\x89PNG\r\n\x1a\n", 8) + std::string(200, 'x'),
         magic + "5089\n"},
        {"magic one off", "\x01\xdb" + header.substr(2), magic + "db01\n"},
        {"zero magic", std::string(512, '\0'), magic + "0\n"},
        {"empty file", "", "iopen: error on read of image header\n"},
        {"151 bytes of header", header.substr(0, 151), "iopen: error on read of image header\n"},
        {"rle header without tables", rleHeader, rowstart},
        {"rle start table cut short", rleHeader + tables.substr(0, 23), rowstart},
        {"rle size table cut short", rleHeader + tables.substr(0, 47),
         "iopen: error on read of rowsize\n"},
        {"152 bytes of header and no rows", verbatim.substr(0, 152), row},
        {"verbatim rows cut short", verbatim.substr(0, verbatim.size() - 1), row},
        {"rle rows cut short", rle.substr(0, rle.size() - 1), row},
        {"storage 2", withStorage(2, 3), type},
        {"storage 255", withStorage(255, 3), type},
        {"storage before dimension", withStorage(2, 0), type},
        {"verbatim dimension 0", withStorage(0, 0), dim},
        {"verbatim dimension 4", withStorage(0, 4), dim},
        {"rle dimension 0", withStorage(1, 0), dim},
        {"rle dimension 4", withStorage(1, 4), dim},
        {"verbatim 0 bytes per sample", withStorage(0, 3, 0), bpp},
        {"verbatim 3 bytes per sample", withStorage(0, 3, 3), bpp},
        {"rle 3 bytes per sample", withStorage(1, 3, 3), bpp},
        {"row longer than the row buffer", rleRow(1, seventeen), row},
        {"table length past the buffer", rleRow(1, one.repeat(4, 1) + one.end(), {1000}), row},
        {"repeat past xsize", rleRow(1, one.repeat(5, 1) + one.end()), row},
        {"literal past xsize", rleRow(1, one.literal({1, 2, 3, 4, 5}) + one.end()), row},
        {"packets past xsize", rleRow(1, one.repeat(3, 1) + one.literal({2, 3}) + one.end()), row},
        {"maximal repeat", rleRow(1, one.repeat(127, 1) + one.end()), row},
        {"literal past the row's bytes", rleRow(1, one.unit(0x84) + one.unit(1)), row},
        {"repeat without its value", rleRow(1, one.unit(3)), row},
        {"table shorter than the packets", rleRow(1, one.literal({1, 2, 3, 4}), {3}), row},
        {"2-byte repeat past xsize", rleRow(2, two.repeat(5, 0x1234) + two.end()), row},
        {"2-byte literal past xsize", rleRow(2, two.literal({1, 2, 3, 4, 5}) + two.end()), row},
        {"2-byte literal past the bytes", rleRow(2, two.unit(0x82) + two.unit(7)), row},
    };
    testsupport::TempDir dir;
    for (const FileCase& c : cases) {
        SCOPED_TRACE(c.name);
        expectLongimagedataFatal(dir.write("bad.sgi", c.bytes), c.message);
    }
    const std::string path = dir.file("absent.sgi");
    expectLongimagedataFatal(path, "longimagedata: can't open image file " + path + "\n");
}

struct HandlerFailed {
    std::string message;
};
[[noreturn]] void throwingHandler(const char* message) {
    throw HandlerFailed{message};
}
void returningHandler(const char*) {}

std::ptrdiff_t openFiles() {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                         std::filesystem::directory_iterator());
}

// A failure handler (the fuzz target's way to read thousands of corrupt files in one process) gets
// the exact message in place of the exit, and one that throws leaves no file of the reader open.
// One that returns still ends the process with the message and status 1.
TEST(SgiImageExit, FailureHandlerTakesThePlaceOfTheExit) {
    const std::string verbatim = SgiFileWriter(rgb(0)).verbatim(rgbSamples);
    const SgiFileWriter one({true, 1, 1, 2, 4, 1, 1});
    const FileCase cases[] = {
        {"bad magic", std::string(512, '\0'), "iopen: bad magic in image file 0\n"},
        {"rle tables cut short", SgiFileWriter(rgb(1)).header(),
         "iopen: error on read of rowstart\n"},
        {"verbatim rows cut short", verbatim.substr(0, verbatim.size() - 1), readRowError},
        {"rle repeat past xsize", rleRow(1, one.repeat(5, 1) + one.end()), readRowError},
        {"dimension 4", withStorage(0, 4), "img_seek: weird dim\n"},
    };
    testsupport::TempDir dir;
    for (const FileCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.write("bad.sgi", c.bytes);
        const ChildProcess::Outcome caught = ChildProcess::run([&] {
            sgi::setFailureHandler(throwingHandler);
            const std::ptrdiff_t before = openFiles();
            try {
                sgi::longimagedata(path.c_str());
            } catch (const HandlerFailed& failed) {
                std::fputs(failed.message.c_str(), stderr);
                std::_Exit(openFiles() == before ? 0 : 4);
            }
            std::_Exit(5);
        });
        EXPECT_TRUE(caught.exited);
        EXPECT_EQ(caught.status, 0);
        EXPECT_EQ(caught.errors, c.message);
        expectFatal(ChildProcess::run([&] {
                        sgi::setFailureHandler(returningHandler);
                        sgi::longimagedata(path.c_str());
                    }),
                    c.message);
    }
}

TEST(SgiImageExit, RleExpandRefusesUnitSizesOtherThanOneAndTwo) {
    const struct {
        int in;
        int out;
        const char* message;
    } cases[] = {
        {3, 2, "rle_expand: bad bpp: 3 2\n"},
        {1, 4, "rle_expand: bad bpp: 1 4\n"},
        {0, 1, "rle_expand: bad bpp: 0 1\n"},
        {2, -1, "rle_expand: bad bpp: 2 -1\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        expectFatal(ChildProcess::run([&] {
                        const unsigned char in[] = {0x81, 5, 0};
                        uint16_t out[4] = {};
                        sgi::rle_expand(in, sizeof in, c.in, out, 4, c.out);
                    }),
                    c.message);
    }
}

// Rows outside the image, through img_seek or getrow, and a read/write mode end the program.
TEST(SgiImageExit, RowsOutsideTheImageAndReadWriteModes) {
    testsupport::TempDir dir;
    const std::string path = dir.write("rgb.sgi", SgiFileWriter(rgb(0)).verbatim(rgbSamples));
    const struct {
        unsigned y, z;
        bool viaGetrow;
    } cases[] = {{2, 0, false}, {0, 3, false}, {UINT_MAX, 0, false}, {2, 1, true}, {1, 3, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.y << " " << c.z << " " << c.viaGetrow);
        expectFatal(ChildProcess::run([&] {
                        sgi::SgiImage* image = sgi::iopen(path.c_str(), "r");
                        uint16_t row[4] = {};
                        if (c.viaGetrow) {
                            sgi::getrow(image, row, c.y, c.z);
                        } else {
                            sgi::img_seek(image, c.y, c.z);
                        }
                    }),
                    "img_seek: row number out of range\n");
    }
    for (const char* mode : {"r+", "w+", "r+b"}) {
        SCOPED_TRACE(mode);
        expectFatal(ChildProcess::run([&] { sgi::iopen(path.c_str(), mode); }),
                    "iopen: read/write mode not supported\n");
    }
}

// Files whose headers ask for gigabytes, run with the child's address space capped a little above
// what it uses: none may allocate more than its file holds. The sanitizers reserve more address
// space than any cap leaves, so they skip these.
ChildProcess::Outcome runCapped(const std::string& path) {
    return ChildProcess::run([&] {
        if (!testsupport::capAddressSpace(std::size_t{256} << 20)) {
            std::_Exit(2);
        }
        std::_Exit(sgi::longimagedata(path.c_str()) == nullptr ? 0 : 3);
    });
}

TEST(SgiImageExit, HeadersAskingForGigabytesAllocateNothingBeyondTheirFile) {
    if (sanitized) {
        GTEST_SKIP() << "address space cap conflicts with the sanitizer";
    }
    const SgiFileWriter rleLine({true, 1, 1, 2, 4096, 65535, 1});
    const struct {
        const char* name;
        std::string bytes;
        int status;
        std::string message;
    } cases[] = {
        {"rle tables of 65535 x 65535 rows",
         SgiFileWriter({true, 1, 1, 3, 1, 65535, 65535}).header(), 1,
         "iopen: error on read of rowstart\n"},
        {"65535 x 65535 x 3 verbatim", SgiFileWriter({true, 0, 1, 3, 65535, 65535, 3}).header(), 1,
         readRowError},
        // One stored row, as many as 65535 declared: 4 KB of file asked for 920 MB.
        {"dimension 1 of 3584 x 65535",
         SgiFileWriter({true, 0, 1, 1, 3584, 65535, 1}).header() + std::string(3584, '\x80'), 3,
         ""},
        // Every scanline at one stored row: 524 KB of file asked for 1 GB.
        {"rle of 4096 x 65535 rows on one",
         rleLine.rleShared(rleLine.rleRow(std::vector<uint16_t>(4096, 9))), 0,
         "shares its rows too often"},
    };
    testsupport::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ChildProcess::Outcome outcome = runCapped(dir.write("huge.sgi", c.bytes));
        EXPECT_TRUE(outcome.exited);
        EXPECT_EQ(outcome.status, c.status);
        if (c.status == 1) {
            EXPECT_EQ(outcome.errors, c.message);
        } else {
            EXPECT_NE(outcome.errors.find(c.message), std::string::npos) << outcome.errors;
        }
    }
}

// The reader's own message when memory runs out: 65535 x 4096 pixels (1 GiB) from one shared row
// in a file long enough for that many samples (4 MiB), under the same cap.
TEST(SgiImageExit, PictureTooLargeForMemory) {
    if (sanitized) {
        GTEST_SKIP() << "address space cap conflicts with the sanitizer";
    }
    const SgiFileWriter writer({true, 1, 1, 2, 65535, 4096, 1});
    testsupport::TempDir dir;
    const std::string path = dir.write(
        "huge.sgi", writer.rleShared(writer.rleRow(std::vector<uint16_t>(65535, 9)), 4u << 20));
    expectFatal(runCapped(path), "longimagedata: can't malloc enough memory\n");
}

} // namespace

#include "render/sgi/LongImageData.h"
#include "render/sgi/SgiFailure.h"
#include "render/sgi/SgiImage.h"
#include "tests/support/AddressSpaceCap.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/SgiFileWriter.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <tuple>

// Every fault in a file ends the process with one exact line on stderr and exit status 1; each
// case runs in a child so the message and status can be checked whole.

namespace {

using testsupport::ChildProcess;

void expectFatal(const std::function<void()>& body, const std::string& message) {
    const ChildProcess::Outcome outcome = ChildProcess::runFunction(body);
    EXPECT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err, message);
}

// A 4 x 2 x 3 picture of the given storage, dimension and sample size.
std::string picture(int storage, int dimension = 3, int bpc = 1) {
    const SgiFileWriter writer({true, storage, bpc, dimension, 4, 2, 3});
    return storage == 1 ? writer.rle(std::vector<uint16_t>(24, 17))
                        : writer.verbatim(std::vector<uint16_t>(24, 17));
}

// One RLE row of a 4 x 1 single-channel picture, with the table's length unless one is given.
std::string rleRow(int bpc, const std::string& row, std::vector<uint32_t> lengths = {}) {
    return SgiFileWriter({true, 1, bpc, 2, 4, 1, 1}).rleRows({row}, lengths);
}

const std::string readRow = "getrow: error on read of row\n";
const std::string rowstart = "iopen: error on read of rowstart\n";

TEST(SgiImageExit, HeaderRowAndRleFaults) {
    const std::string verbatim = picture(0), rle = picture(1), header = verbatim.substr(0, 512);
    const std::string rleHeader = rle.substr(0, 512), tables(48, '\0');
    const SgiFileWriter one({true, 1, 1, 2, 4, 1, 1}), two({true, 1, 2, 2, 4, 1, 1});
    std::string seventeen = one.literal({1, 2, 3, 4}) + one.end(); // the row buffer holds 16
    seventeen.resize(17, '\0');
    const std::string magic = "iopen: bad magic in image file ",
                      cut = "iopen: error on read of image header\n";
    const std::string type = "img_seek: weird image type\n", dim = "img_seek: weird dim\n";
    const std::string bpp = "getrow: weird bpp\n";
    const std::pair<std::string, std::string> cases[] = {
        {std::string("\x89PNG\r\n\x1a\n", 8) + std::string(200, 'x'), magic + "5089\n"},
        {"\x01\xdb" + header.substr(2), magic + "db01\n"},
        {std::string(512, '\0'), magic + "0\n"},
        {"", cut},
        {header.substr(0, 151), cut},
        {rleHeader, rowstart},
        {rleHeader + tables.substr(0, 23), rowstart},
        {rleHeader + tables.substr(0, 47), "iopen: error on read of rowsize\n"},
        {verbatim.substr(0, 152), readRow},
        {verbatim.substr(0, verbatim.size() - 1), readRow},
        {rle.substr(0, rle.size() - 1), readRow},
        {picture(2), type},
        {picture(255), type},
        {picture(2, 0), type}, // storage first
        {picture(0, 0), dim},
        {picture(0, 4), dim},
        {picture(1, 0), dim},
        {picture(1, 4), dim},
        {picture(0, 3, 0), bpp},
        {picture(0, 3, 3), bpp},
        {picture(1, 3, 3), bpp},
        {rleRow(1, seventeen), readRow},
        {rleRow(1, one.repeat(4, 1) + one.end(), {1000}), readRow},
        {rleRow(1, one.repeat(5, 1) + one.end()), readRow},
        {rleRow(1, one.literal({1, 2, 3, 4, 5}) + one.end()), readRow},
        {rleRow(1, one.repeat(3, 1) + one.literal({2, 3}) + one.end()), readRow},
        {rleRow(1, one.repeat(127, 1) + one.end()), readRow},
        {rleRow(1, one.unit(0x84) + one.unit(1)), readRow},
        {rleRow(1, one.unit(3)), readRow},
        {rleRow(1, one.literal({1, 2, 3, 4}), {3}), readRow},
        {rleRow(2, two.repeat(5, 0x1234) + two.end()), readRow},
        {rleRow(2, two.literal({1, 2, 3, 4, 5}) + two.end()), readRow},
        {rleRow(2, two.unit(0x82) + two.unit(7)), readRow},
    };
    testsupport::TempDir dir;
    int row = 0;
    for (const auto& [bytes, message] : cases) {
        SCOPED_TRACE("row " + std::to_string(row++));
        const std::string path = dir.write("bad.sgi", bytes);
        expectFatal([&] { sgi::longimagedata(path.c_str()); }, message);
    }
    // Calls: unit sizes other than one and two, rows outside the image, modes that would write.
    const std::string absent = dir.file("absent.sgi"), path = dir.write("rgb.sgi", verbatim);
    const auto expand = [](int in, int out) -> std::function<void()> {
        return [in, out] {
            const unsigned char bytes[] = {0x81, 5, 0};
            uint16_t units[4] = {};
            sgi::rle_expand(bytes, sizeof bytes, in, units, 4, out);
        };
    };
    const auto seek = [&path](unsigned y, unsigned z, bool viaGetrow) -> std::function<void()> {
        return [&path, y, z, viaGetrow] {
            sgi::SgiImage* image = sgi::iopen(path.c_str(), "r");
            uint16_t units[4] = {};
            viaGetrow ? (void)sgi::getrow(image, units, y, z) : (void)sgi::img_seek(image, y, z);
        };
    };
    const auto open = [&path](const char* mode) -> std::function<void()> {
        return [&path, mode] { sgi::iopen(path.c_str(), mode); };
    };
    const std::string range = "img_seek: row number out of range\n";
    const std::string readWrite = "iopen: read/write mode not supported\n";
    const std::pair<std::function<void()>, std::string> calls[] = {
        {[&] { sgi::longimagedata(absent.c_str()); },
         "longimagedata: can't open image file " + absent + "\n"},
        {expand(3, 2), "rle_expand: bad bpp: 3 2\n"},
        {expand(1, 4), "rle_expand: bad bpp: 1 4\n"},
        {expand(0, 1), "rle_expand: bad bpp: 0 1\n"},
        {expand(2, -1), "rle_expand: bad bpp: 2 -1\n"},
        {seek(2, 0, false), range},
        {seek(0, 3, false), range},
        {seek(UINT_MAX, 0, false), range},
        {seek(2, 1, true), range},
        {seek(1, 3, true), range},
        {open("r+"), readWrite},
        {open("w+"), readWrite},
        {open("r+b"), readWrite},
    };
    for (const auto& [body, message] : calls) {
        SCOPED_TRACE("call " + std::to_string(row++));
        expectFatal(body, message);
    }
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

// A failure handler (the fuzz target's way to read corrupt files in one process) gets the exact
// message in place of the exit, and one that throws leaves no file of the reader open. One that
// returns still ends the process with the message and status 1.
TEST(SgiImageExit, FailureHandlerTakesThePlaceOfTheExit) {
    const std::pair<std::string, std::string> cases[] = {
        {std::string(512, '\0'), "iopen: bad magic in image file 0\n"},
        {picture(1).substr(0, 512), rowstart},
        {rleRow(1, SgiFileWriter({true, 1, 1, 2, 4, 1, 1}).repeat(5, 1)), readRow}};
    testsupport::TempDir dir;
    for (const auto& [bytes, message] : cases) {
        const std::string path = dir.write("bad.sgi", bytes);
        const ChildProcess::Outcome caught = ChildProcess::runFunction([&] {
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
        EXPECT_EQ(std::tuple(caught.exited, caught.status, caught.err),
                  std::tuple(true, 0, message));
        expectFatal(
            [&] { sgi::setFailureHandler(returningHandler), sgi::longimagedata(path.c_str()); },
            message);
    }
}

// Headers asking for gigabytes, read with the address space capped a little above what the
// child uses: none may allocate more than its file holds, and running out of memory has its own
// message. The sanitizers reserve more address space than any cap leaves.
TEST(SgiImageExit, HeadersAskingForGigabytesAllocateNothingBeyondTheirFile) {
    if (testsupport::sanitized) {
        GTEST_SKIP() << "address space cap conflicts with the sanitizer";
    }
    const SgiFileWriter line({true, 1, 1, 2, 4096, 65535, 1}),
        wide({true, 1, 1, 2, 65535, 4096, 1});
    const std::tuple<std::string, int, std::string> cases[] = {
        {SgiFileWriter({true, 1, 1, 3, 1, 65535, 65535}).header(), 1, rowstart},
        {SgiFileWriter({true, 0, 1, 3, 65535, 65535, 3}).header(), 1, readRow},
        // One stored row, 65535 declared: 4 KB of file asking for 920 MB.
        {SgiFileWriter({true, 0, 1, 1, 3584, 65535, 1}).header() + std::string(3584, '\x80'), 3,
         ""},
        // Every scanline at one stored row: 524 KB of file asking for 1 GB.
        {line.rleShared(line.rleRow(std::vector<uint16_t>(4096, 9))), 0,
         "shares its rows too often"},
        // As many samples in the file as pixels (4 MiB), 1 GiB of them.
        {wide.rleShared(wide.rleRow(std::vector<uint16_t>(65535, 9)), 4u << 20), 1,
         "longimagedata: can't malloc enough memory\n"}};
    testsupport::TempDir dir;
    for (const auto& [bytes, status, message] : cases) {
        SCOPED_TRACE(message);
        const std::string path = dir.write("huge.sgi", bytes);
        const ChildProcess::Outcome outcome = ChildProcess::runFunction([&] {
            if (!testsupport::capAddressSpace(std::size_t{256} << 20)) {
                std::_Exit(2);
            }
            std::_Exit(sgi::longimagedata(path.c_str()) == nullptr ? 0 : 3);
        });
        EXPECT_TRUE(outcome.exited);
        EXPECT_EQ(outcome.status, status);
        EXPECT_TRUE(status == 1 ? outcome.err == message
                                : outcome.err.find(message) != std::string::npos)
            << outcome.err;
    }
}

} // namespace

// An SGI image file read whole with longimagedata, as a map layer or icon is read. A fault the
// reader reports on purpose (its fixed message, then the exit) is an expected outcome here: the
// failure handler turns it into an exception that ends this input only. Anything else, a
// sanitizer report, a hang or memory beyond the run's limit, is a finding.
#include "fuzz/support/FuzzFile.h"
#include "render/sgi/LongImageData.h"
#include "render/sgi/SgiFailure.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct ReaderFailed {};

// Every message the reader ends with begins with the routine that wrote it.
[[noreturn]] void expectedFailure(const char* message) {
    for (const char* routine :
         {"iopen: ", "iclose: ", "img_seek: ", "getrow: ", "rle_expand: ", "longimagedata: "}) {
        if (std::strncmp(message, routine, std::strlen(routine)) == 0) {
            throw ReaderFailed{};
        }
    }
    std::fprintf(stderr, "fuzz: unknown failure message: %s", message);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    sgi::setFailureHandler(expectedFailure);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzzsupport::FuzzFile::write("image.sgi", data, size);
    try {
        sgi::longimagedata(path.c_str());
    } catch (const ReaderFailed&) {
    }
    return 0;
}

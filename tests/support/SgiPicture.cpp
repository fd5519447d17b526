#include "tests/support/SgiPicture.h"

#include "render/sgi/LongImageData.h"
#include "render/sgi/SgiImage.h"
#include "tests/support/ChildProcess.h"

#include <gtest/gtest.h>

bool SgiPicture::read(const std::string& path) {
    const auto trial =
        testsupport::ChildProcess::runFunction([&] { (void)sgi::longimagedata(path.c_str()); });
    EXPECT_TRUE(trial.exited && trial.status == 0 && trial.err.empty())
        << path << ": " << trial.err;
    sgi::SgiImage* image =
        trial.exited && trial.status == 0 ? sgi::iopen(path.c_str(), "r") : nullptr;
    if (image == nullptr) {
        return false;
    }
    width = image->xsize;
    height = image->ysize;
    channels = image->zsize;
    sgi::iclose(image);
    pixels = sgi::longimagedata(path.c_str());
    return pixels != nullptr;
}

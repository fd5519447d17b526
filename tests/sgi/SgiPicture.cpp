#include "tests/sgi/SgiPicture.h"

#include "render/sgi/LongImageData.h"
#include "render/sgi/SgiImage.h"
#include "tests/sgi/ChildProcess.h"

#include <gtest/gtest.h>

bool SgiPicture::read(const std::string& path) {
    const ChildProcess::Outcome trial =
        ChildProcess::run([&] { (void)sgi::longimagedata(path.c_str()); });
    EXPECT_TRUE(trial.exited && trial.status == 0) << path << ": " << trial.errors;
    EXPECT_EQ(trial.errors, "") << path;
    if (!trial.exited || trial.status != 0) {
        return false;
    }
    sgi::SgiImage* image = sgi::iopen(path.c_str(), "r");
    if (image == nullptr) {
        ADD_FAILURE() << "cannot open " << path;
        return false;
    }
    width = image->xsize;
    height = image->ysize;
    channels = image->zsize;
    sgi::iclose(image);
    pixels = sgi::longimagedata(path.c_str());
    return pixels != nullptr;
}

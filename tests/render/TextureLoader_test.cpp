#include "render/TextureLoader.h"

#include "render/TextureObjects.h"
#include "tests/render/GlFrame.h"
#include "tests/sgi/ChildProcess.h"
#include "tests/sgi/PnmImage.h"
#include "tests/sgi/SgiFileWriter.h"
#include "tests/support/AddressSpaceCap.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <FL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using render::TextureLoader;
using render::TextureObjects;

// A one-colour picture made into an SGI file by netpbm, as a user's map images are.
std::string netpbmImage(const testsupport::TempDir& dir, const std::string& name, int width,
                        int height, int r, int g, int b) {
    PnmImage picture(width, height, 3, 255);
    for (int row = 0; row < height; ++row) {
        for (int x = 0; x < width; ++x) {
            picture.set(x, row, 0, static_cast<uint16_t>(r));
            picture.set(x, row, 1, static_cast<uint16_t>(g));
            picture.set(x, row, 2, static_cast<uint16_t>(b));
        }
    }
    const std::string ppm = dir.file(name + ".ppm");
    const std::string sgi = dir.file(name + ".sgi");
    if (!picture.write(ppm) || std::system(("pnmtosgi " + ppm + " > " + sgi).c_str()) != 0) {
        return "";
    }
    return sgi;
}

// Everything written to stderr while it lives, through a temporary file so a long message can
// never block the writer.
class StderrCapture {
public:
    StderrCapture() {
        std::fflush(stderr);
        file_ = std::tmpfile();
        saved_ = dup(STDERR_FILENO);
        dup2(fileno(file_), STDERR_FILENO);
    }
    ~StderrCapture() { finish(); }

    std::string finish() {
        if (file_ == nullptr) {
            return text_;
        }
        std::fflush(stderr);
        dup2(saved_, STDERR_FILENO);
        close(saved_);
        std::rewind(file_);
        char chunk[256];
        size_t got = 0;
        while ((got = std::fread(chunk, 1, sizeof chunk, file_)) > 0) {
            text_.append(chunk, got);
        }
        std::fclose(file_);
        file_ = nullptr;
        return text_;
    }

private:
    std::FILE* file_ = nullptr;
    int saved_ = -1;
    std::string text_;
};

// Runs one test of this binary in a new process; its exit status (0 when it passed).
int runAlone(const std::string& testName) {
    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) {
        return -1;
    }
    std::string filter = "--gtest_filter=" + testName;
    std::string disabledToo = "--gtest_also_run_disabled_tests";
    char* argv[] = {self, filter.data(), disabledToo.data(), nullptr};
    pid_t child = -1;
    if (posix_spawn(&child, self, nullptr, nullptr, argv, environ) != 0) {
        return -1;
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

void restoreProbe() {
    TextureObjects::probe(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)));
}

TEST(TextureLoader, TextureSidesArePowersOfTwoWithinTheLimit) {
    const struct {
        int image, limit, texture;
    } cases[] = {
        {300, 4096, 512}, {200, 4096, 256}, {300, 256, 256},  {200, 256, 256},
        {256, 256, 256},  {256, 4096, 256}, {257, 4096, 512}, {1, 4096, 1},
        {2, 4096, 2},     {3, 4096, 4},     {0, 4096, 1},     {65535, 16384, 16384},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.image) + " within " + std::to_string(c.limit));
        EXPECT_EQ(TextureLoader::textureSize(c.image, c.limit), c.texture);
    }
}

TEST(TextureLoader, NamesCountFromTwoOneForEveryCall) {
    if (TextureLoader::nextName() != 2) {
        // An earlier test of this run loaded already: the claim is about a fresh process.
        EXPECT_EQ(runAlone("TextureLoader.NamesCountFromTwoOneForEveryCall"), 0);
        return;
    }
    testsupport::TempDir dir;
    const std::string red = netpbmImage(dir, "red", 8, 8, 255, 0, 0);
    ASSERT_FALSE(red.empty());
    std::vector<int32_t> names;
    rendertest::GlFrame frame(800, 400);
    ASSERT_TRUE(frame.draw([&](DrawContext&) {
        names.push_back(TextureLoader::loadTextureImage(red.c_str()));
        names.push_back(TextureLoader::loadTextureImage(dir.file("missing.sgi").c_str()));
        names.push_back(TextureLoader::loadTextureImage(red.c_str()));
    }));
    EXPECT_EQ(names, (std::vector<int32_t>{2, -1, 4}));
    EXPECT_EQ(TextureLoader::nextName(), 5);
}

// Every mipmap level is uploaded, from the power-of-two size down to 1 x 1.
TEST(TextureLoader, UploadsEveryMipmapLevelAtThePowerOfTwoSize) {
    const struct {
        int width, height, textureWidth, textureHeight, lastLevel;
    } cases[] = {{300, 200, 512, 256, 9}, {256, 256, 256, 256, 8}, {1, 1, 1, 1, 0}};
    testsupport::TempDir dir;
    rendertest::GlFrame frame(800, 400);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        const std::string image = netpbmImage(dir, "picture", c.width, c.height, 10, 200, 30);
        ASSERT_FALSE(image.empty());
        int32_t name = -1;
        GLint size[4] = {};
        GLint minFilter = 0;
        ASSERT_TRUE(frame.draw([&](DrawContext&) {
            name = TextureLoader::loadTextureImage(image.c_str());
            ASSERT_TRUE(TextureObjects::available());
            glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(name));
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &size[0]);
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &size[1]);
            glGetTexLevelParameteriv(GL_TEXTURE_2D, c.lastLevel, GL_TEXTURE_WIDTH, &size[2]);
            glGetTexLevelParameteriv(GL_TEXTURE_2D, c.lastLevel, GL_TEXTURE_HEIGHT, &size[3]);
            glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
        }));
        EXPECT_GT(name, 1);
        EXPECT_EQ(size[0], c.textureWidth);
        EXPECT_EQ(size[1], c.textureHeight);
        EXPECT_EQ(size[2], 1);
        EXPECT_EQ(size[3], 1);
        EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_LINEAR);
    }
}

TEST(TextureLoader, WarnsOfATextureObjectAlreadyNamed) {
    testsupport::TempDir dir;
    const std::string red = netpbmImage(dir, "red", 16, 16, 255, 0, 0);
    ASSERT_FALSE(red.empty());
    int32_t taken = 0;
    int32_t name = 0;
    int32_t next = 0;
    std::string warning;
    std::string quiet;
    rendertest::GlFrame frame(800, 400);
    ASSERT_TRUE(frame.draw([&](DrawContext&) {
        ASSERT_TRUE(TextureObjects::available());
        taken = TextureLoader::nextName();
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(taken));
        glBindTexture(GL_TEXTURE_2D, 0);
        StderrCapture first;
        name = TextureLoader::loadTextureImage(red.c_str());
        warning = first.finish();
        StderrCapture second;
        next = TextureLoader::loadTextureImage(red.c_str());
        quiet = second.finish();
    }));
    EXPECT_EQ(name, taken);
    EXPECT_EQ(warning, "Warning: Texture Object " + std::to_string(taken) + " exists.\n");
    EXPECT_EQ(next, taken + 1);
    EXPECT_EQ(quiet, "");
}

TEST(TextureLoader, DisplayListPathWarnsReplacesAndDrawsTheTexture) {
    testsupport::TempDir dir;
    const std::string red = netpbmImage(dir, "red", 16, 16, 255, 0, 0);
    ASSERT_FALSE(red.empty());
    int32_t taken = 0;
    int32_t name = 0;
    bool listMade = false;
    bool textureUsed = false;
    std::string warning;
    rendertest::GlFrame frame(800, 400);
    frame.view().setCenter(1.0, 0.5);
    frame.view().setViewWidth(2.0);
    ASSERT_TRUE(frame.drawFramed([&](DrawContext&) {
        TextureObjects::probe("");
        taken = TextureLoader::nextName();
        glNewList(static_cast<GLuint>(taken), GL_COMPILE);
        glEndList();
        StderrCapture capture;
        name = TextureLoader::loadTextureImage(red.c_str());
        warning = capture.finish();
        listMade = glIsList(static_cast<GLuint>(name)) == GL_TRUE;
        // The default texture holds nothing, so red can only come from calling the list.
        glBindTexture(GL_TEXTURE_2D, 0);
        textureUsed = TextureLoader::use(name);
        glColor3d(1.0, 1.0, 1.0);
        glBegin(GL_QUADS);
        glTexCoord2d(0.0, 0.0);
        glVertex2d(0.0, 0.0);
        glTexCoord2d(1.0, 0.0);
        glVertex2d(1.0, 0.0);
        glTexCoord2d(1.0, 1.0);
        glVertex2d(1.0, 1.0);
        glTexCoord2d(0.0, 1.0);
        glVertex2d(0.0, 1.0);
        glEnd();
        TextureLoader::use(-1);
        restoreProbe();
    }));
    EXPECT_EQ(name, taken);
    EXPECT_EQ(warning, "Warning: display list " + std::to_string(taken) + " exists.\n");
    EXPECT_TRUE(listMade);
    EXPECT_TRUE(textureUsed);
    EXPECT_TRUE(rendertest::near(frame.atWorld(0.5, 0.5), 255, 0, 0));
    EXPECT_TRUE(rendertest::near(frame.atWorld(1.5, 0.5), 0, 102, 128));
}

TEST(TextureLoader, UnusableImagesGiveMinusOneQuietlyAndStillTakeAName) {
    testsupport::TempDir dir;
    SgiLayout fiveChannels;
    fiveChannels.xsize = 2;
    fiveChannels.ysize = 2;
    fiveChannels.zsize = 5;
    SgiLayout noWidth = fiveChannels;
    noWidth.xsize = 0;
    noWidth.zsize = 3;
    struct Case {
        const char* what;
        std::string path;
    };
    const Case cases[] = {
        {"missing", dir.file("missing.sgi")},
        {"five channels",
         dir.write("five.sgi", SgiFileWriter(fiveChannels).verbatim(std::vector<uint16_t>(20, 7)))},
        {"no width", dir.write("empty.sgi", SgiFileWriter(noWidth).header())},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int32_t before = TextureLoader::nextName();
        StderrCapture capture;
        EXPECT_EQ(TextureLoader::loadTextureImage(c.path.c_str()), -1);
        EXPECT_EQ(capture.finish(), "");
        EXPECT_EQ(TextureLoader::nextName(), before + 1);
    }
}

// A dimension-1 file of one stored row whose header declares 65535 rows (4 KB asked for 920 MB),
// and an RLE file pointing 65535 scanlines at one stored row (524 KB asked for 1 GB).
TEST(TextureLoader, ImagesAreReadNoFurtherThanTheirFileHolds) {
    testsupport::TempDir dir;
    const SgiFileWriter rle({true, 1, 1, 2, 4096, 65535, 1});
    const std::string line =
        dir.write("line.sgi", SgiFileWriter({true, 0, 1, 1, 3584, 65535, 1}).header() +
                                  std::string(3584, '\x80'));
    const std::string shared =
        dir.write("shared.sgi", rle.rleShared(rle.rleRow(std::vector<uint16_t>(4096, 9))));
    struct Case {
        std::string path;
        bool loaded;
        GLint width;
        GLint height;
        std::string errors;
    };
    const Case cases[] = {
        {line, true, 4096, 1, ""},
        {shared, false, 0, 0,
         "longimagedata: image file " + shared +
             " shares its rows too often: 4096 x 65535 pixels from " +
             std::to_string(std::filesystem::file_size(shared)) + " bytes, refused\n"},
    };
    rendertest::GlFrame frame(800, 400);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        int32_t name = 0;
        GLint size[2] = {};
        std::string errors;
        ASSERT_TRUE(frame.draw([&](DrawContext&) {
            StderrCapture capture;
            name = TextureLoader::loadTextureImage(c.path.c_str());
            errors = capture.finish();
            if (name > 0) {
                glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(name));
                glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &size[0]);
                glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &size[1]);
            }
        }));
        EXPECT_EQ(name > 0, c.loaded);
        EXPECT_EQ(size[0], c.width);
        EXPECT_EQ(size[1], c.height);
        EXPECT_EQ(errors, c.errors);
    }
}

// Run alone, in a process of its own (below): with the address space capped a little above what
// it uses, the loader meets memory it cannot have, first for the texture (pixels of 4000 x 8000,
// 128 MB, fit the cap of 192 MB; their texture of 4096 x 8192 does not), then for the pixels.
TEST(TextureLoader, DISABLED_MemoryItCannotHaveGivesMinusOneAndALine) {
    testsupport::TempDir dir;
    const auto shared = [&dir](const char* name, int height) {
        const SgiFileWriter writer({true, 1, 1, 2, 4000, height, 1});
        const std::string row = writer.rleRow(std::vector<uint16_t>(4000, 9));
        return dir.write(name, writer.rleShared(row, std::size_t{4000} * height / 64));
    };
    const std::string texture = shared("texture.sgi", 8000);
    const std::string pixels = shared("pixels.sgi", 16000);
    rendertest::GlFrame frame(200, 100);
    ASSERT_TRUE(frame.draw([](DrawContext&) {}));
    ASSERT_TRUE(testsupport::capAddressSpace(std::size_t{192} << 20));
    std::vector<int32_t> names;
    std::string errors;
    ASSERT_TRUE(frame.draw([&](DrawContext&) {
        StderrCapture capture;
        names.push_back(TextureLoader::loadTextureImage(texture.c_str()));
        names.push_back(TextureLoader::loadTextureImage(pixels.c_str()));
        errors = capture.finish();
    }));
    EXPECT_EQ(names, (std::vector<int32_t>{-1, -1}));
    EXPECT_EQ(errors, "loadTextureImage: no memory for 4096 x 8192 pixels of image file " +
                          texture + "\nloadTextureImage: no memory for 4000 x 16000 pixels of " +
                          "image file " + pixels + "\n");
}

TEST(TextureLoader, MemoryItCannotHaveGivesMinusOneNotAnEnd) {
    if (testsupport::sanitized) {
        GTEST_SKIP() << "address space cap conflicts with the sanitizer";
    }
    EXPECT_EQ(runAlone("TextureLoader.DISABLED_MemoryItCannotHaveGivesMinusOneAndALine"), 0);
}

TEST(TextureLoader, AFaultInTheFileEndsTheProgramWithTheReadersMessage) {
    testsupport::TempDir dir;
    SgiLayout cut;
    cut.xsize = 4;
    cut.ysize = 2;
    cut.zsize = 3;
    struct Case {
        std::string path;
        const char* message;
    };
    const Case cases[] = {
        {dir.write("png.sgi", "\x89PNG\r\n\x1a\n" + std::string(200, '\0')),
         "iopen: bad magic in image file 5089\n"},
        {dir.write("cut.sgi", SgiFileWriter(cut).header() + "abc"),
         "getrow: error on read of row\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const ChildProcess::Outcome outcome =
            ChildProcess::run([&] { TextureLoader::loadTextureImage(c.path.c_str()); });
        EXPECT_TRUE(outcome.exited);
        EXPECT_EQ(outcome.status, 1);
        EXPECT_EQ(outcome.errors, c.message);
    }
}

} // namespace

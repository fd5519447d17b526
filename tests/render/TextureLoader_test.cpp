#include "render/TextureLoader.h"

#include "render/TextureObjects.h"
#include "tests/support/AddressSpaceCap.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/GlFrame.h"
#include "tests/support/SgiFileWriter.h"

#include <FL/gl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using render::TextureLoader;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

// Runs one test of this binary in a process of its own; true when it passed.
bool passesAlone(const std::string& test) {
    const auto outcome = testsupport::ChildProcess::run(
        std::filesystem::read_symlink("/proc/self/exe").string(),
        {"--gtest_filter=" + test, "--gtest_also_run_disabled_tests"});
    return outcome.exited && outcome.status == 0;
}

std::string plain(const testsupport::TempDir& dir, const char* name, int width, int height) {
    return rendertest::netpbmSgi(dir, name, width, height, [](int, int) {
        return rendertest::Pixel{255, 0, 0};
    });
}

// The width and height of a texture's mipmap level.
std::pair<GLint, GLint> levelSize(int32_t name, int level) {
    GLint size[2] = {};
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(name));
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &size[0]);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &size[1]);
    return {size[0], size[1]};
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
        EXPECT_EQ(TextureLoader::textureSize(c.image, c.limit), c.texture) << c.image;
    }
}

// In a fresh process names count from 2, one for every call, a failed load too; every mipmap
// level is uploaded, from the power-of-two size down to 1 x 1; a name already taken by a texture
// object is warned about and used, the next is quiet.
TEST(TextureLoader, NamesLevelsAndTakenNames) {
    if (TextureLoader::nextName() != 2) {
        EXPECT_TRUE(passesAlone("TextureLoader.NamesLevelsAndTakenNames"));
        return;
    }
    testsupport::TempDir dir;
    const std::string wide = plain(dir, "wide", 300, 200), one = plain(dir, "one", 1, 1);
    rendertest::GlFrame frame(200, 100);
    std::vector<int32_t> names;
    std::pair<GLint, GLint> sizes[4];
    std::string warning, quiet;
    ASSERT_TRUE(frame.draw([&](DrawContext&) {
        names.push_back(TextureLoader::loadTextureImage(wide.c_str()));
        names.push_back(TextureLoader::loadTextureImage(dir.file("missing.sgi").c_str()));
        names.push_back(TextureLoader::loadTextureImage(one.c_str()));
        sizes[0] = levelSize(names[0], 0);
        sizes[1] = levelSize(names[0], 9);
        sizes[2] = levelSize(names[2], 0);
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(TextureLoader::nextName()));
        glBindTexture(GL_TEXTURE_2D, 0);
        CaptureStderr();
        names.push_back(TextureLoader::loadTextureImage(one.c_str()));
        warning = GetCapturedStderr();
        CaptureStderr();
        names.push_back(TextureLoader::loadTextureImage(one.c_str()));
        quiet = GetCapturedStderr();
    }));
    EXPECT_EQ(names, (std::vector<int32_t>{2, -1, 4, 5, 6}));
    EXPECT_EQ(sizes[0], std::make_pair(512, 256));
    EXPECT_EQ(sizes[1], std::make_pair(1, 1));
    EXPECT_EQ(sizes[2], std::make_pair(1, 1));
    EXPECT_EQ(warning, "Warning: Texture Object 5 exists.\n");
    EXPECT_EQ(quiet, "");
}

// Without texture objects a texture is a display list: a name taken by a list is warned about and
// replaced, and calling the list makes the texture current (the default texture holds nothing).
TEST(TextureLoader, DisplayListPathWarnsReplacesAndDrawsTheTexture) {
    testsupport::TempDir dir;
    const std::string red = plain(dir, "red", 16, 16);
    int32_t taken = 0, name = 0;
    std::string warning;
    rendertest::GlFrame frame(800, 400, 1.0, 0.5, 2.0);
    ASSERT_TRUE(frame.drawFramed([&](DrawContext&) {
        render::TextureObjects::probe("");
        taken = TextureLoader::nextName();
        glNewList(static_cast<GLuint>(taken), GL_COMPILE);
        glEndList();
        CaptureStderr();
        name = TextureLoader::loadTextureImage(red.c_str());
        warning = GetCapturedStderr();
        glBindTexture(GL_TEXTURE_2D, 0);
        EXPECT_TRUE(TextureLoader::use(name));
        glColor3d(1.0, 1.0, 1.0);
        glBegin(GL_QUADS);
        for (const auto& [u, v] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 1}}) {
            glTexCoord2d(u, v);
            glVertex2d(u, v);
        }
        glEnd();
        TextureLoader::use(-1);
        render::TextureObjects::probe(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)));
    }));
    EXPECT_EQ(name, taken);
    EXPECT_EQ(warning, "Warning: display list " + std::to_string(taken) + " exists.\n");
    EXPECT_TRUE(rendertest::near(frame.atWorld(0.5, 0.5), 255, 0, 0));
    EXPECT_TRUE(rendertest::near(frame.atWorld(1.5, 0.5), 0, 102, 128));
}

// Unusable files give -1 and still take a name: quietly when missing or of a shape no texture
// has; a line when the file holds too little for its header (one stored row declared 65535 rows
// is read, 65535 RLE scanlines pointing at one row are refused); a fault in the file ends the
// program with the reader's message.
TEST(TextureLoader, UnusableAndHostileFiles) {
    testsupport::TempDir dir;
    const SgiFileWriter rle({true, 1, 1, 2, 4096, 65535, 1});
    const std::string shared =
        dir.write("shared.sgi", rle.rleShared(rle.rleRow(std::vector<uint16_t>(4096, 9))));
    const struct {
        std::string path;
        int32_t width, height; // of the texture; 0: not loaded
        std::string errors;
    } cases[] = {
        {dir.file("missing.sgi"), 0, 0, ""},
        {dir.write("five.sgi",
                   SgiFileWriter({true, 0, 1, 3, 2, 2, 5}).verbatim(std::vector<uint16_t>(20, 7))),
         0, 0, ""},
        {dir.write("empty.sgi", SgiFileWriter({true, 0, 1, 3, 0, 2, 3}).header()), 0, 0, ""},
        {dir.write("line.sgi", SgiFileWriter({true, 0, 1, 1, 3584, 65535, 1}).header() +
                                   std::string(3584, '\x80')),
         4096, 1, ""},
        {shared, 0, 0,
         "longimagedata: image file " + shared + " shares its rows too often: 4096 x 65535 " +
             "pixels from " + std::to_string(std::filesystem::file_size(shared)) +
             " bytes, refused\n"},
    };
    rendertest::GlFrame frame(200, 100);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        int32_t name = 0, next = 0;
        std::pair<GLint, GLint> size{0, 0};
        std::string errors;
        ASSERT_TRUE(frame.draw([&](DrawContext&) {
            next = TextureLoader::nextName();
            CaptureStderr();
            name = TextureLoader::loadTextureImage(c.path.c_str());
            errors = GetCapturedStderr();
            size = name > 0 ? levelSize(name, 0) : size;
        }));
        EXPECT_EQ(name, c.width > 0 ? next : -1);
        EXPECT_EQ(size, std::make_pair(c.width, c.height));
        EXPECT_EQ(errors, c.errors);
        EXPECT_EQ(TextureLoader::nextName(), next + 1);
    }
    const struct {
        std::string path;
        const char* message;
    } fatal[] = {
        {dir.write("png.sgi", "\x89PNG\r\n\x1a\n" + std::string(200, '\0')),
         "iopen: bad magic in image file 5089\n"},
        {dir.write("cut.sgi", SgiFileWriter({true, 0, 1, 3, 4, 2, 3}).header() + "abc"),
         "getrow: error on read of row\n"},
    };
    for (const auto& c : fatal) {
        const auto outcome = testsupport::ChildProcess::runFunction(
            [&] { TextureLoader::loadTextureImage(c.path.c_str()); });
        EXPECT_TRUE(outcome.exited && outcome.status == 1) << c.message;
        EXPECT_EQ(outcome.err, c.message);
    }
}

// Run alone (below), the address space capped a little above what it uses: memory it cannot
// have, first for the texture (4000 x 8000 pixels fit 192 MB, their 4096 x 8192 texture does
// not), then for the pixels, gives -1 and a line, not an end.
TEST(TextureLoader, DISABLED_MemoryItCannotHaveGivesMinusOneAndALine) {
    testsupport::TempDir dir;
    const auto shared = [&dir](const char* name, int height) {
        const SgiFileWriter writer({true, 1, 1, 2, 4000, height, 1});
        const std::string row = writer.rleRow(std::vector<uint16_t>(4000, 9));
        return dir.write(name, writer.rleShared(row, std::size_t{4000} * height / 64));
    };
    const std::string texture = shared("texture.sgi", 8000), pixels = shared("pixels.sgi", 16000);
    rendertest::GlFrame frame(200, 100);
    ASSERT_TRUE(frame.draw([](DrawContext&) {}));
    ASSERT_TRUE(testsupport::capAddressSpace(std::size_t{192} << 20));
    std::vector<int32_t> names;
    std::string errors;
    ASSERT_TRUE(frame.draw([&](DrawContext&) {
        CaptureStderr();
        names.push_back(TextureLoader::loadTextureImage(texture.c_str()));
        names.push_back(TextureLoader::loadTextureImage(pixels.c_str()));
        errors = GetCapturedStderr();
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
    EXPECT_TRUE(passesAlone("TextureLoader.DISABLED_MemoryItCannotHaveGivesMinusOneAndALine"));
}

} // namespace

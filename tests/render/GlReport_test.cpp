#include "render/GlReport.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

// The report's four lines, replacing an older report; missing strings are written empty, and a
// file that cannot be opened is reported.
TEST(GlReport, WritesFourLinesInOrder) {
    const testsupport::TempDir dir;
    const std::string path = dir.write("ttt.txt", std::string(500, 'x'));
    const struct {
        render::GlReport::Strings strings;
        const char* text;
    } cases[] = {
        {{"Acme", "Soft Pipe 9", "1.4 (Core 7.1)", "GL_EXT_abgr GL_EXT_texture_object"},
         "in glDrawSurface::draw vender is Acme\n"
         "in glDrawSurface::draw renderer is Soft Pipe 9\n"
         "in glDrawSurface::draw version is 1.4 (Core 7.1)\n"
         "in glDrawSurface::draw extensions are GL_EXT_abgr GL_EXT_texture_object\n"},
        {{nullptr, "r", nullptr, nullptr},
         "in glDrawSurface::draw vender is \nin glDrawSurface::draw renderer is r\n"
         "in glDrawSurface::draw version is \nin glDrawSurface::draw extensions are \n"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(render::GlReport::write(path.c_str(), c.strings));
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        EXPECT_EQ(text.str(), c.text);
    }
    const std::string missing = dir.file("no-such-folder/ttt.txt");
    EXPECT_FALSE(render::GlReport::write(missing.c_str(), {"v", "r", "1", "e"}));
}

} // namespace

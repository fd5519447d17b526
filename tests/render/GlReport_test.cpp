#include "render/GlReport.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string contentsOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(GlReport, WritesFourLinesInOrder) {
    const testsupport::TempDir dir;
    const std::string path = dir.file("ttt.txt");
    ASSERT_TRUE(render::GlReport::write(path.c_str(), {"Acme", "Soft Pipe 9", "1.4 (Core 7.1)",
                                                       "GL_EXT_abgr GL_EXT_texture_object"}));
    EXPECT_EQ(contentsOf(path), "in glDrawSurface::draw vender is Acme\n"
                                "in glDrawSurface::draw renderer is Soft Pipe 9\n"
                                "in glDrawSurface::draw version is 1.4 (Core 7.1)\n"
                                "in glDrawSurface::draw extensions are GL_EXT_abgr "
                                "GL_EXT_texture_object\n");
}

TEST(GlReport, ReplacesAnOlderReport) {
    const testsupport::TempDir dir;
    const std::string path = dir.write("ttt.txt", std::string(500, 'x'));
    ASSERT_TRUE(render::GlReport::write(path.c_str(), {"v", "r", "1", "e"}));
    EXPECT_EQ(contentsOf(path), "in glDrawSurface::draw vender is v\n"
                                "in glDrawSurface::draw renderer is r\n"
                                "in glDrawSurface::draw version is 1\n"
                                "in glDrawSurface::draw extensions are e\n");
}

TEST(GlReport, MissingStringsAreWrittenEmpty) {
    const testsupport::TempDir dir;
    const std::string path = dir.file("ttt.txt");
    ASSERT_TRUE(render::GlReport::write(path.c_str(), {nullptr, "r", nullptr, nullptr}));
    EXPECT_EQ(contentsOf(path), "in glDrawSurface::draw vender is \n"
                                "in glDrawSurface::draw renderer is r\n"
                                "in glDrawSurface::draw version is \n"
                                "in glDrawSurface::draw extensions are \n");
}

TEST(GlReport, UnopenableFileIsReportedFalse) {
    const testsupport::TempDir dir;
    const std::string path = dir.file("no-such-folder/ttt.txt");
    EXPECT_FALSE(render::GlReport::write(path.c_str(), {"v", "r", "1", "e"}));
}

} // namespace

#include "platform/Path.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

using platform::Path;

TEST(Path, SplitTable) {
    struct Case {
        const char* path;
        const char* directory;
        const char* fileName;
        const char* extension;
    };
    const Case cases[] = {
        {"/maps/site.cfg", "/maps/", "site", ".cfg"},
        {"site.cfg", "", "site", ".cfg"},
        {"conf/site", "conf/", "site", ""},
        {"a.b/c.d.e", "a.b/", "c.d", ".e"},
        {"/maps/.hidden", "/maps/", ".hidden", ""},
        {"/maps/", "/maps/", "", ""},
        {"", "", "", ""},
        {"/root.cfg", "/", "root", ".cfg"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const Path::Parts parts = Path::split(c.path);
        EXPECT_EQ(parts.drive, "");
        EXPECT_EQ(parts.directory, c.directory);
        EXPECT_EQ(parts.fileName, c.fileName);
        EXPECT_EQ(parts.extension, c.extension);
    }
}

TEST(Path, ChangeDirectory) {
    const std::string start = Path::currentDirectory();
    ASSERT_FALSE(start.empty());
    const std::string temp = std::filesystem::temp_directory_path().string();
    EXPECT_TRUE(Path::changeDirectory(temp));
    EXPECT_EQ(std::filesystem::path(Path::currentDirectory()), std::filesystem::canonical(temp));
    EXPECT_FALSE(Path::changeDirectory("/no/such/directory/here"));
    EXPECT_FALSE(Path::changeDirectory(""));
    EXPECT_EQ(std::filesystem::path(Path::currentDirectory()), std::filesystem::canonical(temp));
    EXPECT_TRUE(Path::changeDirectory(start));
}

} // namespace

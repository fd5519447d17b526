#include "platform/Path.h"

#include <gtest/gtest.h>

TEST(Path, SplitTable) {
    const struct {
        const char *path, *directory, *fileName, *extension;
    } cases[] = {{"/maps/site.cfg", "/maps/", "site", ".cfg"},
                 {"site.cfg", "", "site", ".cfg"},
                 {"conf/site", "conf/", "site", ""},
                 {"a.b/c.d.e", "a.b/", "c.d", ".e"},
                 {"/maps/.hidden", "/maps/", ".hidden", ""},
                 {"/maps/", "/maps/", "", ""},
                 {"", "", "", ""},
                 {"/root.cfg", "/", "root", ".cfg"}};
    for (const auto& c : cases) {
        const platform::Path::Parts parts = platform::Path::split(c.path);
        EXPECT_EQ(parts.drive + "|" + parts.directory + "|" + parts.fileName + "|" +
                      parts.extension,
                  std::string("|") + c.directory + "|" + c.fileName + "|" + c.extension);
    }
    const std::string start = platform::Path::currentDirectory();
    EXPECT_FALSE(platform::Path::changeDirectory("/no/such/directory/here"));
    EXPECT_FALSE(platform::Path::changeDirectory(""));
    EXPECT_EQ(platform::Path::currentDirectory(), start);
}

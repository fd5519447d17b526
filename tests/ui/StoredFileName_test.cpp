#include "ui/StoredFileName.h"

#include "tests/support/TempDir.h"
#include "tests/ui/DialogTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

TEST(StoredFileName, MakesNamesRelativeToTheWorkingDirectory) {
    testsupport::TempDir dir;
    std::filesystem::create_directory(dir.path() / "maps");
    dialogtest::WorkingDirectory cwd(dir.path() / "maps");
    const std::filesystem::path here = std::filesystem::current_path();
    struct Case {
        std::string path;
        const char* stored;
    };
    const Case cases[] = {
        {(here / "state.txt").string(), "state.txt"},
        {(here / "a" / "b.mcp").string(), "a/b.mcp"},
        {(here.parent_path() / "up.txt").string(), "../up.txt"},
        {"already/relative.txt", "already/relative.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        StoredFileName name;
        EXPECT_TRUE(name.assignRelative(c.path.c_str()));
        EXPECT_STREQ(name.c_str(), c.stored);
    }
}

TEST(StoredFileName, KeepsUpTo255CharactersAndRefusesLongerNamesWhole) {
    StoredFileName name;
    const std::string longest(255, 'a');
    EXPECT_TRUE(name.assignRelative(longest.c_str()));
    EXPECT_EQ(std::string(name.c_str()), longest);
    for (int length : {256, 257, 4000}) {
        SCOPED_TRACE(length);
        EXPECT_FALSE(name.assignRelative(std::string(length, 'b').c_str()));
        EXPECT_EQ(std::string(name.c_str()), longest);
    }
}

TEST(StoredFileName, NullAndEmptyAreRefusedAndClearForgets) {
    StoredFileName name;
    EXPECT_EQ(name.c_str(), nullptr);
    EXPECT_FALSE(name.assignRelative(nullptr));
    EXPECT_FALSE(name.assignRelative(""));
    EXPECT_EQ(name.c_str(), nullptr);
    EXPECT_TRUE(name.assignRelative("state.txt"));
    name.clear();
    EXPECT_EQ(name.c_str(), nullptr);
}

} // namespace

#include "ui/StoredFileName.h"

#include "tests/support/TempDir.h"
#include "tests/support/WorkingDirectory.h"

#include <gtest/gtest.h>

namespace {

// Names are kept relative to the working directory, up to 255 characters; a longer, null or
// empty one is refused whole and the stored name stays.
TEST(StoredFileName, StoresRelativeNamesAndRefusesLongOrEmptyOnes) {
    testsupport::TempDir dir;
    std::filesystem::create_directory(dir.path() / "maps");
    testsupport::WorkingDirectory cwd(dir.path() / "maps");
    const std::filesystem::path here = std::filesystem::current_path();
    const std::string longest(255, 'a');
    const struct {
        std::string path;
        const char* stored; // null: refused, the previous name stays
    } cases[] = {
        {(here / "state.txt").string(), "state.txt"},
        {(here / "a" / "b.mcp").string(), "a/b.mcp"},
        {(here.parent_path() / "up.txt").string(), "../up.txt"},
        {"already/relative.txt", "already/relative.txt"},
        {longest, longest.c_str()},
        {std::string(256, 'b'), nullptr},
        {"", nullptr},
    };
    StoredFileName name;
    EXPECT_EQ(name.c_str(), nullptr);
    EXPECT_FALSE(name.assignRelative(nullptr));
    std::string previous;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.substr(0, 60));
        EXPECT_EQ(name.assignRelative(c.path.c_str()), c.stored != nullptr);
        previous = c.stored != nullptr ? c.stored : previous;
        EXPECT_EQ(std::string(name.c_str()), previous);
    }
    name.clear();
    EXPECT_EQ(name.c_str(), nullptr);
}

} // namespace

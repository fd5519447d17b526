#include "app/EntryArguments.h"

#include "platform/Path.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

using app::EntryArguments;

EntryArguments parse(std::vector<const char*> args) {
    args.insert(args.begin(), "tarnell-map");
    return EntryArguments::fromArgv(static_cast<int>(args.size()), args.data());
}

TEST(EntryArguments, ArgumentTable) {
    struct Case {
        const char* name;
        std::vector<const char*> args;
        std::optional<std::string> directory;
        std::optional<std::string> configFile;
    };
    const std::vector<Case> cases = {
        {"directory and file", {"/srv/maps/site.cfg"}, "/srv/maps/", "site.cfg"},
        {"relative directory", {"conf/site.cfg"}, "conf/", "site.cfg"},
        {"bare file name", {"site.cfg"}, std::nullopt, "site.cfg"},
        {"no extension", {"maps/site"}, "maps/", "site"},
        {"minus sign", {"-geometry", "site.cfg"}, std::nullopt, std::nullopt},
        {"no argument", {}, std::nullopt, std::nullopt},
        {"further arguments ignored", {"a/b.cfg", "c/d.cfg"}, "a/", "b.cfg"},
        {"directory only", {"maps/"}, "maps/", std::nullopt},
        {"empty argument", {""}, std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const EntryArguments parsed = parse(c.args);
        EXPECT_EQ(parsed.directory, c.directory);
        EXPECT_EQ(parsed.configFile, c.configFile);
    }
}

TEST(EntryArguments, EntersTheConfigurationDirectory) {
    const std::string start = platform::Path::currentDirectory();
    const std::filesystem::path temp =
        std::filesystem::canonical(std::filesystem::temp_directory_path());
    const std::string arg = (temp / "site.cfg").string();

    const EntryArguments parsed = parse({arg.c_str()});
    EXPECT_TRUE(parsed.enterDirectory());
    EXPECT_EQ(std::filesystem::path(platform::Path::currentDirectory()), temp);

    const EntryArguments missing = parse({"/no/such/place/site.cfg"});
    EXPECT_FALSE(missing.enterDirectory());
    EXPECT_EQ(std::filesystem::path(platform::Path::currentDirectory()), temp);

    EXPECT_FALSE(parse({"site.cfg"}).enterDirectory());
    ASSERT_TRUE(platform::Path::changeDirectory(start));
}

} // namespace

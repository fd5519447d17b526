#include "app/EntryArguments.h"

#include "platform/Path.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using app::EntryArguments;

EntryArguments parse(std::vector<const char*> args) {
    args.insert(args.begin(), "tarnell-map");
    return EntryArguments::fromArgv(static_cast<int>(args.size()), args.data());
}

// The first argument, unless it starts with a minus sign, names the configuration file; its
// folder becomes the working directory when it exists.
TEST(EntryArguments, FolderAndFileOfTheFirstArgument) {
    const std::string temp = std::filesystem::canonical("/tmp").string();
    const struct {
        std::vector<const char*> args;
        const char *directory, *file; // "-" for none
        bool enters;
    } cases[] = {{{"/tmp/site.cfg"}, "/tmp/", "site.cfg", true},
                 {{"conf/site.cfg"}, "conf/", "site.cfg", false},
                 {{"site.cfg"}, "-", "site.cfg", false},
                 {{"maps/site"}, "maps/", "site", false},
                 {{"-geometry", "site.cfg"}, "-", "-", false},
                 {{}, "-", "-", false},
                 {{"a/b.cfg", "c/d.cfg"}, "a/", "b.cfg", false},
                 {{"maps/"}, "maps/", "-", false},
                 {{""}, "-", "-", false},
                 {{"/no/such/place/site.cfg"}, "/no/such/place/", "site.cfg", false}};
    const std::string start = platform::Path::currentDirectory();
    for (const auto& c : cases) {
        const EntryArguments parsed = parse(c.args);
        SCOPED_TRACE(c.args.empty() ? "no argument" : c.args[0]);
        EXPECT_EQ(parsed.directory.value_or("-"), c.directory);
        EXPECT_EQ(parsed.configFile.value_or("-"), c.file);
        EXPECT_EQ(parsed.enterDirectory(), c.enters);
        EXPECT_EQ(platform::Path::currentDirectory(), c.enters ? temp : start);
        platform::Path::changeDirectory(start);
    }
}

} // namespace

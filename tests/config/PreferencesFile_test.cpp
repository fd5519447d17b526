#include "config/PreferencesFile.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using config::Preferences;
using config::PreferencesFile;

TEST(PreferencesFile, EachLineSetsItsField) {
    struct Case {
        const char* file;
        double (*field)(const Preferences&);
        double expected;
    };
    const auto targetId = [](const Preferences& p) -> double { return p.targetId; };
    const auto chaseId = [](const Preferences& p) -> double { return p.chaseId; };
    const auto prox = [](const Preferences& p) -> double { return p.proxNumber; };
    const auto track = [](const Preferences& p) -> double { return p.trackMode; };
    const auto display = [](const Preferences& p) -> double { return p.displayMode; };
    const auto node = [](const Preferences& p) -> double { return p.commentNode; };
    const Case cases[] = {
        {"TARGET ID 7\n", targetId, 7},
        {"chase id 8080x\n", chaseId, 8080},
        {"chase id\n", chaseId, 2},
        {"prox number 10\n", prox, 9},
        {"prox number 4\n", prox, 4},
        {"prox number -3\n", prox, -3},
        {"track mode all\ntrack mode Roam\n", track, 2},
        {"track mode all\ntrack mode sideways\n", track, 0},
        {"track mode TARGETGROUP\n", track, 1},
        {"display mode targetgroup\n", display, 1},
        {"display mode roam\n", display, 0},
        {"comment node OFF\n", node, 0},
        {"comment node off\ncomment node maybe\n", node, 0},
        {"comment node maybe\n", node, 1},
        {"comment MCPACKET1 off\n", [](const Preferences& p) -> double { return p.commentPacket1; },
         0},
        {"comment mcPacket2 off\n", [](const Preferences& p) -> double { return p.commentPacket2; },
         0},
        {"target icon on\n", [](const Preferences& p) -> double { return p.targetIcon; }, 1},
        {"chase icon On\n", [](const Preferences& p) -> double { return p.chaseIcon; }, 1},
        {"prox icon yes\n", [](const Preferences& p) -> double { return p.proxIcon; }, 0},
        {"alert alarm on\n", [](const Preferences& p) -> double { return p.alertAlarm; }, 1},
        {"alert distance 2.5e1\n", [](const Preferences& p) -> double { return p.alertDistance; },
         25},
        {"Alert MediumIdle 7.5\n", [](const Preferences& p) -> double { return p.mediumIdle; },
         7.5},
        {"alert badIdle 20 seconds\n", [](const Preferences& p) -> double { return p.badIdle; },
         20},
    };
    testsupport::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Preferences preferences;
        ASSERT_TRUE(PreferencesFile::load(dir.write("prefs.txt", c.file).c_str(), preferences));
        EXPECT_EQ(c.field(preferences), c.expected);
    }
}

TEST(PreferencesFile, FieldsTheFileDoesNotNameKeepTheirValues) {
    testsupport::TempDir dir;
    Preferences preferences;
    preferences.targetId = 42;
    preferences.mediumIdle = 3.0;
    ASSERT_TRUE(PreferencesFile::load(dir.write("p.txt", "chase id 9\n").c_str(), preferences));
    EXPECT_EQ(preferences.targetId, 42);
    EXPECT_EQ(preferences.chaseId, 9);
    EXPECT_EQ(preferences.mediumIdle, 3.0);

    EXPECT_FALSE(PreferencesFile::load(dir.file("absent.txt").c_str(), preferences));
    EXPECT_FALSE(PreferencesFile::load(nullptr, preferences));
    EXPECT_EQ(preferences.targetId, 42);
    EXPECT_EQ(preferences.chaseId, 9);
    EXPECT_TRUE(
        PreferencesFile::load(dir.write("e.txt", "# only a comment\n").c_str(), preferences));
}

// The alert distance and the trail span keep their value when the file's word
// is no number in their range, and each such line gives one warning.
TEST(PreferencesFile, BadDistanceOrTrailKeepsTheValueWithOneWarning) {
    struct Case {
        const char* file;
        double distance;
        double trail;
        const char* warning; // after the quoted line; "" for none
    };
    const char* metres = "not 0 or more metres, 100 kept";
    const char* seconds = "not 0 to 86400 seconds, 0 kept";
    const Case cases[] = {
        {"alert distance 35.5\ndisplay trail 120\n", 35.5, 120, ""},
        {"Display TRAIL 86400\nalert distance 0\n", 0, 86400, ""},
        {"display trail 2.5 seconds\n", 100, 2.5, ""},
        {"alert distance -5\n", 100, 0, metres},
        {"alert distance far\n", 100, 0, metres},
        {"alert distance 0x10\n", 100, 0, metres},
        {"alert distance 1e999\n", 100, 0, metres},
        {"alert distance 250\nalert distance nan\n", 250, 0, "not 0 or more metres, 250 kept"},
        {"display trail -1\n", 100, 0, seconds},
        {"display trail 86401\n", 100, 0, seconds},
        {"display trail 60\ndisplay trail ten\n", 100, 60, "not 0 to 86400 seconds, 60 kept"},
    };
    testsupport::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = dir.write("prefs.txt", c.file);
        Preferences preferences;
        std::vector<std::string> warnings;
        ASSERT_TRUE(PreferencesFile::load(path.c_str(), preferences, &warnings));
        EXPECT_EQ(preferences.alertDistance, c.distance);
        EXPECT_EQ(preferences.trailSeconds, c.trail);
        // The warning quotes the file's last line, the one refused.
        std::string last(c.file, std::strlen(c.file) - 1);
        last = last.substr(last.rfind('\n') + 1);
        const std::vector<std::string> expected =
            c.warning[0] == '\0'
                ? std::vector<std::string>{}
                : std::vector<std::string>{"Warning: " + path + ": \"" + last + "\": " + c.warning};
        EXPECT_EQ(warnings, expected);
        // Without a list to fill the values are checked all the same.
        Preferences quiet;
        ASSERT_TRUE(PreferencesFile::load(path.c_str(), quiet));
        EXPECT_EQ(quiet.alertDistance, c.distance);
    }
}

} // namespace

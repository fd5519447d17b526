#include "config/PreferencesFile.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

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
        {"prox number 12\n", prox, 9},
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

} // namespace

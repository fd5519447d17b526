#include "app/BuildStamp.h"

#include <gtest/gtest.h>

#include <regex>

TEST(BuildStamp, CompilerTimeStampForm) {
    const struct {
        const char *date, *time, *stamp;
    } cases[] = {{"Mar  1 2004", "11:21:57", "Mon Mar  1 11:21:57 2004"},
                 {"Feb 29 2000", "23:59:59", "Tue Feb 29 23:59:59 2000"},
                 {"Jan 31 2024", "00:00:00", "Wed Jan 31 00:00:00 2024"},
                 {"Foo  1 2004", "11:21:57", ""},
                 {"Mar  1 2004", "11:21", ""},
                 {nullptr, "11:21:57", ""}};
    for (const auto& c : cases) {
        EXPECT_EQ(app::BuildStamp::format(c.date, c.time), c.stamp) << c.time;
    }
    EXPECT_TRUE(std::regex_match(app::BuildStamp::text(),
                                 std::regex("[A-Z][a-z]{2} [A-Z][a-z]{2} [ 123][0-9] "
                                            "[0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}")));
}

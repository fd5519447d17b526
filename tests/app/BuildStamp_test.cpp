#include "app/BuildStamp.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

using app::BuildStamp;

TEST(BuildStamp, CompilerTimeStampForm) {
    EXPECT_EQ(BuildStamp::format("Mar  1 2004", "11:21:57"), "Mon Mar  1 11:21:57 2004");
    EXPECT_EQ(BuildStamp::format("Dec  6 2026", "08:26:12"), "Sun Dec  6 08:26:12 2026");
    EXPECT_EQ(BuildStamp::format("Feb 29 2000", "23:59:59"), "Tue Feb 29 23:59:59 2000");
    EXPECT_EQ(BuildStamp::format("Jan 31 2024", "00:00:00"), "Wed Jan 31 00:00:00 2024");
    EXPECT_EQ(BuildStamp::format("Foo  1 2004", "11:21:57"), "");
    EXPECT_EQ(BuildStamp::format("Mar  1 2004", "11:21"), "");
    EXPECT_EQ(BuildStamp::format(nullptr, "11:21:57"), "");
    EXPECT_TRUE(std::regex_match(
        BuildStamp::text(), std::regex("(Mon|Tue|Wed|Thu|Fri|Sat|Sun) [A-Z][a-z]{2} [ 123][0-9] "
                                       "[0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}")))
        << BuildStamp::text();
}

} // namespace

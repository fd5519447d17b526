#include "config/DecimalText.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cstdint>

namespace {

using config::DecimalText;

struct LengthCase {
    const char* text;
    size_t real;
    size_t integer;
};

TEST(DecimalText, LengthsOfTheLeadingNumber) {
    const LengthCase cases[] = {
        {"123", 3, 3}, {"  -4.5", 6, 4}, {"4916.4500,N", 9, 4}, {"+.5", 3, 0},   {".", 0, 0},
        {"-", 0, 0},   {"", 0, 0},       {"1.5e+3x", 6, 1},     {"2e", 1, 1},    {"inf", 0, 0},
        {"NaN", 0, 0}, {"0x1p3", 1, 1},  {"\t7", 2, 2},         {"12:34", 2, 2},
    };
    for (const LengthCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(DecimalText::realLength(c.text), c.real);
        EXPECT_EQ(DecimalText::integerLength(c.text), c.integer);
    }
    EXPECT_EQ(DecimalText::realLength(nullptr), 0u);
    EXPECT_EQ(DecimalText::toReal(nullptr), 0.0);
    EXPECT_EQ(DecimalText::toInteger(nullptr), 0);
}

TEST(DecimalText, IntegersUnclampedAndHexadecimalForms) {
    struct Case {
        const char* text;
        bool read;
        int64_t value;
        bool hexadecimal;
    };
    const Case cases[] = {
        {"2147483648", true, 2147483648LL, false},
        {" -9223372036854775808", true, INT64_MIN, false},
        {"9223372036854775808", false, 0, false},
        {"10x", true, 10, false},
        {"7x", true, 7, false},
        {"100X5", true, 100, false},
        {"0x1F", true, 0, true},
        {" -0X1", true, 0, true},
        {"+0x", true, 0, true},
        {"00x1", true, 0, false},
        {"x1", false, 0, false},
        {"", false, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        int64_t value = 99;
        EXPECT_EQ(DecimalText::readInt64(c.text, value), c.read);
        EXPECT_EQ(value, c.read ? c.value : 99);
        EXPECT_EQ(DecimalText::hexadecimalForm(c.text), c.hexadecimal);
    }
    EXPECT_FALSE(DecimalText::hexadecimalForm(nullptr));
}

TEST(DecimalText, HugeValuesStayFinite) {
    EXPECT_EQ(DecimalText::toReal("1e999"), DBL_MAX);
    EXPECT_EQ(DecimalText::toReal("-1e999"), -DBL_MAX);
    EXPECT_EQ(DecimalText::toInteger("-99999999999999999999999"), INT_MIN);
    EXPECT_EQ(DecimalText::toInteger("99999999999999999999999"), INT_MAX);
}

TEST(DecimalText, ReadFiniteRealRefusesWhatIsNoFiniteNumber) {
    struct Case {
        const char* text;
        bool ok;
        double value;
    };
    const Case cases[] = {{"12.5,N", true, 12.5}, {"-0.25", true, -0.25}, {"1e308", true, 1e308},
                          {"1e309", false, 0},    {"-1e999", false, 0},   {"inf", false, 0},
                          {"nan", false, 0},      {"", false, 0},         {".", false, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        double value = 99.0;
        EXPECT_EQ(config::DecimalText::readFiniteReal(c.text, value), c.ok);
        EXPECT_EQ(value, c.ok ? c.value : 99.0);
    }
}

} // namespace

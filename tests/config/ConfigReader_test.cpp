#include "config/ConfigReader.h"
#include "config/DecimalText.h"
#include "config/LinePieceReader.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <tuple>

namespace {

using config::ConfigReader;
using config::DecimalText;

// Lines joined by "|", words by " ".
std::string wordsOf(ConfigReader& reader) {
    std::string out;
    for (int i = 0; i < reader.lineCount(); ++i) {
        const int count = reader.selectLine(i);
        out += i > 0 ? "|" : "";
        for (int f = 0; f < count; ++f) {
            const char* text = nullptr;
            EXPECT_TRUE(reader.getString(f, &text));
            out += (f > 0 ? " " : "") + std::string(text);
        }
    }
    return out;
}

TEST(ConfigReader, SyntaxTable) {
    const std::string x99(99, 'x'), x795(795, 'x');
    const std::tuple<std::string, int, std::string> cases[] = {
        {"# c\n\nK v\n#x y\n", 2, "K v"},
        {"#a\n#b\n", 2, ""},
        {"", 2, ""},
        {"  # word\n", 3, "# word"},
        {"NodeFile a.txt b c\n", 2, "NodeFile a.txt"},
        {"Input RemotePort\n", 3, "Input RemotePort"},
        {"\t a \t\tb   c\n", 3, "a b c"},
        {"A b\r\nC d\r\n", 2, "A b|C d"},
        {"A b\r\n\r\nC d\r\n", 2, "A b|C d"},
        {"a\nb\nc\n\t\nd\n", 1, "a|b|c"}, // a line of blanks ends the file
        {"a\n   \nd\n", 1, "a"},
        {"K v", 2, "K v"},
        {std::string("\0x\nk\n", 5), 1, "k"},
        {std::string("a\0b c\n", 6), 3, "a"},
        {x795 + x795 + "\n", 1, x99 + "|" + x99}, // 799 characters make a piece, the rest a line
        {"key " + x795 + "tail word\nnext line\n", 2, "key " + x99 + "|tail word|next line"},
        {"a " + x795 + "xx\nb c\n", 2, "a " + x99 + "|b c"},
        {"1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17\n", 16,
         "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16"}};
    testsupport::TempDir dir;
    for (const auto& [content, fields, words] : cases) {
        SCOPED_TRACE(words);
        ConfigReader reader(dir.write("c.cfg", content).c_str(), fields, nullptr, 800, 100);
        EXPECT_EQ(wordsOf(reader), words);
        EXPECT_EQ(reader.loaded(), !words.empty());
    }
}

TEST(ConfigReader, SelectLineClampsGettersRefuseMissingFieldsLoadReopens) {
    testsupport::TempDir dir;
    const std::string path = dir.write("c.cfg", "a b c\nd\ne f\n");
    ConfigReader reader(path.c_str(), 3, nullptr, 800, 100);
    const char* text = nullptr;
    int length = -1, integer = 77;
    double real = 7.5;
    EXPECT_EQ(reader.selectLine(-5), 3);
    EXPECT_TRUE(reader.getString(0, &text));
    EXPECT_STREQ(text, "a");
    EXPECT_EQ(reader.selectLine(10) + reader.fieldCount(), 4);
    EXPECT_TRUE(reader.getString(1, &text, &length));
    EXPECT_STREQ(text, "f");
    EXPECT_EQ(length, 1);
    EXPECT_FALSE(reader.getString(2, &text) || reader.getString(-1, &text));
    EXPECT_FALSE(reader.getInteger(2, &integer) || reader.getReal(3, &real));
    EXPECT_STREQ(text, "f");
    EXPECT_EQ(integer + real, 84.5);
    std::filesystem::remove(path);
    EXPECT_FALSE(reader.load());
    EXPECT_EQ(reader.lineCount(), 0);
    const std::string words = dir.write("w.cfg", "a b c\n");
    EXPECT_EQ(ConfigReader(words.c_str(), 3, "%s%s%s", 800, 100).lineCount(), 1);
    EXPECT_EQ(ConfigReader(words.c_str(), 3, "%d %s", 800, 100).lineCount(), 0);
    // No lines: comments only, missing, no path, field counts outside 1 to 16.
    const std::string comments = dir.write("c.cfg", "#a\n#b c\n"), absent = dir.file("absent");
    const std::pair<const char*, int> empty[] = {
        {comments.c_str(), 2}, {absent.c_str(), 2},    {nullptr, 2},
        {comments.c_str(), 0}, {comments.c_str(), 17},
    };
    for (const auto& [file, fields] : empty) {
        SCOPED_TRACE(fields);
        ConfigReader none(file, fields, nullptr, 800, 100);
        EXPECT_EQ(none.lineCount() + none.selectLine(0) + none.fieldCount(), 0);
        EXPECT_FALSE(none.loaded() || none.getString(0, &text));
        EXPECT_FALSE(none.getInteger(0, &integer) || none.getReal(0, &real));
        EXPECT_EQ(integer, 77);
    }
}

TEST(ConfigReader, GettersConvertLikeTheCLibrary) {
    const std::tuple<const char*, int, double> cases[] = {
        {"8080x", 8080, 8080.0}, {"2.5e1", 2, 25.0},
        {"-12", -12, -12.0},     {"+7", 7, 7.0},
        {"abc", 0, 0.0},         {".5", 0, 0.5},
        {"3.", 3, 3.0},          {"1e", 1, 1.0},
        {"0x10", 0, 0.0},        {"inf", 0, 0.0},
        {"nan", 0, 0.0},         {"-", 0, 0.0},
        {"1E-2", 1, 0.01},       {"99999999999", 2147483647, 99999999999.0},
    };
    testsupport::TempDir dir;
    for (const auto& [word, integer, real] : cases) {
        SCOPED_TRACE(word);
        const std::string path = dir.write("c.cfg", std::string("key ") + word + "\n");
        ConfigReader reader(path.c_str(), 2, nullptr, 800, 100);
        int gotInteger = -1;
        double gotReal = -1.0;
        ASSERT_EQ(reader.selectLine(0), 2);
        ASSERT_TRUE(reader.getInteger(1, &gotInteger) && reader.getReal(1, &gotReal));
        EXPECT_EQ(gotInteger, integer);
        EXPECT_DOUBLE_EQ(gotReal, real);
    }
}

TEST(LinePieceReader, SplitsLikeFgetsInTextMode) {
    const std::tuple<std::string, size_t, std::vector<std::string>> cases[] = {
        {"ab\ncd\n", 10, {"ab\n", "cd\n"}},
        {"ab\r\ncd", 10, {"ab\n", "cd"}},
        {"a\rb\n", 10, {"a\rb\n"}},
        {"abcdef\n", 4, {"abcd", "ef\n"}},
        {"abcd\n", 4, {"abcd", "\n"}},
        {"abc\r\nx\n", 4, {"abc\n", "x\n"}},
        {"ab\r", 10, {"ab\r"}},
        {"", 10, {}},
    };
    testsupport::TempDir dir;
    for (const auto& [content, maxChars, expected] : cases) {
        SCOPED_TRACE(content);
        std::FILE* file = std::fopen(dir.write("f.txt", content).c_str(), "r");
        std::vector<std::string> pieces;
        for (std::string piece; config::LinePieceReader::read(file, piece, maxChars);) {
            pieces.push_back(piece);
        }
        std::fclose(file);
        EXPECT_EQ(pieces, expected);
    }
}

TEST(DecimalText, LengthsOfTheLeadingNumberAndHugeValues) {
    const std::tuple<const char*, size_t, size_t> cases[] = {
        {"123", 3, 3}, {"  -4.5", 6, 4}, {"4916.4500,N", 9, 4}, {"+.5", 3, 0},  {".", 0, 0},
        {"-", 0, 0},   {"", 0, 0},       {"1.5e+3x", 6, 1},     {"2e", 1, 1},   {"inf", 0, 0},
        {"NaN", 0, 0}, {"0x1p3", 1, 1},  {"\t7", 2, 2},         {"12:34", 2, 2}};
    for (const auto& [text, real, integer] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(DecimalText::realLength(text), real);
        EXPECT_EQ(DecimalText::integerLength(text), integer);
    }
    EXPECT_EQ(DecimalText::realLength(nullptr) + DecimalText::toReal(nullptr) +
                  DecimalText::toInteger(nullptr),
              0);
    EXPECT_EQ(DecimalText::toReal("1e999"), DBL_MAX);
    EXPECT_EQ(DecimalText::toReal("-1e999"), -DBL_MAX);
    EXPECT_EQ(DecimalText::toInteger("-99999999999999999999999"), INT_MIN);
    EXPECT_EQ(DecimalText::toInteger("99999999999999999999999"), INT_MAX);
}

TEST(DecimalText, IntegersUnclampedHexadecimalFormsAndFiniteReals) {
    const std::tuple<const char*, bool, int64_t, bool> integers[] = {
        {"2147483648", true, 2147483648LL, false},
        {" -9223372036854775808", true, INT64_MIN, false},
        {"9223372036854775808", false, 0, false},
        {"10x", true, 10, false},
        {"100X5", true, 100, false},
        {"0x1F", true, 0, true},
        {" -0X1", true, 0, true},
        {"+0x", true, 0, true},
        {"00x1", true, 0, false},
        {"x1", false, 0, false},
        {"", false, 0, false},
    };
    for (const auto& [text, read, value, hexadecimal] : integers) {
        SCOPED_TRACE(text);
        int64_t got = 99;
        EXPECT_EQ(DecimalText::readInt64(text, got), read);
        EXPECT_EQ(got, read ? value : 99);
        EXPECT_EQ(DecimalText::hexadecimalForm(text), hexadecimal);
    }
    EXPECT_FALSE(DecimalText::hexadecimalForm(nullptr));
    const std::tuple<const char*, bool, double> reals[] = {
        {"12.5,N", true, 12.5}, {"-0.25", true, -0.25}, {"1e308", true, 1e308},
        {"1e309", false, 0},    {"-1e999", false, 0},   {"inf", false, 0},
        {"nan", false, 0},      {"", false, 0},         {".", false, 0}};
    for (const auto& [text, ok, value] : reals) {
        SCOPED_TRACE(text);
        double got = 99.0;
        EXPECT_EQ(DecimalText::readFiniteReal(text, got), ok);
        EXPECT_EQ(got, ok ? value : 99.0);
    }
}

} // namespace

#include "config/ConfigReader.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using config::ConfigReader;

std::vector<std::vector<std::string>> readAll(ConfigReader& reader) {
    std::vector<std::vector<std::string>> lines;
    for (int i = 0; i < reader.lineCount(); ++i) {
        const int count = reader.selectLine(i);
        std::vector<std::string> words;
        for (int f = 0; f < count; ++f) {
            const char* text = nullptr;
            EXPECT_TRUE(reader.getString(f, &text));
            words.emplace_back(text);
        }
        lines.push_back(words);
    }
    return lines;
}

struct SyntaxCase {
    const char* name;
    int fields;
    std::string content;
    std::vector<std::vector<std::string>> expected;
};

TEST(ConfigReader, SyntaxTable) {
    const std::string longWord(150, 'w');
    const std::vector<SyntaxCase> cases = {
        {"comments and empty lines", 2, "# c\n\nK v\n#x y\n", {{"K", "v"}}},
        {"only comments", 2, "#a\n#b\n", {}},
        {"empty file", 2, "", {}},
        {"hash after blanks is a word", 3, "  # word\n", {{"#", "word"}}},
        {"extra words dropped", 2, "NodeFile a.txt b c\n", {{"NodeFile", "a.txt"}}},
        {"fewer words kept", 3, "Input RemotePort\n", {{"Input", "RemotePort"}}},
        {"tabs and runs of blanks", 3, "\t a \t\tb   c\n", {{"a", "b", "c"}}},
        {"crlf line ends", 2, "A b\r\nC d\r\n", {{"A", "b"}, {"C", "d"}}},
        {"crlf empty line skipped", 2, "A b\r\n\r\nC d\r\n", {{"A", "b"}, {"C", "d"}}},
        {"blank-only line ends reading", 1, "a\nb\nc\n\t\nd\n", {{"a"}, {"b"}, {"c"}}},
        {"blank line of spaces ends reading", 1, "a\n   \nd\n", {{"a"}}},
        {"no final newline", 2, "K v", {{"K", "v"}}},
        {"zero byte first is skipped", 1, std::string("\0x\nk\n", 5), {{"k"}}},
        {"zero byte ends the words", 3, std::string("a\0b c\n", 6), {{"a"}}},
        {"word cut to 99", 1, longWord + "\n", {{std::string(99, 'w')}}},
        // 799 characters make a piece; the rest of the line is a line of its own,
        // and a line feed right after a piece is an empty one, skipped.
        {"long line in pieces",
         2,
         "key " + std::string(795, 'x') + "tail word\nnext line\n",
         {{"key", std::string(99, 'x')}, {"tail", "word"}, {"next", "line"}}},
        {"line of exactly 799",
         2,
         "a " + std::string(797, 'y') + "\nb c\n",
         {{"a", std::string(99, 'y')}, {"b", "c"}}},
        {"sixteen fields",
         16,
         "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17\n",
         {{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14", "15", "16"}}},
    };
    for (const SyntaxCase& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir dir;
        const std::string path = dir.write("c.cfg", c.content);
        ConfigReader reader(path.c_str(), c.fields, nullptr, 800, 100);
        EXPECT_EQ(reader.lineCount(), static_cast<int>(c.expected.size()));
        EXPECT_EQ(reader.loaded(), !c.expected.empty());
        EXPECT_EQ(readAll(reader), c.expected);
    }
}

TEST(ConfigReader, SelectLineClampsAndCountsFields) {
    testsupport::TempDir dir;
    const std::string path = dir.write("c.cfg", "a b c\nd\ne f\n");
    ConfigReader reader(path.c_str(), 3, nullptr, 800, 100);
    ASSERT_EQ(reader.lineCount(), 3);
    const char* text = nullptr;

    EXPECT_EQ(reader.selectLine(-5), 3);
    ASSERT_TRUE(reader.getString(0, &text));
    EXPECT_STREQ(text, "a");

    EXPECT_EQ(reader.selectLine(reader.lineCount() + 7), 2);
    EXPECT_EQ(reader.fieldCount(), 2);
    ASSERT_TRUE(reader.getString(1, &text));
    EXPECT_STREQ(text, "f");

    EXPECT_EQ(reader.selectLine(1), 1);
    int length = -1;
    EXPECT_TRUE(reader.getString(0, &text, &length));
    EXPECT_EQ(length, 1);
}

TEST(ConfigReader, GettersRefuseMissingFieldsAndLeaveOutputs) {
    testsupport::TempDir dir;
    const std::string path = dir.write("c.cfg", "Input RemotePort\n");
    ConfigReader reader(path.c_str(), 3, nullptr, 800, 100);
    ASSERT_EQ(reader.selectLine(0), 2);
    const char* text = "untouched";
    int integer = 77;
    double real = 7.5;
    EXPECT_FALSE(reader.getString(2, &text));
    EXPECT_FALSE(reader.getString(-1, &text));
    EXPECT_FALSE(reader.getInteger(2, &integer));
    EXPECT_FALSE(reader.getReal(3, &real));
    EXPECT_STREQ(text, "untouched");
    EXPECT_EQ(integer, 77);
    EXPECT_EQ(real, 7.5);
}

TEST(ConfigReader, EmptyReaderAnswersNothing) {
    testsupport::TempDir dir;
    const std::string comments = dir.write("c.cfg", "#a\n#b c\n");
    const std::string missing = (dir.path() / "absent.cfg").string();
    struct Case {
        const char* name;
        const char* path;
        int fields;
    };
    const Case cases[] = {{"comments only", comments.c_str(), 2},
                          {"missing file", missing.c_str(), 2},
                          {"no path", nullptr, 2},
                          {"zero fields", comments.c_str(), 0},
                          {"seventeen fields", comments.c_str(), 17}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ConfigReader reader(c.path, c.fields, nullptr, 800, 100);
        const char* text = nullptr;
        int integer = 3;
        double real = 2.0;
        EXPECT_EQ(reader.lineCount(), 0);
        EXPECT_FALSE(reader.loaded());
        EXPECT_EQ(reader.selectLine(0), 0);
        EXPECT_EQ(reader.fieldCount(), 0);
        EXPECT_FALSE(reader.getString(0, &text));
        EXPECT_FALSE(reader.getInteger(0, &integer));
        EXPECT_FALSE(reader.getReal(0, &real));
        EXPECT_EQ(integer, 3);
    }
}

TEST(ConfigReader, LoadReportsWhetherTheFileOpened) {
    testsupport::TempDir dir;
    const std::string path = dir.write("c.cfg", "a b\n");
    ConfigReader reader(path.c_str(), 2, nullptr, 800, 100);
    EXPECT_TRUE(reader.load());
    EXPECT_EQ(reader.lineCount(), 1);
    std::filesystem::remove(path);
    EXPECT_FALSE(reader.load());
    EXPECT_EQ(reader.lineCount(), 0);
    // Only the word format is accepted.
    const std::string words = dir.write("w.cfg", "a b c\n");
    EXPECT_EQ(ConfigReader(words.c_str(), 3, "%s%s%s", 800, 100).lineCount(), 1);
    EXPECT_EQ(ConfigReader(words.c_str(), 3, "%d %s", 800, 100).lineCount(), 0);
}

struct NumberCase {
    const char* word;
    int integer;
    double real;
};

TEST(ConfigReader, GettersConvertLikeTheCLibrary) {
    const NumberCase cases[] = {{"8080x", 8080, 8080.0},
                                {"2.5e1", 2, 25.0},
                                {"-12", -12, -12.0},
                                {"+7", 7, 7.0},
                                {"abc", 0, 0.0},
                                {".5", 0, 0.5},
                                {"3.", 3, 3.0},
                                {"1e", 1, 1.0},
                                {"0x10", 0, 0.0},
                                {"inf", 0, 0.0},
                                {"nan", 0, 0.0},
                                {"-", 0, 0.0},
                                {"99999999999", 2147483647, 99999999999.0},
                                {"1E-2", 1, 0.01}};
    testsupport::TempDir dir;
    std::string content;
    for (const NumberCase& c : cases) {
        content += std::string("key ") + c.word + "\n";
    }
    const std::string path = dir.write("c.cfg", content);
    ConfigReader reader(path.c_str(), 2, nullptr, 800, 100);
    ASSERT_EQ(reader.lineCount(), static_cast<int>(std::size(cases)));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].word);
        ASSERT_EQ(reader.selectLine(static_cast<int>(i)), 2);
        int integer = -1;
        double real = -1.0;
        ASSERT_TRUE(reader.getInteger(1, &integer));
        ASSERT_TRUE(reader.getReal(1, &real));
        EXPECT_EQ(integer, cases[i].integer);
        EXPECT_DOUBLE_EQ(real, cases[i].real);
    }
}

} // namespace

#include "config/LinePieceReader.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> pieces(const std::string& content, size_t maxChars) {
    testsupport::TempDir dir;
    const std::string path = dir.write("f.txt", content);
    std::FILE* file = std::fopen(path.c_str(), "r");
    std::vector<std::string> out;
    std::string piece;
    while (config::LinePieceReader::read(file, piece, maxChars)) {
        out.push_back(piece);
    }
    std::fclose(file);
    return out;
}

TEST(LinePieceReader, SplitsLikeFgetsInTextMode) {
    struct Case {
        const char* name;
        std::string content;
        size_t maxChars;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"plain lines", "ab\ncd\n", 10, {"ab\n", "cd\n"}},
        {"crlf folded", "ab\r\ncd", 10, {"ab\n", "cd"}},
        {"lone cr kept", "a\rb\n", 10, {"a\rb\n"}},
        {"cut at limit", "abcdef\n", 4, {"abcd", "ef\n"}},
        {"newline after limit", "abcd\n", 4, {"abcd", "\n"}},
        {"crlf across the limit", "abc\r\nx\n", 4, {"abc\n", "x\n"}},
        {"trailing cr at end of file", "ab\r", 10, {"ab\r"}},
        {"empty file", "", 10, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(pieces(c.content, c.maxChars), c.expected);
    }
}

} // namespace

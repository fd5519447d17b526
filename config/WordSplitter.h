#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace config {

// Splits a line into its blank-separated words, the way the system's files
// are read: runs of white space separate words, the text ends at a zero byte
// as a C string would, at most maxWords words are kept and each is cut to
// maxChars characters. Pure; any thread.
class WordSplitter {
public:
    static void split(const std::string& text, size_t maxWords, size_t maxChars,
                      std::vector<std::string>& words);
};

} // namespace config

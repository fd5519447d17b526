#include "config/WordSplitter.h"

#include <algorithm>
#include <cctype>

namespace config {
namespace {

bool isBlank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

} // namespace

void WordSplitter::split(const std::string& text, size_t maxWords, size_t maxChars,
                         std::vector<std::string>& words) {
    words.clear();
    const size_t end = std::min(text.size(), text.find('\0'));
    size_t i = 0;
    while (words.size() < maxWords) {
        while (i < end && isBlank(text[i])) {
            ++i;
        }
        if (i >= end) {
            break;
        }
        const size_t start = i;
        while (i < end && !isBlank(text[i])) {
            ++i;
        }
        words.push_back(text.substr(start, std::min(i - start, maxChars)));
    }
}

} // namespace config

#include "config/KeyWord.h"

namespace config {
namespace {

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

bool KeyWord::matches(const char* word, const char* keyWord) {
    if (word == nullptr || keyWord == nullptr) {
        return false;
    }
    for (; *word != '\0' && *keyWord != '\0'; ++word, ++keyWord) {
        if (lowerAscii(*word) != lowerAscii(*keyWord)) {
            return false;
        }
    }
    return *word == *keyWord;
}

} // namespace config

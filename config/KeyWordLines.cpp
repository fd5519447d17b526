#include "config/KeyWordLines.h"

#include "config/ConfigReader.h"

namespace config {
namespace {

constexpr int kWordsPerLine = 3;
constexpr int kLineBufferSize = 800;
constexpr int kFieldSize = 100;

} // namespace

bool KeyWordLines::read(const char* path, const Apply& apply) {
    ConfigReader reader(path, kWordsPerLine, nullptr, kLineBufferSize, kFieldSize);
    for (int i = 0; i < reader.lineCount(); ++i) {
        if (reader.selectLine(i) != kWordsPerLine) {
            continue;
        }
        const char* words[kWordsPerLine] = {};
        for (int w = 0; w < kWordsPerLine; ++w) {
            reader.getString(w, &words[w]);
        }
        apply(words[0], words[1], words[2]);
    }
    // The reader tells an unreadable file from an empty one only through load().
    return reader.lineCount() > 0 || reader.load();
}

} // namespace config

#include "config/ConfigLine.h"

#include "config/LinePieceReader.h"
#include "config/WordSplitter.h"

namespace config {

ConfigLine::ConfigLine(int fieldsPerLine, int lineBufferSize, int fieldSize)
    : fieldsPerLine_(fieldsPerLine), lineBufferSize_(lineBufferSize), fieldSize_(fieldSize) {
    // A line buffer needs room for a character and its terminator, a field
    // likewise; anything smaller could hold no word at all.
    valid_ = fieldsPerLine >= 1 && lineBufferSize >= 2 && fieldSize >= 2;
    if (valid_) {
        text_.reserve(static_cast<size_t>(lineBufferSize));
        fields_.reserve(static_cast<size_t>(fieldsPerLine));
    }
}

const std::string* ConfigLine::field(int index) const {
    if (index < 0 || index >= parsedCount_) {
        return nullptr;
    }
    return &fields_[static_cast<size_t>(index)];
}

bool ConfigLine::read(std::FILE* file) {
    if (!valid_ || !LinePieceReader::read(file, text_, static_cast<size_t>(lineBufferSize_ - 1))) {
        return false;
    }
    const char first = text_.front();
    if (first == '#' || first == '\0' || first == '\n') {
        isComment_ = true;
        parsedCount_ = 0;
        fields_.clear();
        return true;
    }
    isComment_ = false;
    splitWords();
    return parsedCount_ > 0;
}

// Only the first fieldsPerLine words are kept, each cut to fieldSize - 1
// characters.
void ConfigLine::splitWords() {
    WordSplitter::split(text_, static_cast<size_t>(fieldsPerLine_),
                        static_cast<size_t>(fieldSize_ - 1), fields_);
    parsedCount_ = static_cast<int>(fields_.size());
}

} // namespace config

#include "config/ConfigReader.h"

#include "config/DecimalText.h"

#include <cstdio>

namespace config {
namespace {

std::string defaultFormat(int fieldsPerLine) {
    std::string format;
    for (int i = 0; i < fieldsPerLine; ++i) {
        format += "%s";
    }
    return format;
}

} // namespace

ConfigReader::ConfigReader(const char* path, int fieldsPerLine, const char* scanFormat,
                           int lineBufferSize, int fieldSize)
    : fieldsPerLine_(fieldsPerLine), lineBufferSize_(lineBufferSize), fieldSize_(fieldSize) {
    if (path == nullptr || fieldsPerLine < 1 || fieldsPerLine > kMaxFieldsPerLine) {
        return;
    }
    path_ = path;
    hasPath_ = true;
    if (scanFormat != nullptr) {
        scanFormat_ = scanFormat;
    }
    load();
}

ConfigReader::~ConfigReader() {
    unload();
}

bool ConfigReader::load() {
    unload();
    if (!hasPath_) {
        return false;
    }
    if (scanFormat_.empty()) {
        scanFormat_ = defaultFormat(fieldsPerLine_);
    }
    if (scanFormat_ != defaultFormat(fieldsPerLine_)) {
        return false;
    }
    std::FILE* file = std::fopen(path_.c_str(), "r");
    if (file == nullptr) {
        return false;
    }
    auto line = std::make_unique<ConfigLine>(fieldsPerLine_, lineBufferSize_, fieldSize_);
    while (line->read(file)) {
        if (line->isComment()) {
            continue;
        }
        lines_.push_back(std::move(line));
        line = std::make_unique<ConfigLine>(fieldsPerLine_, lineBufferSize_, fieldSize_);
    }
    std::fclose(file);
    loaded_ = !lines_.empty();
    return true;
}

void ConfigReader::unload() {
    lines_.clear();
    loaded_ = false;
    currentLine_ = 0;
}

int ConfigReader::selectLine(int index) {
    if (lines_.empty()) {
        return 0;
    }
    if (index < 0) {
        index = 0;
    }
    if (index >= lineCount()) {
        index = lineCount() - 1;
    }
    currentLine_ = index;
    return lines_[static_cast<size_t>(index)]->parsedCount();
}

int ConfigReader::fieldCount() const {
    if (lines_.empty()) {
        return 0;
    }
    return lines_[static_cast<size_t>(currentLine_)]->parsedCount();
}

const std::string* ConfigReader::currentField(int field) const {
    if (lines_.empty()) {
        return nullptr;
    }
    const ConfigLine& line = *lines_[static_cast<size_t>(currentLine_)];
    if (!line.valid()) {
        return nullptr;
    }
    return line.field(field);
}

bool ConfigReader::getString(int field, const char** text, int* length) const {
    const std::string* word = currentField(field);
    if (word == nullptr) {
        return false;
    }
    if (text != nullptr) {
        *text = word->c_str();
    }
    if (length != nullptr) {
        *length = static_cast<int>(word->size());
    }
    return true;
}

bool ConfigReader::getReal(int field, double* value) const {
    const std::string* word = currentField(field);
    if (word == nullptr) {
        return false;
    }
    if (value != nullptr) {
        *value = DecimalText::toReal(word->c_str());
    }
    return true;
}

bool ConfigReader::getInteger(int field, int* value) const {
    const std::string* word = currentField(field);
    if (word == nullptr) {
        return false;
    }
    if (value != nullptr) {
        *value = DecimalText::toInteger(word->c_str());
    }
    return true;
}

} // namespace config

#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace config {

// One data line of a configuration file, split into at most fieldsPerLine
// words. Owned by its ConfigReader; read on the thread that loads the file.
class ConfigLine {
public:
    ConfigLine(int fieldsPerLine, int lineBufferSize, int fieldSize);
    virtual ~ConfigLine() = default;

    // Reads the next piece of the file (a line, or up to lineBufferSize - 1
    // characters of a longer one). Returns false at end of file, when the
    // object is not valid, and for a data line without a single word, which
    // ends the reading of the whole file. A comment or empty piece sets
    // isComment and returns true.
    bool read(std::FILE* file);

    bool valid() const { return valid_; }
    bool isComment() const { return isComment_; }
    int parsedCount() const { return parsedCount_; }
    // The field's characters, or nullptr when field is not below parsedCount.
    const std::string* field(int index) const;

private:
    void splitWords();

    std::string text_;
    std::vector<std::string> fields_;
    int fieldsPerLine_;
    int lineBufferSize_;
    int fieldSize_;
    int parsedCount_ = 0;
    bool isComment_ = false;
    bool valid_ = false;
};

} // namespace config

#pragma once

#include "config/ConfigLine.h"

#include <memory>
#include <string>
#include <vector>

namespace config {

// Reads one configuration file of blank-separated words completely when it is
// created and answers questions about line i, word j. A loader creates one for
// a single load and destroys it when done; the reader never writes a file.
//
// Syntax: a line whose very first character is "#" (or a zero byte), and an
// empty line, are skipped; the first data line that holds no word at all
// (only blanks or tabs) ends the reading. Lines longer than lineBufferSize - 1
// characters are read in pieces of that size; words are cut to fieldSize - 1
// characters; only the first fieldsPerLine words of a line are kept.
//
// Failure is reported by lineCount() == 0 (and load() returning false for a
// file that cannot be opened). Main thread, or any single thread.
class ConfigReader {
public:
    static constexpr int kMaxFieldsPerLine = 16;

    // Reads the file at once unless path is null or fieldsPerLine is outside
    // 1 to 16. Only the default word splitting ("%s" once per field) is
    // supported: any other scanFormat leaves the reader empty.
    ConfigReader(const char* path, int fieldsPerLine, const char* scanFormat, int lineBufferSize,
                 int fieldSize);
    virtual ~ConfigReader();

    ConfigReader(const ConfigReader&) = delete;
    ConfigReader& operator=(const ConfigReader&) = delete;

    bool load();
    void unload();

    int lineCount() const { return static_cast<int>(lines_.size()); }
    bool loaded() const { return loaded_; }

    // Selects line index, clamped to the lines held; returns its word count,
    // 0 when the reader holds no lines.
    int selectLine(int index);
    int fieldCount() const;

    // The getters return false, leaving their outputs untouched, when the
    // reader holds no lines or the current line has no such field (0-based).
    // getString's text stays valid until the reader is destroyed.
    bool getString(int field, const char** text, int* length = nullptr) const;
    bool getReal(int field, double* value) const;
    bool getInteger(int field, int* value) const;

private:
    const std::string* currentField(int field) const;

    std::string path_;
    bool hasPath_ = false;
    int fieldsPerLine_;
    std::string scanFormat_;
    int lineBufferSize_;
    int fieldSize_;
    std::vector<std::unique_ptr<ConfigLine>> lines_;
    bool loaded_ = false;
    int currentLine_ = 0;
};

} // namespace config

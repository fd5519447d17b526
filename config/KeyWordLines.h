#pragma once

#include <functional>

namespace config {

// The files of "section key value" lines (the input/output definitions and the preferences):
// each line of three words is handed on in file order; lines of fewer words are skipped, and
// words beyond the third are dropped by the reader, so such lines count too.
// Pure file reading, any thread. Failure: false when the file cannot be read (an empty or
// all-comment file reads fine).
class KeyWordLines {
public:
    using Apply = std::function<void(const char* first, const char* second, const char* third)>;

    static bool read(const char* path, const Apply& apply);
};

} // namespace config

#pragma once

#include <cstdio>
#include <string>

namespace config {

// Reads a text file the way the system's files have always been read with
// fgets in text mode: one line, or at most maxChars characters of a longer one
// (the rest comes as the next piece). The line feed is kept when it fits; a
// carriage return right before a line feed is folded into the line end, so
// files written on either platform read alike. Any thread, one file each.
class LinePieceReader {
public:
    // Returns false at end of file with nothing read.
    static bool read(std::FILE* file, std::string& piece, size_t maxChars);
};

} // namespace config

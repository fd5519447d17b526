#include "config/LinePieceReader.h"

namespace config {

bool LinePieceReader::read(std::FILE* file, std::string& piece, size_t maxChars) {
    piece.clear();
    while (piece.size() < maxChars) {
        int c = std::getc(file);
        if (c == EOF) {
            break;
        }
        if (c == '\r') {
            const int after = std::getc(file);
            if (after == '\n') {
                c = '\n';
            } else if (after != EOF) {
                std::ungetc(after, file);
            }
        }
        piece.push_back(static_cast<char>(c));
        if (c == '\n') {
            break;
        }
    }
    return !piece.empty();
}

} // namespace config

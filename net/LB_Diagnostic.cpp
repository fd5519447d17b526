#include "net/LB_Diagnostic.h"

#include <cstdarg>
#include <cstdio>
#include <string>

void LB_Diagnostic::line(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list sizing;
    va_copy(sizing, args);
    const int length = std::vsnprintf(nullptr, 0, format, sizing);
    va_end(sizing);
    if (length < 0) {
        va_end(args);
        return;
    }
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    va_end(args);
    // The stream lock keeps the write and its flush together against other
    // threads writing through stdio.
    flockfile(stdout);
    fwrite(text.data(), 1, static_cast<size_t>(length), stdout);
    fflush(stdout);
    funlockfile(stdout);
}

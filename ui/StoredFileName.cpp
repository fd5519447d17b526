#include "ui/StoredFileName.h"

#include <FL/filename.H>

#include <cstring>

bool StoredFileName::assignRelative(const char* path) {
    if (path == nullptr || path[0] == '\0') {
        return false;
    }
    // One byte more than the longest name we keep: FLTK cuts silently at the buffer's end, so
    // a result that fills the spare byte was, or would have been, too long.
    char relative[maxLength + 2];
    fl_filename_relative(relative, sizeof relative, path);
    if (std::strlen(relative) > static_cast<size_t>(maxLength)) {
        return false;
    }
    name_.assign(relative);
    present_ = true;
    return true;
}

void StoredFileName::clear() {
    name_.clear();
    present_ = false;
}

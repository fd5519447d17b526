#pragma once

#include <string>

// A file name a dialog keeps: none, or a copy of a name made relative to the working directory,
// at most maxLength characters.
//
// Ownership: the object owns its copy; c_str() stays valid until the next change. Threads: main
// thread only (the dialogs that hold it are). Failure: assignRelative() returns false and leaves
// the stored name as it was.
class StoredFileName {
public:
    static constexpr int maxLength = 255;

    // Stores `path` relative to the working directory. A null or empty path, or one whose
    // relative form is longer than maxLength, is refused: cutting it would name another file.
    bool assignRelative(const char* path);
    void clear();

    // Null when no name is stored.
    const char* c_str() const { return present_ ? name_.c_str() : nullptr; }

private:
    std::string name_;
    bool present_ = false;
};

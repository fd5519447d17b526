#pragma once

#include <string>

// A file with the given content in the temporary folder, removed again when
// the object goes. One thread.
class ScratchFile {
public:
    explicit ScratchFile(const std::string& content);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& path() const { return path_; }
    // What the file holds now (a program may have written it).
    std::string content() const;

private:
    std::string path_;
};

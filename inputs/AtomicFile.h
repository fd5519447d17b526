#pragma once

#include <cstdio>
#include <string>

namespace inputs {

// A file written under a temporary name beside its final one and renamed over
// it once complete, so that a reader (another display, a web server, a GIS
// tool refreshing its layer) sees the old file or the new one, never part of
// one, and a write that fails (a full disk) leaves the old file in place.
//
// Owned by the caller for one write; one thread. Failure: open() gives false
// when no temporary file can be made beside the path; commit() gives false
// when anything failed (the temporary is then removed). A file destroyed
// without commit() removes its temporary.
class AtomicFile {
public:
    explicit AtomicFile(std::string path);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    bool open();
    // The temporary file's stream while open, else null.
    std::FILE* stream() const { return stream_; }
    // Closes the temporary and, when `written` (everything written to the
    // stream succeeded) and the close succeeds, renames it over the path.
    bool commit(bool written);

private:
    void discard();

    std::string path_;
    std::string temporary_;
    std::FILE* stream_ = nullptr;
};

} // namespace inputs

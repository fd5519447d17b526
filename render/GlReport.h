#pragma once

namespace render {

// The report of the GL implementation that the surface writes at its first draw ("ttt.txt" in the
// working directory): four lines naming the vendor, renderer, version and extensions.
//
// Threads: any; it only writes a file. Failure: a file that cannot be opened is skipped and
// reported by a false result. A missing string (GL gave none) is written as an empty text.
class GlReport {
public:
    static constexpr const char* fileName = "ttt.txt";

    struct Strings {
        const char* vendor;
        const char* renderer;
        const char* version;
        const char* extensions;
    };

    // The strings of the current GL context; needs one.
    static Strings current();
    // Replaces the file at `path`.
    static bool write(const char* path, const Strings& strings);
};

} // namespace render

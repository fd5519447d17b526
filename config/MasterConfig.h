#pragma once

#include <string>
#include <vector>

namespace config {

// The master configuration file: one "Key filename" pair per line, naming
// the other configuration files. Keys are compared exactly, letter case
// included; lines with another number of words or an unknown key are
// ignored; a key may come more than once, and each occurrence counts, in
// file order. Pure; any thread.
class MasterConfig {
public:
    enum Key { kNodeFile, kPortFile, kNodeDefFile, kWwwFile, kMapFile, kPreferenceFile };
    static constexpr int kKeyCount = 6;

    struct Entry {
        Key key;
        std::string fileName;
    };

    // The entries in file order; none for a file that cannot be read.
    static std::vector<Entry> read(const char* path);
    static const char* keyText(Key key);
};

} // namespace config

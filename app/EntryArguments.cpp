#include "app/EntryArguments.h"

#include "platform/Path.h"

namespace app {

EntryArguments EntryArguments::fromArgv(int argc, const char* const* argv) {
    EntryArguments result;
    if (argc < 2 || argv == nullptr || argv[1] == nullptr || argv[1][0] == '-') {
        return result;
    }
    const platform::Path::Parts parts = platform::Path::split(argv[1]);
    const std::string directory = parts.drive + parts.directory;
    if (!directory.empty()) {
        result.directory = directory;
    }
    const std::string name = parts.fileName + parts.extension;
    if (!name.empty()) {
        result.configFile = name;
    }
    return result;
}

bool EntryArguments::enterDirectory() const {
    if (!directory) {
        return false;
    }
    return platform::Path::changeDirectory(*directory);
}

} // namespace app

// The preferences file applied to the preferences record.
#include "config/PreferencesFile.h"
#include "fuzz/support/FuzzFile.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzzsupport::FuzzFile::write("prefs.txt", data, size);
    config::Preferences preferences;
    if (!config::PreferencesFile::load(path.c_str(), preferences)) {
        std::abort();
    }
    if (preferences.proxNumber > config::PreferencesFile::kMaxProxNumber ||
        preferences.trackMode < 0 || preferences.trackMode > 2 || preferences.displayMode < 0 ||
        preferences.displayMode > 1 || !std::isfinite(preferences.mediumIdle) ||
        !std::isfinite(preferences.badIdle) || !std::isfinite(preferences.alertDistance)) {
        std::abort();
    }
    return 0;
}

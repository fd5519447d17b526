#pragma once

namespace config {

// Key words of the configuration files that are compared without regard to
// letter case. The comparison is ASCII only, so the result never depends on
// the locale the toolkit may have set. Pure; any thread.
class KeyWord {
public:
    static bool matches(const char* word, const char* keyWord);
};

} // namespace config

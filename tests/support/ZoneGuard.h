#pragma once

#include <cstdlib>
#include <ctime>
#include <string>

namespace testsupport {

// Sets the local zone (TZ) for as long as the object lives and puts the
// previous one back, so report times read as local time are exact.
class ZoneGuard {
public:
    explicit ZoneGuard(const char* zone) {
        const char* old = std::getenv("TZ");
        hadOld_ = old != nullptr;
        if (hadOld_) {
            old_ = old;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ZoneGuard() {
        if (hadOld_) {
            setenv("TZ", old_.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }
    ZoneGuard(const ZoneGuard&) = delete;
    ZoneGuard& operator=(const ZoneGuard&) = delete;

private:
    bool hadOld_ = false;
    std::string old_;
};

} // namespace testsupport

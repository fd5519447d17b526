#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace testsupport {

// Sets the local zone (TZ) while the object lives and puts the previous one back.
class ZoneGuard {
public:
    explicit ZoneGuard(const char* zone) {
        if (const char* old = std::getenv("TZ")) {
            old_ = old;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ZoneGuard() {
        old_ ? setenv("TZ", old_->c_str(), 1) : unsetenv("TZ");
        tzset();
    }
    ZoneGuard(const ZoneGuard&) = delete;
    ZoneGuard& operator=(const ZoneGuard&) = delete;

private:
    std::optional<std::string> old_;
};

} // namespace testsupport

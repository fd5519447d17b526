#pragma once

#include <string>

namespace app {

// The build time in the compiler's time-stamp form, as the window title
// shows it: weekday, month, day of month padded to two characters,
// hh:mm:ss, year, e.g. "Mon Mar  1 11:21:57 2004".
class BuildStamp {
public:
    // From the compiler's __DATE__ ("Mar  1 2004") and __TIME__ ("11:21:57")
    // of this program's build.
    static std::string text();
    // The same from given texts; "" when they are not in those forms.
    static std::string format(const char* date, const char* time);
};

} // namespace app

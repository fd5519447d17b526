#include "inputs/StateRecord.h"

#include "config/DecimalText.h"
#include "inputs/PositionReport.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace inputs {
namespace {

using config::DecimalText;

constexpr int kCommas = 9;
constexpr int32_t kMaxId = 1000;

// Every integer field of a record is a 32-bit value on the writer's side.
bool readInteger(const char* text, int64_t& value) {
    return !DecimalText::hexadecimalForm(text) && DecimalText::readInt64(text, value) &&
           value >= INT32_MIN && value <= INT32_MAX;
}

bool readReal(const char* text, double& value) {
    return !DecimalText::hexadecimalForm(text) && DecimalText::readFiniteReal(text, value);
}

// A name ends at the first carriage return or line feed.
std::string nameText(const char* begin, const char* end) {
    const char* stop = begin;
    while (stop < end && *stop != '\r' && *stop != '\n' && *stop != '\0') {
        ++stop;
    }
    return std::string(begin, stop);
}

} // namespace

bool StateRecord::parse(const char* line) {
    if (line == nullptr) {
        return false;
    }
    const char* dollar = std::strchr(line, '$');
    if (dollar == nullptr) {
        return false;
    }
    // One walk: the commas up to the ninth, then the first "*" after the
    // eighth. A "*" before that is ordinary text; commas after the ninth
    // belong to the name.
    const char* comma[kCommas + 1] = {};
    int commas = 0;
    const char* star = nullptr;
    for (const char* c = dollar + 1; *c != '\0'; ++c) {
        if (*c == '*' && commas >= 8) {
            star = c;
            break;
        }
        if (*c == ',' && commas < kCommas) {
            comma[++commas] = c;
        }
    }
    if (star == nullptr) {
        return false;
    }

    int64_t idValue = 0;
    int64_t secondsValue = 0;
    int64_t msValue = 0;
    int64_t statusValue = 0;
    if (!readInteger(dollar + 1, idValue) || !readReal(comma[1] + 1, latitude) ||
        !readReal(comma[2] + 1, longitude) || !readInteger(comma[3] + 1, secondsValue) ||
        !readInteger(comma[4] + 1, msValue) || !readInteger(comma[5] + 1, statusValue) ||
        !readReal(comma[6] + 1, age)) {
        return false;
    }
    if (idValue < 0 || idValue > kMaxId || msValue < 0 || msValue > 999 || statusValue < 0 ||
        statusValue > 2 || !PositionReport::onEarth(latitude, longitude)) {
        return false;
    }
    id = static_cast<int32_t>(idValue);
    seconds = static_cast<int32_t>(secondsValue);
    milliseconds = static_cast<int32_t>(msValue);
    status = static_cast<int32_t>(statusValue);

    comment1.assign(comma[7] + 1, comma[8]);
    if (commas == kCommas) {
        comment2.assign(comma[8] + 1, comma[9]);
        name = nameText(comma[9] + 1, star);
    } else {
        comment2.assign(comma[8] + 1, star);
        name = nameText(star + 1, star + std::strlen(star));
    }
    return true;
}

std::string StateRecord::format(int32_t id, double latitude, double longitude, int32_t seconds,
                                int32_t milliseconds, int32_t status, double age,
                                const char* comment1, const char* comment2, const char* name) {
    // The line is "$%03d,%f,%f,%ld,%d,%d,%05.3lf,%s,%s,%s*\n"; the numbers
    // are formatted here, the texts appended as they are. "%f" of the largest
    // double runs to 309 digits before the point.
    char numbers[3 * (DBL_MAX_10_EXP + 16) + 4 * 12 + 16];
    std::snprintf(numbers, sizeof numbers, "$%03d,%f,%f,%ld,%d,%d,%05.3lf,", id, latitude,
                  longitude, static_cast<long>(seconds), milliseconds, status, age);
    std::string line(numbers);
    line += comment1 ? comment1 : "";
    line += ',';
    line += comment2 ? comment2 : "";
    line += ',';
    line += name ? name : "";
    line += "*\n";
    return line;
}

} // namespace inputs

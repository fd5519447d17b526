#include "inputs/StateRecord.h"

#include "config/DecimalText.h"
#include "inputs/PositionReport.h"

#include <algorithm>
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

enum TextField { kComment1, kComment2, kName };

// A text as it can stand in its field of a record line, for every reader of
// the format: a control character (a line feed would end the line early) is
// a blank; a "," in a comment would shift the fields after it and becomes
// ";"; a "*" after the eighth comma ends the record, so in comment 2 and the
// name it becomes "+", the nearest look-alike. All else stays byte for byte.
std::string writableText(const char* text, TextField field) {
    std::string out = text != nullptr ? text : "";
    for (char& c : out) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) {
            c = ' ';
        } else if (c == ',' && field != kName) {
            c = ';';
        } else if (c == '*' && field != kComment1) {
            c = '+';
        }
    }
    return out;
}

bool continuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Cuts up to `over` bytes off the end of text; when the cut would split a
// UTF-8 character, the whole character goes. Returns how many of the `over`
// bytes went.
size_t cutBy(std::string& text, size_t over) {
    if (over == 0 || text.empty()) {
        return 0;
    }
    const size_t before = text.size();
    size_t keep = over >= before ? 0 : before - over;
    size_t lead = keep;
    for (int back = 0; back < 3 && lead > 0 && continuationByte(text[lead]); ++back) {
        --lead;
    }
    // Only a lead byte starts a character; anything else is no UTF-8 and is
    // cut where it is.
    if (lead < keep && (static_cast<unsigned char>(text[lead]) & 0xC0) == 0xC0) {
        keep = lead;
    }
    text.resize(keep);
    return std::min(before - keep, over);
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
    // The line is "$%03d,%f,%f,%ld,%d,%d,%05.3lf,%s,%s,%s*\n". "%f" of the
    // largest double runs to 309 digits before the point.
    char numbers[3 * (DBL_MAX_10_EXP + 16) + 4 * 12 + 16];
    const int written =
        std::snprintf(numbers, sizeof numbers, "$%03d,%f,%f,%ld,%d,%d,%05.3lf,", id, latitude,
                      longitude, static_cast<long>(seconds), milliseconds, status, age);
    // Two commas, the "*" and the line feed follow the numbers.
    const size_t fixed = static_cast<size_t>(written) + 4;
    if (written < 0 || fixed > kMaxLineChars) {
        return {};
    }
    std::string first = writableText(comment1, kComment1);
    std::string second = writableText(comment2, kComment2);
    std::string last = writableText(name, kName);
    size_t over = fixed + first.size() + second.size() + last.size();
    over = over > kMaxLineChars ? over - kMaxLineChars : 0;
    for (std::string* text : {&last, &second, &first}) {
        over -= cutBy(*text, over);
    }
    std::string line(numbers);
    line += first;
    line += ',';
    line += second;
    line += ',';
    line += last;
    line += "*\n";
    return line;
}

} // namespace inputs

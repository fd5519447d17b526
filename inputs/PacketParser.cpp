#include "inputs/PacketParser.h"

#include "config/DecimalText.h"
#include "platform/Clock.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace inputs {
namespace {

using config::DecimalText;

constexpr int kZdaFields = 6;
constexpr int kGllFields = 7;
constexpr int kMaxFields = kGllFields;
constexpr size_t kTypeLength = 5;
// Larger seconds values are garbage and would overflow the calendar's ints.
constexpr double kMaxSeconds = 1e9;

// The fields of one sentence: after each "," a field starts at the next
// character. An empty field counts as missing (null).
struct SentenceFields {
    char type[kTypeLength + 1] = {};
    const char* field[kMaxFields + 1] = {};
};

SentenceFields locateFields(const char* sentence) {
    SentenceFields out;
    size_t t = 0;
    // The type is the up to five characters after "$", stopping at white space.
    for (const char* c = sentence + 1; t < kTypeLength && *c != '\0'; ++c, ++t) {
        if (std::isspace(static_cast<unsigned char>(*c))) {
            break;
        }
        out.type[t] = *c;
    }
    int number = 0;
    for (const char* c = sentence; *c != '\0' && number < kMaxFields; ++c) {
        if (*c != ',') {
            continue;
        }
        ++number;
        const char* start = c + 1;
        out.field[number] = (*start == ',' || *start == '\0') ? nullptr : start;
    }
    return out;
}

bool allPresent(const SentenceFields& fields, int count) {
    for (int i = 1; i <= count; ++i) {
        if (fields.field[i] == nullptr) {
            return false;
        }
    }
    return true;
}

// A hexadecimal form such as "0x1F" starts with the decimal digit 0, but it is
// no decimal number: the field fails rather than reading as 0.
bool readInteger(const char* text, int64_t& value) {
    if (DecimalText::integerLength(text) == 0 || DecimalText::hexadecimalForm(text)) {
        return false;
    }
    value = DecimalText::toInteger(text);
    return true;
}

bool readReal(const char* text, double& value) {
    return !DecimalText::hexadecimalForm(text) && DecimalText::readFiniteReal(text, value);
}

bool isOneOf(const char* field, const char* letters) {
    return field[0] != '\0' && std::strchr(letters, field[0]) != nullptr;
}

// Milliseconds of a seconds value: the first three digits of its written
// fraction. Doing it in doubles, (s - floor(s)) * 1000 makes "56.99" 989.
int millisecondsOf(const char* text, double seconds) {
    const size_t length = DecimalText::realLength(text);
    const std::string number(text, length);
    if (seconds < 0 || number.find_first_of("eE") != std::string::npos) {
        return static_cast<int>((seconds - std::floor(seconds)) * 1000.0 + 1e-6) % 1000;
    }
    const size_t point = number.find('.');
    int ms = 0;
    for (size_t i = 1; i <= 3; ++i) {
        const size_t at = point == std::string::npos ? number.size() : point + i;
        const char digit = at < number.size() ? number[at] : '0';
        ms = ms * 10 + (std::isdigit(static_cast<unsigned char>(digit)) ? digit - '0' : 0);
    }
    return ms;
}

struct TimeOfDay {
    int hours = 0;
    int minutes = 0;
    double seconds = 0.0;
    int milliseconds = 0;
};

// hhmmss.sss: two-digit hours, two-digit minutes, then the seconds as a
// decimal number.
bool readTimeOfDay(const char* field, TimeOfDay& out) {
    for (int i = 0; i < 4; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(field[i]))) {
            return false;
        }
    }
    if (!readReal(field + 4, out.seconds) || !(std::fabs(out.seconds) < kMaxSeconds)) {
        return false;
    }
    out.hours = (field[0] - '0') * 10 + (field[1] - '0');
    out.minutes = (field[2] - '0') * 10 + (field[3] - '0');
    out.milliseconds = millisecondsOf(field + 4, out.seconds);
    return true;
}

// ddmm.mmmm (or dddmm.mmmm) to decimal degrees.
double degreesOf(double value) {
    const double degrees = std::floor(value * 0.01);
    return degrees + (value - degrees * 100.0) * (1.0 / 60.0);
}

bool fitsInt32(int64_t value) {
    return value >= INT32_MIN && value <= INT32_MAX;
}

} // namespace

// $GPZDA,123456.78,15,06,2004,00,00
// time, day, month, year, local zone hours, local zone minutes.
bool PacketParser::parseZda(const char* sentence, PositionReport& report) {
    const SentenceFields fields = locateFields(sentence);
    if (std::strcmp(fields.type, "GPZDA") != 0 || !allPresent(fields, kZdaFields)) {
        return false;
    }
    TimeOfDay time;
    int64_t day = 0;
    int64_t month = 0;
    int64_t year = 0;
    int64_t zoneHours = 0;
    int64_t zoneMinutes = 0;
    // The zone values must be there, but the time is taken as local time.
    if (!readTimeOfDay(fields.field[1], time) || !readInteger(fields.field[2], day) ||
        !readInteger(fields.field[3], month) || !readInteger(fields.field[4], year) ||
        !readInteger(fields.field[5], zoneHours) || !readInteger(fields.field[6], zoneMinutes)) {
        return false;
    }
    if (!fitsInt32(month - 1) || !fitsInt32(year - 1900)) {
        return false;
    }
    platform::Calendar calendar;
    calendar.sec = static_cast<int32_t>(std::floor(time.seconds));
    calendar.min = time.minutes;
    calendar.hour = time.hours;
    calendar.mday = static_cast<int32_t>(day);
    calendar.mon = static_cast<int32_t>(month - 1);
    calendar.year = static_cast<int32_t>(year - 1900);
    calendar.wday = 0;
    calendar.yday = 0;
    calendar.isdst = -1;

    platform::TimeStamp stamp = platform::Clock::now(); // for the zone words
    int64_t seconds = 0;
    if (!calendar.toLocalSeconds(seconds) || !fitsInt32(seconds)) {
        return false;
    }
    stamp.time = static_cast<int32_t>(seconds);
    stamp.millitm = static_cast<uint16_t>(time.milliseconds);

    report.calendar = calendar;
    report.reportTime = stamp;
    std::snprintf(report.timeText, sizeof report.timeText, "%4ld/%02ld/%02ld,%02d:%02d:%06.3lf",
                  static_cast<long>(year), static_cast<long>(month), static_cast<long>(day),
                  time.hours, time.minutes, time.seconds);
    return true;
}

// $GPGLL,4916.4500,N,12311.1200,W,123456.78,A,A
// latitude, N/S, longitude, E/W, time, status, mode indicator.
bool PacketParser::parseGll(const char* sentence, PositionReport& report) {
    const SentenceFields fields = locateFields(sentence);
    if (std::strcmp(fields.type, "GPGLL") != 0 || !allPresent(fields, kGllFields)) {
        return false;
    }
    double latitude = 0.0;
    double longitude = 0.0;
    TimeOfDay time;
    // The status and mode letters must be valid but are not acted on: a fix
    // marked void is drawn like a valid one. The time is checked for form;
    // the report's time is the ZDA one.
    if (!readReal(fields.field[1], latitude) || !isOneOf(fields.field[2], "nNsS") ||
        !readReal(fields.field[3], longitude) || !isOneOf(fields.field[4], "eEwW") ||
        !readTimeOfDay(fields.field[5], time) || !isOneOf(fields.field[6], "aAvV") ||
        !isOneOf(fields.field[7], "aAdDnN")) {
        return false;
    }
    const bool north = fields.field[2][0] == 'n' || fields.field[2][0] == 'N';
    const bool east = fields.field[4][0] == 'e' || fields.field[4][0] == 'E';
    const double lat = north ? degreesOf(latitude) : -degreesOf(latitude);
    const double lon = east ? degreesOf(longitude) : -degreesOf(longitude);
    if (!PositionReport::onEarth(lat, lon)) {
        return false;
    }
    report.latitude = lat;
    report.longitude = lon;
    return true;
}

bool PacketParser::parse(char* packet, PositionReport& report) {
    report.id = DecimalText::toInteger(packet);
    char* first = std::strchr(packet, ',');
    if (first == nullptr) {
        return false;
    }
    char* second = std::strchr(first + 1, ',');
    if (second == nullptr) {
        return false;
    }
    char* third = std::strchr(second + 1, ',');
    if (third == nullptr) {
        return false;
    }
    *second = '\0';
    *third = '\0';
    report.comment1 = first + 1;
    report.comment2 = second + 1;

    char* sentence1 = std::strchr(third + 1, '$');
    if (sentence1 == nullptr) {
        return false;
    }
    // Sentence 1 runs to the next "$" and must hold exactly one "*" before it.
    char* end1 = nullptr;
    char* sentence2 = sentence1 + 1;
    for (; *sentence2 != '$'; ++sentence2) {
        if (*sentence2 == '\0') {
            return false;
        }
        if (*sentence2 == '*') {
            if (end1 != nullptr) {
                return false;
            }
            end1 = sentence2;
        }
    }
    if (end1 == nullptr) {
        return false;
    }
    char* end2 = std::strchr(sentence2, '*');
    if (end2 == nullptr) {
        return false;
    }
    *end1 = '\0';
    *end2 = '\0';
    const bool zda = parseZda(sentence1, report);
    const bool gll = parseGll(sentence2, report);
    return zda && gll;
}

} // namespace inputs

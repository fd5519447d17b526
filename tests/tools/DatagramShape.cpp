#include "tests/tools/DatagramShape.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <regex>

namespace {

const std::regex& datagramPattern() {
    static const std::regex pattern(
        R"(^(\d{1,4}),([^,]*),([^,]*),\$(GPZDA,(\d{2})(\d{2})(\d{2})\.(\d{2}),(\d{2}),(\d{2}),(\d{4}),00,00)\*([0-9A-F]{2}))"
        R"(\$(GPGLL,(\d{4}\.\d{4}),([NS]),(\d{5}\.\d{4}),([EW]),(\d{6}\.\d{2}),A,A)\*([0-9A-F]{2})$)");
    return pattern;
}

std::string checksumOf(const std::string& body) {
    unsigned sum = 0;
    for (char c : body) {
        sum ^= static_cast<unsigned char>(c);
    }
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", sum);
    return digits;
}

// The display's reading of a degree-minute value.
double degreesOf(const std::string& text, char hemisphere) {
    const double value = std::stod(text);
    const double degrees = std::floor(value * 0.01);
    const double decimal = degrees + (value - degrees * 100.0) * (1.0 / 60.0);
    return (hemisphere == 'N' || hemisphere == 'E') ? decimal : -decimal;
}

int minutesOf(const std::string& degreeMinutes) {
    const size_t dot = degreeMinutes.find('.');
    return std::stoi(degreeMinutes.substr(dot - 2, 2));
}

std::string check(const std::string& datagram, DecodedDatagram* out) {
    std::smatch m;
    if (!std::regex_match(datagram, m, datagramPattern())) {
        return "does not have the datagram's form";
    }
    if (checksumOf(m[4]) != m[12].str()) {
        return "ZDA checksum " + m[12].str() + " should be " + checksumOf(m[4]);
    }
    if (checksumOf(m[13]) != m[19].str()) {
        return "GLL checksum " + m[19].str() + " should be " + checksumOf(m[13]);
    }
    const std::string zdaTime = m[5].str() + m[6].str() + m[7].str() + "." + m[8].str();
    if (zdaTime != m[18].str()) {
        return "GLL time " + m[18].str() + " differs from ZDA time " + zdaTime;
    }
    if (minutesOf(m[14]) >= 60 || minutesOf(m[16]) >= 60) {
        return "minutes of 60 or more";
    }
    std::tm calendar{};
    calendar.tm_hour = std::stoi(m[5]);
    calendar.tm_min = std::stoi(m[6]);
    calendar.tm_sec = std::stoi(m[7]);
    calendar.tm_mday = std::stoi(m[9]);
    calendar.tm_mon = std::stoi(m[10]) - 1;
    calendar.tm_year = std::stoi(m[11]) - 1900;
    const std::tm asGiven = calendar;
    const time_t seconds = timegm(&calendar);
    if (calendar.tm_mday != asGiven.tm_mday || calendar.tm_mon != asGiven.tm_mon ||
        calendar.tm_hour != asGiven.tm_hour || calendar.tm_min != asGiven.tm_min ||
        calendar.tm_sec != asGiven.tm_sec) {
        return "not a valid calendar time";
    }
    const double latitude = degreesOf(m[14], m[15].str()[0]);
    const double longitude = degreesOf(m[16], m[17].str()[0]);
    if (std::fabs(latitude) > 90.0 || std::fabs(longitude) > 180.0) {
        return "position out of range";
    }
    if (out != nullptr) {
        out->id = std::stoi(m[1]);
        out->comment1 = m[2];
        out->comment2 = m[3];
        out->utcMilliseconds = static_cast<int64_t>(seconds) * 1000 + std::stoi(m[8]) * 10;
        out->latitude = latitude;
        out->longitude = longitude;
    }
    return "";
}

} // namespace

std::string DatagramShape::problem(const std::string& datagram) {
    return check(datagram, nullptr);
}

bool DatagramShape::decode(const std::string& datagram, DecodedDatagram& out) {
    return check(datagram, &out).empty();
}

#include "tools/fleet-sim/PositionDatagram.h"

#include "tools/fleet-sim/NmeaCoordinate.h"

#include <cstdio>
#include <ctime>

namespace fleetsim {
namespace {

struct UtcTime {
    int year = 1970;
    int month = 1; // 1 to 12
    int day = 1;
    char clock[16] = "000000.00"; // hhmmss.ss
};

int64_t floorDivide(int64_t value, int64_t divisor) {
    const int64_t quotient = value / divisor;
    return (value % divisor < 0) ? quotient - 1 : quotient;
}

UtcTime utcTime(int64_t utcMilliseconds) {
    const int64_t seconds = floorDivide(utcMilliseconds, 1000);
    const int64_t hundredths = (utcMilliseconds - seconds * 1000) / 10;
    const std::time_t whole = static_cast<std::time_t>(seconds);
    std::tm calendar{};
    UtcTime out;
    if (gmtime_r(&whole, &calendar) == nullptr) {
        return out;
    }
    out.year = calendar.tm_year + 1900;
    out.month = calendar.tm_mon + 1;
    out.day = calendar.tm_mday;
    std::snprintf(out.clock, sizeof out.clock, "%02d%02d%02d.%02d", calendar.tm_hour,
                  calendar.tm_min, calendar.tm_sec, static_cast<int>(hundredths));
    return out;
}

void appendSentence(std::string& out, const std::string& body) {
    out += '$';
    out += body;
    out += '*';
    out += PositionDatagram::checksum(body);
}

} // namespace

std::string PositionDatagram::cleanComment(std::string_view text) {
    std::string clean(text.substr(0, kMaxCommentChars));
    for (char& c : clean) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (c == ',') {
            c = ';';
        } else if (byte < 0x20 || byte == 0x7F) {
            c = ' ';
        }
    }
    return clean;
}

std::string PositionDatagram::checksum(std::string_view body) {
    unsigned char sum = 0;
    for (char c : body) {
        sum ^= static_cast<unsigned char>(c);
    }
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned>(sum));
    return digits;
}

std::string PositionDatagram::zdaBody(int64_t utcMilliseconds) {
    const UtcTime time = utcTime(utcMilliseconds);
    char body[64];
    std::snprintf(body, sizeof body, "GPZDA,%s,%02d,%02d,%04d,00,00", time.clock, time.day,
                  time.month, time.year);
    return body;
}

std::string PositionDatagram::gllBody(double latitude, double longitude, int64_t utcMilliseconds) {
    const NmeaCoordinate::Text lat = NmeaCoordinate::latitude(latitude);
    const NmeaCoordinate::Text lon = NmeaCoordinate::longitude(longitude);
    const UtcTime time = utcTime(utcMilliseconds);
    std::string body = "GPGLL,";
    body += lat.value;
    body += ',';
    body += lat.hemisphere;
    body += ',';
    body += lon.value;
    body += ',';
    body += lon.hemisphere;
    body += ',';
    body += time.clock;
    body += ",A,A";
    return body;
}

std::string PositionDatagram::format(const PositionReport& report) {
    std::string out = std::to_string(report.id);
    out.reserve(160);
    out += ',';
    out += report.comment1;
    out += ',';
    out += report.comment2;
    out += ',';
    appendSentence(out, zdaBody(report.utcMilliseconds));
    appendSentence(out, gllBody(report.latitude, report.longitude, report.utcMilliseconds));
    return out;
}

} // namespace fleetsim

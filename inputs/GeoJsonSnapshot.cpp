#include "inputs/GeoJsonSnapshot.h"

#include "inputs/AtomicFile.h"
#include "nodes/NodeTable.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <ctime>

namespace inputs {
namespace {

using Json = nlohmann::ordered_json; // members in the order written, "type" first

// Length of the well-formed UTF-8 sequence at text (RFC 3629: no overlong
// forms, no surrogates, nothing above U+10FFFF), 0 when there is none.
size_t utf8SequenceLength(const unsigned char* text) {
    const unsigned char lead = text[0];
    size_t length = 0;
    unsigned char low = 0x80; // bounds of the second byte
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text[1] < low || text[1] > high) {
        return 0;
    }
    for (size_t i = 2; i < length; ++i) {
        if (text[i] < 0x80 || text[i] > 0xBF) {
            return 0;
        }
    }
    return length;
}

// Names come from node files and comments from senders that may write UTF-8
// or a single-byte code; UTF-8 sequences are kept, any other byte above 127
// is taken as the ISO 8859-1 letter of that number.
std::string utf8Text(const char* text) {
    std::string out;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    while (*bytes != 0) {
        if (*bytes < 0x80) {
            out += static_cast<char>(*bytes++);
            continue;
        }
        const size_t length = utf8SequenceLength(bytes);
        if (length > 0) {
            out.append(reinterpret_cast<const char*>(bytes), length);
            bytes += length;
            continue;
        }
        out += static_cast<char>(0xC0 | (*bytes >> 6));
        out += static_cast<char>(0x80 | (*bytes & 0x3F));
        ++bytes;
    }
    return out;
}

// ISO 8601 in UTC with milliseconds: "2026-12-02T15:30:05.330Z".
Json isoTime(int32_t seconds, int milliseconds) {
    const std::time_t time = seconds;
    std::tm calendar{};
    if (gmtime_r(&time, &calendar) == nullptr) {
        return nullptr;
    }
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", calendar.tm_year + 1900,
                  calendar.tm_mon + 1, calendar.tm_mday, calendar.tm_hour, calendar.tm_min,
                  calendar.tm_sec, milliseconds);
    return text;
}

double rounded(double value, double scale) {
    return std::round(value * scale) / scale;
}

Json feature(nodes::NodeRecord& record, bool relay) {
    record.lock();
    const nodes::NodeRecord::SnapshotIdle idle = record.snapshotIdle(relay);
    const int32_t id = record.id;
    const double latitude = record.latitude;
    const double longitude = record.longitude;
    const platform::TimeStamp reportTime = record.reportTime;
    Json properties = {{"id", id},
                       {"name", utf8Text(record.name)},
                       {"comment1", utf8Text(record.comment1)},
                       {"comment2", utf8Text(record.comment2)}};
    record.unlock();

    const bool reported = reportTime.time != 0 || reportTime.millitm != 0;
    properties["reportTime"] = reported ? isoTime(reportTime.time, reportTime.millitm) : nullptr;
    properties["idleStatus"] = idle.status;
    properties["age"] = rounded(idle.age, 1e3);
    Json geometry = nullptr;
    // A relay of a display that did not pass report times on gives positions
    // without one: only a record with neither has no place yet.
    if (reported || latitude != 0.0 || longitude != 0.0) {
        geometry = {{"type", "Point"},
                    {"coordinates", {rounded(longitude, 1e6), rounded(latitude, 1e6)}}};
    }
    return {{"type", "Feature"}, {"id", id}, {"geometry", geometry}, {"properties", properties}};
}

} // namespace

std::string GeoJsonSnapshot::render(const nodes::NodeTable& table, bool relay) {
    Json features = Json::array();
    const int64_t count = int64_t{table.fileNodeCount()} + table.lateNodeCount();
    for (int64_t position = 0; position < count; ++position) {
        if (nodes::NodeRecord* record = table.recordAt(position)) {
            features.push_back(feature(*record, relay));
        }
    }
    const Json collection = {{"type", "FeatureCollection"}, {"features", features}};
    // Every text is UTF-8 by now; "replace" only keeps dump() from ever throwing.
    return collection.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

bool GeoJsonSnapshot::write(const nodes::NodeTable& table, const char* path, bool relay) {
    if (path == nullptr || path[0] == '\0') {
        return false;
    }
    const std::string text = render(table, relay);
    AtomicFile file(path);
    if (!file.open()) {
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file.stream()) == text.size();
    return file.commit(written);
}

} // namespace inputs

#pragma once

#include <string>

namespace nodes {
class NodeTable;
}

namespace inputs {

// The fleet for GIS tools and web maps: a GeoJSON FeatureCollection (RFC 7946)
// with one feature per record of the node table, in table order:
//
//   {"type":"FeatureCollection","features":[{"type":"Feature","id":12,
//    "geometry":{"type":"Point","coordinates":[-115.2201,36.205]},
//    "properties":{"id":12,"name":"Courier","comment1":"Leg 3","comment2":"",
//    "reportTime":"2026-12-02T15:30:05.330Z","idleStatus":1,"age":7.662}}]}
//
// Coordinates are [longitude, latitude] with six decimals, as in the state
// file. Idle status and age are those a state file of the same moment
// carries: the stored ones when the display relays state files, else worked
// out now. A record that has had no report yet (no position, no report time)
// has a null geometry and report time, so nothing is drawn on the null
// meridian. Texts that are not UTF-8 are read as ISO 8859-1 byte by byte, so
// any byte of a name or comment gives valid JSON and no letter is lost.
//
// Reads the table and takes each record's lock while it copies the record;
// main thread, like the state-file writer. Failure: write() gives false
// without a path or when the file cannot be written, and the old file stays.
class GeoJsonSnapshot {
public:
    static std::string render(const nodes::NodeTable& table, bool relay);
    // Replaces the file at path atomically with render()'s text.
    static bool write(const nodes::NodeTable& table, const char* path, bool relay);
};

} // namespace inputs

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace inputs {

// One record line of a state file, the snapshot of all nodes that displays
// write and relay:
//
//   $007,49.274167,-123.185333,1087302896,780,0,00.250,Convoy A,Leg 2,Truck 7*
//
// identifier, latitude, longitude, report time (seconds since 1970) and its
// milliseconds, idle status, age in seconds, comment 1, comment 2, name. Only
// the name may hold further commas. An older form ends after comment 2 with
// "*"; its name is whatever follows the "*".
class StateRecord {
public:
    // Fills the record from a line; false when the line is no record: no
    // "$", fewer than eight commas after it, no "*" after the eighth comma, a
    // number field that does not begin with a plain decimal number (or is not
    // finite), a position off the earth, an identifier outside 0 to 1000, a
    // status other than 0, 1 or 2, milliseconds outside 0 to 999, or a time
    // beyond 32 bits.
    // Pure; any thread.
    bool parse(const char* line);

    // The longest line, line feed included, that both readers take whole: the
    // local reader and the HTTP fetch read lines in pieces of this many
    // characters, and a longer line would lose its record.
    static constexpr size_t kMaxLineChars = 255;

    // The line this record is written as, with its "*" and newline. Age and
    // status are given: a relay writes the stored ones, a live display the
    // ones computed at that moment.
    //
    // Every reader must read back what was written, so the texts are made
    // safe: control characters become blanks, a "," in a comment becomes
    // ";", a "*" in comment 2 or the name becomes "+". A line longer than
    // kMaxLineChars is shortened by cutting the name, then comment 2, then
    // comment 1; the numbers are never cut, and a record whose numbers alone
    // do not fit (an age of 1e300 read from somewhere) gives "": it cannot be
    // written readably.
    static std::string format(int32_t id, double latitude, double longitude, int32_t seconds,
                              int32_t milliseconds, int32_t status, double age,
                              const char* comment1, const char* comment2, const char* name);

    int32_t id = 0;
    double latitude = 0.0;
    double longitude = 0.0;
    int32_t seconds = 0;
    int32_t milliseconds = 0;
    int32_t status = 0;
    double age = 0.0;
    std::string comment1;
    std::string comment2;
    std::string name;
};

} // namespace inputs

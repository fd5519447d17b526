#include "tests/sgi/SgiFileWriter.h"

#include <algorithm>

namespace {

constexpr std::size_t headerSize = 512;
constexpr std::size_t maxPacket = 127;

std::size_t runLength(const uint16_t* samples, std::size_t at, std::size_t count) {
    std::size_t end = at + 1;
    while (end < count && end - at < maxPacket && samples[end] == samples[at]) {
        ++end;
    }
    return end - at;
}

} // namespace

std::string SgiFileWriter::field(uint32_t value, int bytes) const {
    std::string text;
    for (int i = 0; i < bytes; ++i) {
        const int shift = layout_.bigEndian ? 8 * (bytes - 1 - i) : 8 * i;
        text.push_back(static_cast<char>((value >> shift) & 0xff));
    }
    return text;
}

std::string SgiFileWriter::unit(unsigned value) const {
    return field(value, layout_.bpc == 2 ? 2 : 1);
}

std::string SgiFileWriter::header() const {
    std::string bytes = field(474, 2);
    bytes.push_back(static_cast<char>(layout_.storage));
    bytes.push_back(static_cast<char>(layout_.bpc));
    bytes += field(static_cast<uint32_t>(layout_.dimension), 2);
    bytes += field(static_cast<uint32_t>(layout_.xsize), 2);
    bytes += field(static_cast<uint32_t>(layout_.ysize), 2);
    bytes += field(static_cast<uint32_t>(layout_.zsize), 2);
    bytes += field(0, 4);
    bytes += field(layout_.bpc == 2 ? 65535 : 255, 4);
    bytes += field(0, 4);
    std::string name = "hand-made";
    name.resize(80, '\0');
    bytes += name;
    bytes += field(0, 4);
    bytes.resize(headerSize, '\0');
    return bytes;
}

std::string SgiFileWriter::verbatim(const std::vector<uint16_t>& samples) const {
    std::string bytes = header();
    for (uint16_t sample : samples) {
        bytes += unit(sample);
    }
    return bytes;
}

std::string SgiFileWriter::literal(const std::vector<unsigned>& values) const {
    std::string bytes = unit(0x80 | static_cast<unsigned>(values.size()));
    for (unsigned value : values) {
        bytes += unit(value);
    }
    return bytes;
}

std::string SgiFileWriter::repeat(unsigned count, unsigned value) const {
    return unit(count) + unit(value);
}

std::string SgiFileWriter::encodeRow(const uint16_t* samples, std::size_t count) const {
    std::string bytes;
    std::size_t at = 0;
    while (at < count) {
        const std::size_t run = runLength(samples, at, count);
        if (run >= 3) {
            bytes += repeat(static_cast<unsigned>(run), samples[at]);
            at += run;
            continue;
        }
        std::vector<unsigned> values;
        while (at < count && values.size() < maxPacket && runLength(samples, at, count) < 3) {
            values.push_back(samples[at++]);
        }
        bytes += literal(values);
    }
    return bytes + end();
}

std::string SgiFileWriter::rle(const std::vector<uint16_t>& samples) const {
    const std::size_t width = static_cast<std::size_t>(std::max(layout_.xsize, 1));
    std::vector<std::string> rows;
    for (std::size_t at = 0; at + width <= samples.size(); at += width) {
        rows.push_back(encodeRow(samples.data() + at, width));
    }
    return rleRows(rows);
}

std::string SgiFileWriter::rleRows(const std::vector<std::string>& rows,
                                   const std::vector<uint32_t>& lengths) const {
    const std::size_t entries =
        static_cast<std::size_t>(layout_.ysize) * static_cast<std::size_t>(layout_.zsize);
    std::string starts;
    std::string sizes;
    std::string data;
    uint32_t next = static_cast<uint32_t>(headerSize + 8 * entries);
    for (std::size_t i = 0; i < entries; ++i) {
        if (i >= rows.size()) {
            starts += field(0, 4);
            sizes += field(0, 4);
            continue;
        }
        const auto length = i < lengths.size() ? lengths[i] : static_cast<uint32_t>(rows[i].size());
        starts += field(next, 4);
        sizes += field(length, 4);
        data += rows[i];
        next += static_cast<uint32_t>(rows[i].size());
    }
    return header() + starts + sizes + data;
}

std::string SgiFileWriter::rleShared(const std::string& row, std::size_t length) const {
    const std::size_t entries =
        static_cast<std::size_t>(layout_.ysize) * static_cast<std::size_t>(layout_.zsize);
    std::string starts;
    std::string sizes;
    const auto start = static_cast<uint32_t>(headerSize + 8 * entries);
    for (std::size_t i = 0; i < entries; ++i) {
        starts += field(start, 4);
        sizes += field(static_cast<uint32_t>(row.size()), 4);
    }
    std::string bytes = header() + starts + sizes + row;
    if (bytes.size() < length) {
        bytes.resize(length, '\0');
    }
    return bytes;
}

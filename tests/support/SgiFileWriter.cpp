#include "tests/support/SgiFileWriter.h"

std::string SgiFileWriter::field(uint32_t value, int bytes) const {
    std::string text;
    for (int i = 0; i < bytes; ++i) {
        const int shift = layout_.bigEndian ? 8 * (bytes - 1 - i) : 8 * i;
        text.push_back(static_cast<char>((value >> shift) & 0xff));
    }
    return text;
}

std::string SgiFileWriter::header() const {
    std::string name = "hand-made";
    name.resize(80, '\0');
    std::string bytes =
        field(474, 2) + static_cast<char>(layout_.storage) + static_cast<char>(layout_.bpc);
    for (int value : {layout_.dimension, layout_.xsize, layout_.ysize, layout_.zsize}) {
        bytes += field(static_cast<uint32_t>(value), 2);
    }
    bytes += field(0, 4) + field(layout_.bpc == 2 ? 65535 : 255, 4) + field(0, 4) + name;
    bytes.resize(512, '\0');
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

std::string SgiFileWriter::rleRow(const std::vector<uint16_t>& samples) const {
    const auto runAt = [&](std::size_t at) {
        std::size_t end = at + 1;
        while (end < samples.size() && end - at < 127 && samples[end] == samples[at]) {
            ++end;
        }
        return end - at;
    };
    std::string bytes;
    for (std::size_t at = 0; at < samples.size();) {
        if (const std::size_t run = runAt(at); run >= 3) {
            bytes += repeat(static_cast<unsigned>(run), samples[at]);
            at += run;
            continue;
        }
        std::vector<unsigned> values;
        while (at < samples.size() && values.size() < 127 && runAt(at) < 3) {
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
        rows.push_back(rleRow(
            std::vector<uint16_t>(samples.begin() + long(at), samples.begin() + long(at + width))));
    }
    return rleRows(rows);
}

std::string SgiFileWriter::tables(const std::vector<std::string>& rows,
                                  const std::vector<uint32_t>& lengths, bool shared) const {
    const std::size_t entries = std::size_t(layout_.ysize) * std::size_t(layout_.zsize);
    std::string starts, sizes, data;
    auto next = static_cast<uint32_t>(512 + 8 * entries);
    for (std::size_t i = 0; i < entries; ++i) {
        const std::size_t row = shared ? 0 : i;
        const bool present = row < rows.size();
        const auto size = present ? static_cast<uint32_t>(rows[row].size()) : 0;
        starts += field(present ? next : 0, 4);
        sizes += field(row < lengths.size() ? lengths[row] : size, 4);
        if (present && (!shared || i == 0)) {
            data += rows[row];
        }
        next += shared ? 0 : size;
    }
    return header() + starts + sizes + data;
}

// The configuration reader over a file, with each word count the loaders ask for, every line and
// word asked for as text, integer and real number, and the bounds of its syntax checked.
#include "config/ConfigReader.h"
#include "fuzz/support/FuzzFile.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr int kLineBufferSize = 800;
constexpr int kFieldSize = 100;

void readAll(const char* path, int fieldsPerLine) {
    config::ConfigReader reader(path, fieldsPerLine, nullptr, kLineBufferSize, kFieldSize);
    if (reader.loaded() != (reader.lineCount() > 0)) {
        std::abort();
    }
    for (int line = -1; line <= reader.lineCount(); ++line) {
        const int words = reader.selectLine(line);
        if (words != reader.fieldCount() || words > fieldsPerLine ||
            (reader.lineCount() > 0 && words < 1)) {
            std::abort();
        }
        for (int field = -1; field <= fieldsPerLine; ++field) {
            const char* text = nullptr;
            int length = -1;
            const bool present = reader.getString(field, &text, &length);
            if (present != (field >= 0 && field < words)) {
                std::abort();
            }
            if (!present) {
                continue;
            }
            if (length < 1 || length >= kFieldSize) {
                std::abort();
            }
            for (int i = 0; i < length; ++i) {
                if (text[i] == '\0' || std::isspace(static_cast<unsigned char>(text[i]))) {
                    std::abort();
                }
            }
            int integer = 0;
            double real = 0.0;
            reader.getInteger(field, &integer);
            reader.getReal(field, &real);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzzsupport::FuzzFile::write("config.cfg", data, size);
    // Master file, "section key value" files, map graphics, node graphics, and the limits.
    for (const int fieldsPerLine : {1, 2, 3, 7, 15, 16}) {
        readAll(path.c_str(), fieldsPerLine);
    }
    return 0;
}

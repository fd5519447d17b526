#include "inputs/StateBlock.h"

#include <strings.h>

namespace inputs {
namespace {

bool startsWithNoCase(const std::string& line, const char* prefix, size_t length) {
    return line.size() >= length && strncasecmp(line.c_str(), prefix, length) == 0;
}

} // namespace

StateBlock::Step StateBlock::take(const std::string& line) {
    if (ended_) {
        return kEnded;
    }
    if (!opened_) {
        if (startsWithNoCase(line, "<rvx>", 5)) {
            opened_ = true;
            return kMarker;
        }
        return kOutside;
    }
    if (startsWithNoCase(line, "</rvx", 5)) {
        ended_ = true;
        return kEnded;
    }
    return kRecord;
}

} // namespace inputs

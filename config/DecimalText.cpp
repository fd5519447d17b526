#include "config/DecimalText.h"

#include <cctype>
#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>

namespace config {
namespace {

size_t skipSpace(const char* text) {
    size_t i = 0;
    while (text[i] != '\0' && std::isspace(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    return i;
}

size_t skipDigits(const char* text, size_t i) {
    while (std::isdigit(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    return i;
}

size_t skipSign(const char* text, size_t i) {
    return (text[i] == '+' || text[i] == '-') ? i + 1 : i;
}

} // namespace

size_t DecimalText::integerLength(const char* text) {
    if (text == nullptr) {
        return 0;
    }
    const size_t start = skipSign(text, skipSpace(text));
    const size_t end = skipDigits(text, start);
    return end > start ? end : 0;
}

size_t DecimalText::realLength(const char* text) {
    if (text == nullptr) {
        return 0;
    }
    const size_t start = skipSign(text, skipSpace(text));
    size_t i = skipDigits(text, start);
    size_t digits = i - start;
    if (text[i] == '.') {
        const size_t fractionStart = i + 1;
        i = skipDigits(text, fractionStart);
        digits += i - fractionStart;
    }
    if (digits == 0) {
        return 0; // neither "" nor a lone "." is a number
    }
    if (text[i] == 'e' || text[i] == 'E') {
        const size_t exponentStart = skipSign(text, i + 1);
        const size_t exponentEnd = skipDigits(text, exponentStart);
        if (exponentEnd > exponentStart) {
            i = exponentEnd;
        }
    }
    return i;
}

bool DecimalText::readFiniteReal(const char* text, double& value) {
    const size_t length = realLength(text);
    if (length == 0) {
        return false;
    }
    const std::string number(text, length);
    const double converted = std::strtod(number.c_str(), nullptr);
    if (!std::isfinite(converted)) {
        return false;
    }
    value = converted;
    return true;
}

double DecimalText::toReal(const char* text) {
    double value = 0.0;
    if (readFiniteReal(text, value) || realLength(text) == 0) {
        return value;
    }
    // Beyond the range of a double: the largest one, with the number's sign.
    return text[skipSpace(text)] == '-' ? -DBL_MAX : DBL_MAX;
}

int DecimalText::toInteger(const char* text) {
    const size_t length = integerLength(text);
    if (length == 0) {
        return 0;
    }
    const std::string number(text, length);
    const long long value = std::strtoll(number.c_str(), nullptr, 10);
    if (value > INT_MAX) {
        return INT_MAX;
    }
    if (value < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

bool DecimalText::readInt64(const char* text, int64_t& value) {
    const size_t length = integerLength(text);
    if (length == 0) {
        return false;
    }
    const std::string number(text, length);
    errno = 0;
    const long long converted = std::strtoll(number.c_str(), nullptr, 10);
    if (errno == ERANGE) {
        return false;
    }
    value = converted;
    return true;
}

bool DecimalText::hexadecimalForm(const char* text) {
    if (text == nullptr) {
        return false;
    }
    const size_t start = skipSign(text, skipSpace(text));
    return text[start] == '0' && (text[start + 1] == 'x' || text[start + 1] == 'X');
}

} // namespace config

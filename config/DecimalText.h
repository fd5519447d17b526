#pragma once

#include <cstddef>

namespace config {

// Number reading shared by the configuration files, packets and state records.
// Only plain decimal text counts as a number: optional blanks, an optional
// sign, digits with an optional decimal point, an optional exponent. The C
// library's own conversions also take "inf", "nan" and hexadecimal forms,
// which would let a bad word put a non-finite value into a position or size.
// Pure functions; any thread.
class DecimalText {
public:
    // Length of the decimal real number at the start of text, leading white
    // space included; 0 when there is none.
    static size_t realLength(const char* text);
    // Length of the decimal integer (optional sign, digits) at the start of
    // text, leading white space included; 0 when there is none.
    static size_t integerLength(const char* text);

    // Like atof, but decimal only: the number at the start of text, 0.0 when
    // there is none. A value too large for a double gives +/- the largest one.
    static double toReal(const char* text);
    // The decimal number at the start of text; false when there is none or
    // it lies beyond the range of a double (so it would not be finite).
    static bool readFiniteReal(const char* text, double& value);
    // Like atoi: the decimal integer at the start of text, 0 when there is
    // none; values beyond the int range are clamped to it.
    static int toInteger(const char* text);
};

} // namespace config

#pragma once

#include <cstddef>
#include <cstdint>

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
    // The decimal integer at the start of text, unclamped; false when there is
    // none or it lies beyond 64 bits.
    static bool readInt64(const char* text, int64_t& value);

    // Whether text starts (after blanks and a sign) with "0x" or "0X": the C
    // library reads that as a hexadecimal number, the readers above as a 0
    // followed by text. Fields that must hold a number refuse it. "10x" is
    // the number 10 followed by text.
    static bool hexadecimalForm(const char* text);
};

} // namespace config

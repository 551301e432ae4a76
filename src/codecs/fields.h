#ifndef UNV2TESSAL_CODECS_FIELDS_H_
#define UNV2TESSAL_CODECS_FIELDS_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace unv2tessal {

// The editing rules of the fixed-column field kinds, as pure functions on
// character spans. A field's columns are handed over as `cols`; when the line
// ends inside the field, `cols` is shorter than the field and the missing
// columns read as blanks.

/// Reads an integer field. Blanks before the first other character are
/// skipped and blanks after it are ignored ("1 2" is 12); a field of blanks is
/// 0. Returns false for any other character or a value outside 32 bits.
bool readIntegerField(std::string_view cols, std::int32_t* out);

/// Reads a real field with `digits` implied fraction digits: a mantissa
/// without a decimal point takes its last `digits` digits as the fraction.
/// Accepts blanks anywhere, E/D/Q exponents (either case), the sign-only
/// exponent form ("1.5+3"), and the words Inf/Infinity and NaN. Returns false
/// for any other character. The result is the double nearest to the value.
bool readRealField(std::string_view cols, int digits, double* out);

/// Reads a text field of `width` columns into the item `item` of `len`
/// characters: the rightmost `len` columns when the field is wider, else the
/// columns followed by blanks.
void readTextField(std::string_view cols, std::size_t width, char* item,
                   std::size_t len);

/// Writes `value` right-justified into dst[0, width). Returns false (and
/// fills the field with asterisks) when the digits and sign need more room.
bool writeIntegerField(std::int32_t value, std::size_t width, char* dst);

/// Writes `value` as 0.ddd..E+xx (`digits` significant digits, rounded to
/// nearest, ties to even; the letter dropped for 3-digit exponents),
/// right-justified into dst[0, width). Negative zero is written as zero;
/// infinities and NaN as "Infinity", "-Infinity", "NaN". Returns false (and
/// fills the field with asterisks) when the text does not fit.
bool writeExponentField(double value, std::size_t width, int digits, char* dst);

/// Writes the text item right-justified into dst[0, width), or its first
/// `width` characters when it is longer.
void writeTextField(std::string_view item, std::size_t width, char* dst);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_CODECS_FIELDS_H_

#ifndef UNV2TESSAL_CODECS_FAST_FIELDS_H_
#define UNV2TESSAL_CODECS_FAST_FIELDS_H_

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "codecs/fields.h"

namespace unv2tessal {

// Fast forms of the field rules for the records that make up nearly all of a
// large mesh: 10-column integers of at most 8 digits, and coordinates in the
// exporters' "   d.ddddddddddddddddD+dd" form. Each try* function handles
// only its common form and returns false for anything else; the caller then
// takes the plain rule of codecs/fields.h, which is the reference. The
// results are the same bytes as the plain rules give (the fast_fields tests
// compare the two over many millions of values).
//
// Eight columns are handled at once as one 64-bit word (little-endian: the
// first column is the lowest byte).

namespace swar {

inline constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
inline constexpr std::uint64_t kHigh = kOnes * 0x80;

inline std::uint64_t load8(const char* p) {
  std::uint64_t w;
  std::memcpy(&w, p, 8);
  return w;
}

/// 0x80 in every byte of `x` that is zero, 0 in the others (exact: no
/// carries between bytes).
inline std::uint64_t zeroBytes(std::uint64_t x) {
  return ~(((x & ~kHigh) + ~kHigh) | x | ~kHigh);
}

/// 0x80 in every byte of `w` that is not an ASCII digit.
inline std::uint64_t nonDigitBytes(std::uint64_t w) {
  const std::uint64_t y = w ^ (kOnes * '0');  // digits become 0..9
  // A byte of 10 or more reaches bit 7 when 0x76 is added to its low 7 bits;
  // a byte with bit 7 already set is no digit either.
  return (((y & ~kHigh) + kOnes * 0x76) | y) & kHigh;
}

/// The value of eight digit bytes (blank bytes count as 0), first column
/// most significant.
inline std::uint32_t digitsValue(std::uint64_t w) {
  std::uint64_t v = w & (kOnes * 0x0F);
  v = (v * 2561) >> 8;  // pairs: 10 * first + second
  v = ((v & 0x00FF00FF00FF00FFULL) * 6553601) >> 16;  // quads
  return static_cast<std::uint32_t>(
      ((v & 0x0000FFFF0000FFFFULL) * 42949672960001ULL) >> 32);
}

/// The eight decimal digits of v (v < 100000000) as byte values 0..9,
/// first column most significant.
inline std::uint64_t digitBytes(std::uint32_t v) {
  // Split into two 4-digit halves in 32-bit lanes, then each lane into two
  // 2-digit quarters in 16-bit lanes, then each quarter into two digits.
  // Division by 100 and 10 is done by multiply and shift, exact for lanes
  // below 10000 and 100.
  std::uint64_t x = (v / 10000) | (std::uint64_t{v % 10000} << 32);
  std::uint64_t q = ((x * 10486) >> 20) & 0x0000007F0000007FULL;
  x = q | ((x - q * 100) << 16);
  q = ((x * 103) >> 10) & 0x000F000F000F000FULL;
  return q | ((x - q * 10) << 8);
}

}  // namespace swar

/// Reads a 10-column integer field whose columns are all present at `cols`,
/// when it has the common form: two blanks, then blanks and at most eight
/// digits, no sign and no blank after a digit. Returns false otherwise
/// (nothing is stored).
inline bool tryReadInteger10(const char* cols, std::int32_t* out) {
  if constexpr (std::endian::native != std::endian::little) return false;
  if (cols[0] != ' ' || cols[1] != ' ') return false;
  const std::uint64_t w = swar::load8(cols + 2);
  const std::uint64_t blanks = swar::zeroBytes(w ^ (swar::kOnes * ' '));
  if (swar::nonDigitBytes(w) != blanks) return false;  // only digits, blanks
  // Blanks only before the digits: the blank bytes are the low bytes.
  const std::uint64_t prefix = (blanks >> 7) * 0xFF;
  if ((prefix & (prefix + 1)) != 0) return false;
  *out = static_cast<std::int32_t>(swar::digitsValue(w));
  return true;
}

/// readIntegerField on the 10 columns at `cols` (all present in the line).
inline bool readInteger10(const char* cols, std::int32_t* out) {
  return tryReadInteger10(cols, out) ||
         readIntegerField(std::string_view(cols, 10), out);
}

/// True when the 10 columns at `cols` (all present) are already the text
/// that writeIntegerField gives their value in 10 columns: two blanks, then
/// blanks and one to eight digits, the first not 0 unless it is the only
/// one. Such a field can be copied instead of read and written.
inline bool isPlainInteger10(const char* cols) {
  if constexpr (std::endian::native != std::endian::little) return false;
  if (cols[0] != ' ' || cols[1] != ' ') return false;
  const std::uint64_t w = swar::load8(cols + 2);
  const std::uint64_t blanks = swar::zeroBytes(w ^ (swar::kOnes * ' '));
  if (swar::nonDigitBytes(w) != blanks) return false;
  // The digits start at the first non-blank byte, which must be the last
  // byte or a digit other than 0; the blanks must all come before it.
  const int lead = std::countr_zero(~blanks & swar::kHigh) / 8;  // 8: none
  if (lead == 8) return false;
  const std::uint64_t prefix = (blanks >> 7) * 0xFF;
  if ((prefix & (prefix + 1)) != 0) return false;
  return lead == 7 || cols[2 + lead] != '0';
}

#if defined(__SSE2__)
namespace detail {

__extension__ typedef unsigned __int128 Bits80;  // one bit per column

// Columns 10k + `at` of the eight fields.
constexpr Bits80 fieldColumns(int at) {
  Bits80 bits = 0;
  for (int k = 0; k < 8; ++k) bits |= Bits80{1} << (10 * k + at);
  return bits;
}

}  // namespace detail
#endif

/// True when each of the eight 10-column fields of the 80 columns at
/// `cols` (all present) is plain (isPlainInteger10).
inline bool isPlainRecord80(const char* cols) {
#if defined(__SSE2__)
  // The same rules for all 80 columns at once, on bit masks of the columns
  // that are blanks, digits and zeros (16 columns a step).
  using detail::Bits80;
  Bits80 blank = 0, digit = 0, zero = 0;
  for (int k = 0; k < 5; ++k) {
    const __m128i x =
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(cols + 16 * k));
    const __m128i d = _mm_sub_epi8(x, _mm_set1_epi8('0'));
    const __m128i isDigit =
        _mm_cmpeq_epi8(_mm_min_epu8(d, _mm_set1_epi8(9)), d);
    const auto mask = [](__m128i m) {
      return static_cast<Bits80>(static_cast<unsigned>(_mm_movemask_epi8(m)));
    };
    digit |= mask(isDigit) << (16 * k);
    blank |= mask(_mm_cmpeq_epi8(x, _mm_set1_epi8(' '))) << (16 * k);
    zero |= mask(_mm_cmpeq_epi8(x, _mm_set1_epi8('0'))) << (16 * k);
  }
  constexpr Bits80 kAll = (Bits80{1} << 80) - 1;
  constexpr Bits80 kFirst = detail::fieldColumns(0);
  constexpr Bits80 kTwoBlanks = kFirst | detail::fieldColumns(1);
  constexpr Bits80 kLast = detail::fieldColumns(9);
  const Bits80 leading = digit & (blank << 1);     // each field's first digit
  return (blank | digit) == kAll &&                // only blanks and digits
         (blank & kTwoBlanks) == kTwoBlanks &&     // two blanks ahead
         ((digit << 1) & blank & ~kFirst) == 0 &&  // no blank after a digit
         (digit & kLast) == kLast &&               // a digit at the end
         (leading & zero & ~kLast) == 0;           // no leading zero
#else
  for (std::size_t col = 0; col < 80; col += 10) {
    if (!isPlainInteger10(cols + col)) return false;
  }
  return true;
#endif
}

/// When every one of the eight 10-column fields of `line` is either plain
/// (isPlainInteger10) or lies wholly past the line's end (reads as 0) and
/// is not among the first `count`, copies the first `count` fields to
/// dst[0, 10 * count) and returns true: they are then the fields that
/// reading the eight labels and writing the first `count` would give.
/// Returns false otherwise. REQUIRES: dst has room for 80 characters (a
/// whole record is copied at once; what lies past the first `count` fields
/// is unspecified).
inline bool copyPlainFields10(std::string_view line, std::size_t count,
                              char* dst) {
  if (line.size() >= 80) {
    if (!isPlainRecord80(line.data())) return false;
    for (std::size_t col = 0; col < 80; col += 16) {  // no string copy
      std::memcpy(dst + col, line.data() + col, 16);
    }
    return true;
  }
  for (std::size_t k = 0; k < 8; ++k) {
    const std::size_t col = 10 * k;
    if (line.size() >= col + 10) {
      if (!isPlainInteger10(line.data() + col)) return false;
      if (k < count) std::memcpy(dst + col, line.data() + col, 10);
    } else if (col < line.size() || k < count) {
      return false;
    }
  }
  return true;
}

/// Reads `count` 10-column integer fields side by side from column 1 of
/// `line` into out[0, count), as readIntegerField does (fields past the end
/// of the line are 0). Returns false at the first invalid field.
inline bool readIntegerFields10(std::string_view line, std::int32_t* out,
                                std::size_t count) {
  for (std::size_t k = 0; k < count; ++k) {
    const std::size_t col = 10 * k;
    const bool valid =
        line.size() >= col + 10
            ? readInteger10(line.data() + col, &out[k])
            : readIntegerField(
                  col < line.size() ? line.substr(col) : std::string_view(),
                  &out[k]);
    if (!valid) return false;
  }
  return true;
}

/// tryReadInteger10 on `n` fields of 10 columns from `cols` (all present):
/// false when one of them is not of the common form (those before it are
/// stored).
inline bool tryReadIntegerFields10(const char* cols, std::int32_t* out,
                                   std::size_t n) {
  for (std::size_t k = 0; k < n; ++k) {
    if (!tryReadInteger10(cols + 10 * k, &out[k])) return false;
  }
  return true;
}

/// Writes `value` right-justified into dst[0, width) when 0 <= value <
/// 100000000 and width >= 8. Returns false otherwise (nothing written).
inline bool tryWriteInteger(std::int32_t value, std::size_t width, char* dst) {
  if constexpr (std::endian::native != std::endian::little) return false;
  if (value < 0 || value >= 100000000 || width < 8) return false;
  const std::uint64_t digits =
      swar::digitBytes(static_cast<std::uint32_t>(value));
  // Leading zero digits become blanks; a zero value keeps its last digit.
  const int leading = std::countr_zero(digits | (std::uint64_t{1} << 56)) / 8;
  const std::uint64_t blankMask = (std::uint64_t{1} << (8 * leading)) - 1;
  const std::uint64_t text = ((digits + swar::kOnes * '0') & ~blankMask) |
                             (swar::kOnes * ' ' & blankMask);
  std::memset(dst, ' ', width - 8);
  std::memcpy(dst + width - 8, &text, 8);
  return true;
}

/// writeIntegerField, fast for the common values. Returns false (and fills
/// the field with asterisks) when the value does not fit.
inline bool writeInteger(std::int32_t value, std::size_t width, char* dst) {
  return tryWriteInteger(value, width, dst) ||
         writeIntegerField(value, width, dst);
}

/// Columns of the coordinate field read by the fast path, and of the
/// exponent field it writes.
inline constexpr std::size_t kRealFieldWidth = 25;
inline constexpr std::size_t kExponentFieldWidth = 18;

namespace detail {

// Rounding the field's 17 significant digits to 8 gives the same digits as
// rounding the nearest double, unless a tie of the 8-digit rounding lies
// between the decimal value and that double. The double is within half an
// ulp, 2^-53 of the value, which is less than 12 units of the 17th digit
// (the value is below 10^17 such units). Tails of the last 9 digits closer
// than this to the tie 500000000 are left to the exact path.
inline constexpr std::uint32_t kTie = 500000000;
inline constexpr std::uint32_t kTieMargin = 16;

/// Writes "0.dddddddd", "E", the exponent's sign and two digits into
/// dst[0, 14): 0.digits x 10^exponent, |exponent| <= 99.
inline void writeMantissaAndExponent(std::uint32_t digits, int exponent,
                                     char* dst) {
  dst[0] = '0';
  dst[1] = '.';
  const std::uint64_t text = swar::digitBytes(digits) + swar::kOnes * '0';
  std::memcpy(dst + 2, &text, 8);
  const int magnitude = exponent < 0 ? -exponent : exponent;
  dst[10] = 'E';
  dst[11] = exponent < 0 ? '-' : '+';
  dst[12] = static_cast<char>('0' + magnitude / 10);
  dst[13] = static_cast<char>('0' + magnitude % 10);
}

inline unsigned digitAt(const char* p) {
  return static_cast<unsigned>(static_cast<unsigned char>(*p)) - '0';
}

}  // namespace detail

/// True when the 16 characters at `p` are all ASCII digits.
inline bool areDigits16(const char* p) {
#if defined(__SSE2__)
  const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i d = _mm_sub_epi8(x, _mm_set1_epi8('0'));
  return _mm_movemask_epi8(
             _mm_cmpeq_epi8(_mm_min_epu8(d, _mm_set1_epi8(9)), d)) == 0xFFFF;
#else
  return (swar::nonDigitBytes(swar::load8(p)) |
          swar::nonDigitBytes(swar::load8(p + 8))) == 0;
#endif
}

/// When the 25 columns at `cols` (all present) hold a real in the form
/// "   d.ddddddddddddddddD+dd" (the sign "-" may take the third blank; the
/// letter may be D, d, E or e; the exponent sign + or -), writes the
/// 18-column, 8-digit exponent field of its value into dst[0, 18) and
/// returns true. Returns false, writing nothing, for any other form, for a
/// value whose 8-digit rounding the field's digits cannot settle, and for
/// a value that needs a three-digit exponent.
inline bool tryTranscribeReal(const char* cols, char* dst) {
  if constexpr (std::endian::native != std::endian::little) return false;
  // Fixed columns: two blanks, sign or blank, one digit, the point, 16
  // digits, the letter, the exponent's sign and two digits.
  const std::uint64_t head = swar::load8(cols);
  if ((head & 0x000000FF0000FFFFULL) != 0x0000002E00002020ULL) return false;
  const char sign = cols[2];
  const unsigned first = detail::digitAt(cols + 3);
  const char letter = static_cast<char>(cols[21] | 0x20);  // lower case
  const char exponentSign = cols[22];
  const unsigned e1 = detail::digitAt(cols + 23);
  const unsigned e2 = detail::digitAt(cols + 24);
  const std::uint64_t high = swar::load8(cols + 5);
  const std::uint64_t low = swar::load8(cols + 13);
  if ((sign != ' ' && sign != '-') || first > 9 ||
      (letter != 'd' && letter != 'e') ||
      (exponentSign != '+' && exponentSign != '-') || e1 > 9 || e2 > 9 ||
      !areDigits16(cols + 5)) {
    return false;
  }
  const std::uint32_t h = swar::digitsValue(high);  // digits 2-9
  const std::uint32_t l = swar::digitsValue(low);   // digits 10-17
  if (first == 0) {
    if ((h | l) != 0) return false;              // not normalised
    std::memcpy(dst, "    0.00000000E+00", 18);  // zero of either sign
    return true;
  }
  // Keep 8 digits, round on the other 9.
  std::uint32_t kept = first * 10000000 + h / 10;
  const std::uint32_t tail = (h % 10) * 100000000 + l;
  if (tail - (detail::kTie - detail::kTieMargin) <= 2 * detail::kTieMargin) {
    return false;  // too near a tie
  }
  // Rounding up or down is a coin toss on real data: no branch for it.
  kept += tail > detail::kTie ? 1 : 0;
  // d.ddd x 10^e is 0.dddd x 10^(e+1).
  const int magnitude = static_cast<int>(e1 * 10 + e2);
  int exponent = (exponentSign == '-' ? -magnitude : magnitude) + 1;
  if (kept == 100000000) {  // 99999999.5 and above round to 100000000
    kept = 10000000;
    ++exponent;
  }
  if (exponent > 99) return false;  // the three-digit exponent form
  std::memcpy(dst, "   ", 3);
  dst[3] = sign;  // a blank or the minus sign
  detail::writeMantissaAndExponent(kept, exponent, dst + 4);
  return true;
}

/// transcribeReal() by the plain rules: readRealField, then
/// writeExponentField.
bool transcribeRealExactly(std::string_view cols, char* dst, bool* overflow);

/// Reads `cols` as a RealField(25, 16) and writes the value as an
/// ExponentField(18, 8) into dst[0, 18): the fast path when it applies,
/// readRealField and writeExponentField otherwise. Returns false, writing
/// nothing, when the field is not a valid real; `*overflow` is set when the
/// exponent field was filled with asterisks.
inline bool transcribeReal(std::string_view cols, char* dst, bool* overflow) {
  *overflow = false;
  if (cols.size() >= kRealFieldWidth && tryTranscribeReal(cols.data(), dst)) {
    return true;
  }
  return transcribeRealExactly(cols, dst, overflow);
}

}  // namespace unv2tessal

#endif  // UNV2TESSAL_CODECS_FAST_FIELDS_H_

#include "records/fast_fields.h"

namespace unv2tessal {
namespace {

constexpr std::uint64_t kPow8 = 100000000;
constexpr std::uint64_t kPow9 = 1000000000;
constexpr std::uint64_t kPow16 = 10000000000000000;

// Rounding the field's 17 significant digits to 8 gives the same digits as
// rounding the nearest double, unless a tie of the 8-digit rounding lies
// between the decimal value and that double. The double is within half an
// ulp, 2^-53 of the value, which is less than 12 units of the 17th digit
// (the value is below 10^17 such units). Tails of the last 9 digits closer
// than this to the tie 500000000 are left to the exact path.
constexpr std::uint64_t kTie = 500000000;
constexpr std::uint64_t kTieMargin = 16;

inline bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Writes "0.dddddddd", the exponent letter, sign and two digits into
// dst[0, 14): 0.digits x 10^exponent, |exponent| <= 99.
void writeMantissaAndExponent(std::uint32_t digits, int exponent, char* dst) {
  dst[0] = '0';
  dst[1] = '.';
  const std::uint64_t text =
      swar::digitBytes(digits) + swar::kOnes * '0';
  std::memcpy(dst + 2, &text, 8);
  const int magnitude = exponent < 0 ? -exponent : exponent;
  dst[10] = 'E';
  dst[11] = exponent < 0 ? '-' : '+';
  dst[12] = static_cast<char>('0' + magnitude / 10);
  dst[13] = static_cast<char>('0' + magnitude % 10);
}

}  // namespace

bool tryTranscribeReal(const char* cols, char* dst) {
  if constexpr (std::endian::native != std::endian::little) return false;
  // Fixed columns: blanks, sign or blank, one digit, the point, 16 digits,
  // the letter, the exponent's sign and two digits.
  if (cols[0] != ' ' || cols[1] != ' ' || (cols[2] != ' ' && cols[2] != '-') ||
      !isDigit(cols[3]) || cols[4] != '.') {
    return false;
  }
  const char letter = static_cast<char>(cols[21] | 0x20);  // lower case
  if ((letter != 'd' && letter != 'e') ||
      (cols[22] != '+' && cols[22] != '-') || !isDigit(cols[23]) ||
      !isDigit(cols[24])) {
    return false;
  }
  const std::uint64_t high = swar::load8(cols + 5);
  const std::uint64_t low = swar::load8(cols + 13);
  if ((swar::nonDigitBytes(high) | swar::nonDigitBytes(low)) != 0) {
    return false;
  }
  const std::uint64_t m = static_cast<std::uint64_t>(cols[3] - '0') * kPow16 +
                          swar::digitsValue(high) * kPow8 +
                          swar::digitsValue(low);
  if (m == 0) {  // zero of either sign is written as zero
    std::memcpy(dst, "    0.00000000E+00", kExponentFieldWidth);
    return true;
  }
  if (m < kPow16) return false;  // a leading zero digit: not normalised

  // m has 17 digits: keep 8, round on the other 9.
  std::uint64_t kept = m / kPow9;
  const std::uint64_t tail = m % kPow9;
  if (tail + kTieMargin >= kTie && tail <= kTie + kTieMargin) return false;
  if (tail > kTie) ++kept;
  // d.ddd x 10^e is 0.dddd x 10^(e+1).
  int exponent = (cols[23] - '0') * 10 + (cols[24] - '0');
  if (cols[22] == '-') exponent = -exponent;
  ++exponent;
  if (kept == kPow8) {  // 99999999.5 and above round to 100000000
    kept = kPow8 / 10;
    ++exponent;
  }
  if (exponent > 99) return false;  // the three-digit exponent form

  std::memcpy(dst, "    ", 4);
  if (cols[2] == '-') dst[3] = '-';
  writeMantissaAndExponent(static_cast<std::uint32_t>(kept), exponent,
                           dst + 4);
  return true;
}

bool transcribeReal(std::string_view cols, char* dst, bool* overflow) {
  *overflow = false;
  if (cols.size() >= kRealFieldWidth && tryTranscribeReal(cols.data(), dst)) {
    return true;
  }
  double value = 0.0;
  if (!readRealField(cols, 16, &value)) return false;
  *overflow = !writeExponentField(value, kExponentFieldWidth, 8, dst);
  return true;
}

}  // namespace unv2tessal

#include "codecs/fields.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace unv2tessal {
namespace {

inline bool isDigit(char c) { return c >= '0' && c <= '9'; }

inline char upper(char c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }

// Matches the non-blank characters of `rest` against `word`, case-insensitive.
bool matchesWord(std::string_view rest, std::string_view word) {
  std::size_t k = 0;
  for (char c : rest) {
    if (c == ' ') continue;
    if (k == word.size() || upper(c) != word[k]) return false;
    ++k;
  }
  return k == word.size();
}

// Parses "[-]digits[.digits]e<exp>" text; falls back to strtod (which is
// correctly rounded too) for values outside the double range, which
// from_chars reports as out of range without a value.
double parseDecimal(const char* first, const char* last) {
  double v = 0.0;
  auto [ptr, ec] = std::from_chars(first, last, v);
  if (ec == std::errc() && ptr == last) return v;
  std::string copy(first, last);
  return std::strtod(copy.c_str(), nullptr);
}

}  // namespace

bool readIntegerField(std::string_view cols, std::int32_t* out) {
  std::size_t i = 0;
  const std::size_t n = cols.size();
  while (i < n && cols[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (cols[i] == '-' || cols[i] == '+')) {
    negative = cols[i] == '-';
    ++i;
  }
  // Accumulate the magnitude in 64 bits; the check before each step keeps it
  // far from overflow, and the 32-bit range is checked at the end.
  std::int64_t magnitude = 0;
  constexpr std::int64_t kLimit = std::int64_t{1} << 31;
  for (; i < n; ++i) {
    const char c = cols[i];
    if (c == ' ') continue;  // blanks inside an integer field are not zeros
    if (!isDigit(c)) return false;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > kLimit) return false;
  }
  if (!negative && magnitude == kLimit) return false;
  *out = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
  return true;
}

bool readRealField(std::string_view cols, int digits, double* out) {
  const std::size_t n = cols.size();
  std::size_t i = 0;
  while (i < n && cols[i] == ' ') ++i;
  if (i == n) {
    *out = 0.0;
    return true;
  }
  bool negative = false;
  if (cols[i] == '-' || cols[i] == '+') {
    negative = cols[i] == '-';
    ++i;
  }
  // The words Infinity (or Inf) and NaN stand in place of a number.
  std::size_t j = i;
  while (j < n && cols[j] == ' ') ++j;
  if (j < n && !isDigit(cols[j]) && cols[j] != '.') {
    const char c = upper(cols[j]);
    if (c == 'I' && (matchesWord(cols.substr(j), "INF") ||
                     matchesWord(cols.substr(j), "INFINITY"))) {
      *out = negative ? -std::numeric_limits<double>::infinity()
                      : std::numeric_limits<double>::infinity();
      return true;
    }
    if (c == 'N' && matchesWord(cols.substr(j), "NAN")) {
      *out = std::numeric_limits<double>::quiet_NaN();
      return true;
    }
  }

  // Copy the mantissa without blanks; a field holds at most its width of
  // digits, so the text fits a buffer of the field's size plus the exponent.
  std::string heap;
  char stack[160];
  char* buf = stack;
  if (n + 32 > sizeof stack) {
    heap.resize(n + 32);
    buf = heap.data();
  }
  std::size_t len = 0;
  if (negative) buf[len++] = '-';
  bool point = false;
  bool anyDigit = false;
  enum { kMantissa, kAfterLetter, kExponent } phase = kMantissa;
  bool exponentNegative = false;
  std::int64_t exponent = 0;
  for (; i < n; ++i) {
    const char c = cols[i];
    if (c == ' ') continue;  // blanks inside a real field are ignored
    switch (phase) {
      case kMantissa:
        if (isDigit(c)) {
          buf[len++] = c;
          anyDigit = true;
        } else if (c == '.') {
          if (point) return false;
          point = true;
          buf[len++] = c;
        } else if (c == 'E' || c == 'e' || c == 'D' || c == 'd' || c == 'Q' ||
                   c == 'q') {
          phase = kAfterLetter;
        } else if (c == '+' || c == '-') {
          // A sign directly after the mantissa starts the exponent: 1.5-3.
          exponentNegative = c == '-';
          phase = kExponent;
        } else {
          return false;
        }
        break;
      case kAfterLetter:
        if (c == '+' || c == '-') {
          exponentNegative = c == '-';
          phase = kExponent;
          break;
        }
        [[fallthrough]];
      case kExponent:
        if (!isDigit(c)) return false;
        phase = kExponent;
        if (exponent < 100000000) exponent = exponent * 10 + (c - '0');
        break;
    }
  }
  if (!anyDigit) {
    *out = negative ? -0.0 : 0.0;
    return true;
  }
  if (exponentNegative) exponent = -exponent;
  // Without a decimal point the last `digits` digits are the fraction.
  if (!point) exponent -= digits;
  if (exponent != 0) {
    buf[len++] = 'e';
    auto r = std::to_chars(buf + len, buf + len + 24, exponent);
    len = static_cast<std::size_t>(r.ptr - buf);
  }
  *out = parseDecimal(buf, buf + len);
  return true;
}

void readTextField(std::string_view cols, std::size_t width, char* item,
                   std::size_t len) {
  // Column k of the field (0-based) is cols[k], or a blank past the line end.
  auto column = [&](std::size_t k) { return k < cols.size() ? cols[k] : ' '; };
  if (width >= len) {
    const std::size_t from = width - len;
    for (std::size_t k = 0; k < len; ++k) item[k] = column(from + k);
  } else {
    for (std::size_t k = 0; k < width; ++k) item[k] = column(k);
    std::memset(item + width, ' ', len - width);
  }
}

bool writeIntegerField(std::int32_t value, std::size_t width, char* dst) {
  char tmp[12];
  char* end = tmp + sizeof tmp;
  char* p = end;
  std::uint32_t magnitude = value < 0 ? 0u - static_cast<std::uint32_t>(value)
                                      : static_cast<std::uint32_t>(value);
  do {
    *--p = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) *--p = '-';
  const std::size_t used = static_cast<std::size_t>(end - p);
  if (used > width) {
    std::memset(dst, '*', width);
    return false;
  }
  std::memset(dst, ' ', width - used);
  std::memcpy(dst + width - used, p, used);
  return true;
}

bool writeExponentField(double value, std::size_t width, int digits,
                        char* dst) {
  char text[64];
  std::size_t len = 0;
  if (std::isnan(value) || std::isinf(value)) {
    std::string_view word = std::isnan(value) ? "NaN"
                            : value < 0       ? "-Infinity"
                                              : "Infinity";
    if (word.size() > width) {
      std::memset(dst, '*', width);
      return false;
    }
    writeTextField(word, width, dst);
    return true;
  }
  const bool negative = value < 0;  // false for negative zero
  int e = 0;
  char mantissa[40];
  if (value == 0.0) {
    std::memset(mantissa, '0', static_cast<std::size_t>(digits));
  } else {
    // d.ddd...e+xx, correctly rounded to `digits` significant digits.
    char sci[64];
    auto r = std::to_chars(sci, sci + sizeof sci, std::fabs(value),
                           std::chars_format::scientific, digits - 1);
    const char* p = sci;
    int k = 0;
    for (; p < r.ptr && *p != 'e'; ++p) {
      if (*p != '.') mantissa[k++] = *p;
    }
    int e10 = 0;
    std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), r.ptr, e10);
    e = e10 + 1;  // d.ddd x 10^e10 is 0.dddd x 10^(e10+1)
  }
  if (negative) text[len++] = '-';
  text[len++] = '0';
  text[len++] = '.';
  std::memcpy(text + len, mantissa, static_cast<std::size_t>(digits));
  len += static_cast<std::size_t>(digits);
  const int magnitude = e < 0 ? -e : e;
  if (magnitude <= 99) {
    text[len++] = 'E';
    text[len++] = e < 0 ? '-' : '+';
    text[len++] = static_cast<char>('0' + magnitude / 10);
    text[len++] = static_cast<char>('0' + magnitude % 10);
  } else {
    text[len++] = e < 0 ? '-' : '+';
    text[len++] = static_cast<char>('0' + magnitude / 100);
    text[len++] = static_cast<char>('0' + magnitude / 10 % 10);
    text[len++] = static_cast<char>('0' + magnitude % 10);
  }
  std::string_view shown(text, len);
  if (shown.size() > width) {
    // Drop the "0" before the point when that makes it fit.
    const std::size_t zero = negative ? 1 : 0;
    std::memmove(text + zero, text + zero + 1, len - zero - 1);
    shown = std::string_view(text, len - 1);
    if (shown.size() > width) {
      std::memset(dst, '*', width);
      return false;
    }
  }
  writeTextField(shown, width, dst);
  return true;
}

void writeTextField(std::string_view item, std::size_t width, char* dst) {
  if (width >= item.size()) {
    const std::size_t pad = width - item.size();
    std::memset(dst, ' ', pad);
    std::memcpy(dst + pad, item.data(), item.size());
  } else {
    std::memcpy(dst, item.data(), width);
  }
}

}  // namespace unv2tessal

// Fuzz target for the field editing rules: every reader and writer is run on
// arbitrary bytes and compared with a slow reference written here from the
// rules themselves (plain character walks, strtod and snprintf), so that a
// fast path that drifts from the rules shows up as a mismatch.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "codecs/fast_fields.h"
#include "codecs/fields.h"

namespace unv2tessal {
namespace {

[[noreturn]] void mismatch(const char* what, std::string_view field) {
  std::fprintf(stderr, "mismatch in %s for field \"", what);
  std::fwrite(field.data(), 1, field.size(), stderr);
  std::fprintf(stderr, "\" (%zu columns)\n", field.size());
  std::abort();
}

// Integer field: blanks before the first other character skipped, an
// optional sign, digits with blanks among them ignored; anything else, or a
// value outside 32 bits, is refused. Digits are kept as text so that the
// range test needs no arithmetic that could itself overflow.
bool referenceInteger(std::string_view cols, std::int32_t* out) {
  std::size_t i = 0;
  while (i < cols.size() && cols[i] == ' ') ++i;
  bool negative = false;
  if (i < cols.size() && (cols[i] == '+' || cols[i] == '-')) {
    negative = cols[i] == '-';
    ++i;
  }
  std::string digits;
  for (; i < cols.size(); ++i) {
    if (cols[i] == ' ') continue;
    if (cols[i] < '0' || cols[i] > '9') return false;
    if (digits.empty() && cols[i] == '0') continue;  // leading zeros
    digits += cols[i];
  }
  const std::string limit = negative ? "2147483648" : "2147483647";
  if (digits.size() > limit.size() ||
      (digits.size() == limit.size() && digits > limit)) {
    return false;
  }
  long long v = digits.empty() ? 0 : std::atoll(digits.c_str());
  *out = static_cast<std::int32_t>(negative ? -v : v);
  return true;
}

std::string upperNoBlanks(std::string_view s) {
  std::string r;
  for (char c : s) {
    if (c == ' ') continue;
    r += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  }
  return r;
}

// Real field by the rules, one pass over the columns into a canonical
// "[-]digits e exponent" text that strtod rounds correctly.
bool referenceReal(std::string_view cols, int digits, double* out) {
  std::size_t i = 0;
  while (i < cols.size() && cols[i] == ' ') ++i;
  if (i == cols.size()) {
    *out = 0.0;
    return true;
  }
  bool negative = false;
  if (cols[i] == '+' || cols[i] == '-') {
    negative = cols[i] == '-';
    ++i;
  }
  const std::string word = upperNoBlanks(cols.substr(i));
  if (word == "INF" || word == "INFINITY") {
    *out = negative ? -HUGE_VAL : HUGE_VAL;
    return true;
  }
  if (word == "NAN") {
    *out = std::numeric_limits<double>::quiet_NaN();
    return true;
  }
  std::string mantissa;    // digits only
  long long pointAt = -1;  // digits before the decimal point
  bool exponentSeen = false;
  bool exponentSigned = false;
  bool exponentNegative = false;
  std::string exponentDigits;
  for (; i < cols.size(); ++i) {
    const char c = cols[i];
    if (c == ' ') continue;
    if (!exponentSeen) {
      if (c >= '0' && c <= '9') {
        mantissa += c;
      } else if (c == '.') {
        if (pointAt >= 0) return false;
        pointAt = static_cast<long long>(mantissa.size());
      } else if (std::string_view("EeDdQq").find(c) != std::string_view::npos) {
        exponentSeen = true;
      } else if (c == '+' || c == '-') {
        exponentSeen = exponentSigned = true;
        exponentNegative = c == '-';
      } else {
        return false;
      }
    } else if (!exponentSigned && exponentDigits.empty() &&
               (c == '+' || c == '-')) {
      exponentSigned = true;
      exponentNegative = c == '-';
    } else if (c >= '0' && c <= '9') {
      exponentDigits += c;
    } else {
      return false;
    }
  }
  if (mantissa.empty()) {
    *out = negative ? -0.0 : 0.0;
    return true;
  }
  // Exponents beyond nine digits give infinity or zero anyway.
  long long exponent = 0;
  for (char c : exponentDigits) {
    if (exponent < 1000000000LL) exponent = exponent * 10 + (c - '0');
  }
  if (exponentNegative) exponent = -exponent;
  // Without a decimal point the last `digits` digits are the fraction.
  const long long fraction =
      pointAt >= 0 ? static_cast<long long>(mantissa.size()) - pointAt : digits;
  exponent -= fraction;
  std::string text = negative ? "-" : "";
  text += mantissa;
  text += "e" + std::to_string(exponent);
  *out = std::strtod(text.c_str(), nullptr);
  return true;
}

bool sameReal(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  return a == b && std::signbit(a) == std::signbit(b);
}

std::string rightJustified(std::string_view text, std::size_t width) {
  if (text.size() > width) return std::string(width, '*');
  return std::string(width - text.size(), ' ') + std::string(text);
}

// Exponent field built on printf's %.*e, re-laid as 0.ddd..E+xx.
std::string referenceExponent(double v, std::size_t width, int digits,
                              bool* fits) {
  std::string text;
  if (std::isnan(v)) {
    text = "NaN";
  } else if (std::isinf(v)) {
    text = v < 0 ? "-Infinity" : "Infinity";
  } else {
    if (v == 0.0) v = 0.0;  // negative zero is written as zero
    char sci[128];
    std::snprintf(sci, sizeof sci, "%.*e", digits - 1, std::fabs(v));
    std::string mantissa;
    const char* p = sci;
    for (; *p != 'e'; ++p) {
      if (*p != '.') mantissa += *p;
    }
    int e = v == 0.0 ? 0 : std::atoi(p + 1) + 1;
    const int magnitude = std::abs(e);
    char exp[8];
    if (magnitude <= 99) {
      std::snprintf(exp, sizeof exp, "E%c%02d", e < 0 ? '-' : '+', magnitude);
    } else {
      std::snprintf(exp, sizeof exp, "%c%03d", e < 0 ? '-' : '+', magnitude);
    }
    text = std::string(v < 0 ? "-" : "") + "0." + mantissa + exp;
    if (text.size() > width) text.erase(v < 0 ? 1 : 0, 1);  // drop the "0"
  }
  *fits = text.size() <= width;
  return rightJustified(text, width);
}

void checkInteger(std::string_view field) {
  std::int32_t fast = 7, slow = 7;
  const bool fastOk = readIntegerField(field, &fast);
  const bool slowOk = referenceInteger(field, &slow);
  if (fastOk != slowOk || (fastOk && fast != slow)) {
    mismatch("readIntegerField", field);
  }
}

void checkReal(std::string_view field, int digits) {
  double fast = 7.0, slow = 7.0;
  const bool fastOk = readRealField(field, digits, &fast);
  const bool slowOk = referenceReal(field, digits, &slow);
  if (fastOk != slowOk || (fastOk && !sameReal(fast, slow))) {
    mismatch("readRealField", field);
  }
}

void checkText(std::string_view field, std::size_t width, std::size_t len) {
  std::string item(len, '?');
  readTextField(field, width, item.data(), len);
  std::string padded(field.substr(0, width));
  padded.resize(width, ' ');
  const std::string expected = width >= len
                                   ? padded.substr(width - len)
                                   : padded + std::string(len - width, ' ');
  if (item != expected) mismatch("readTextField", field);

  std::string out(width, '?');
  writeTextField(field, width, out.data());
  const std::string written = field.size() <= width
                                  ? rightJustified(field, width)
                                  : std::string(field.substr(0, width));
  if (out != written) mismatch("writeTextField", field);
}

void checkIntegerWrite(std::int32_t v, std::size_t width) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", v);
  std::string out(width, '?');
  const bool fits = writeIntegerField(v, width, out.data());
  const std::string expected = rightJustified(text, width);
  if (fits != (std::strlen(text) <= width) || out != expected) {
    mismatch("writeIntegerField", text);
  }
  if (fits) {
    std::int32_t back = 0;
    if (!readIntegerField(out, &back) || back != v) {
      mismatch("integer round trip", out);
    }
  }
}

void checkExponentWrite(double v, std::size_t width, int digits) {
  std::string out(width, '?');
  const bool fits = writeExponentField(v, width, digits, out.data());
  bool expectedFits = false;
  const std::string expected =
      referenceExponent(v, width, digits, &expectedFits);
  if (fits != expectedFits || out != expected) {
    char shown[64];
    std::snprintf(shown, sizeof shown, "%.17g w%zu d%d", v, width, digits);
    mismatch("writeExponentField", shown);
  }
}

// The fast paths against the plain rules, which are their reference: a
// fast path may decline, but what it gives must be what the rules give.
void checkFastIntegers(std::string_view field, std::uint8_t param) {
  if (field.size() >= 10) {
    const std::string_view ten = field.substr(0, 10);
    std::int32_t fast = 7, plain = 7;
    if (tryReadInteger10(ten.data(), &fast) &&
        (!readIntegerField(ten, &plain) || fast != plain)) {
      mismatch("tryReadInteger10", ten);
    }
    fast = plain = 7;
    const bool fastOk = readInteger10(ten.data(), &fast);
    if (fastOk != readIntegerField(ten, &plain) || (fastOk && fast != plain)) {
      mismatch("readInteger10", ten);
    }
  }
  std::int32_t v = 0;
  std::memcpy(&v, field.data(), field.size() < 4 ? field.size() : 4);
  if (param & 1) v %= 100000000;  // mostly the fast path's range
  const std::size_t width = param / 2 % 16;
  std::string fast(width, '?'), plain(width, '?');
  const bool fastFits = writeInteger(v, width, fast.data());
  const bool plainFits = writeIntegerField(v, width, plain.data());
  if (fastFits != plainFits || fast != plain) mismatch("writeInteger", plain);
}

// A coordinate field in the exporters' form "   d.ddddddddddddddddD+dd",
// built from the input bytes, transcribed by the fast path and by the
// plain rules.
void checkFastTranscription(std::string_view bytes) {
  auto at = [&](std::size_t k) -> std::uint8_t {
    return k < bytes.size() ? static_cast<std::uint8_t>(bytes[k]) : 0;
  };
  std::string field = "   ";
  if (at(0) & 1) field[2] = '-';
  field += static_cast<char>('0' + at(1) % 10);
  field += '.';
  for (std::size_t k = 0; k < 16; ++k) {
    // Runs of 9s and 0s reach the rounding boundaries.
    const std::uint8_t b = at(2 + k);
    field += b < 64 ? '9' : b < 128 ? '0' : static_cast<char>('0' + b % 10);
  }
  field += "DdEe"[at(18) % 4];
  field += (at(19) & 1) ? '-' : '+';
  field += static_cast<char>('0' + at(20) % 10);
  field += static_cast<char>('0' + at(21) % 10);
  const std::string_view cols =
      bytes.size() >= 26 && (at(25) & 0x80) ? bytes.substr(0, 25) : field;

  double value = 0.0;
  const bool valid = readRealField(cols, 16, &value);
  std::string plain(18, '?');
  bool plainFits = false;
  if (valid) plainFits = writeExponentField(value, 18, 8, plain.data());

  std::string fast(18, '?');
  if (tryTranscribeReal(cols.data(), fast.data()) &&
      (!valid || fast != plain)) {
    mismatch("tryTranscribeReal", cols);
  }
  std::string whole(18, '?');
  bool overflow = false;
  const bool ok = transcribeReal(cols, whole.data(), &overflow);
  if (ok != valid || (ok && (whole != plain || overflow == plainFits))) {
    mismatch("transcribeReal", cols);
  }
}

}  // namespace
}  // namespace unv2tessal

// Input: one selector byte, one parameter byte, then the field's columns.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  using namespace unv2tessal;
  if (size < 2) return 0;
  const std::uint8_t param = data[1];
  const std::string_view field(reinterpret_cast<const char*>(data + 2),
                               size - 2);
  if (field.size() > 256) return 0;
  switch (data[0] % 7) {
    case 0:
      checkInteger(field);
      break;
    case 1:
      checkReal(field, param % 20);
      break;
    case 2:
      checkText(field, param % 80, (param / 80 + 1) * 7 % 70);
      break;
    case 3: {
      std::int32_t v = 0;
      std::memcpy(&v, field.data(), field.size() < 4 ? field.size() : 4);
      checkIntegerWrite(v, param % 14);
      break;
    }
    case 5:
      checkFastIntegers(field, param);
      break;
    case 6:
      checkFastTranscription(field);
      break;
    default: {
      // The bytes as a double, and as the text of a real field whose value
      // is then written back: both reach every exponent form.
      double v = 0.0;
      std::memcpy(&v, field.data(), field.size() < 8 ? field.size() : 8);
      const std::size_t width = param % 24;
      const int digits = param / 24 % 10 + 1;
      checkExponentWrite(v, width, digits);
      double read = 0.0;
      if (readRealField(field, 16, &read)) {
        checkExponentWrite(read, 18, 8);
      }
      break;
    }
  }
  return 0;
}

#include "codecs/fast_fields.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "codecs/fields.h"

namespace unv2tessal {
namespace {

// The sweeps below compare the fast paths with the plain field rules over
// millions of values. Builds with sanitizers or without optimisation run a
// quarter of them; UNV2TESSAL_SWEEP_SCALE (a factor) overrides that.
std::size_t sweep(std::size_t n) {
#if defined(__SANITIZE_ADDRESS__) || !defined(NDEBUG)
  double scale = 0.25;
#else
  double scale = 1.0;
#endif
  if (const char* s = std::getenv("UNV2TESSAL_SWEEP_SCALE")) {
    scale = std::atof(s);
  }
  return static_cast<std::size_t>(static_cast<double>(n) * scale) + 1;
}

// The plain path: the nearest double, then its correctly rounded 8 digits.
struct Exact {
  bool valid;
  bool overflow;
  std::string text;
};

Exact exactTranscription(std::string_view cols) {
  double value = 0.0;
  if (!readRealField(cols, 16, &value)) return {false, false, ""};
  char dst[18];
  const bool fits = writeExponentField(value, 18, 8, dst);
  return {true, !fits, std::string(dst, 18)};
}

// What transcribeReal gives; also checks that a fast-path answer agrees.
Exact fastTranscription(std::string_view cols) {
  char dst[18];
  bool overflow = false;
  if (!transcribeReal(cols, dst, &overflow)) return {false, false, ""};
  return {true, overflow, std::string(dst, 18)};
}

void expectSameTranscription(std::string_view cols) {
  const Exact exact = exactTranscription(cols);
  const Exact fast = fastTranscription(cols);
  ASSERT_EQ(fast.valid, exact.valid) << '"' << cols << '"';
  ASSERT_EQ(fast.overflow, exact.overflow) << '"' << cols << '"';
  ASSERT_EQ(fast.text, exact.text) << '"' << cols << '"';
}

// "   d.ddddddddddddddddD+dd" from a 17-digit mantissa and an exponent.
std::string d25(bool negative, std::uint64_t mantissa17, int exponent,
                char letter = 'D') {
  char digits[24];
  std::snprintf(digits, sizeof digits, "%017llu",
                static_cast<unsigned long long>(mantissa17));
  char text[40];
  std::snprintf(text, sizeof text, "%s%c.%s%c%c%02d", negative ? "  -" : "   ",
                digits[0], digits + 1, letter, exponent < 0 ? '-' : '+',
                std::abs(exponent));
  return text;
}

TEST(FastReal, CommonFormsGiveTheWholeExponentField) {
  struct Case {
    const char* in;
    const char* want;
  };
  const Case kCases[] = {
      {"   1.0000000000000000D+00", "    0.10000000E+01"},
      {"   1.5000000000000000D+00", "    0.15000000E+01"},
      {"  -2.5000000000000000D-01", "   -0.25000000E+00"},
      {"   0.0000000000000000D+00", "    0.00000000E+00"},
      {"  -0.0000000000000000D+00", "    0.00000000E+00"},
      {"   1.2345678500000100D+03", "    0.12345679E+04"},
      {"   1.2345678499999900e-05", "    0.12345678E-04"},
      {"   9.9999999999999999E+00", "    0.10000000E+02"},
      {"  -9.9999999000000000d-01", "   -0.99999999E+00"},
      {"   1.0000000000000000D-99", "    0.10000000E-98"},
      {"   5.5511151231257827D-17", "    0.55511151E-16"},
  };
  for (const Case& c : kCases) {
    char dst[19] = {};
    ASSERT_TRUE(tryTranscribeReal(c.in, dst)) << c.in;
    EXPECT_EQ(std::string(dst), c.want) << c.in;
    EXPECT_EQ(exactTranscription(c.in).text, c.want) << c.in;
  }
}

TEST(FastReal, OtherFormsAreLeftToThePlainRule) {
  // Each is a valid field that the fast path must decline.
  const char* const kDeclined[] = {
      "   1.2345678500000000D+03",   // a tie of the 8-digit rounding
      "   9.9999999500000000D+00",   // a tie that would carry
      "   9.9999999999999999D+99",   // rounds up to a three-digit exponent
      "   0.1234567890123456D+00",   // not normalised
      "   1.0000000000000000Q+00",   // Q exponent
      "   1.0000000000000000+001",   // sign-only exponent
      "   1.00000000000000 0D+00",   // blank inside
      "   12345678901234567890123",  // implied decimal point
      "  +1.0000000000000000D+00",   // plus sign
      "    .0000000000000000D+00",   // no digit before the point
  };
  for (const char* in : kDeclined) {
    char dst[18];
    EXPECT_FALSE(tryTranscribeReal(in, dst)) << in;
    expectSameTranscription(in);
  }
}

// The exponent field of a common-form input built independently of the
// field rules: strtod's nearest double and printf's correctly rounded "%.7E"
// digits, laid out as 0.dddddddd with the exponent one higher.
std::string printfExponentField(std::string in) {
  in[21] = 'E';
  char ref[40];
  std::snprintf(ref, sizeof ref, "%.7E", std::strtod(in.c_str(), nullptr));
  const std::string r(ref);  // [-]d.dddddddE+xx
  const std::size_t s = r[0] == '-' ? 1 : 0;
  const int e = std::atoi(r.c_str() + r.find('E') + 1) + 1;
  char out[40];
  std::snprintf(out, sizeof out, "%18s",
                (r.substr(0, s) + "0." + r[s] + r.substr(s + 2, 7) + "E" +
                 (e < 0 ? "-" : "+") + (std::abs(e) < 10 ? "0" : "") +
                 std::to_string(std::abs(e)))
                    .c_str());
  return out;
}

// Random mantissas and exponents in the common form, with an independent
// check of the expected text through strtod and printf's correctly rounded
// "%.7E".
TEST(FastReal, RandomCommonFormsMatchThePlainRule) {
  std::mt19937_64 rng(20261208);
  std::uniform_int_distribution<std::uint64_t> mantissa(10000000000000000ULL,
                                                        99999999999999999ULL);
  std::uniform_int_distribution<int> exponent(-99, 99);
  const char kLetters[] = {'D', 'd', 'E', 'e'};
  const std::size_t n = sweep(2'000'000);
  std::size_t fast = 0;
  for (std::size_t k = 0; k < n; ++k) {
    const std::string in =
        d25(rng() & 1, mantissa(rng), exponent(rng), kLetters[rng() & 3]);
    char dst[18];
    if (tryTranscribeReal(in.data(), dst)) {
      ++fast;
      const Exact exact = exactTranscription(in);
      ASSERT_EQ(std::string(dst, 18), exact.text) << in;
      if (k % 16 == 0) {
        ASSERT_EQ(std::string(dst, 18), printfExponentField(in)) << in;
      }
    } else {
      expectSameTranscription(in);
    }
  }
  // Every random value is settled by its digits alone but for the 1 in 199
  // with exponent 99, whose field needs the three-digit form.
  EXPECT_GT(fast, n - n / 150);
}

// Tails within a few hundred units of a tie, heads near the carry to a new
// decade and near 1, where the double's error is largest relative to the
// 17th digit.
TEST(FastReal, ValuesNearTiesMatchThePlainRule) {
  std::mt19937_64 rng(7);
  std::uniform_int_distribution<std::uint64_t> head(10000000, 99999999);
  std::uniform_int_distribution<int> delta(-300, 300);
  std::uniform_int_distribution<int> exponent(-99, 99);
  const std::uint64_t kHeads[] = {10000000, 10000001, 99999998,
                                  99999999, 12345678, 50000000};
  const std::size_t n = sweep(1'500'000);
  for (std::size_t k = 0; k < n; ++k) {
    const std::uint64_t h = k % 4 == 0 ? kHeads[rng() % 6] : head(rng);
    const std::uint64_t tail =
        static_cast<std::uint64_t>(500000000 + delta(rng));
    const std::string in =
        d25(rng() & 1, h * 1000000000ULL + tail, exponent(rng));
    expectSameTranscription(in);
  }
}

// Every double printed in several forms: full range including subnormals and
// the largest values, 17 and more digits, short fields, implied decimals.
TEST(FastReal, PrintedDoublesInManyFormsMatchThePlainRule) {
  std::mt19937_64 rng(11);
  const std::size_t n = sweep(1'000'000);
  for (std::size_t k = 0; k < n; ++k) {
    std::uint64_t bits = rng();
    double v;
    std::memcpy(&v, &bits, 8);
    if (std::isnan(v)) v = 1.0;
    char text[64];
    switch (k % 6) {
      case 0:
        std::snprintf(text, sizeof text, "%25.16E", v);
        break;
      case 1:
        std::snprintf(text, sizeof text, "%25.17E", v);
        break;
      case 2:
        std::snprintf(text, sizeof text, "%25.9g", v);
        break;
      case 3:  // in the normal range, as the common form
        std::snprintf(text, sizeof text, "%25.16E",
                      std::ldexp(static_cast<double>(bits >> 11),
                                 static_cast<int>(bits % 600) - 350));
        break;
      case 4:  // implied decimal point: the last 16 digits are the fraction
        std::snprintf(
            text, sizeof text, "%25llu",
            static_cast<unsigned long long>(bits % 100000000000000000ULL));
        break;
      default:  // a subnormal or a value at the top of the range
        std::snprintf(text, sizeof text, "%25.16E",
                      k % 2 ? std::ldexp(static_cast<double>(bits >> 12), -1074)
                            : std::ldexp(static_cast<double>(bits >> 11), 971));
        break;
    }
    std::string in(text);
    for (char& c : in) {
      if (c == 'E' && k % 3 == 0) c = 'D';
    }
    expectSameTranscription(std::string_view(in).substr(0, 25));
  }
}

// Valid fields with one to three columns replaced by characters the rules
// care about: blanks inside, other exponent letters, sign-only exponents,
// stray points and signs, letters that are errors.
TEST(FastReal, MutatedFieldsMatchThePlainRule) {
  std::mt19937_64 rng(3);
  std::uniform_int_distribution<std::uint64_t> mantissa(0,
                                                        99999999999999999ULL);
  std::uniform_int_distribution<int> exponent(-99, 99);
  const char kAlphabet[] = " 0123456789.+-DdEeQqx";
  const std::size_t n = sweep(1'500'000);
  for (std::size_t k = 0; k < n; ++k) {
    std::string in = d25(rng() & 1, mantissa(rng), exponent(rng));
    const int changes = 1 + static_cast<int>(rng() % 3);
    for (int c = 0; c < changes; ++c) {
      in[rng() % 25] = kAlphabet[rng() % (sizeof kAlphabet - 1)];
    }
    expectSameTranscription(in);
  }
}

TEST(FastReal, ShortAndEmptyFieldsMatchThePlainRule) {
  const char* const kCases[] = {
      "",      "   ",   "   1.5", "  -1.0D+00",
      "12345", "  Inf", " -NaN",  "   1.0000000000000000D+0"};
  for (const char* in : kCases) expectSameTranscription(in);
}

TEST(FastInteger, CommonFieldsAndTheirRefusals) {
  struct Case {
    const char* in;
    bool fast;
    std::int32_t want;
  };
  const Case kCases[] = {
      {"         5", true, 5},           {"  99999999", true, 99999999},
      {"          ", true, 0},           {"  00000042", true, 42},
      {"   1  2   ", false, 12},         {"5         ", false, 5},
      {"        -7", false, -7},         {" 123456789", false, 123456789},
      {"       1.0", false, 0},          {"       +12", false, 12},
      {"2147483647", false, 2147483647}, {"      \t 1", false, 0},
  };
  for (const Case& c : kCases) {
    std::int32_t fast = -1;
    EXPECT_EQ(tryReadInteger10(c.in, &fast), c.fast) << c.in;
    if (c.fast) {
      EXPECT_EQ(fast, c.want) << c.in;
    }
    std::int32_t plain = -1, combined = -2;
    const bool ok = readIntegerField(c.in, &plain);
    EXPECT_EQ(readInteger10(c.in, &combined), ok) << c.in;
    if (ok) {
      EXPECT_EQ(combined, plain) << c.in;
    }
  }
}

// Random fields over the characters that matter, and right-justified
// numbers of every length, against readIntegerField.
TEST(FastInteger, RandomFieldsMatchThePlainRule) {
  std::mt19937_64 rng(5);
  const char kAlphabet[] = "      0123456789-+.x\xb0";
  const std::size_t n = sweep(3'000'000);
  for (std::size_t k = 0; k < n; ++k) {
    char field[11] = {};
    if (k % 2 == 0) {
      for (int c = 0; c < 10; ++c) {
        field[c] = kAlphabet[rng() % (sizeof kAlphabet - 1)];
      }
    } else {
      const std::uint64_t digits = 1 + rng() % 10;
      std::uint64_t limit = 1;
      for (std::uint64_t d = 0; d < digits; ++d) limit *= 10;
      char text[24];
      std::snprintf(text, sizeof text, "%10llu",
                    static_cast<unsigned long long>(rng() % limit));
      std::memcpy(field, text, 10);
    }
    const std::string_view in(field, 10);
    std::int32_t plain = -1, fast = -2, combined = -3;
    const bool ok = readIntegerField(in, &plain);
    if (tryReadInteger10(field, &fast)) {
      ASSERT_TRUE(ok) << '"' << in << '"';
      ASSERT_EQ(fast, plain) << '"' << in << '"';
    }
    ASSERT_EQ(readInteger10(field, &combined), ok) << '"' << in << '"';
    if (ok) {
      ASSERT_EQ(combined, plain) << '"' << in << '"';
    }
  }
}

TEST(FastInteger, WrittenFieldsMatchThePlainRule) {
  std::mt19937_64 rng(9);
  const std::int32_t kEdges[] = {0,         1,         9,        10,
                                 99999999,  100000000, 10000000, -1,
                                 INT32_MAX, INT32_MIN, 12345678, 99999998};
  const std::size_t kWidths[] = {1, 8, 10, 11, 12};
  const std::size_t n = sweep(2'000'000);
  for (std::size_t k = 0; k < n + std::size(kEdges); ++k) {
    std::int32_t v;
    if (k < std::size(kEdges)) {
      v = kEdges[k];
    } else {
      const int digits = 1 + static_cast<int>(rng() % 10);
      std::uint64_t limit = 1;
      for (int d = 0; d < digits; ++d) limit *= 10;
      v = static_cast<std::int32_t>(rng() % limit % 2147483648ULL);
      if (rng() % 8 == 0) v = -v;
    }
    for (std::size_t w : kWidths) {
      char plain[12], fast[12];
      const bool ok = writeIntegerField(v, w, plain);
      ASSERT_EQ(writeInteger(v, w, fast), ok) << v << " in " << w;
      ASSERT_EQ(std::string(fast, w), std::string(plain, w))
          << v << " in " << w;
    }
  }
}

}  // namespace
}  // namespace unv2tessal

namespace unv2tessal {
namespace {

// A random 10-column field: right-justified numbers of every length (some
// negative, some with leading zeros or left-justified), or random text over
// the characters that matter.
std::string randomIntegerField(std::mt19937_64& rng) {
  char text[40];
  const std::uint64_t limit = std::uint64_t{1} << (rng() % 34);
  const long long v = static_cast<long long>(rng() % limit);
  switch (rng() % 6) {
    case 0:
      std::snprintf(text, sizeof text, "%10lld", -v);
      break;
    case 1:
      std::snprintf(text, sizeof text, "%010lld", v);
      break;
    case 2:
      std::snprintf(text, sizeof text, "%-10lld", v);
      break;
    case 3: {
      const char kAlphabet[] = "    0123456789-+.x";
      for (int c = 0; c < 10; ++c) {
        text[c] = kAlphabet[rng() % (sizeof kAlphabet - 1)];
      }
      break;
    }
    default:
      std::snprintf(text, sizeof text, "%10lld", v);
      break;
  }
  return std::string(text, 10);
}

TEST(FastInteger, PlainFieldsAreTheirOwnWrittenText) {
  std::mt19937_64 rng(13);
  const std::size_t n = sweep(1'000'000);
  std::size_t plain = 0;
  for (std::size_t k = 0; k < n; ++k) {
    const std::string in = randomIntegerField(rng);
    std::int32_t v = 0;
    const bool valid = readIntegerField(in, &v);
    char written[10];
    const bool same = valid && v >= 0 && writeIntegerField(v, 10, written) &&
                      std::string(written, 10) == in && in[0] == ' ' &&
                      in[1] == ' ';
    ASSERT_EQ(isPlainInteger10(in.data()), same) << '"' << in << '"';
    plain += same ? 1 : 0;
  }
  EXPECT_GT(plain, n / 4);  // the fast path is taken, not only declined
}

TEST(FastInteger, PlainRecordsAreEightPlainFields) {
  std::mt19937_64 rng(19);
  const std::size_t n = sweep(1'000'000);
  std::size_t plain = 0;
  for (std::size_t k = 0; k < n; ++k) {
    std::string line;
    for (int f = 0; f < 8; ++f) {
      char text[16];
      std::snprintf(text, sizeof text, "%10u",
                    static_cast<unsigned>(rng() % (1u << (rng() % 28))));
      line += rng() % 32 == 0 ? randomIntegerField(rng) : std::string(text);
    }
    bool each = true;
    for (std::size_t f = 0; f < 8; ++f)
      each = each && isPlainInteger10(&line[10 * f]);
    ASSERT_EQ(isPlainRecord80(line.data()), each) << '"' << line << '"';
    plain += each ? 1 : 0;
  }
  EXPECT_GT(plain, n / 4);
}

// Node records of eight fields, some cut short or in other forms, against
// reading all eight and writing the first `count` (no shift).
TEST(FastInteger, CopiedNodeRecordsMatchThePlainRule) {
  std::mt19937_64 rng(17);
  const std::size_t n = sweep(500'000);
  for (std::size_t k = 0; k < n; ++k) {
    std::string line;
    for (int f = 0; f < 8; ++f) {
      char text[16];
      std::snprintf(text, sizeof text, "%10u",
                    static_cast<unsigned>(rng() % 100000000));
      line += rng() % 16 == 0 ? randomIntegerField(rng) : std::string(text);
    }
    line.resize(rng() % 2 ? 80 : rng() % 90);
    const std::size_t count = rng() % 9;
    char copied[80];
    if (!copyPlainFields10(line, count, copied)) continue;
    std::int32_t v[8];
    ASSERT_TRUE(readIntegerFields10(line, v, 8)) << line;
    for (std::size_t f = 0; f < count; ++f) {
      char written[10];
      ASSERT_TRUE(writeIntegerField(v[f], 10, written));
      ASSERT_EQ(std::string(copied + 10 * f, 10), std::string(written, 10))
          << '"' << line << "\" field " << f;
    }
  }
}

}  // namespace
}  // namespace unv2tessal

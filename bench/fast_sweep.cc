// The long sweep behind the fast field paths: compares them with the plain
// field rules over far more values than the unit tests run.
//
//   fast_sweep [REALS]      (default 100000000)
//
// Reals: REALS coordinate fields in the common form with random 17-digit
// mantissas, exponents and signs, every eighth one with its last nine digits
// within 300 units of a tie. Integers: every value 0..99999999
// right-justified in 10 columns (read, plain test, written in 10 and 8
// columns), and every value with one leading zero. Prints the counts and
// exits 1 at the first difference.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "codecs/fast_fields.h"
#include "codecs/fields.h"

namespace unv2tessal {
namespace {

[[noreturn]] void mismatch(const char* what, const std::string& in) {
  std::printf("MISMATCH (%s): \"%s\"\n", what, in.c_str());
  std::exit(1);
}

void sweepReals(std::uint64_t n) {
  std::mt19937_64 rng(20261208);
  std::uniform_int_distribution<std::uint64_t> mantissa(10000000000000000ULL,
                                                        99999999999999999ULL);
  std::uniform_int_distribution<std::uint64_t> head(10000000, 99999999);
  std::uniform_int_distribution<int> delta(-300, 300);
  std::uniform_int_distribution<int> exponent(-99, 99);
  std::uint64_t fast = 0;
  for (std::uint64_t k = 0; k < n; ++k) {
    const std::uint64_t m =
        k % 8 == 0 ? head(rng) * std::uint64_t{1000000000} +
                         static_cast<std::uint64_t>(500000000 + delta(rng))
                   : mantissa(rng);
    const int e = exponent(rng);
    char digits[24];
    std::snprintf(digits, sizeof digits, "%017llu",
                  static_cast<unsigned long long>(m));
    char field[40];
    std::snprintf(field, sizeof field, "%s%c.%s%c%c%02d",
                  rng() & 1 ? "  -" : "   ", digits[0], digits + 1,
                  "DdEe"[rng() & 3], e < 0 ? '-' : '+', e < 0 ? -e : e);
    char got[18], want[18];
    bool overflowGot = false, overflowWant = false;
    if (tryTranscribeReal(field, got)) ++fast;
    const bool okGot = transcribeReal(field, got, &overflowGot);
    const bool okWant = transcribeRealExactly(field, want, &overflowWant);
    if (okGot != okWant || overflowGot != overflowWant ||
        std::string(got, 18) != std::string(want, 18)) {
      mismatch("real", field);
    }
  }
  std::printf("reals: %llu compared, %llu by the fast path, no difference\n",
              static_cast<unsigned long long>(n),
              static_cast<unsigned long long>(fast));
}

void checkInteger(const char* field) {
  const std::string_view in(field, 10);
  std::int32_t plain = 0, fast = 0;
  const bool ok = readIntegerField(in, &plain);
  if (!readInteger10(field, &fast) || !ok || fast != plain) {
    mismatch("integer read", std::string(in));
  }
  char written[10];
  const bool same = writeIntegerField(plain, 10, written) &&
                    std::string_view(written, 10) == in;
  if (isPlainInteger10(field) != same) mismatch("plain", std::string(in));
  for (std::size_t width : {std::size_t{10}, std::size_t{8}}) {
    char a[10], b[10];
    if (writeInteger(plain, width, a) != writeIntegerField(plain, width, b) ||
        std::string_view(a, width) != std::string_view(b, width)) {
      mismatch("integer write", std::string(in));
    }
  }
}

void sweepIntegers() {
  char field[16];
  std::uint64_t n = 0;
  for (std::uint32_t v = 0; v < 100000000; ++v) {
    std::snprintf(field, sizeof field, "%10u", v);
    checkInteger(field);
    std::snprintf(field, sizeof field, "%010u", v % 10000000);  // leading 0
    checkInteger(field);
    n += 2;
  }
  std::printf("integers: %llu fields compared, no difference\n",
              static_cast<unsigned long long>(n));
}

}  // namespace
}  // namespace unv2tessal

int main(int argc, char** argv) {
  const std::uint64_t reals =
      argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 100000000ULL;
  unv2tessal::sweepReals(reals);
  unv2tessal::sweepIntegers();
  return 0;
}

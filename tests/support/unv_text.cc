#include "support/unv_text.h"

#include <cstdio>

#include "support/test_io.h"

namespace unv2tessal::support {

std::string head(std::string_view unv) {
  return std::string(kBanner) + openingLine(unv);
}

std::string totalLine(std::string_view text, long long v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%12lld", v);
  // Appended piece by piece: GCC 12 at -O2 takes the chain of operator+
  // for an overlapping memcpy (-Wrestrict), which -Werror turns fatal.
  std::string line = " ";
  line += text;
  line += buf;
  line += "\r\n";
  return line;
}

std::string dataset(std::string_view number, std::string_view body) {
  std::string s = "    -1\n";
  s += number;
  s += '\n';
  s += body;
  s += "    -1\n";
  return s;
}

std::string labels(std::initializer_list<long long> ls) {
  std::string s;
  for (long long l : ls) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%10lld", l);
    s += buf;
  }
  return s + "\n";
}

std::string node(long long label, std::string_view x, std::string_view y,
                 std::string_view z) {
  char buf[160];
  std::snprintf(buf, sizeof buf, "%10lld%10d%10d%10d\n%25.*s%25.*s%25.*s\n",
                label, 1, 1, 11, static_cast<int>(x.size()), x.data(),
                static_cast<int>(y.size()), y.data(),
                static_cast<int>(z.size()), z.data());
  return buf;
}

std::string descriptor(long long label, int feId, int nodes) {
  char buf[80];
  std::snprintf(buf, sizeof buf, "%10lld%10d%10d%10d%10d%10d\n", label, feId, 1,
                1, 7, nodes);
  return buf;
}

std::string tet(long long label, long long a, long long b, long long c,
                long long d) {
  return descriptor(label, 111, 4) + labels({a, b, c, d});
}

std::string vertex(long long number) {
  char buf[80];
  std::snprintf(buf, sizeof buf, "%8lld%18s%18s%18s\r\n", number,
                "0.00000000E+00", "0.00000000E+00", "0.00000000E+00");
  return buf;
}

std::string tetLine(long long number, long long a, long long b, long long c,
                    long long d) {
  char buf[80];
  std::snprintf(buf, sizeof buf, "%10lld  3  4  %10lld%10lld%10lld%10lld\r\n",
                number, a, b, c, d);
  return buf;
}

}  // namespace unv2tessal::support

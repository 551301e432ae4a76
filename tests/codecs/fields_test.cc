#include "codecs/fields.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace unv2tessal {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(IntegerField, ReadsDigitsSignsAndBlanks) {
  struct Case {
    std::string_view in;
    std::int32_t want;
  };
  const Case cases[] = {
      {"         5", 5},
      {"5         ", 5},
      {"   1  2   ", 12},  // blanks after the first digit are not zeros
      {"   -7   ", -7},
      {"- 5", -5},
      {"+42", 42},
      {"0000000012", 12},
      {"          ", 0},
      {"", 0},  // a field wholly beyond the end of the line
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"  -2 147 483 648", INT32_MIN},
      {"-0", 0},
  };
  for (const Case& c : cases) {
    std::int32_t v = -99;
    EXPECT_TRUE(readIntegerField(c.in, &v)) << '"' << c.in << '"';
    EXPECT_EQ(v, c.want) << '"' << c.in << '"';
  }
}

TEST(IntegerField, RefusesOtherCharactersAndValuesBeyond32Bits) {
  const std::string_view bad[] = {
      "  1.0",
      ".",
      "1a",
      "x",
      "\t1",
      "1\t",
      "+-1",
      "--1",
      "1-",
      "1+2",
      "2147483648",
      "-2147483649",
      "99999999999999999999",
      "1e3",
      "1,000",
  };
  for (std::string_view in : bad) {
    std::int32_t v = 0;
    EXPECT_FALSE(readIntegerField(in, &v)) << '"' << in << '"';
  }
}

TEST(RealField, ReadsEveryForm) {
  struct Case {
    std::string_view in;
    int digits;
    double want;
  };
  const Case cases[] = {
      {"   1.0000000000000000D+00", 16, 1.0},
      {"   1.0000000000000000E+00", 16, 1.0},
      {"  12345", 16, 1.2345e-12},  // the last 16 digits are the fraction
      {"   1.5", 16, 1.5},          // a point overrides the implied digits
      {"   1.5", 0, 1.5},
      {"12345", 0, 12345.0},
      {"12345E2", 3, 1234.5},  // implied point, then the exponent
      {"1.5-3", 16, 1.5e-3},   // a sign directly after the mantissa
      {"1.5+3", 16, 1500.0},
      {"1.5d3", 16, 1500.0},
      {"1.5Q3", 16, 1500.0},
      {"1.5q-3", 16, 1.5e-3},
      {"1.5e+3", 16, 1500.0},
      {" 1 . 5 E - 3 ", 16, 1.5e-3},  // blanks anywhere are ignored
      {"-2.5", 16, -2.5},
      {"+2.5", 16, 2.5},
      {".5", 16, 0.5},
      {"5.", 16, 5.0},
      {"-1.2345678901234567D-03", 16, -1.2345678901234567e-3},
      {"                         ", 16, 0.0},
      {"", 16, 0.0},
      {"0.1", 0, 0.1},
      {"1.7976931348623157D+308", 16, std::numeric_limits<double>::max()},
      {"4.9406564584124654E-324", 16,
       std::numeric_limits<double>::denorm_min()},
      // 2^53 + 1 lies halfway between two doubles: nearest, ties to even.
      {"9007199254740993.", 16, 9007199254740992.0},
      {"9007199254740995.", 16, 9007199254740996.0},
      {"1E400", 16, kInf},  // beyond the double range
      {"-1E400", 16, -kInf},
      {"1E-400", 16, 0.0},
      {"Infinity", 16, kInf},
      {"  inf", 16, kInf},
      {"-INF", 16, -kInf},
      {"+Infinity", 16, kInf},
      {" - infinity ", 16, -kInf},
  };
  for (const Case& c : cases) {
    double v = -99.0;
    EXPECT_TRUE(readRealField(c.in, c.digits, &v)) << '"' << c.in << '"';
    EXPECT_EQ(v, c.want) << '"' << c.in << '"';
  }
}

TEST(RealField, ReadsNotANumberWords) {
  for (std::string_view in : {"NaN", "nan", "  -NaN  ", "+nAn"}) {
    double v = 0.0;
    EXPECT_TRUE(readRealField(in, 16, &v)) << in;
    EXPECT_TRUE(std::isnan(v)) << in;
  }
}

TEST(RealField, RefusesOtherCharacters) {
  const std::string_view bad[] = {
      "1.2.3",   "1x",      "1.5E3.", "\t1.0",  "1.0\t",
      "Infx",    "Infinit", "NaNa",   "1E5E3",  "1,5",
      "1.5E+-3", "1.5E3-2", "x1",     "1.5D3D", "1.5 E 3 X",
  };
  for (std::string_view in : bad) {
    double v = 0.0;
    EXPECT_FALSE(readRealField(in, 16, &v)) << '"' << in << '"';
  }
}

TEST(TextField, ReadsRightmostColumnsOrPadsWithBlanks) {
  struct Case {
    std::string_view cols;
    std::size_t width;
    std::size_t length;
    std::string_view want;
  };
  const Case cases[] = {
      {"    -1", 7, 7, "    -1 "},  // the missing column reads as a blank
      {"  2411", 6, 4, "2411"},     // wider field: its last 4 columns
      {"abcdefghij", 10, 4, "ghij"},
      {"abc", 3, 6, "abc   "},
      {"", 4, 4, "    "},
      {"twenty columns here!", 20, 24, "twenty columns here!    "},
  };
  for (const Case& c : cases) {
    std::string item(c.length, '#');
    readTextField(c.cols.substr(0, std::min(c.cols.size(), c.width)), c.width,
                  item.data(), item.size());
    EXPECT_EQ(item, c.want) << c.cols;
  }
}

TEST(TextField, WritesRightJustifiedOrCut) {
  struct Case {
    std::string_view item;
    std::size_t width;
    std::string_view want;
  };
  const std::string fortyOne = std::string(40, 'a') + "Z";
  const Case cases[] = {
      {"Original", 10, "  Original"},
      {"New", 10, "       New"},
      {fortyOne, 40, std::string_view(fortyOne).substr(0, 40)},
      {"abc", 3, "abc"},
      {"", 2, "  "},
  };
  for (const Case& c : cases) {
    std::string dst(c.width, '#');
    writeTextField(c.item, c.width, dst.data());
    EXPECT_EQ(dst, c.want);
  }
}

TEST(IntegerField, WritesRightJustifiedOrAsterisks) {
  struct Case {
    std::int32_t value;
    std::size_t width;
    std::string_view want;
    bool fits;
  };
  const Case cases[] = {
      {42, 8, "      42", true},
      {0, 1, "0", true},
      {0, 3, "  0", true},
      {-1, 2, "-1", true},
      {99999999, 8, "99999999", true},
      {-9999999, 8, "-9999999", true},
      {2147483647, 10, "2147483647", true},
      {INT32_MIN, 12, " -2147483648", true},
      {123456789, 8, "********", false},
      {100000000, 8, "********", false},
      {-10000000, 8, "********", false},
      {12, 1, "*", false},
      {-1, 1, "*", false},
      {INT32_MIN, 11, "-2147483648", true},
      {INT32_MIN, 10, "**********", false},
  };
  for (const Case& c : cases) {
    std::string dst(c.width, '#');
    EXPECT_EQ(writeIntegerField(c.value, c.width, dst.data()), c.fits)
        << c.value;
    EXPECT_EQ(dst, c.want) << c.value;
  }
}

TEST(ExponentField, WritesEighteenEightForm) {
  struct Case {
    double value;
    std::string_view want;
  };
  const Case cases[] = {
      {1.5, "    0.15000000E+01"},
      {-0.25, "   -0.25000000E+00"},
      {0.0, "    0.00000000E+00"},
      {-0.0, "    0.00000000E+00"},  // negative zero has no sign
      {1.0e-10, "    0.10000000E-09"},
      {12345.678, "    0.12345678E+05"},
      {1234.5678, "    0.12345678E+04"},
      {-0.001, "   -0.10000000E-02"},
      {0.1, "    0.10000000E+00"},
      {1.0e98, "    0.10000000E+99"},
      {1.0e99, "    0.10000000+100"},  // exponent 100: no letter
      {1.0e100, "    0.10000000+101"},
      {1.0e-99, "    0.10000000E-98"},
      {1.0e-100, "    0.10000000E-99"},
      {1.0e-101, "    0.10000000-100"},
      {9.999999999, "    0.10000000E+02"},  // rounds up to a power of ten
      {0.99999999999, "    0.10000000E+01"},
      {807312.625, "    0.80731262E+06"},  // a tie goes to the even digit
      {807312.875, "    0.80731288E+06"},
      {123456785.0, "    0.12345678E+09"},
      {123456775.0, "    0.12345678E+09"},
      {std::numeric_limits<double>::denorm_min(), "    0.49406565-323"},
      {std::numeric_limits<double>::min(), "    0.22250739-307"},
      {std::numeric_limits<double>::max(), "    0.17976931+309"},
      {-std::numeric_limits<double>::max(), "   -0.17976931+309"},
      {kInf, "          Infinity"},
      {-kInf, "         -Infinity"},
      {std::numeric_limits<double>::quiet_NaN(), "               NaN"},
  };
  for (const Case& c : cases) {
    std::string dst(18, '#');
    EXPECT_TRUE(writeExponentField(c.value, 18, 8, dst.data())) << c.value;
    EXPECT_EQ(dst, c.want) << c.value;
  }
}

TEST(ExponentField, DropsLeadingZeroThenGivesAsterisks) {
  struct Case {
    double value;
    std::size_t width;
    std::string_view want;
    bool fits;
  };
  const Case cases[] = {
      {1.5, 14, "0.15000000E+01", true},    {1.5, 13, ".15000000E+01", true},
      {-1.5, 15, "-0.15000000E+01", true},  {-1.5, 14, "-.15000000E+01", true},
      {1.0e100, 13, ".10000000+101", true}, {1.5, 12, "************", false},
      {-1.5, 13, "*************", false},   {kInf, 7, "*******", false},
  };
  for (const Case& c : cases) {
    std::string dst(c.width, '#');
    EXPECT_EQ(writeExponentField(c.value, c.width, 8, dst.data()), c.fits)
        << c.value << " in " << c.width;
    EXPECT_EQ(dst, c.want);
  }
}

TEST(ExponentField, OtherDigitCounts) {
  std::string dst(12, '#');
  EXPECT_TRUE(writeExponentField(2.0 / 3.0, 12, 4, dst.data()));
  EXPECT_EQ(dst, "  0.6667E+00");
  std::string wide(25, '#');
  EXPECT_TRUE(writeExponentField(0.1, 25, 16, wide.data()));
  EXPECT_EQ(wide, "   0.1000000000000000E+00");
}

}  // namespace
}  // namespace unv2tessal

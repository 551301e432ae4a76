#include "codecs/record_io.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace unv2tessal {
namespace {

TEST(RecordReader, FieldsBeyondTheLineReadAsBlanks) {
  constexpr RecordLayout kEight{Repeat{8, IntegerField(10)}};
  const std::string line =
      "         1        -2         3         4";  // 40 columns
  std::int32_t v[8] = {9, 9, 9, 9, 9, 9, 9, 9};
  RecordReader r(line, kEight);
  for (std::int32_t& x : v) ASSERT_TRUE(r.read(x));
  const std::int32_t want[8] = {1, -2, 3, 4, 0, 0, 0, 0};
  for (int k = 0; k < 8; ++k) EXPECT_EQ(v[k], want[k]) << k;
}

TEST(RecordReader, StopsAtTheLastItemWithoutLookingFurther) {
  constexpr RecordLayout kTwo{IntegerField(5), IntegerField(5)};
  std::int32_t first = 0;
  RecordReader r("   17 text", kTwo);  // the second field is not a number
  EXPECT_TRUE(r.read(first));
  EXPECT_EQ(first, 17);
}

TEST(RecordReader, SkipFieldsAreAppliedWithTheFollowingField) {
  constexpr RecordLayout kNumber{SkipField(2), TextField(4)};
  FixedText<4> number;
  RecordReader r("  2411", kNumber);
  EXPECT_TRUE(r.read(number));
  EXPECT_EQ(number.view(), "2411");

  constexpr RecordLayout kMixed{IntegerField(3), SkipField(4), IntegerField(2)};
  std::int32_t a = 0;
  std::int32_t b = 0;
  RecordReader m(" 12xxxx 7", kMixed);  // the skipped columns are not read
  EXPECT_TRUE(m.read(a));
  EXPECT_TRUE(m.read(b));
  EXPECT_EQ(a, 12);
  EXPECT_EQ(b, 7);
}

TEST(RecordReader, RealsTextsAndFullTexts) {
  constexpr RecordLayout kCoordinates{Repeat{3, RealField(25, 16)}};
  double x = 0, y = 0, z = 0;
  RecordReader r(
      "   1.0000000000000000D+00  -2.5000000000000000D-01"
      "                        0",
      kCoordinates);
  EXPECT_TRUE(r.read(x) && r.read(y) && r.read(z));
  EXPECT_EQ(x, 1.0);
  EXPECT_EQ(y, -0.25);
  EXPECT_EQ(z, 0.0);

  constexpr RecordLayout kFull{FullTextField()};
  Text64 name;
  RecordReader f("a name", kFull);
  EXPECT_TRUE(f.read(name));
  EXPECT_EQ(name, Text64::of("a name"));

  constexpr RecordLayout kWide{TextField(20)};
  RecordReader w("twenty columns here!and more", kWide);
  EXPECT_TRUE(w.read(name));
  EXPECT_EQ(name.view(), "twenty columns here!" + std::string(44, ' '));
}

TEST(RecordReader, ReportsAFieldThatIsNotAValue) {
  constexpr RecordLayout kOne{IntegerField(10)};
  std::int32_t v = 0;
  RecordReader r("       1.0", kOne);
  EXPECT_FALSE(r.read(v));
  constexpr RecordLayout kReal{RealField(25, 16)};
  double d = 0;
  RecordReader q("   1.0x", kReal);
  EXPECT_FALSE(q.read(d));
}

std::string written(const RecordLayout& layout, void (*fill)(RecordWriter&),
                    int* overflows = nullptr) {
  char buf[256];
  RecordWriter w(layout, buf);
  fill(w);
  if (overflows != nullptr) *overflows = w.overflows();
  return std::string(buf, w.columns());
}

TEST(RecordWriter, EndsAfterTheLastItem) {
  constexpr RecordLayout kEight{Repeat{8, IntegerField(11)}};
  EXPECT_EQ(written(kEight,
                    [](RecordWriter& w) {
                      w.write(std::int32_t{1});
                      w.write(std::int32_t{-22});
                      w.write(std::int32_t{333});
                    }),
            "          1        -22        333");  // 33 columns
}

TEST(RecordWriter, VertexRecord) {
  constexpr RecordLayout kVertex{IntegerField(8),
                                 Repeat{3, ExponentField(18, 8)}};
  EXPECT_EQ(written(kVertex,
                    [](RecordWriter& w) {
                      w.write(std::int32_t{12});
                      w.write(1234.5678);
                      w.write(-0.001);
                      w.write(2.0);
                    }),
            "      12    0.12345678E+04   -0.10000000E-02    0.20000000E+01");
}

TEST(RecordWriter, SkipsTextsAndOverflows) {
  constexpr RecordLayout kLayout{SkipField(3), TextField(10), FullTextField(),
                                 IntegerField(2), ExponentField(12, 8)};
  int overflows = 0;
  EXPECT_EQ(written(
                kLayout,
                [](RecordWriter& w) {
                  w.write("New");
                  w.write(Text64::of("x"));
                  w.write(std::int32_t{100});
                  w.write(-1.0);
                },
                &overflows),
            "          New" + std::string("x") + std::string(63, ' ') +
                "**************");
  EXPECT_EQ(overflows, 2);
}

}  // namespace
}  // namespace unv2tessal

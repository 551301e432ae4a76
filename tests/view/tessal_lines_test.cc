#include "view/tessal_lines.h"

#include <gtest/gtest.h>

#include <string>

namespace unv2tessal {
namespace {

// The error text of `f`, or "" when it does not throw.
template <class F>
std::string errorOf(F f) {
  try {
    f();
  } catch (const Failure& e) {
    return e.message;
  }
  return "";
}

constexpr std::string_view kVertex =
    "      12    0.12345678E+04   -0.10000000E-02    0.20000000E+01";

TEST(VertexLine, NumberAndCoordinatesAsWritten) {
  ASSERT_EQ(kVertex.size(), kVertexLineWidth);
  EXPECT_EQ(readVertexNumber(kVertex), 12);
  EXPECT_EQ(readCoordinate(kVertex, 0), 1234.5678);
  EXPECT_EQ(readCoordinate(kVertex, 1), -0.001);
  EXPECT_EQ(readCoordinate(kVertex, 2), 2.0);
}

// Coordinates read as the nearest double, the written form by its fast path
// and every other form by the field rules.
TEST(VertexLine, Coordinates) {
  struct Case {
    std::string_view field;  // columns 9-26
    double value;
  };
  const Case cases[] = {
      {"    0.00000000E+00", 0.0},
      {"   -0.25000000E+00", -0.25},
      {"    0.99999999E+30", 0.99999999e30},   // 10^22: the last exact power
      {"    0.12345678E-14", 0.12345678e-14},  // 10^-22
      {"    0.12345678E+31", 0.12345678e31},   // beyond: the field rules
      {"   -0.98765432E-15", -0.98765432e-15},
      {"    0.12345678+100", 0.12345678e100},  // three-digit exponent
      {"    0.31415927E+01", 3.1415927},
      {"              1.5 ", 1.5},
  };
  for (const Case& c : cases) {
    const std::string line = "       1" + std::string(c.field) +
                             std::string(c.field) + std::string(c.field);
    EXPECT_EQ(readCoordinate(line, 2), c.value) << c.field;
  }
}

TEST(VertexLine, Faults) {
  struct Case {
    std::string_view line;
    std::string_view error;
  };
  const Case cases[] = {
      {"********    0.10000000E+01    0.00000000E+00    0.00000000E+00",
       "columns 1-8 are not a valid number"},
      {"       1          Infinity    0.00000000E+00    0.00000000E+00",
       "columns 9-26 are not a finite number"},
      {"       1  ****************    0.00000000E+00    0.00000000E+00",
       "columns 9-26 are not a valid number"},
      {"       1    0.00000000E+00    0.00000000E+00    0.0000000xE+00",
       "columns 45-62 are not a valid number"},
      {"         1  6  8           1         2         5         4         7",
       "the line is 68 columns long; a vertex record is 62"},
      {"", "the line is 0 columns long; a vertex record is 62"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(errorOf([&] {
                readVertexNumber(c.line);
                for (std::size_t k = 0; k < 3; ++k) readCoordinate(c.line, k);
              }),
              c.error)
        << c.line;
  }
}

TEST(ConnectivityLine, HeadAndVertices) {
  const std::string_view brick =
      "        12  6  8           8         7         6         5         4"
      "         3         2 123456789";
  const ElementHead h = readElementHead(brick);
  EXPECT_EQ(h.number, 12);
  EXPECT_EQ(h.code, 6);
  EXPECT_EQ(h.vertices, 8);
  const std::int32_t want[] = {8, 7, 6, 5, 4, 3, 2, 123456789};
  for (std::size_t k = 0; k < 8; ++k) {
    EXPECT_EQ(readElementVertex(brick, k), want[k]);
  }
  // A field past the end of the line reads as 0.
  const std::string_view triangle =
      "         1  1  3           4         5         6";
  EXPECT_EQ(readElementVertex(triangle, 2), 6);
  EXPECT_EQ(readElementVertex(triangle, 3), 0);
}

TEST(ConnectivityLine, Faults) {
  struct Case {
    std::string_view line;
    std::string_view error;
  };
  const Case cases[] = {
      {"         1  1  3",
       "the line is 16 columns long; a connectivity line "
       "has at least 18"},
      {"       1    0.15000000E+01    0.00000000E+00    0.00000000E+00",
       "columns 14-15 are not blank"},
      {"         1 x1  3           1         2         3",
       "columns 11-12 are not blank"},
      {"        1x  1  3           1         2         3",
       "columns 1-10 are not a valid number"},
      {"         1  A  3           1         2         3",
       "columns 13-13 are not a valid number"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(errorOf([&] { readElementHead(c.line); }), c.error) << c.line;
  }
  EXPECT_EQ(errorOf([] {
              readElementVertex(
                  "         1  1  3           1        2x         3", 1);
            }),
            "columns 29-38 are not a valid number");
}

TEST(GridCommandLine, KindsAndNumbers) {
  struct Case {
    std::string_view line;
    GridLine kind;
    std::int32_t number;
  };
  const Case cases[] = {
      {"GRID UNSTructured; # of ELEMents     1234", GridLine::kGrid2D, 1234},
      {"GRID THREeD  UNSTructured; # of ELEMents      56", GridLine::kGrid3D,
       56},
      {"! # of vertices =     1500", GridLine::kVertexCount, 1500},
      {"!original element numbers were offset by       99",
       GridLine::kElementOffset, 99},
      {"!original node numbers were offset by       -1", GridLine::kNodeOffset,
       -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(kindOf(c.line), c.kind) << c.line;
    EXPECT_EQ(readHeaderNumber(c.line, c.kind), c.number) << c.line;
  }
  EXPECT_EQ(kindOf("CONNectivity HYBRid in file <cncFileName>"),
            GridLine::kConnectivity);
  EXPECT_EQ(kindOf("COOR X Y Z VERTices in file <xyzFileName>"),
            GridLine::kCoordinates);
  EXPECT_EQ(kindOf("COOR X Y Z VERTices in file grid.xyz"), GridLine::kOther);
  EXPECT_EQ(kindOf("          1          2"), GridLine::kOther);
  EXPECT_EQ(errorOf([] {
              readHeaderNumber("! # of vertices = ********",
                               GridLine::kVertexCount);
            }),
            "columns 19-26 are not a valid number");
  EXPECT_EQ(errorOf([] {
              readHeaderNumber("GRID UNSTructured; # of ELEMents     1234 ",
                               GridLine::kGrid2D);
            }),
            "the line is 42 columns long; this record is 41");
}

TEST(GridCommandLine, RegionsAndTheirVertices) {
  const RegionCommand r = readRegionCommand(
      "LOCATE VERTEX ID=INLET     ! # of vertices =          3");
  EXPECT_EQ(r.id, "INLET   ");
  EXPECT_EQ(r.count, 3);
  EXPECT_EQ(errorOf([] {
              readRegionCommand(
                  "LOCATE VERTEX ID=INLET     # of vertices =            3");
            }),
            "columns 26-45 are not \"  ! # of vertices = \"");
  std::array<std::int32_t, 8> v{};
  ASSERT_EQ(readRegionVertices("          1         -2        300", v), 3u);
  EXPECT_EQ(v[0], 1);
  EXPECT_EQ(v[1], -2);
  EXPECT_EQ(v[2], 300);
  const std::string nine(99, ' ');
  for (std::string_view bad : {std::string_view("          1         2"),
                               std::string_view(), std::string_view(nine)}) {
    EXPECT_EQ(errorOf([&] { readRegionVertices(bad, v); }),
              "the line is " + std::to_string(bad.size()) +
                  " columns long; a vertex line holds 1 to 8 fields of 11 "
                  "columns");
  }
}

}  // namespace
}  // namespace unv2tessal

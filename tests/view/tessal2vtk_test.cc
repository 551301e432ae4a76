#include "view/tessal2vtk.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "support/test_io.h"

namespace unv2tessal {
namespace {

using support::filesIn;
using support::readFile;
using support::ScratchDir;
using support::writeFile;

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

Outcome view(const std::vector<std::string>& args) {
  Outcome o;
  o.status = runTessal2vtk(args, &o.out, &o.err);
  return o;
}

// Lines with the converter's CR LF ends.
std::string crlf(std::initializer_list<std::string_view> lines) {
  std::string s;
  for (std::string_view l : lines) s.append(l).append("\r\n");
  return s;
}

std::string vertex(int number, std::string_view x, std::string_view y) {
  char line[64];
  std::snprintf(line, sizeof line, "%8d%18s%18s%18s", number,
                std::string(x).c_str(), std::string(y).c_str(),
                "0.00000000E+00");
  return line;
}

// A connectivity line as the converter writes it.
std::string element(int number, int code, std::vector<int> vertices) {
  char line[112];
  int n = std::snprintf(line, sizeof line, "%10d  %d  %zu  ", number, code,
                        vertices.size());
  for (int v : vertices) {
    n += std::snprintf(line + n, sizeof line - static_cast<std::size_t>(n),
                       "%10d", v);
  }
  return line;
}

// A 2D grid: a triangle and a quadrilateral on five vertices numbered with
// gaps and out of order, and two regions.
void writeSmall2DGrid() {
  writeFile("v.xyz", crlf({vertex(10, "0.00000000E+00", "0.00000000E+00"),
                           vertex(30, "0.10000000E+01", "0.10000000E+01"),
                           vertex(20, "0.10000000E+01", "0.00000000E+00"),
                           vertex(40, "0.20000000E+01", "0.00000000E+00"),
                           vertex(50, "0.20000000E+01", "-0.10000000E+01")}));
  writeFile("c.cnc", crlf({element(1, 1, {10, 20, 30}),
                           element(2, 2, {20, 40, 50, 30})}));
  writeFile("g.inp",
            crlf({"GRID UNSTructured; # of ELEMents        2",
                  "! # of vertices =        5",
                  "CONNectivity HYBRid in file <cncFileName>",
                  "COOR X Y Z VERTices in file <xyzFileName>",
                  "LOCATE VERTEX ID=EDGE      ! # of vertices =          2",
                  "         10         20",
                  "LOCATE VERTEX ID=ALL       ! # of vertices =          5",
                  "         10         20         30         40         50"}));
}

// The XML part of the small grid, up to its appended data.
constexpr std::string_view kSmall2DHead =
    R"(<?xml version="1.0"?>
<VTKFile type="UnstructuredGrid" version="1.0" byte_order="LittleEndian" header_type="UInt64">
  <UnstructuredGrid>
    <Piece NumberOfPoints="                   5" NumberOfCells="                   2">
      <Points>
        <DataArray type="Float64" Name="coordinates" NumberOfComponents="3" format="appended" offset="                   0"/>
      </Points>
      <PointData>
        <DataArray type="Int32" Name="vertex number" format="appended" offset="                 128"/>
        <DataArray type="UInt8" Name="EDGE" format="appended" offset="                 156"/>
        <DataArray type="UInt8" Name="ALL" format="appended" offset="                 169"/>
      </PointData>
      <Cells>
        <DataArray type="Int32" Name="connectivity" format="appended" offset="                 182"/>
        <DataArray type="Int64" Name="offsets" format="appended" offset="                 218"/>
        <DataArray type="UInt8" Name="types" format="appended" offset="                 242"/>
      </Cells>
      <CellData>
        <DataArray type="Int32" Name="element number" format="appended" offset="                 252"/>
        <DataArray type="UInt8" Name="shape code" format="appended" offset="                 268"/>
      </CellData>
    </Piece>
  </UnstructuredGrid>
  <AppendedData encoding="raw">
   _)";
constexpr std::string_view kAppendedEnd = "\n  </AppendedData>\n</VTKFile>\n";

// The values of array `name` of a grid with raw appended data: the array's
// offset from its XML element, then its byte count and bytes.
template <class T>
std::vector<T> arrayOf(const std::string& vtu, const std::string& name) {
  const std::size_t element = vtu.find("Name=\"" + name + "\"");
  const std::size_t data = vtu.find("   _") + 4;
  if (element == std::string::npos || data < 4) return {};
  const std::size_t offset =
      std::stoul(vtu.substr(vtu.find("offset=\"", element) + 8, 20));
  std::uint64_t bytes = 0;
  std::memcpy(&bytes, vtu.data() + data + offset, 8);
  std::vector<T> values(bytes / sizeof(T));
  std::memcpy(values.data(), vtu.data() + data + offset + 8, bytes);
  return values;
}

// The small grid, array by array.
void expectSmall2DGrid(const std::string& vtu) {
  EXPECT_EQ(vtu.substr(0, kSmall2DHead.size()), kSmall2DHead);
  EXPECT_EQ(vtu.size(), kSmall2DHead.size() + 270 + 8 + kAppendedEnd.size());
  EXPECT_TRUE(vtu.ends_with(kAppendedEnd));
  EXPECT_EQ(
      arrayOf<double>(vtu, "coordinates"),
      (std::vector<double>{0, 0, 0, 1, 1, 0, 1, 0, 0, 2, 0, 0, 2, -1, 0}));
  EXPECT_EQ(arrayOf<std::int32_t>(vtu, "vertex number"),
            (std::vector<std::int32_t>{10, 30, 20, 40, 50}));
  EXPECT_EQ(arrayOf<std::uint8_t>(vtu, "EDGE"),
            (std::vector<std::uint8_t>{1, 0, 1, 0, 0}));
  EXPECT_EQ(arrayOf<std::uint8_t>(vtu, "ALL"),
            (std::vector<std::uint8_t>{1, 1, 1, 1, 1}));
  EXPECT_EQ(arrayOf<std::int32_t>(vtu, "connectivity"),
            (std::vector<std::int32_t>{0, 2, 1, 2, 3, 4, 1}));
  EXPECT_EQ(arrayOf<std::int64_t>(vtu, "offsets"),
            (std::vector<std::int64_t>{3, 7}));
  EXPECT_EQ(arrayOf<std::uint8_t>(vtu, "types"),
            (std::vector<std::uint8_t>{5, 9}));
  EXPECT_EQ(arrayOf<std::int32_t>(vtu, "element number"),
            (std::vector<std::int32_t>{1, 2}));
  EXPECT_EQ(arrayOf<std::uint8_t>(vtu, "shape code"),
            (std::vector<std::uint8_t>{1, 2}));
}

TEST(Tessal2vtk, WritesTheWholeGrid) {
  ScratchDir dir;
  writeSmall2DGrid();
  const Outcome o = view({"g.inp", "v.xyz", "c.cnc", "grid.vtu"});
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.status, 0);
  expectSmall2DGrid(readFile("grid.vtu"));
  EXPECT_EQ(std::filesystem::status("grid.vtu").permissions() &
                std::filesystem::perms::owner_read,
            std::filesystem::perms::owner_read);
  // An existing output is replaced whole.
  writeFile("grid.vtu", std::string(20000, 'x'));
  EXPECT_EQ(view({"g.inp", "v.xyz", "c.cnc", "grid.vtu"}).status, 0);
  expectSmall2DGrid(readFile("grid.vtu"));
  EXPECT_EQ(filesIn(dir.path()),
            (std::set<std::string>{"g.inp", "v.xyz", "c.cnc", "grid.vtu"}));
}

// A hand-broken 3D grid: each fault of the three files is found, told on
// one line naming file and line, and the rest of the grid is written.
void writeBroken3DGrid() {
  const char* z = "0.00000000E+00";
  const char* one = "0.10000000E+01";
  writeFile("v.xyz",
            crlf({vertex(1, z, z), vertex(2, one, z), vertex(3, z, one),
                  vertex(4, z, z), vertex(5, one, z), vertex(6, z, one),
                  vertex(3, one, one)}));
  // Vertices 4-6 lie on 1-3; only the order of the wedge's line matters.
  writeFile(
      "c.cnc",
      crlf({element(1, 5, {1, 2, 3, 4, 5, 6}),
            element(2, 6, {1, 2, 3, 4, 5, 6}), element(3, 4, {1, 2, 3, 4}),
            element(4, 3, {1, 2, 3, 99}), element(5, 1, {1, 2, 3})}));
  writeFile("g.inp",
            crlf({"GRID THREeD  UNSTructured; # of ELEMents       6",
                  "! # of vertices =        6",
                  "CONNectivity HYBRid in file <cncFileName>",
                  "COOR X Y Z VERTices in file <xyzFileName>",
                  "LOCATE VERTEX ID=INLET     ! # of vertices =          3",
                  "          1          2         77",
                  "LOCATE VERTEX ID=INLET     ! # of vertices =          2",
                  "          1"}));
}

constexpr std::string_view kBroken3DFindings =
    "tessal2vtk: g.inp:7: region ID INLET is used again (first at line 5); "
    "its array is named INLET#2\n"
    "tessal2vtk: v.xyz:7: vertex 3 is listed again (first at line 3); the "
    "first is used\n"
    "tessal2vtk: g.inp:6: region INLET uses vertex 77, which the vertex file "
    "does not hold\n"
    "tessal2vtk: g.inp:7: region INLET lists 1 vertex; its command says 2\n"
    "tessal2vtk: c.cnc:2: element 2 has shape code 6 and 6 vertices; shape "
    "code 6 has 8; not drawn\n"
    "tessal2vtk: c.cnc:3: element 3 has shape code 4, which no element kind "
    "has; not drawn\n"
    "tessal2vtk: c.cnc:4: element 4 uses vertex 99, which the vertex file "
    "does not hold; not drawn\n"
    "tessal2vtk: c.cnc:5: element 5 is a triangle (shape code 1) in a 3D "
    "grid\n"
    "tessal2vtk: g.inp:1: the GRID record says 6 elements; the connectivity "
    "file holds 5\n"
    "tessal2vtk: g.inp:2: the vertex count record says 6 vertices; the "
    "vertex file holds 7\n";

TEST(Tessal2vtk, FindingsInAHandBrokenGrid) {
  ScratchDir dir;
  writeBroken3DGrid();
  const Outcome o = view({"g.inp", "v.xyz", "c.cnc", "grid.vtu"});
  EXPECT_EQ(o.err, kBroken3DFindings);
  EXPECT_EQ(o.status, 1);
  const std::string vtu = readFile("grid.vtu");
  EXPECT_NE(vtu.find("NumberOfPoints=\"                   7\" "
                     "NumberOfCells=\"                   2\""),
            std::string::npos);
  // The wedge turns its triangles the way VTK wants them.
  EXPECT_EQ(arrayOf<std::int32_t>(vtu, "connectivity"),
            (std::vector<std::int32_t>{0, 2, 1, 3, 5, 4, 0, 1, 2}));
  EXPECT_EQ(arrayOf<std::uint8_t>(vtu, "types"),
            (std::vector<std::uint8_t>{13, 5}));
  EXPECT_EQ(arrayOf<std::int32_t>(vtu, "element number"),
            (std::vector<std::int32_t>{1, 5}));
  EXPECT_EQ(arrayOf<std::uint8_t>(vtu, "INLET"),
            (std::vector<std::uint8_t>{1, 1, 0, 0, 0, 0, 0}));
  EXPECT_EQ(arrayOf<std::uint8_t>(vtu, "INLET#2"),
            (std::vector<std::uint8_t>{1, 0, 0, 0, 0, 0, 0}));
}

TEST(Tessal2vtk, CheckWritesNothing) {
  ScratchDir dir;
  writeBroken3DGrid();
  Outcome o = view({"--check", "g.inp", "v.xyz", "c.cnc", "grid.vtu"});
  EXPECT_EQ(o.err, kBroken3DFindings);
  EXPECT_EQ(o.status, 1);
  EXPECT_FALSE(std::filesystem::exists("grid.vtu"));
  writeSmall2DGrid();
  o = view({"g.inp", "--check", "v.xyz", "c.cnc"});
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(filesIn(dir.path()),
            (std::set<std::string>{"g.inp", "v.xyz", "c.cnc"}));
}

TEST(Tessal2vtk, ManyFindingsOfAKindAreSummed) {
  ScratchDir dir;
  writeSmall2DGrid();
  std::string inp = readFile("g.inp");
  inp += crlf({"LOCATE VERTEX ID=FAR       ! # of vertices =         12",
               "         91         92         93         94         95"
               "         96         97         98",
               "         99        100        101        102"});
  writeFile("g.inp", inp);
  const Outcome o = view({"g.inp", "v.xyz", "c.cnc", "grid.vtu"});
  EXPECT_EQ(o.status, 1);
  std::string want;
  for (int v = 91; v <= 100; ++v) {
    want += "tessal2vtk: g.inp:" + std::string(v < 99 ? "10" : "11") +
            ": region FAR uses vertex " + std::to_string(v) +
            ", which the vertex file does not hold\n";
  }
  want +=
      "tessal2vtk: g.inp: 2 more region vertices that the vertex file does "
      "not hold\n";
  EXPECT_EQ(o.err, want);
}

// Failures write nothing: one line naming the file (and line), status 2,
// and no output or temporary file is left.
TEST(Tessal2vtk, FailuresWriteNothing) {
  struct Case {
    std::string_view name;
    std::vector<std::string> args;
    std::string_view file;  // replaced before the run ("" none)
    std::string_view content;
    std::string_view err;
  };
  const Case cases[] = {
      {"missing vertex file",
       {"g.inp", "none.xyz", "c.cnc", "grid.vtu"},
       "",
       "",
       "tessal2vtk: none.xyz: cannot open: No such file or directory\n"},
      {"vertex and connectivity files swapped",
       {"g.inp", "c.cnc", "v.xyz", "grid.vtu"},
       "",
       "",
       "tessal2vtk: c.cnc:1: the line is 48 columns long; a vertex record is "
       "62\n"},
      {"vertex file as grid command file",
       {"v.xyz", "v.xyz", "c.cnc", "grid.vtu"},
       "",
       "",
       "tessal2vtk: v.xyz:1: not a grid command file: no GRID record\n"},
      {"empty grid command file",
       {"g.inp", "v.xyz", "c.cnc", "grid.vtu"},
       "g.inp",
       "",
       "tessal2vtk: g.inp:1: the grid command file is empty\n"},
      {"header without COOR record",
       {"g.inp", "v.xyz", "c.cnc", "grid.vtu"},
       "g.inp",
       "GRID UNSTructured; # of ELEMents        2\r\n"
       "! # of vertices =        5\r\n"
       "CONNectivity HYBRid in file <cncFileName>\r\n"
       "LOCATE VERTEX ID=EDGE      ! # of vertices =          0\r\n",
       "tessal2vtk: g.inp:4: not the COOR record\n"},
      {"malformed vertex field",
       {"g.inp", "v.xyz", "c.cnc", "grid.vtu"},
       "c.cnc",
       "         1  1  3          10        20        30\r\n"
       "         2  2  4          20        4O        50        30\r\n",
       "tessal2vtk: c.cnc:2:29: columns 29-38 are not a valid number\n"},
      {"output is an input",
       {"g.inp", "v.xyz", "c.cnc", "v.xyz"},
       "",
       "",
       "tessal2vtk: v.xyz: is one of the input files\n"},
      {"output is a device",
       {"g.inp", "v.xyz", "c.cnc", "/dev/null"},
       "",
       "",
       "tessal2vtk: /dev/null: is not a regular file\n"},
      {"output is a folder",
       {"g.inp", "v.xyz", "c.cnc", "."},
       "",
       "",
       "tessal2vtk: .: is not a regular file\n"},
      {"output folder missing",
       {"g.inp", "v.xyz", "c.cnc", "none/grid.vtu"},
       "",
       "",
       "tessal2vtk: none/grid.vtu: cannot create a file in its folder: No "
       "such file or directory\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    writeSmall2DGrid();
    if (!c.file.empty()) writeFile(std::string(c.file), c.content);
    const Outcome o = view(c.args);
    EXPECT_EQ(o.err, c.err);
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(filesIn(dir.path()),
              (std::set<std::string>{"g.inp", "v.xyz", "c.cnc"}));
  }
}

TEST(Tessal2vtk, CommandLine) {
  const std::string usage =
      "tessal2vtk: expected GRID.INP VERTEX_FILE CONNECTIVITY_FILE "
      "OUTPUT.vtu\nTry 'tessal2vtk --help'.\n";
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string_view outStart;
    std::string err;
  };
  const Case cases[] = {
      {{}, 2, "", usage},
      {{"a", "b", "c"}, 2, "", usage},
      {{"--check", "a", "b"}, 2, "", usage},
      {{"--bogus", "a", "b", "c", "d"},
       2,
       "",
       "tessal2vtk: unknown option '--bogus'\nTry 'tessal2vtk --help'.\n"},
      {{"--help"}, 0, "Usage: tessal2vtk [--check] GRID.INP", ""},
      {{"a", "-h"}, 0, "Usage: tessal2vtk [--check] GRID.INP", ""},
      {{"--version"}, 0, "tessal2vtk 1.", ""},
      {{"-V"}, 0, "tessal2vtk 1.", ""},
  };
  for (const Case& c : cases) {
    const Outcome o = view(c.args);
    EXPECT_EQ(o.status, c.status);
    EXPECT_TRUE(o.out.starts_with(c.outStart)) << o.out;
    EXPECT_EQ(o.err, c.err);
  }
}

}  // namespace
}  // namespace unv2tessal

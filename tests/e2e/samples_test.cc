// Every real sample file converts end to end with the answers a user would
// give. Each file is also read here, independently of the converter, to
// build what its output files must hold; hand-checked values from the
// samples' inventory pin the first and last vertex lines, some connectivity
// lines, the counts and the group sizes.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/test_io.h"

namespace unv2tessal {
namespace {

using support::readFile;
using support::runInProcess;
using support::samplesDir;
using support::ScratchDir;

// ---------------------------------------------------------------------------
// An independent reading of a universal file: its datasets, and the nodes,
// elements and 2435 groups in them.

struct Element {
  long long label = 0;
  int feId = 0;
  std::vector<long long> nodes;  // the labels of the first node record
};

struct Group {
  std::string name;  // columns 1-20
  std::vector<long long> tags;
};

struct Mesh {
  std::vector<long long> nodeLabels;
  std::vector<Element> elements;
  std::vector<Group> groups;
  int nodeDatasets = 0;
  int elementDatasets = 0;
  int groupDatasets = 0;
};

std::string columns(std::string_view line, std::size_t from, std::size_t n) {
  std::string s(from < line.size() ? line.substr(from, n) : "");
  s.resize(n, ' ');
  return s;
}

// A whole-number field; blank is 0. The samples hold no other kind.
long long number(std::string_view line, std::size_t from, std::size_t n) {
  const std::string s = columns(line, from, n);
  if (s.find_first_not_of(' ') == std::string::npos) return 0;
  return std::stoll(s);
}

bool isDelimiter(std::string_view line) {
  return columns(line, 0, 7) == "    -1 ";
}

bool isRodBeamOrPipe(int id) {
  return id == 11 || id == 21 || id == 22 || id == 23 || id == 24 || id == 31 ||
         id == 32;
}

Mesh readMesh(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    lines.push_back(l);
  }
  Mesh mesh;
  std::size_t i = 0;
  while (i < lines.size()) {
    if (!isDelimiter(lines[i++])) continue;
    while (i < lines.size() && columns(lines[i], 2, 4) == "  -1") ++i;
    if (i >= lines.size()) break;
    const std::string id = columns(lines[i++], 2, 4);
    std::size_t end = i;
    while (end < lines.size() && !isDelimiter(lines[end])) ++end;
    if (id == "2411") {
      ++mesh.nodeDatasets;
      for (std::size_t k = i; k + 1 < end; k += 2) {
        mesh.nodeLabels.push_back(number(lines[k], 0, 10));
      }
    } else if (id == "2412") {
      ++mesh.elementDatasets;
      for (std::size_t k = i; k < end;) {
        Element e;
        e.label = number(lines[k], 0, 10);
        e.feId = static_cast<int>(number(lines[k], 10, 10));
        const long long n = number(lines[k], 50, 10);
        ++k;
        if (isRodBeamOrPipe(e.feId)) ++k;
        for (std::size_t f = 0; f < 8; ++f) {
          if (columns(lines[k], f * 10, 10) != std::string(10, ' ')) {
            e.nodes.push_back(number(lines[k], f * 10, 10));
          }
        }
        k += n > 8 ? static_cast<std::size_t>((n + 7) / 8) : 1;
        mesh.elements.push_back(e);
      }
    } else if (id == "2435") {
      ++mesh.groupDatasets;
      for (std::size_t k = i; k < end;) {
        const long long count = number(lines[k], 70, 10);
        Group g;
        g.name = columns(lines[k + 1], 0, 20);
        k += 2;
        for (long long e = 0; e < count; ++e) {
          g.tags.push_back(number(lines[k], e % 2 == 0 ? 10 : 50, 10));
          if (e % 2 == 1 || e + 1 == count) ++k;
        }
        mesh.groups.push_back(g);
      }
    }
    i = end + 1;
  }
  return mesh;
}

std::string fmt(const char* f, long long v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, f, v);
  return buf;
}

// ---------------------------------------------------------------------------
// Hand-checked values per file.

struct Sample {
  const char* file;
  const char* dimension;  // the user's answer: 3 for solids, 2 for shells
  long long nodes;        // node records in 2411
  long long written;      // elements of that dimension in 2412
  const char* firstVertex;
  const char* lastVertex;
  std::vector<std::string> connectivity;  // lines that must be in the file
  std::vector<std::pair<std::string, long long>> groups;  // region IDs, sizes
  std::vector<std::string> vertexLines;  // lines that must be in GRID.INP
};

// Names the case by its file in test listings.
void PrintTo(const Sample& s, std::ostream* os) { *os << s.file; }

std::string ByFile(const ::testing::TestParamInfo<Sample>& p) {
  std::string name = p.param.file;
  name = name.substr(0, name.find('.'));
  return name;
}

class Samples : public ::testing::TestWithParam<Sample> {};

TEST_P(Samples, ConvertsEndToEndInStepWithTheFile) {
  const Sample& c = GetParam();
  const std::string dirName = samplesDir();
  if (dirName.empty()) GTEST_SKIP() << support::kNoSamples;
  const std::string path = dirName + "/" + c.file;
  const Mesh mesh = readMesh(path);
  ASSERT_EQ(mesh.nodeDatasets, 1);
  ASSERT_EQ(mesh.elementDatasets, 1);
  ASSERT_EQ(static_cast<long long>(mesh.nodeLabels.size()), c.nodes);

  // The user's answers: input, vertex file, renumbering (asked when the
  // first node is not 1; accepted), dimension, connectivity file, and the
  // grid command file when there is a 2435 dataset.
  const bool renumber = mesh.nodeLabels.front() != 1;
  ScratchDir dir;
  std::vector<std::string> replies{support::linkHere(path), ""};
  if (renumber) replies.push_back("");
  replies.push_back(c.dimension);
  replies.push_back("");
  if (mesh.groupDatasets > 0) replies.push_back("");

  const auto r = runInProcess(replies);
  ASSERT_EQ(r.status, 0u) << r.err;
  EXPECT_EQ(r.err, "");

  // Vertex file: one 62-column record per node, numbered label - offset.
  const long long nodeOffset = renumber ? mesh.nodeLabels.front() - 1 : 0;
  const std::string xyz = readFile("OUT.XYZ");
  ASSERT_EQ(xyz.size(), mesh.nodeLabels.size() * 64);
  for (std::size_t k = 0; k < mesh.nodeLabels.size(); ++k) {
    ASSERT_EQ(xyz.substr(k * 64, 8),
              fmt("%8lld", mesh.nodeLabels[k] - nodeOffset))
        << "vertex line " << k + 1;
    ASSERT_EQ(xyz.substr(k * 64 + 62, 2), "\r\n") << "vertex line " << k + 1;
  }
  EXPECT_EQ(xyz.substr(0, 64), std::string(c.firstVertex) + "\r\n");
  EXPECT_EQ(xyz.substr(xyz.size() - 64), std::string(c.lastVertex) + "\r\n");

  // Connectivity file and map, element by element.
  const bool is2D = std::string_view(c.dimension) == "2";
  struct Row {
    int id;
    bool in2D;
    int code;
    std::size_t vertices;
  };
  const Row rows[] = {{91, true, 1, 3},
                      {94, true, 2, 4},
                      {111, false, 3, 4},
                      {112, false, 5, 6},
                      {115, false, 6, 8}};
  const long long first = mesh.elements.front().label;
  const long long elementOffset = first != 1 ? first - 1 : 0;
  std::string cnc;
  std::string map = "  Original       New\r\n";
  long long count = 0;
  for (const Element& e : mesh.elements) {
    for (const Row& row : rows) {
      if (row.id != e.feId || row.in2D != is2D) continue;
      ++count;
      cnc += fmt("%10lld", count) + fmt("  %lld", row.code) +
             fmt("  %lld  ", static_cast<long long>(row.vertices));
      for (std::size_t v = 0; v < row.vertices; ++v) {
        cnc += fmt("%10lld", e.nodes.at(v) - nodeOffset);
      }
      cnc += "\r\n";
      if (e.label - elementOffset != count) {
        map += fmt("%10lld", e.label - elementOffset) + fmt("%10lld", count) +
               "\r\n";
      }
    }
  }
  EXPECT_EQ(count, c.written);
  EXPECT_EQ(readFile("OUT.CNC"), cnc);
  EXPECT_EQ(readFile("Element_Renumbering_Map.dat"), map);
  for (const std::string& line : c.connectivity) {
    EXPECT_NE(cnc.find(line + "\r\n"), std::string::npos) << line;
  }

  // Console totals, each a whole line.
  const std::string nodesLine =
      " Total number of nodes = " + fmt("%12lld", c.nodes) + "\r\n" +
      " nodeoffset is" + fmt("%12lld", nodeOffset) + "\r\n" +
      " FINISHED READING NODES\r\n";
  EXPECT_NE(r.out.find(nodesLine), std::string::npos) << r.out;
  const bool gaps = count != mesh.elements.back().label - elementOffset;
  const std::string elementsLines =
      " New Renumbering Map is at file Element_Renumbering_Map.dat .\r\n"
      " Total number of elements = " +
      fmt("%12lld", count) + "\r\n" +
      (gaps ? " Elements in connectivity file are renumbered to eliminate "
              "gaps\r\n"
            : "") +
      " Element offset in connectivity file is" + fmt("%12lld", elementOffset) +
      "\r\n FINISHED READING ELEMENTS\r\n";
  EXPECT_NE(r.out.find(elementsLines), std::string::npos) << r.out;
  EXPECT_EQ(r.out.substr(r.out.size() - 8), " Done.\r\n");

  // Grid command file, for the files with a 2435 dataset.
  ASSERT_EQ(mesh.groups.size(), c.groups.size());
  if (mesh.groupDatasets == 0) {
    EXPECT_FALSE(std::filesystem::exists("GRID.INP"));
    return;
  }
  std::string inp =
      is2D ? "GRID UNSTructured; # of ELEMents " + fmt("%8lld", count)
           : "GRID THREeD  UNSTructured; # of ELEMents" + fmt("%8lld", count);
  inp += "\r\n! # of vertices = " + fmt("%8lld", c.nodes) + "\r\n" +
         "CONNectivity HYBRid in file <cncFileName>\r\n"
         "COOR X Y Z VERTices in file <xyzFileName>\r\n";
  if (elementOffset != 0) {
    inp += "!original element numbers were offset by " +
           fmt("%8lld", elementOffset) + "\r\n";
  }
  if (nodeOffset != 0) {
    inp += "!original node numbers were offset by " + fmt("%8lld", nodeOffset) +
           "\r\n";
  }
  for (std::size_t g = 0; g < mesh.groups.size(); ++g) {
    const Group& group = mesh.groups[g];
    EXPECT_EQ(group.name.substr(0, 8), c.groups[g].first);
    EXPECT_EQ(static_cast<long long>(group.tags.size()), c.groups[g].second);
    inp += "LOCATE VERTEX ID=" + group.name.substr(0, 8) +
           "  ! # of vertices = " + fmt("%10lld", c.groups[g].second) + "\r\n";
    for (std::size_t t = 0; t < group.tags.size(); ++t) {
      inp += fmt("%11lld", group.tags[t] - nodeOffset);
      if (t % 8 == 7 || t + 1 == group.tags.size()) inp += "\r\n";
    }
    EXPECT_NE(
        r.out.find(" Region Completed:" + group.name.substr(0, 8) + "\r\n"),
        std::string::npos);
  }
  const std::string written = readFile("GRID.INP");
  EXPECT_EQ(written, inp);
  for (const std::string& line : c.vertexLines) {
    EXPECT_NE(written.find("\n" + line + "\r\n"), std::string::npos) << line;
  }
}

INSTANTIATE_TEST_SUITE_P(
    AllFiles, Samples,
    ::testing::Values(
        Sample{"crlf_tet_2452.unv",
               "3",
               814,
               3937,
               "       1    0.61294425E+00    0.24126737E+00    0.11406482E+00",
               "     814    0.40000001E+00    0.00000000E+00    0.00000000E+00",
               {"         1  3  4          47       103       540        62",
                "      3937  3  4         729       628       793       773"},
               {},
               {}},
        Sample{"femap_block_node5.unv",
               "3",
               54,
               8,
               "       1    0.50000000E+00    0.50000000E+00    0.10000000E+01",
               "     106    0.00000000E+00    0.00000000E+00    0.50000000E+00",
               {"         1  6  8          72        73        60        64"
                "        66        78       106        69",
                "         8  6  8         106        87       100       105"
                "        96        86        88        89"},
               {},
               {}},
        Sample{"gmsh_offsets_wedge_brick.unv",
               "3",
               204,
               180,
               "       1    0.00000000E+00    0.00000000E+00    0.00000000E+00",
               "     204    0.16000404E+01    0.40635882E+00    0.33333333E+00",
               {"       180  5  6         137       192       202        60"
                "       150       155"},
               {},
               {}},
        Sample{"gmsh_tet10_nodegroups.unv",
               "3",
               1291,
               0,
               "       1    0.00000000E+00    0.00000000E+00    0.25000000E+00",
               "    1291    0.33847997E-01    0.32804410E-01    0.56201033E-01",
               {},
               {},
               {}},
        Sample{"ideas5_sdlv122a_wedge_2430.unv",
               "3",
               2667,
               2560,
               "       1    0.40000000E+01    0.10000000E+00   -0.13880561E-16",
               "    2667    0.40000000E+01    0.13877778E-16    0.00000000E+00",
               {"         1  6  8           1         6         7         2"
                "        66       266       306       106"},
               {},
               {}},
        Sample{"ideas6_wtnp106a_beam_2435.unv",
               "2",
               8,
               0,
               "       1    0.10000000E+03    0.10000000E+03    0.00000000E+00",
               "       8   -0.74505813E-06    0.50000001E+02    0.00000000E+00",
               {},
               {{"GAUCHE  ", 1},
                {"HAUT    ", 1},
                {"DROIT   ", 1},
                {"BAS     ", 1},
                {"BO      ", 1}},
               {"          5", "          2"}},
        Sample{"ideas7_ssls130b_shell_2435.unv",
               "2",
               754,
               772,
               "       1    0.70000002E+00    0.50000000E+00    0.00000000E+00",
               "     897    0.91945362E+00    0.24156732E+00    0.00000000E+00",
               {"         1  2  4           1         2         8         7",
                "       772  1  3         895       896       894"},
               {{"ALL_EL  ", 772},
                {"DROI_NO ", 19},
                {"GOCH_NO ", 19},
                {"CONT_NO ", 84},
                {"TROU_EL ", 280},
                {"INT_EL  ", 440}},
               {"          1          2          3          4          5"
                "          6          7          8"}},
        Sample{"ideas7_szlz110a_brick_2435.unv",
               "3",
               64,
               27,
               "       1    0.10000000E-01    0.56920614E-18    0.00000000E+00",
               "      64    0.00000000E+00    0.10000000E-01    0.10000000E-01",
               {"         1  6  8           1         2         6         5"
                "        17        18        22        21"},
               {{"VOLUCUBE", 27},
                {"PEAUCUBE", 54},
                {"BLOC_Z  ", 9},
                {"BLOC_X  ", 9},
                {"BLOC_Y  ", 9},
                {"LOAD    ", 9},
                {"POST_NO ", 1}},
               {"          1          2          3          4          5"
                "          6          7          8"}},
        Sample{"ideasV_adlv100d_parab_2417.unv",
               "3",
               201,
               0,
               "       1    0.00000000E+00    0.00000000E+00    0.00000000E+00",
               "     474    0.15000001E+00    0.37500001E-01    0.25000002E-01",
               {},
               {},
               {}},
        Sample{"nx_rods_node3992.unv",
               "3",
               18,
               0,
               "       1    0.20940901E+02    0.13069400E+02    0.39683275E+02",
               "    5770    0.20940901E+02    0.13069400E+02    0.35294532E+02",
               {},
               {},
               {}},
        Sample{"salome_threezones_2467.unv",
               "3",
               325,
               192,
               "       1    0.00000000E+00    0.00000000E+00    0.00000000E+00",
               "     325    0.15000000E+03    0.15000000E+03    0.55000000E+03",
               {"       192  6  8         325       220        97       238"
                "       227        94        16       100"},
               {},
               {}},
        Sample{"simcenter_beam_shell_gaps.unv",
               "2",
               11520,
               11937,
               "       1    0.50000000E+03    0.11500000E+05    0.10000000E+05",
               "   11619    0.90000000E+04    0.11000000E+05    0.45000000E+03",
               {"     11937  1  3       11520      4483      4482"},
               {},
               {}}),
    ByFile);

TEST(SamplesFolder, EveryUnvFileIsInTheTable) {
  const std::string dirName = samplesDir();
  if (dirName.empty()) GTEST_SKIP() << support::kNoSamples;
  std::set<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(dirName)) {
    if (entry.path().extension() == ".unv") {
      files.insert(entry.path().filename().string());
    }
  }
  const std::set<std::string> known{"crlf_tet_2452.unv",
                                    "femap_block_node5.unv",
                                    "gmsh_offsets_wedge_brick.unv",
                                    "gmsh_tet10_nodegroups.unv",
                                    "ideas5_sdlv122a_wedge_2430.unv",
                                    "ideas6_wtnp106a_beam_2435.unv",
                                    "ideas7_ssls130b_shell_2435.unv",
                                    "ideas7_szlz110a_brick_2435.unv",
                                    "ideasV_adlv100d_parab_2417.unv",
                                    "nx_rods_node3992.unv",
                                    "salome_threezones_2467.unv",
                                    "simcenter_beam_shell_gaps.unv"};
  EXPECT_EQ(files, known);
}

}  // namespace
}  // namespace unv2tessal

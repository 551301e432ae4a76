// tessalgrid on every real sample and every gmsh mesh of tests/data:
//   - with --keep-nodes its files are byte for byte those of `unvprep
//     --answers` followed by `unv2tessal` with those answers, in both grid
//     dimensions (its map is the converter's Element_Renumbering_Map.dat
//     when that has lines; its grid command file, for a mesh without groups,
//     the header the converter writes);
//   - by default its files are checked against the test's own reading of
//     the mesh (tests/support/unv_reader): every vertex is used by an
//     element, each element's vertices lie at its nodes' coordinates, each
//     region lists the group's nodes that the grid keeps, and the vertex map
//     lists exactly the vertices whose number is not their node label; when
//     the used labels run without a gap from the file's first node, and
//     every node is used, the files are those of --keep-nodes.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/program_run.h"
#include "support/test_io.h"
#include "support/unv_reader.h"

namespace unv2tessal {
namespace {

using support::fileExists;
using support::readFile;
using support::recordsOf;
using support::ScratchDir;
using support::UnvElement;
using support::UnvMesh;

std::vector<std::string> meshes() {
  std::vector<std::string> all;
  const std::string data = support::testDataDir();
  for (const std::string& dir :
       {data + "/higher_order", data + "/prep", support::samplesDir()}) {
    if (dir.empty() || !std::filesystem::is_directory(dir)) continue;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
      if (e.path().extension() == ".unv") all.push_back(e.path().string());
    }
  }
  all.push_back(data + "/golden.unv");
  all.push_back(data + "/../../examples/channel.unv");
  all.push_back(data + "/../../examples/example.unv");
  std::sort(all.begin(), all.end());
  return all;
}

std::int64_t field(const std::string& record, std::size_t at, std::size_t n) {
  return std::stoll(record.substr(at, n));
}

TEST(GridKeepNodes, FilesAreThoseOfUnvprepThenTheConverter) {
  for (const std::string& mesh : meshes()) {
    for (const char* dim : {"2", "3"}) {
      SCOPED_TRACE(std::filesystem::path(mesh).filename().string() + " --dim " +
                   dim);
      ScratchDir dir;
      const support::RunResult prep =
          support::runProgram(support::unvprepPath(), dir.path(), "",
                              {"--answers", "answers.txt", "--dim", dim,
                               "--prefix", "p", mesh, "p.unv"});
      ASSERT_LE(prep.status, 1u) << prep.err;
      const support::RunResult convert =
          support::runProgram(support::binaryPath(), dir.path(),
                              readFile(dir.file("answers.txt")), {});
      ASSERT_EQ(convert.status, 0u) << convert.err;
      const support::RunResult grid =
          support::runProgram(support::tessalgridPath(), dir.path(), "",
                              {"--keep-nodes", "--dim", dim, "-o", "g", mesh});
      // Every fault unvprep reports is a warning of tessalgrid's too.
      ASSERT_LE(grid.status, 1u) << grid.err;
      EXPECT_GE(grid.status, prep.status) << grid.err;
      EXPECT_EQ(readFile(dir.file("g.xyz")), readFile(dir.file("p.xyz")));
      EXPECT_EQ(readFile(dir.file("g.cnc")), readFile(dir.file("p.cnc")));
      const std::string inp = readFile(dir.file("g.inp"));
      if (fileExists(dir.file("p.inp"))) {
        EXPECT_EQ(inp, readFile(dir.file("p.inp")));
      } else {
        EXPECT_EQ(inp.rfind("GRID ", 0), 0u) << inp;
        EXPECT_EQ(inp.find("LOCATE"), std::string::npos) << inp;
      }
      const std::string map = readFile(dir.file("Element_Renumbering_Map.dat"));
      if (recordsOf(map).size() > 1) {
        EXPECT_EQ(readFile(dir.file("g.map")), map);
      } else {
        EXPECT_FALSE(fileExists(dir.file("g.map")));
      }
      EXPECT_FALSE(fileExists(dir.file("g.vmap")));
    }
  }
  if (support::samplesDir().empty()) GTEST_SKIP() << support::kNoSamples;
}

// The files of a default run, read back.
struct Grid {
  std::int64_t nodeOffset = 0;     // from the grid command file's comment
  std::int64_t elementOffset = 0;  // likewise
  std::map<std::int64_t, std::array<double, 3>> vertices;  // by number
  std::map<std::int64_t, std::int64_t> labelOf;            // the vertex map
  struct Element {
    std::int64_t number = 0;
    std::vector<std::int64_t> vertices;
  };
  std::vector<Element> elements;
  std::map<std::int64_t, std::int64_t> shiftedLabelOf;  // the element map
  std::vector<std::pair<std::string, std::vector<std::int64_t>>> regions;
};

double exponentField(const std::string& record, std::size_t at) {
  return std::stod(record.substr(at, 18));
}

Grid readGrid(const ScratchDir& dir) {
  Grid g;
  for (const std::string& r : recordsOf(readFile(dir.file("g.inp")))) {
    if (r.rfind("!original node numbers were offset by", 0) == 0) {
      g.nodeOffset = std::stoll(r.substr(38));
    } else if (r.rfind("!original element numbers were offset by", 0) == 0) {
      g.elementOffset = std::stoll(r.substr(41));
    } else if (r.rfind("LOCATE VERTEX ID=", 0) == 0) {
      g.regions.push_back({r.substr(17, 8), {}});
    } else if (!g.regions.empty()) {
      for (std::size_t k = 0; k + 11 <= r.size(); k += 11) {
        g.regions.back().second.push_back(field(r, k, 11));
      }
    }
  }
  for (const std::string& r : recordsOf(readFile(dir.file("g.xyz")))) {
    g.vertices[field(r, 0, 8)] = {exponentField(r, 8), exponentField(r, 26),
                                  exponentField(r, 44)};
  }
  for (const std::string& r : recordsOf(readFile(dir.file("g.cnc")))) {
    Grid::Element e{field(r, 0, 10), {}};
    for (std::size_t k = 18; k + 10 <= r.size(); k += 10) {
      e.vertices.push_back(field(r, k, 10));
    }
    g.elements.push_back(std::move(e));
  }
  if (fileExists(dir.file("g.vmap"))) {
    const std::vector<std::string> rs = recordsOf(readFile(dir.file("g.vmap")));
    EXPECT_EQ(rs.at(0), "  Original       New");
    for (std::size_t k = 1; k < rs.size(); ++k) {
      g.labelOf[field(rs[k], 10, 10)] = field(rs[k], 0, 10);
    }
  }
  if (fileExists(dir.file("g.map"))) {
    const std::vector<std::string> rs = recordsOf(readFile(dir.file("g.map")));
    for (std::size_t k = 1; k < rs.size(); ++k) {
      g.shiftedLabelOf[field(rs[k], 10, 10)] = field(rs[k], 0, 10);
    }
  }
  return g;
}

// The node labels an element has once unvprep has reduced it.
std::vector<std::int64_t> writtenNodes(const UnvElement& e) {
  const support::ReducedKind* r = support::reducedKind(e.feId, e.nodes.size());
  if (r == nullptr) return e.nodes;
  std::vector<std::int64_t> corners;
  for (int p : r->corners) {
    corners.push_back(e.nodes.at(static_cast<std::size_t>(p - 1)));
  }
  return corners;
}

int writtenKind(const UnvElement& e) {
  const support::ReducedKind* r = support::reducedKind(e.feId, e.nodes.size());
  return r != nullptr ? r->to : e.feId;
}

bool near(double a, double b) {
  return std::fabs(a - b) <=
         1e-7 * std::max(std::fabs(a), std::fabs(b)) + 1e-30;
}

void checkDefaultRun(const std::string& mesh) {
  SCOPED_TRACE(std::filesystem::path(mesh).filename().string());
  UnvMesh m;
  ASSERT_NO_FATAL_FAILURE(support::readUnv(mesh, &m));
  ScratchDir dir;
  const support::RunResult run = support::runProgram(
      support::tessalgridPath(), dir.path(), "", {"-o", "g", mesh});
  ASSERT_LE(run.status, 1u) << run.err;
  const Grid g = readGrid(dir);
  // The grid's dimension, as the summary gives it.
  const int dim = run.err.find("grid: 2D") != std::string::npos ? 2 : 3;
  const std::set<int> kept =
      dim == 2 ? std::set<int>{91, 94} : std::set<int>{111, 112, 115};
  auto labelOf = [&](std::int64_t v) {
    const auto it = g.labelOf.find(v);
    return it != g.labelOf.end() ? it->second : v + g.nodeOffset;
  };
  // The elements the grid keeps, in file order, each on its nodes.
  std::vector<const UnvElement*> elements;
  std::set<std::int64_t> used;
  for (const UnvElement& e : m.elements) {
    if (kept.count(writtenKind(e)) == 0) continue;
    elements.push_back(&e);
    for (std::int64_t n : writtenNodes(e)) used.insert(n);
  }
  ASSERT_EQ(g.elements.size(), elements.size());
  // Unless the used labels run without a gap from the file's first node,
  // a vertex is numbered by its label's rank among them.
  const bool fromFirst = !used.empty() && !m.nodeOrder.empty() &&
                         *used.begin() == m.nodeOrder.front() &&
                         *used.rbegin() - *used.begin() + 1 ==
                             static_cast<std::int64_t>(used.size());
  std::map<std::int64_t, std::int64_t> rank;
  bool renumbered = false;
  for (std::int64_t label : used) {
    const auto r = static_cast<std::int64_t>(rank.size()) + 1;
    rank[label] = r;
    renumbered = renumbered || (r != label && m.nodes.count(label) != 0);
  }
  EXPECT_EQ(fileExists(dir.file("g.vmap")), !fromFirst && renumbered);
  if (!fromFirst) {
    EXPECT_EQ(g.nodeOffset, 0);
  }
  std::set<std::int64_t> usedVertices;
  for (std::size_t k = 0; k < elements.size(); ++k) {
    const Grid::Element& line = g.elements[k];
    const auto shifted = g.shiftedLabelOf.find(line.number);
    const std::int64_t label =
        (shifted != g.shiftedLabelOf.end() ? shifted->second : line.number) +
        g.elementOffset;
    ASSERT_EQ(label, elements[k]->label) << "connectivity line " << k + 1;
    const std::vector<std::int64_t> nodes = writtenNodes(*elements[k]);
    ASSERT_EQ(line.vertices.size(), nodes.size());
    for (std::size_t c = 0; c < nodes.size(); ++c) {
      const std::int64_t v = line.vertices[c];
      if (m.nodes.count(nodes[c]) == 0) {
        // A node no node dataset holds: a number of no vertex, warned of.
        EXPECT_EQ(g.vertices.count(v), 0u) << "vertex " << v;
        EXPECT_NE(run.err.find("in no node dataset"), std::string::npos);
        continue;
      }
      usedVertices.insert(v);
      ASSERT_EQ(labelOf(v), nodes[c]) << "element " << label;
      if (!fromFirst) {
        ASSERT_EQ(v, rank.at(nodes[c]));
      }
      const auto at = g.vertices.find(v);
      ASSERT_NE(at, g.vertices.end()) << "vertex " << v << " of " << label;
      const std::array<double, 3>& xyz = m.nodes.at(nodes[c]);
      for (int d = 0; d < 3; ++d) {
        ASSERT_TRUE(near(at->second[static_cast<std::size_t>(d)],
                         xyz[static_cast<std::size_t>(d)]))
            << "vertex " << v << " of element " << label;
      }
    }
  }
  // Every vertex is used, numbered 1, 2, ... or as the converter does.
  std::set<std::int64_t> numbers;
  for (const auto& [v, xyz] : g.vertices) numbers.insert(v);
  EXPECT_EQ(numbers, usedVertices);
  for (const auto& [v, label] : g.labelOf) {
    EXPECT_NE(v, label);
    EXPECT_EQ(numbers.count(v), 1u) << "vertex map line of vertex " << v;
  }
  // Each region: the group's nodes that the grid keeps.
  ASSERT_EQ(g.regions.size(), m.groups.size());
  for (std::size_t k = 0; k < m.groups.size(); ++k) {
    SCOPED_TRACE("group " + m.groups[k].name);
    std::set<std::int64_t> labels;
    for (const support::UnvEntity& entity : m.groups[k].entities) {
      const UnvElement* e = entity.type == 8 ? m.element(entity.tag) : nullptr;
      if (entity.type == 7 && m.nodes.count(entity.tag) != 0) {
        labels.insert(entity.tag);
      } else if (e != nullptr) {
        for (std::int64_t n : writtenNodes(*e)) labels.insert(n);
      }
    }
    std::set<std::int64_t> want;
    for (std::int64_t label : labels) {
      if (used.count(label) != 0 && m.nodes.count(label) != 0) {
        want.insert(label);
      }
    }
    std::set<std::int64_t> got;
    for (std::int64_t v : g.regions[k].second) got.insert(labelOf(v));
    EXPECT_EQ(got, want);
    EXPECT_EQ(g.regions[k].second.size(), want.size());
  }
  // With nothing to cut, the files of --keep-nodes.
  const bool everyNodeUsed = used.size() == m.nodes.size();
  if (everyNodeUsed && fromFirst) {
    const support::RunResult keep =
        support::runProgram(support::tessalgridPath(), dir.path(), "",
                            {"--keep-nodes", "-o", "k", mesh});
    ASSERT_LE(keep.status, 1u) << keep.err;
    for (const char* suffix : {".xyz", ".cnc", ".inp", ".map"}) {
      EXPECT_EQ(readFile(dir.file(std::string("g") + suffix)),
                readFile(dir.file(std::string("k") + suffix)))
          << suffix;
    }
  }
}

TEST(GridDefault, FilesAgreeWithAReadingOfTheMesh) {
  for (const std::string& mesh : meshes()) checkDefaultRun(mesh);
  if (support::samplesDir().empty()) GTEST_SKIP() << support::kNoSamples;
}

}  // namespace
}  // namespace unv2tessal

// Every real sample file and every mesh of tests/data/prep and
// tests/data/higher_order goes through `unvprep --answers`, then
// `unv2tessal < answers`, in both grid dimensions. What the converter writes
// is compared with what the test computes from its own reading of the source
// (tests/support/unv_reader):
//   - each group of every group dataset, in source order, is one region
//     whose ID is the first 8 characters of the group name and whose vertex
//     list is the group's node labels, ascending, each once: its node
//     entities that name a node, and the nodes of its element entities that
//     name an element (the corners of a reduced kind, every node of the
//     others), shifted like the vertex file; every region vertex is a vertex
//     of the vertex file; without groups there is no grid command file;
//   - the connectivity file holds the elements the grid keeps, in source
//     order, each on its corners;
//   - unvprep's status is 1 exactly when a group entity is left out (a type
//     other than node or element, or a tag that names nothing), else 0.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/program_run.h"
#include "support/test_io.h"
#include "support/unv_reader.h"

namespace unv2tessal {
namespace {

using support::readFile;
using support::recordsOf;
using support::ReducedKind;
using support::ScratchDir;
using support::UnvElement;
using support::UnvGroup;
using support::UnvMesh;

struct Region {
  std::string id;
  std::vector<std::int64_t> vertices;
};

// The node labels an element has in the prepared file.
std::vector<std::int64_t> writtenNodes(const UnvElement& e) {
  const ReducedKind* r = support::reducedKind(e.feId, e.nodes.size());
  if (r == nullptr) return e.nodes;
  std::vector<std::int64_t> corners;
  for (int p : r->corners) {
    corners.push_back(e.nodes.at(static_cast<std::size_t>(p - 1)));
  }
  return corners;
}

int writtenKind(const UnvElement& e) {
  const ReducedKind* r = support::reducedKind(e.feId, e.nodes.size());
  return r != nullptr ? r->to : e.feId;
}

// The vertex shift the converter applies when renumbering is accepted.
std::int64_t nodeOffset(const UnvMesh& mesh) {
  if (mesh.nodeOrder.empty() || mesh.nodeOrder.front() == 1) return 0;
  return mesh.nodeOrder.front() - 1;
}

// The regions expected of the source; *leftOut counts entities dropped.
std::vector<Region> expectedRegions(const UnvMesh& mesh, int* leftOut) {
  const std::int64_t offset = nodeOffset(mesh);
  std::vector<Region> regions;
  for (const UnvGroup& g : mesh.groups) {
    std::set<std::int64_t> labels;
    for (const support::UnvEntity& entity : g.entities) {
      const UnvElement* e =
          entity.type == 8 ? mesh.element(entity.tag) : nullptr;
      if (entity.type == 7 && mesh.nodes.count(entity.tag) != 0) {
        labels.insert(entity.tag);
      } else if (e != nullptr) {
        for (std::int64_t n : writtenNodes(*e)) labels.insert(n);
      } else {
        ++*leftOut;
      }
    }
    Region r;
    r.id = g.name.substr(0, 8);
    r.id.resize(8, ' ');
    for (std::int64_t label : labels) r.vertices.push_back(label - offset);
    regions.push_back(std::move(r));
  }
  return regions;
}

// The regions of a grid command file: each region command and the vertex
// lines after it (fields of 11 columns).
std::vector<Region> readRegions(const std::string& path) {
  std::vector<Region> regions;
  for (const std::string& r : recordsOf(readFile(path))) {
    if (r.rfind("LOCATE VERTEX ID=", 0) == 0) {
      regions.push_back({r.substr(17, 8), {}});
    } else if (!regions.empty() && !r.empty() && r[0] != '!' &&
               r.rfind("CONN", 0) != 0 && r.rfind("COOR", 0) != 0) {
      for (std::size_t k = 0; k < r.size(); k += 11) {
        regions.back().vertices.push_back(std::stoll(r.substr(k, 11)));
      }
    }
  }
  return regions;
}

std::set<std::int64_t> vertexNumbers(const std::string& path) {
  std::set<std::int64_t> vertices;
  for (const std::string& r : recordsOf(readFile(path))) {
    vertices.insert(std::stoll(r.substr(0, 8)));
  }
  return vertices;
}

// The connectivity lines expected: the elements the grid keeps, in source
// order, on their written nodes shifted like the vertex file.
std::vector<std::vector<std::int64_t>> expectedConnectivity(const UnvMesh& mesh,
                                                            int dim) {
  const std::set<int> kept =
      dim == 2 ? std::set<int>{91, 94} : std::set<int>{111, 112, 115};
  const std::int64_t offset = nodeOffset(mesh);
  std::vector<std::vector<std::int64_t>> lines;
  for (const UnvElement& e : mesh.elements) {
    if (kept.count(writtenKind(e)) == 0) continue;
    std::vector<std::int64_t> v;
    for (std::int64_t n : writtenNodes(e)) v.push_back(n - offset);
    lines.push_back(std::move(v));
  }
  return lines;
}

std::vector<std::vector<std::int64_t>> readConnectivity(
    const std::string& path) {
  std::vector<std::vector<std::int64_t>> lines;
  for (const std::string& r : recordsOf(readFile(path))) {
    std::vector<std::int64_t> v;
    for (std::size_t k = 18; k + 10 <= r.size(); k += 10) {
      v.push_back(std::stoll(r.substr(k, 10)));
    }
    lines.push_back(std::move(v));
  }
  return lines;
}

void prepareAndConvert(const std::string& source, int dim) {
  SCOPED_TRACE(std::filesystem::path(source).filename().string() + " --dim " +
               std::to_string(dim));
  UnvMesh mesh;
  ASSERT_NO_FATAL_FAILURE(support::readUnv(source, &mesh));
  int leftOut = 0;
  const std::vector<Region> expected = expectedRegions(mesh, &leftOut);

  ScratchDir dir;
  const support::RunResult prep = support::runProgram(
      support::unvprepPath(), dir.path(), "",
      {"--answers", "answers.txt", "--dim", std::to_string(dim), "--prefix",
       "grid", source, "out.unv"});
  ASSERT_EQ(prep.status, leftOut > 0 ? 1u : 0u) << prep.err;
  const support::RunResult run = support::runProgram(
      support::binaryPath(), dir.path(), readFile(dir.file("answers.txt")), {});
  ASSERT_EQ(run.status, 0u) << run.err;

  EXPECT_EQ(readConnectivity(dir.file("grid.cnc")),
            expectedConnectivity(mesh, dim));
  if (mesh.groups.empty()) {
    EXPECT_FALSE(support::fileExists(dir.file("grid.inp")));
    return;
  }
  ASSERT_TRUE(support::fileExists(dir.file("grid.inp")));
  const std::vector<Region> regions = readRegions(dir.file("grid.inp"));
  ASSERT_EQ(regions.size(), expected.size());
  const std::set<std::int64_t> vertices = vertexNumbers(dir.file("grid.xyz"));
  for (std::size_t k = 0; k < regions.size(); ++k) {
    SCOPED_TRACE("group " + mesh.groups[k].name);
    EXPECT_EQ(regions[k].id, expected[k].id);
    EXPECT_EQ(regions[k].vertices, expected[k].vertices);
    for (std::int64_t v : regions[k].vertices) {
      if (vertices.count(v) == 0) {
        ADD_FAILURE() << "region vertex " << v << " is not in the vertex file";
        break;
      }
    }
  }
}

TEST(PrepThenConvert, OurMeshesGiveTheRegionsOfTheirGroupsInBothDimensions) {
  for (const char* name :
       {"gmsh_wedge15_brick20.unv", "salome_tria6_quad8_2467.unv"}) {
    for (const int dim : {2, 3}) {
      prepareAndConvert(support::testDataDir() + "/prep/" + name, dim);
    }
  }
}

// gmsh's complete higher-order elements under the linear kinds' ids, 9 to 64
// nodes, the 64-node bricks and 16-node quadrilaterals each followed by an
// empty line.
TEST(PrepThenConvert, HigherOrderMeshesGiveTheRegionsOfTheirGroups) {
  for (const char* name :
       {"gmsh_brick27.unv", "gmsh_plate_quad9_tri6.unv", "gmsh_wedge18.unv",
        "gmsh_tet20.unv", "gmsh_brick64.unv"}) {
    for (const int dim : {2, 3}) {
      prepareAndConvert(support::testDataDir() + "/higher_order/" + name, dim);
    }
  }
}

TEST(PrepThenConvert, EverySampleGivesTheRegionsOfItsGroupsInBothDimensions) {
  const std::string dir = support::samplesDir();
  if (dir.empty()) GTEST_SKIP() << "../shared/samples is absent";
  std::vector<std::string> samples;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    if (e.path().extension() == ".unv") samples.push_back(e.path().string());
  }
  std::sort(samples.begin(), samples.end());
  ASSERT_EQ(samples.size(), 12u);
  for (const std::string& sample : samples) {
    for (const int dim : {2, 3}) prepareAndConvert(sample, dim);
  }
}

}  // namespace
}  // namespace unv2tessal

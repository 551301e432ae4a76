// unvprep's corner table, checked on real meshes for every reduced
// parabolic kind that a sample or a mesh of tests/data/prep holds: in every
// element of such a kind, each node that is not a corner lies halfway
// between the two ends of one edge of the linear element written on the
// corners, and each edge has one such node. A corner table that names a
// midside node as a corner, or writes the corners in an order whose edges
// are not the element's, fails here. The meshes are straight-sided (a
// mesher puts the midside nodes of a curved boundary on the curve).

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/test_io.h"
#include "support/unv_reader.h"
#include "unv/reductions.h"

namespace unv2tessal {
namespace {

using support::UnvElement;
using support::UnvMesh;

// unvprep's corner table, for the kinds with midside nodes (a linear
// kind's corners are all its nodes).
struct Corners {
  int to = 0;
  std::vector<int> corners;  // 1-based, in the order written
};

std::optional<Corners> cornersOf(int feId) {
  const Reduction* r = findReduction(feId);
  if (r == nullptr || r->cornerCount == r->nodes) return std::nullopt;
  Corners c{r->to, {}};
  for (std::size_t k = 0; k < static_cast<std::size_t>(r->cornerCount); ++k) {
    c.corners.push_back(r->corners[k]);
  }
  return c;
}

using Edge = std::pair<int, int>;  // 0-based indices into the corners

// The edges of each linear kind in the converter's vertex order.
const std::vector<Edge>& edgesOf(int linearKind) {
  static const std::vector<Edge> kTriangle{{0, 1}, {1, 2}, {2, 0}};
  static const std::vector<Edge> kQuadrilateral{{0, 1}, {1, 2}, {2, 3}, {3, 0}};
  static const std::vector<Edge> kTetrahedron{{0, 1}, {1, 2}, {2, 0},
                                              {0, 3}, {1, 3}, {2, 3}};
  static const std::vector<Edge> kWedge{{0, 1}, {1, 2}, {2, 0}, {3, 4}, {4, 5},
                                        {5, 3}, {0, 3}, {1, 4}, {2, 5}};
  static const std::vector<Edge> kBrick{{0, 1}, {1, 2}, {2, 3}, {3, 0},
                                        {4, 5}, {5, 6}, {6, 7}, {7, 4},
                                        {0, 4}, {1, 5}, {2, 6}, {3, 7}};
  static const std::vector<Edge> kNone;
  switch (linearKind) {
    case 91:
      return kTriangle;
    case 94:
      return kQuadrilateral;
    case 111:
      return kTetrahedron;
    case 112:
      return kWedge;
    case 115:
      return kBrick;
    default:
      return kNone;
  }
}

using Point = std::array<double, 3>;

// Within a millionth of the edge: some exporters write single-precision
// coordinates in double-precision fields.
bool halfway(const Point& m, const Point& a, const Point& b) {
  double length = 0;
  double miss = 0;
  for (std::size_t k = 0; k < 3; ++k) {
    length = std::max(length, std::abs(b[k] - a[k]));
    miss = std::max(miss, std::abs(m[k] - (a[k] + b[k]) / 2));
  }
  return length > 0 && miss <= 1e-6 * length;
}

// The midside nodes of one element, matched to the edges of its corners;
// an empty string when every node finds its edge.
std::string misfit(const UnvMesh& mesh, const UnvElement& e) {
  const Corners c = *cornersOf(e.feId);
  const std::vector<Edge>& edges = edgesOf(c.to);
  if (c.corners.size() + edges.size() != e.nodes.size()) {
    return "node count " + std::to_string(e.nodes.size()) + " for " +
           std::to_string(c.corners.size()) + " corners and " +
           std::to_string(edges.size()) + " edges";
  }
  std::vector<Point> corner;
  std::set<int> isCorner;
  for (int p : c.corners) {
    corner.push_back(
        mesh.nodes.at(e.nodes.at(static_cast<std::size_t>(p - 1))));
    isCorner.insert(p);
  }
  std::vector<int> edgeUses(edges.size(), 0);
  for (std::size_t k = 0; k < e.nodes.size(); ++k) {
    if (isCorner.count(static_cast<int>(k + 1)) != 0) continue;
    const Point& m = mesh.nodes.at(e.nodes[k]);
    bool found = false;
    for (std::size_t j = 0; j < edges.size(); ++j) {
      if (halfway(m, corner[static_cast<std::size_t>(edges[j].first)],
                  corner[static_cast<std::size_t>(edges[j].second)])) {
        ++edgeUses[j];
        found = true;
      }
    }
    if (!found) {
      return "node " + std::to_string(k + 1) + " (label " +
             std::to_string(e.nodes[k]) + ") is halfway along no edge";
    }
  }
  for (std::size_t j = 0; j < edges.size(); ++j) {
    if (edgeUses[j] != 1) {
      return "edge of corners " + std::to_string(edges[j].first + 1) + "-" +
             std::to_string(edges[j].second + 1) + " has " +
             std::to_string(edgeUses[j]) + " midside nodes";
    }
  }
  return "";
}

// Checks every reduced element of the file; adds the kinds met to *seen.
void checkFile(const std::string& path, std::set<int>* seen) {
  SCOPED_TRACE(std::filesystem::path(path).filename().string());
  UnvMesh mesh;
  ASSERT_NO_FATAL_FAILURE(support::readUnv(path, &mesh));
  int failures = 0;
  for (const UnvElement& e : mesh.elements) {
    if (!cornersOf(e.feId)) continue;
    seen->insert(e.feId);
    const std::string why = misfit(mesh, e);
    if (!why.empty() && ++failures <= 5) {
      ADD_FAILURE() << "element " << e.label << ", FE " << e.feId << ": "
                    << why;
    }
  }
  EXPECT_EQ(failures, 0);
}

const char* const kOwnMeshes[] = {"gmsh_wedge15_brick20.unv",
                                  "salome_tria6_quad8_2467.unv"};

TEST(MidsideNodes, LieHalfwayBetweenTheirCornersInOurMeshes) {
  std::set<int> seen;
  for (const char* name : kOwnMeshes) {
    checkFile(support::testDataDir() + "/prep/" + name, &seen);
  }
  EXPECT_EQ(seen, (std::set<int>{42, 45, 92, 95, 113, 116}));
}

TEST(MidsideNodes, LieHalfwayBetweenTheirCornersInTheSamples) {
  const std::string dir = support::samplesDir();
  if (dir.empty()) GTEST_SKIP() << "../shared/samples is absent";
  std::set<int> seen;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() == ".unv") {
      checkFile(entry.path().string(), &seen);
    }
  }
  EXPECT_EQ(seen, (std::set<int>{92, 95, 116, 118}));
}

// The kinds checked on meshes above stand for the parabolic kinds of their
// family that no file holds: each of those reduces the same way.
TEST(MidsideNodes, KindsOfAFamilyShareTheCornersOfTheKindChecked) {
  const std::pair<int, std::vector<int>> families[] = {
      {92, {42, 52, 62, 72, 82}}, {95, {45, 55, 65, 75, 85}}};
  for (const auto& [checked, others] : families) {
    const std::optional<Corners> want = cornersOf(checked);
    ASSERT_TRUE(want);
    for (const int feId : others) {
      const std::optional<Corners> got = cornersOf(feId);
      ASSERT_TRUE(got) << "FE " << feId;
      EXPECT_EQ(got->to, want->to) << "FE " << feId;
      EXPECT_EQ(got->corners, want->corners) << "FE " << feId;
    }
  }
}

}  // namespace
}  // namespace unv2tessal

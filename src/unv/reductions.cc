#include "unv/reductions.h"

#include <algorithm>

namespace unv2tessal {
namespace {

constexpr std::array<std::uint8_t, 8> kTriangle{1, 2, 3};
constexpr std::array<std::uint8_t, 8> kQuadrilateral{1, 2, 3, 4};
// Parabolic faces list corner, midside, corner, ... around the face.
constexpr std::array<std::uint8_t, 8> kParabolicTriangle{1, 3, 5};
constexpr std::array<std::uint8_t, 8> kParabolicQuadrilateral{1, 3, 5, 7};
// Parabolic solids: the corners of the first face as above, then those of
// the opposite face; the tetrahedron's apex is its last node.
constexpr std::array<std::uint8_t, 8> kParabolicTetrahedron{1, 3, 5, 10};
constexpr std::array<std::uint8_t, 8> kParabolicWedge{1, 3, 5, 10, 12, 14};
constexpr std::array<std::uint8_t, 8> kParabolicBrick{1,  3,  5,  7,
                                                      13, 15, 17, 19};
// Complete higher-order elements list their corners first.
constexpr std::array<std::uint8_t, 8> kTetrahedron{1, 2, 3, 4};
constexpr std::array<std::uint8_t, 8> kWedge{1, 2, 3, 4, 5, 6};
constexpr std::array<std::uint8_t, 8> kBrick{1, 2, 3, 4, 5, 6, 7, 8};

// Sorted by the id read, then by node count. The higher-order rows are the
// complete (Lagrange) elements of orders 2 and 3 that gmsh writes under
// the written kinds' ids; its second-order triangle and tetrahedron have
// kinds of their own (92, 118).
constexpr std::array<Reduction, 33> kReductions{{
    {41, 91, 3, 3, kTriangle},
    {42, 91, 6, 3, kParabolicTriangle},
    {44, 94, 4, 4, kQuadrilateral},
    {45, 94, 8, 4, kParabolicQuadrilateral},
    {51, 91, 3, 3, kTriangle},
    {52, 91, 6, 3, kParabolicTriangle},
    {54, 94, 4, 4, kQuadrilateral},
    {55, 94, 8, 4, kParabolicQuadrilateral},
    {61, 91, 3, 3, kTriangle},
    {62, 91, 6, 3, kParabolicTriangle},
    {64, 94, 4, 4, kQuadrilateral},
    {65, 94, 8, 4, kParabolicQuadrilateral},
    {71, 94, 4, 4, kQuadrilateral},
    {72, 91, 6, 3, kParabolicTriangle},
    {74, 91, 3, 3, kTriangle},
    {75, 94, 8, 4, kParabolicQuadrilateral},
    {81, 91, 3, 3, kTriangle},
    {82, 91, 6, 3, kParabolicTriangle},
    {84, 94, 4, 4, kQuadrilateral},
    {85, 94, 8, 4, kParabolicQuadrilateral},
    {91, 91, 10, 3, kTriangle},
    {92, 91, 6, 3, kParabolicTriangle},
    {94, 94, 9, 4, kQuadrilateral},
    {94, 94, 16, 4, kQuadrilateral},
    {95, 94, 8, 4, kParabolicQuadrilateral},
    {111, 111, 20, 4, kTetrahedron},
    {112, 112, 18, 6, kWedge},
    {112, 112, 40, 6, kWedge},
    {113, 112, 15, 6, kParabolicWedge},
    {115, 115, 27, 8, kBrick},
    {115, 115, 64, 8, kBrick},
    {116, 115, 20, 8, kParabolicBrick},
    {118, 111, 10, 4, kParabolicTetrahedron},
}};

static_assert(std::is_sorted(kReductions.begin(), kReductions.end(),
                             [](const Reduction& a, const Reduction& b) {
                               return a.from < b.from ||
                                      (a.from == b.from && a.nodes < b.nodes);
                             }));
static_assert([] {
  for (std::size_t k = 0; k < kReductions.size(); ++k) {
    const Reduction& r = kReductions[k];
    for (std::int32_t c = 0; c < r.cornerCount; ++c) {
      const std::size_t at = static_cast<std::size_t>(c);
      if (r.corners[at] < 1 || r.corners[at] > r.nodes) return false;
    }
    // A kind that reduces whatever its count has one row; a higher-order
    // form has more nodes than a record holds (the converter reads the
    // corners off its first record).
    if (r.isHigherOrder() ? r.nodes <= 8
                          : k > 0 && kReductions[k - 1].from == r.from) {
      return false;
    }
  }
  return true;
}());

// The first row of `feId`, or the end.
const Reduction* firstRow(std::int32_t feId) {
  const auto it = std::lower_bound(
      kReductions.begin(), kReductions.end(), feId,
      [](const Reduction& r, std::int32_t id) { return r.from < id; });
  return kReductions.data() + (it - kReductions.begin());
}

}  // namespace

const Reduction* findReduction(std::int32_t feId) {
  const Reduction* r = firstRow(feId);
  return r != reductionsEnd() && r->from == feId && !r->isHigherOrder()
             ? r
             : nullptr;
}

const Reduction* findReduction(std::int32_t feId, std::int32_t nodeCount) {
  for (const Reduction* r = firstRow(feId);
       r != reductionsEnd() && r->from == feId; ++r) {
    if (!r->isHigherOrder() || r->nodes == nodeCount) return r;
  }
  return nullptr;
}

const Reduction* reductionsBegin() { return kReductions.data(); }
const Reduction* reductionsEnd() {
  return kReductions.data() + kReductions.size();
}

}  // namespace unv2tessal

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

// Sorted by the id read.
constexpr std::array<Reduction, 25> kReductions{{
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
    {92, 91, 6, 3, kParabolicTriangle},
    {95, 94, 8, 4, kParabolicQuadrilateral},
    {113, 112, 15, 6, kParabolicWedge},
    {116, 115, 20, 8, kParabolicBrick},
    {118, 111, 10, 4, kParabolicTetrahedron},
}};

static_assert(std::is_sorted(kReductions.begin(), kReductions.end(),
                             [](const Reduction& a, const Reduction& b) {
                               return a.from < b.from;
                             }));
static_assert([] {
  for (const Reduction& r : kReductions) {
    for (std::int32_t k = 0; k < r.cornerCount; ++k) {
      const std::size_t at = static_cast<std::size_t>(k);
      if (r.corners[at] < 1 || r.corners[at] > r.nodes) return false;
    }
  }
  return true;
}());

}  // namespace

const Reduction* findReduction(std::int32_t feId) {
  const auto it = std::lower_bound(
      kReductions.begin(), kReductions.end(), feId,
      [](const Reduction& r, std::int32_t id) { return r.from < id; });
  return it != kReductions.end() && it->from == feId ? &*it : nullptr;
}

const Reduction* reductionsBegin() { return kReductions.data(); }
const Reduction* reductionsEnd() {
  return kReductions.data() + kReductions.size();
}

}  // namespace unv2tessal

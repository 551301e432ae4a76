#include "check/fe_names.h"

#include <algorithm>
#include <array>
#include <utility>

namespace unv2tessal {
namespace {

// Sorted by id for a binary search.
constexpr std::array<std::pair<std::int32_t, std::string_view>, 62> kNames{{
    {11, "rod"},
    {21, "linear beam"},
    {22, "tapered beam"},
    {23, "curved beam"},
    {24, "parabolic beam"},
    {31, "straight pipe"},
    {32, "curved pipe"},
    {41, "plane stress linear triangle"},
    {42, "plane stress parabolic triangle"},
    {43, "plane stress cubic triangle"},
    {44, "plane stress linear quadrilateral"},
    {45, "plane stress parabolic quadrilateral"},
    {46, "plane stress cubic quadrilateral"},
    {51, "plane strain linear triangle"},
    {52, "plane strain parabolic triangle"},
    {53, "plane strain cubic triangle"},
    {54, "plane strain linear quadrilateral"},
    {55, "plane strain parabolic quadrilateral"},
    {56, "plane strain cubic quadrilateral"},
    {61, "plate linear triangle"},
    {62, "plate parabolic triangle"},
    {63, "plate cubic triangle"},
    {64, "plate linear quadrilateral"},
    {65, "plate parabolic quadrilateral"},
    {66, "plate cubic quadrilateral"},
    {71, "membrane linear quadrilateral"},
    {72, "membrane parabolic triangle"},
    {73, "membrane cubic triangle"},
    {74, "membrane linear triangle"},
    {75, "membrane parabolic quadrilateral"},
    {76, "membrane cubic quadrilateral"},
    {81, "axisymmetric solid linear triangle"},
    {82, "axisymmetric solid parabolic triangle"},
    {84, "axisymmetric solid linear quadrilateral"},
    {85, "axisymmetric solid parabolic quadrilateral"},
    {91, "thin shell linear triangle"},
    {92, "thin shell parabolic triangle"},
    {93, "thin shell cubic triangle"},
    {94, "thin shell linear quadrilateral"},
    {95, "thin shell parabolic quadrilateral"},
    {96, "thin shell cubic quadrilateral"},
    {101, "thick shell linear wedge"},
    {102, "thick shell parabolic wedge"},
    {103, "thick shell cubic wedge"},
    {104, "thick shell linear brick"},
    {105, "thick shell parabolic brick"},
    {106, "thick shell cubic brick"},
    {111, "solid linear tetrahedron"},
    {112, "solid linear wedge"},
    {113, "solid parabolic wedge"},
    {114, "solid cubic wedge"},
    {115, "solid linear brick"},
    {116, "solid parabolic brick"},
    {117, "solid cubic brick"},
    {118, "solid parabolic tetrahedron"},
    {121, "rigid bar"},
    {122, "rigid element"},
    {136, "node to node translational spring"},
    {137, "node to node rotational spring"},
    {161, "lumped mass"},
    {171, "axisymmetric linear shell"},
    {172, "axisymmetric parabolic shell"},
}};

}  // namespace

std::string_view feDescriptorName(std::int32_t feId) {
  const auto it = std::lower_bound(
      kNames.begin(), kNames.end(), feId,
      [](const auto& entry, std::int32_t id) { return entry.first < id; });
  if (it != kNames.end() && it->first == feId) return it->second;
  return "unknown element kind";
}

}  // namespace unv2tessal

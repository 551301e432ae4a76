#include "unv/fe_descriptors.h"

#include <array>
#include <cstddef>

#include "codecs/fast_fields.h"
#include "codecs/fields.h"
#include "codecs/layout.h"
#include "unv/mesh_records.h"

namespace unv2tessal {
namespace {

using F = FeFamily;

// Sorted by id. Shape codes and vertex counts are single digits (the
// connectivity writer lays them out as one character each).
constexpr std::array<FeDescriptor, 62> kTable{{
    {11, "rod", F::kRod, {}, {}},
    {21, "linear beam", F::kBeam, {}, {}},
    {22, "tapered beam", F::kBeam, {}, {}},
    {23, "curved beam", F::kBeam, {}, {}},
    {24, "parabolic beam", F::kBeam, {}, {}},
    {31, "straight pipe", F::kPipe, {}, {}},
    {32, "curved pipe", F::kPipe, {}, {}},
    {41, "plane stress linear triangle", F::kPlaneStress, {}, {}},
    {42, "plane stress parabolic triangle", F::kPlaneStress, {}, {}},
    {43, "plane stress cubic triangle", F::kPlaneStress, {}, {}},
    {44, "plane stress linear quadrilateral", F::kPlaneStress, {}, {}},
    {45, "plane stress parabolic quadrilateral", F::kPlaneStress, {}, {}},
    {46, "plane stress cubic quadrilateral", F::kPlaneStress, {}, {}},
    {51, "plane strain linear triangle", F::kPlaneStrain, {}, {}},
    {52, "plane strain parabolic triangle", F::kPlaneStrain, {}, {}},
    {53, "plane strain cubic triangle", F::kPlaneStrain, {}, {}},
    {54, "plane strain linear quadrilateral", F::kPlaneStrain, {}, {}},
    {55, "plane strain parabolic quadrilateral", F::kPlaneStrain, {}, {}},
    {56, "plane strain cubic quadrilateral", F::kPlaneStrain, {}, {}},
    {61, "plate linear triangle", F::kPlate, {}, {}},
    {62, "plate parabolic triangle", F::kPlate, {}, {}},
    {63, "plate cubic triangle", F::kPlate, {}, {}},
    {64, "plate linear quadrilateral", F::kPlate, {}, {}},
    {65, "plate parabolic quadrilateral", F::kPlate, {}, {}},
    {66, "plate cubic quadrilateral", F::kPlate, {}, {}},
    {71, "membrane linear quadrilateral", F::kMembrane, {}, {}},
    {72, "membrane parabolic triangle", F::kMembrane, {}, {}},
    {73, "membrane cubic triangle", F::kMembrane, {}, {}},
    {74, "membrane linear triangle", F::kMembrane, {}, {}},
    {75, "membrane parabolic quadrilateral", F::kMembrane, {}, {}},
    {76, "membrane cubic quadrilateral", F::kMembrane, {}, {}},
    {81, "axisymmetric solid linear triangle", F::kAxisymmetricSolid, {}, {}},
    {82,
     "axisymmetric solid parabolic triangle",
     F::kAxisymmetricSolid,
     {},
     {}},
    {84,
     "axisymmetric solid linear quadrilateral",
     F::kAxisymmetricSolid,
     {},
     {}},
    {85,
     "axisymmetric solid parabolic quadrilateral",
     F::kAxisymmetricSolid,
     {},
     {}},
    {91, "thin shell linear triangle", F::kThinShell, {1, 3}, {}},
    {92, "thin shell parabolic triangle", F::kThinShell, {}, {}},
    {93, "thin shell cubic triangle", F::kThinShell, {}, {}},
    {94, "thin shell linear quadrilateral", F::kThinShell, {2, 4}, {}},
    {95, "thin shell parabolic quadrilateral", F::kThinShell, {}, {}},
    {96, "thin shell cubic quadrilateral", F::kThinShell, {}, {}},
    {101, "thick shell linear wedge", F::kThickShell, {}, {}},
    {102, "thick shell parabolic wedge", F::kThickShell, {}, {}},
    {103, "thick shell cubic wedge", F::kThickShell, {}, {}},
    {104, "thick shell linear brick", F::kThickShell, {}, {}},
    {105, "thick shell parabolic brick", F::kThickShell, {}, {}},
    {106, "thick shell cubic brick", F::kThickShell, {}, {}},
    {111, "solid linear tetrahedron", F::kSolid, {}, {3, 4}},
    {112, "solid linear wedge", F::kSolid, {}, {5, 6}},
    {113, "solid parabolic wedge", F::kSolid, {}, {}},
    {114, "solid cubic wedge", F::kSolid, {}, {}},
    {115, "solid linear brick", F::kSolid, {}, {6, 8}},
    {116, "solid parabolic brick", F::kSolid, {}, {}},
    {117, "solid cubic brick", F::kSolid, {}, {}},
    {118, "solid parabolic tetrahedron", F::kSolid, {}, {}},
    {121, "rigid bar", F::kRigid, {}, {}},
    {122, "rigid element", F::kRigid, {}, {}},
    {136, "node to node translational spring", F::kSpring, {}, {}},
    {137, "node to node rotational spring", F::kSpring, {}, {}},
    {161, "lumped mass", F::kMass, {}, {}},
    {171, "axisymmetric linear shell", F::kAxisymmetricShell, {}, {}},
    {172, "axisymmetric parabolic shell", F::kAxisymmetricShell, {}, {}},
}};

constexpr FeDescriptor kUnknownKind{
    0, "unknown element kind", F::kUnknown, {}, {}};

constexpr std::size_t kIndexSize = 256;
constexpr std::uint8_t kNoRow = 0xFF;

// Row of each id below kIndexSize: one look-up per element, no search.
constexpr std::array<std::uint8_t, kIndexSize> kIndex = [] {
  std::array<std::uint8_t, kIndexSize> index{};
  index.fill(kNoRow);
  for (std::size_t k = 0; k < kTable.size(); ++k) {
    index[static_cast<std::size_t>(kTable[k].id)] =
        static_cast<std::uint8_t>(k);
  }
  return index;
}();

static_assert([] {
  for (std::size_t k = 0; k < kTable.size(); ++k) {
    const FeDescriptor& d = kTable[k];
    if (d.id <= 0 || static_cast<std::size_t>(d.id) >= kIndexSize) return false;
    if (k > 0 && kTable[k - 1].id >= d.id) return false;
    for (const Shape& s : {d.in2D, d.in3D}) {
      if (s.code < 0 || s.code > 9 || s.vertices < 0 || s.vertices > 8) {
        return false;
      }
    }
  }
  return kTable.size() < kNoRow;
}());

constexpr std::size_t kNodeCountColumn =
    columnOf(kDescriptorRecord, kDescriptorNodeCountField);
constexpr std::size_t kNodeCountWidth =
    kDescriptorRecord.fields[kDescriptorNodeCountField].width;
static_assert(kNodeCountWidth == 10);  // readInteger10()

// The written shapes by shape code (a single digit).
constexpr std::array<WrittenShape, 10> kByCode = [] {
  std::array<WrittenShape, 10> byCode{};
  for (const FeDescriptor& d : kTable) {
    if (d.in2D.vertices != 0) {
      byCode[static_cast<std::size_t>(d.in2D.code)] = {d.in2D, true};
    }
    if (d.in3D.vertices != 0) {
      byCode[static_cast<std::size_t>(d.in3D.code)] = {d.in3D, false};
    }
  }
  return byCode;
}();

}  // namespace

const WrittenShape* writtenShapeOfCode(std::int32_t code) {
  if (code < 0 || static_cast<std::size_t>(code) >= kByCode.size()) {
    return nullptr;
  }
  const WrittenShape& w = kByCode[static_cast<std::size_t>(code)];
  return w.shape.vertices != 0 ? &w : nullptr;
}

const FeDescriptor& feDescriptor(std::int32_t feId) {
  if (feId <= 0 || static_cast<std::size_t>(feId) >= kIndexSize) {
    return kUnknownKind;
  }
  const std::uint8_t row = kIndex[static_cast<std::size_t>(feId)];
  return row == kNoRow ? kUnknownKind : kTable[row];
}

std::int32_t nodeCountOf(std::string_view descriptor) {
  if (descriptor.size() <= kNodeCountColumn) return 0;
  std::int32_t n = 0;
  const bool valid =
      descriptor.size() >= kNodeCountColumn + kNodeCountWidth
          ? readInteger10(descriptor.data() + kNodeCountColumn, &n)
          : readIntegerField(descriptor.substr(kNodeCountColumn), &n);
  return valid ? n : 0;
}

std::int32_t detail::continuationRecordsOfCount(std::string_view descriptor) {
  const std::int32_t nodes = nodeCountOf(descriptor);
  return nodes > kNodesPerRecord ? (nodes - 1) / kNodesPerRecord : 0;
}

std::string feList(const std::map<std::int32_t, std::int64_t>& counts) {
  std::string s;
  for (const auto& [id, n] : counts) {
    if (!s.empty()) s += ", ";
    s += "FE " + std::to_string(id) + " (" + std::string(feDescriptorName(id)) +
         ") x" + std::to_string(n);
  }
  return s;
}

}  // namespace unv2tessal

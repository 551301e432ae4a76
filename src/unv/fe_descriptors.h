#ifndef UNV2TESSAL_UNV_FE_DESCRIPTORS_H_
#define UNV2TESSAL_UNV_FE_DESCRIPTORS_H_

// The FE descriptor table: for each element kind of the element dataset,
// its name and family, how it is written in a 2D and in a 3D grid, and the
// records it takes besides the descriptor and the first node record.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "codecs/fast_fields.h"
#include "codecs/layout.h"
#include "unv/mesh_records.h"

namespace unv2tessal {

/// How an element kind is written in one grid dimension: the shape code and
/// vertex count of its connectivity line.
struct Shape {
  std::int32_t code;
  std::int32_t vertices;  // 0: not written in this dimension
};

enum class FeFamily : std::uint8_t {
  kUnknown,
  kRod,
  kBeam,
  kPipe,
  kPlaneStress,
  kPlaneStrain,
  kPlate,
  kMembrane,
  kAxisymmetricSolid,
  kThinShell,
  kThickShell,
  kSolid,
  kRigid,
  kSpring,
  kMass,
  kAxisymmetricShell,
};

/// One row of the table.
struct FeDescriptor {
  std::int32_t id;
  std::string_view name;
  FeFamily family;
  Shape in2D;
  Shape in3D;

  /// Rods, beams and pipes carry an orientation record before their nodes.
  constexpr bool hasOrientationRecord() const {
    return family == FeFamily::kRod || family == FeFamily::kBeam ||
           family == FeFamily::kPipe;
  }
  /// The dimension of the kind's elements: 0 a lumped mass; 1 the line
  /// elements (rods, beams, pipes, rigid elements, springs, axisymmetric
  /// shells); 2 the faces (plane, plate, membrane, axisymmetric solid and
  /// thin shell elements); 3 the solids (thick shells among them); -1 for
  /// a kind the table does not know.
  constexpr int dimension() const {
    switch (family) {
      case FeFamily::kUnknown:
        return -1;
      case FeFamily::kMass:
        return 0;
      case FeFamily::kRod:
      case FeFamily::kBeam:
      case FeFamily::kPipe:
      case FeFamily::kRigid:
      case FeFamily::kSpring:
      case FeFamily::kAxisymmetricShell:
        return 1;
      case FeFamily::kPlaneStress:
      case FeFamily::kPlaneStrain:
      case FeFamily::kPlate:
      case FeFamily::kMembrane:
      case FeFamily::kAxisymmetricSolid:
      case FeFamily::kThinShell:
        return 2;
      case FeFamily::kThickShell:
      case FeFamily::kSolid:
        return 3;
    }
    return -1;
  }
  /// Written in a 2D or a 3D grid.
  constexpr bool isWritten() const {
    return in2D.vertices != 0 || in3D.vertices != 0;
  }
  /// The vertex count it is written with (each kind is written in one
  /// dimension at most); 0 when it is not written.
  constexpr std::int32_t writtenVertices() const {
    return in2D.vertices != 0 ? in2D.vertices : in3D.vertices;
  }
};

/// The row of `feId`; an id the table does not hold gets a row named
/// "unknown element kind", of no family, written in no grid.
const FeDescriptor& feDescriptor(std::int32_t feId);

/// The element kind of `feId` ("thin shell linear triangle").
inline std::string_view feDescriptorName(std::int32_t feId) {
  return feDescriptor(feId).name;
}

/// How `feId` is written in the given grid dimension, or nullptr when the
/// element is dropped.
inline const Shape* findShape(bool is2D, std::int32_t feId) {
  const FeDescriptor& d = feDescriptor(feId);
  const Shape& s = is2D ? d.in2D : d.in3D;
  return s.vertices != 0 ? &s : nullptr;
}

inline bool hasOrientationRecord(std::int32_t feId) {
  return feDescriptor(feId).hasOrientationRecord();
}

/// A shape code of the connectivity file: its shape and the grid dimension
/// whose elements are written with it.
struct WrittenShape {
  Shape shape;
  bool in2D;
};

/// The written shape with shape code `code`, or nullptr when no element
/// kind is written with that code.
const WrittenShape* writtenShapeOfCode(std::int32_t code);

/// The node count of a descriptor record (columns 51-60), read leniently: a
/// blank or malformed count is 0, since only elements of more than eight
/// nodes need it.
std::int32_t nodeCountOf(std::string_view descriptor);

namespace detail {
/// continuationRecords() of any descriptor, by nodeCountOf().
std::int32_t continuationRecordsOfCount(std::string_view descriptor);

/// The node count of a descriptor in its common form, nine blanks and one
/// digit up to 8 in columns 51-60, told by one comparison of eight columns
/// and two more; false for any other count.
inline bool commonNodeCount(std::string_view descriptor, std::int32_t* n) {
  constexpr std::size_t kAt =
      columnOf(kDescriptorRecord, kDescriptorNodeCountField);
  static_assert(kDescriptorRecord.fields[kDescriptorNodeCountField].width ==
                10);
  if (descriptor.size() < kAt + 10) return false;
  const char* count = descriptor.data() + kAt;
  if (swar::load8(count) != swar::kOnes * ' ' || count[8] != ' ' ||
      count[9] < '0' || count[9] > '0' + kNodesPerRecord) {
    return false;
  }
  *n = count[9] - '0';
  return true;
}
}  // namespace detail

/// Node records after the first for the element of `descriptor` (eight
/// labels a record), from its node count read by nodeCountOf(): ceil(n/8) -
/// 1 for a count n above 8, whatever the kind; 0 for a count of 8 or less,
/// blank or malformed. Exporters write the complete higher-order elements
/// under the written kinds' ids (a 27-node brick as FE 115), corners first.
inline std::int32_t continuationRecords(std::string_view descriptor) {
  // Every element is asked: its common count is told at once.
  std::int32_t n = 0;
  if (detail::commonNodeCount(descriptor, &n)) return 0;
  return detail::continuationRecordsOfCount(descriptor);
}

/// The label and FE descriptor id of a descriptor record (its fields 1 and
/// 2) by the field rule (kDescriptorRecord), their common form read first;
/// false when either is not an integer.
inline bool readDescriptorIds(std::string_view descriptor, std::int32_t* label,
                              std::int32_t* feId) {
  static_assert(columnOf(kDescriptorRecord, 1) == 10 &&
                kDescriptorRecord.fields[1].width == 10);
  if (descriptor.size() >= 20 && tryReadInteger10(descriptor.data(), label) &&
      tryReadInteger10(descriptor.data() + 10, feId)) {
    return true;
  }
  return readIntegerField(descriptor.substr(0, 10), label) &&
         readIntegerField(descriptor.size() > 10 ? descriptor.substr(10, 10)
                                                 : std::string_view(),
                          feId);
}

/// An element of the common form, as nearly every element of a large mesh
/// is written: label and FE id in their common form, a kind without an
/// orientation record, and at most eight nodes. Its one node record comes
/// right after the descriptor, and the next element right after that.
struct CommonElement {
  std::int32_t label = 0;
  std::int32_t feId = 0;
  const FeDescriptor* kind = nullptr;
  std::int32_t nodes = 0;  // the node count (nodeCountOf()), 8 at most
};

/// Reads the descriptor record of an element of the common form into *e;
/// false for any other element, which the plain rules read
/// (readDescriptorIds(), feDescriptor(), continuationRecords()) and which
/// then gives the same label, id and kind where it is read at all. The
/// converter's element loop and its helper thread, and unvprep's element
/// pass, take the common elements by it.
inline bool readCommonElement(std::string_view descriptor, CommonElement* e) {
  if (descriptor.size() < 20 ||
      !tryReadInteger10(descriptor.data(), &e->label) ||
      !tryReadInteger10(descriptor.data() + 10, &e->feId)) {
    return false;
  }
  e->kind = &feDescriptor(e->feId);
  if (e->kind->hasOrientationRecord()) return false;
  if (detail::commonNodeCount(descriptor, &e->nodes)) return true;
  e->nodes = nodeCountOf(descriptor);
  return e->nodes <= kNodesPerRecord;
}

/// The FE ids of `counts` with their names and counts, in the order of the
/// ids: "FE 91 (thin shell linear triangle) x3, FE 94 (...) x1".
std::string feList(const std::map<std::int32_t, std::int64_t>& counts);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_UNV_FE_DESCRIPTORS_H_

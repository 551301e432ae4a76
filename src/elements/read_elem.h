#ifndef UNV2TESSAL_ELEMENTS_READ_ELEM_H_
#define UNV2TESSAL_ELEMENTS_READ_ELEM_H_

#include <cstdint>
#include <string_view>

#include "driver/run_state.h"
#include "records/layout.h"

namespace unv2tessal {

/// Descriptor record: the element label and the FE descriptor id.
inline constexpr RecordLayout kDescriptorRecord{Repeat(2, IntegerField(10))};
/// Node record: up to eight node labels, 10 columns each.
inline constexpr RecordLayout kElementNodeRecord{Repeat(8, IntegerField(10))};

/// A connectivity line: number, two blanks, shape code, two blanks, vertex
/// count, two blanks, then the vertex numbers in 10 columns each.
inline constexpr RecordLayout kConnectivityRecord{IntegerField(10),
                                                  SkipField(2),
                                                  IntegerField(1),
                                                  SkipField(2),
                                                  IntegerField(1),
                                                  SkipField(2),
                                                  Repeat(8, IntegerField(10))};

/// One row of the shape table: an FE descriptor id written in one grid
/// dimension, with its shape code and vertex count.
struct Shape {
  std::int32_t feId;
  bool in2D;
  std::int32_t code;
  std::int32_t vertices;
};

/// Returns the shape of `feId` in the given dimension, or nullptr when the
/// element is dropped.
const Shape* findShape(bool is2D, std::int32_t feId);

/// Returns the row of the shape table whose shape code is `code`, or
/// nullptr when no written kind has that code.
const Shape* shapeOfCode(std::int32_t code);

/// Rods, beams and pipes carry an orientation record before their nodes.
bool hasOrientationRecord(std::int32_t feId);

/// Node records after the first for the element of `descriptor` (eight
/// labels a record), from its node count in columns 51-60 read leniently (a
/// blank or malformed count is 0). An element of a written kind is read as
/// exactly two records whatever its count says: 0.
std::int32_t continuationRecords(std::int32_t feId,
                                 std::string_view descriptor);

/// Converts one element dataset into the connectivity file and the
/// renumbering map: asks the grid dimension and the file name, writes the
/// elements of that dimension, leaves is2D, elementOffset and elementCount
/// in the shared records; returns after the closing delimiter.
void READ_ELEM(Run& run);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_ELEMENTS_READ_ELEM_H_

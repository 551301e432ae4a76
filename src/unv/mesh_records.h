#ifndef UNV2TESSAL_UNV_MESH_RECORDS_H_
#define UNV2TESSAL_UNV_MESH_RECORDS_H_

// The records of the node (2411) and element (2412) datasets, as every
// program reads them. Only the fields that some program reads are laid out.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "codecs/fast_fields.h"
#include "codecs/fields.h"
#include "codecs/layout.h"

namespace unv2tessal {

/// Node record 1: the node label in columns 1-10.
inline constexpr RecordLayout kNodeLabelRecord{IntegerField(10)};
/// Node record 2: x, y, z in 25 columns each, 16 implied fraction digits.
inline constexpr RecordLayout kNodeCoordinateRecord{
    Repeat(3, RealField(25, 16))};

/// The label of node record 1 by the field rule (kNodeLabelRecord), its
/// common form (codecs/fast_fields.h: blanks and at most eight digits)
/// read first; false when it is not an integer. Every program, and the
/// converter's helper thread, reads node labels with it.
inline bool readNodeLabel(std::string_view record1, std::int32_t* label) {
  static_assert(kNodeLabelRecord.fields[0].width == 10);
  if (record1.size() >= 10 && tryReadInteger10(record1.data(), label)) {
    return true;
  }
  return readIntegerField(record1.substr(0, 10), label);
}

/// Coordinate k (0 for x, 1 for y, 2 for z) of node record 2: its 25
/// columns, fewer where the line ends inside them, none past its end.
inline std::string_view coordinateField(std::string_view record2,
                                        std::size_t k) {
  const std::size_t col = columnOf(kNodeCoordinateRecord, k);
  return col < record2.size()
             ? record2.substr(col, kNodeCoordinateRecord.fields[k].width)
             : std::string_view();
}

/// Element record 1, the descriptor: element label, FE descriptor id,
/// physical and material property, colour and node count, 10 columns each.
/// Every element's label and id are read; the node count only for elements
/// that may go on in continuation records.
inline constexpr RecordLayout kDescriptorRecord{Repeat(6, IntegerField(10))};
inline constexpr std::size_t kDescriptorNodeCountField = 5;

/// Element node record: up to eight node labels, 10 columns each. Elements
/// of more than eight nodes go on in continuation records of the same
/// layout.
inline constexpr RecordLayout kElementNodeRecord{Repeat(8, IntegerField(10))};
/// Node labels on one element node record.
inline constexpr int kNodesPerRecord = 8;

/// A line that holds no field: empty, or blanks only. gmsh writes an empty
/// line after each element whose node count is a multiple of 8 above 8
/// (16-node quadrilaterals, 64-node bricks). unvcheck and unvprep pass such
/// lines over between element records; the converter reads one as an
/// element's descriptor record.
inline bool isEmptyLine(std::string_view line) {
  return line.find_first_not_of(' ') == std::string_view::npos;
}

}  // namespace unv2tessal

#endif  // UNV2TESSAL_UNV_MESH_RECORDS_H_

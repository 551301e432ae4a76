#ifndef UNV2TESSAL_NODES_READ_NODES_H_
#define UNV2TESSAL_NODES_READ_NODES_H_

#include "driver/run_state.h"
#include "records/layout.h"

namespace unv2tessal {

/// Node record 1: the node label in columns 1-10.
inline constexpr RecordLayout kNodeLabelRecord{IntegerField(10)};
/// Node record 2: x, y, z in 25 columns each, 16 implied fraction digits.
inline constexpr RecordLayout kNodeCoordinateRecord{
    Repeat(3, RealField(25, 16))};
/// The vertex record is 62 columns: the vertex number and x, y, z in E18.8.
inline constexpr RecordLayout kVertexRecord{IntegerField(8),
                                            Repeat(3, ExponentField(18, 8))};

/// Converts one node dataset into the vertex file: asks for the file name
/// and, when the first node is not numbered 1, whether to renumber; leaves
/// nodeOffset and vertexCount in the shared records; returns after the
/// dataset's closing delimiter.
void READ_NODES(Run& run);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_NODES_READ_NODES_H_

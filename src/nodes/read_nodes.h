#ifndef UNV2TESSAL_NODES_READ_NODES_H_
#define UNV2TESSAL_NODES_READ_NODES_H_

#include "codecs/layout.h"
#include "unv/mesh_records.h"
#include "unv/run_state.h"

namespace unv2tessal {

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

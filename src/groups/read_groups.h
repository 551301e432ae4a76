#ifndef UNV2TESSAL_GROUPS_READ_GROUPS_H_
#define UNV2TESSAL_GROUPS_READ_GROUPS_H_

#include <cstddef>
#include <string_view>

#include "codecs/layout.h"
#include "unv/run_state.h"

namespace unv2tessal {

/// The region command's text: the lead, the 8-character region ID, the tail.
inline constexpr std::string_view kRegionLead = "LOCATE VERTEX ID=";
inline constexpr std::size_t kRegionIdLength = 8;
inline constexpr std::string_view kRegionTail = "  ! # of vertices = ";
/// Region command: a 45-character text and the entity count in 10 columns.
inline constexpr RecordLayout kRegionRecord{FullTextField(), IntegerField(10)};
/// Vertex line: up to eight vertex numbers, 11 columns each.
inline constexpr RecordLayout kVertexLineRecord{Repeat(8, IntegerField(11))};

/// Converts one group dataset into the grid command file: the header, then
/// one region command with its vertex lines per group; returns after the
/// closing delimiter with the file closed.
void READ_GROUPS(Run& run);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_GROUPS_READ_GROUPS_H_

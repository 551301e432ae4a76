#ifndef UNV2TESSAL_GROUPS_GRID_HEADER_H_
#define UNV2TESSAL_GROUPS_GRID_HEADER_H_

#include <string_view>

#include "codecs/layout.h"
#include "unv/run_state.h"

namespace unv2tessal {

// The texts of the header records, in the order written.
inline constexpr std::string_view kGrid2DText =
    "GRID UNSTructured; # of ELEMents ";
inline constexpr std::string_view kGrid3DText =
    "GRID THREeD  UNSTructured; # of ELEMents ";
inline constexpr std::string_view kVertexCountText = "! # of vertices = ";
inline constexpr std::string_view kConnectivityText =
    "CONNectivity HYBRid in file <cncFileName>";
inline constexpr std::string_view kCoordinatesText =
    "COOR X Y Z VERTices in file <xyzFileName>";
inline constexpr std::string_view kElementOffsetText =
    "!original element numbers were offset by ";
inline constexpr std::string_view kNodeOffsetText =
    "!original node numbers were offset by ";

inline constexpr RecordLayout kGrid2DRecord{TextField(33), IntegerField(8)};
/// The 3D text is 41 characters in a 40-column field: its last blank is cut.
inline constexpr RecordLayout kGrid3DRecord{TextField(40), IntegerField(8)};
inline constexpr RecordLayout kVertexCountRecord{TextField(18),
                                                 IntegerField(8)};
inline constexpr RecordLayout kFullTextRecord{FullTextField()};
inline constexpr RecordLayout kElementOffsetRecord{TextField(41),
                                                   IntegerField(8)};
inline constexpr RecordLayout kNodeOffsetRecord{TextField(38), IntegerField(8)};

/// Asks for the grid command file's name, opens it on inpUnit and writes
/// its header from the shared counts and offsets. The file stays open for
/// the region commands.
void writeGridHeader(Run& run);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_GROUPS_GRID_HEADER_H_

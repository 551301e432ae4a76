#ifndef UNV2TESSAL_CHECK_MESH_CHECKS_H_
#define UNV2TESSAL_CHECK_MESH_CHECKS_H_

#include <cstdint>

#include "check/check_input.h"
#include "check/check_report.h"

namespace unv2tessal {

/// Reads a node dataset as the converter does (label record, coordinate
/// record, look-ahead) and fills `facts`. Returns the node count; the input
/// is left after the closing delimiter.
std::int64_t checkNodes(CheckInput& in, NodeFacts& facts);

/// Reads an element dataset as the converter does, working out for both
/// grid dimensions at once which elements are written, their numbers and
/// the map lines. Returns the element count; the input is left after the
/// closing delimiter.
std::int64_t checkElements(CheckInput& in, ElementFacts& facts);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_CHECK_MESH_CHECKS_H_

#ifndef UNV2TESSAL_UNV_REDUCTIONS_H_
#define UNV2TESSAL_UNV_REDUCTIONS_H_

#include <array>
#include <cstdint>

namespace unv2tessal {

// The element kinds that reduce to a kind the converter writes, on their
// corner nodes: the corners' places in each kind's node list.

/// A kind that reduces: triangles become FE 91, quadrilaterals 94, and the
/// parabolic solids their linear kind, each on its corner nodes.
struct Reduction {
  std::int32_t from;   // FE descriptor id read
  std::int32_t to;     // FE descriptor id written
  std::int32_t nodes;  // node count of the kind read
  std::int32_t cornerCount;
  /// 1-based positions of the corners in the node list read, in the order
  /// written.
  std::array<std::uint8_t, 8> corners;
};

/// The reduction of FE descriptor id `feId`, or nullptr for a kind that
/// passes through unchanged (FE 91, 94, 111, 112, 115 among them).
const Reduction* findReduction(std::int32_t feId);

/// Every reduction, ordered by FE descriptor id read.
const Reduction* reductionsBegin();
const Reduction* reductionsEnd();

}  // namespace unv2tessal

#endif  // UNV2TESSAL_UNV_REDUCTIONS_H_

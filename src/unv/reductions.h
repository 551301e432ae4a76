#ifndef UNV2TESSAL_UNV_REDUCTIONS_H_
#define UNV2TESSAL_UNV_REDUCTIONS_H_

#include <array>
#include <cstdint>

namespace unv2tessal {

// The element kinds that reduce to a kind the converter writes, on their
// corner nodes: the corners' places in each kind's node list.

/// A kind that reduces: triangles become FE 91, quadrilaterals 94, and the
/// parabolic solids their linear kind, each on its corner nodes. The
/// complete higher-order elements that exporters write under a written
/// kind's id (a 27-node brick as FE 115) reduce to that kind on their
/// corners, which come first: one row for each such node count.
struct Reduction {
  std::int32_t from;   // FE descriptor id read
  std::int32_t to;     // FE descriptor id written
  std::int32_t nodes;  // node count of the kind read
  std::int32_t cornerCount;
  /// 1-based positions of the corners in the node list read, in the order
  /// written.
  std::array<std::uint8_t, 8> corners;

  /// A row of a written kind's higher-order form, which holds only for
  /// elements of `nodes` nodes; any other row holds for every element of
  /// its kind.
  constexpr bool isHigherOrder() const { return from == to; }
};

/// The reduction of FE descriptor id `feId` whatever an element's node
/// count, or nullptr for a kind that passes through unchanged (FE 91, 94,
/// 111, 112, 115 among them).
const Reduction* findReduction(std::int32_t feId);

/// The reduction of an element of FE descriptor id `feId` whose descriptor
/// gives `nodeCount` nodes: findReduction(feId) when there is one (whose
/// `nodes` the caller compares with the count), else the higher-order row
/// of that id and count, else nullptr: the element passes through.
const Reduction* findReduction(std::int32_t feId, std::int32_t nodeCount);

/// Every reduction, ordered by FE descriptor id read, then node count.
const Reduction* reductionsBegin();
const Reduction* reductionsEnd();

}  // namespace unv2tessal

#endif  // UNV2TESSAL_UNV_REDUCTIONS_H_

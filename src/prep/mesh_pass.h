#ifndef UNV2TESSAL_PREP_MESH_PASS_H_
#define UNV2TESSAL_PREP_MESH_PASS_H_

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "prep/grouped.h"
#include "prep/prep_input.h"

namespace unv2tessal {

/// Counts a thing per FE descriptor id, without allocating for the ids
/// that universal files use.
class FeTally {
 public:
  void add(std::int32_t feId, std::int64_t n = 1) {
    if (feId >= 0 && feId < kDirect) {
      direct_[static_cast<std::size_t>(feId)] += n;
    } else {
      other_[feId] += n;
    }
  }
  /// The counts that are not 0, by id.
  std::map<std::int32_t, std::int64_t> counts() const;

 private:
  static constexpr std::int32_t kDirect = 256;
  std::array<std::int64_t, kDirect> direct_{};
  std::map<std::int32_t, std::int64_t> other_;
};

/// What the element datasets hold, as written to the output.
struct ElementTally {
  FeTally reduced;  // by FE id read
  FeTally written;  // by FE id written
  /// Higher-order elements of the written kinds reduced to their corners,
  /// by FE id and node count read.
  std::map<std::pair<std::int32_t, std::int32_t>, std::int64_t> higherOrder;
  std::int64_t emptyLines = 0;  // between element records, left out
};

/// What a node dataset began with, for the converter's questions.
struct NodeDatasetStart {
  bool empty = true;
  std::int32_t firstLabel = 0;
};

/// Copies the body of a node dataset (after its number line) through its
/// closing delimiter to `out`, node by node as the converter reads it,
/// marking the nodes that groups name in `grouped`.
NodeDatasetStart passNodes(PrepInput& in, Sink& out, GroupedNodes& grouped);

/// Copies the body of an element dataset through its closing delimiter to
/// `out`, writing the elements that reduce as two records on their corners,
/// leaving out empty lines between element records, keeping the output node
/// labels of the elements that `grouped` names and counting the elements in
/// `tally`.
void passElements(PrepInput& in, Sink& out, GroupedElements& grouped,
                  ElementTally& tally);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_PREP_MESH_PASS_H_

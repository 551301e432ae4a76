#ifndef UNV2TESSAL_GRID_VERTEX_FILTER_H_
#define UNV2TESSAL_GRID_VERTEX_FILTER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "grid/used_labels.h"

namespace unv2tessal {

class LinePipe;
class SafeOutput;

/// The prepared universal text on its way from unvprep's pass to the
/// converter, cut down to the nodes that the grid's elements use (the
/// default of tessalgrid): a node dataset keeps only the nodes of `used`,
/// and the 2435 dataset (unvprep's, at the end) only those among its
/// groups' nodes. With `relabel` each kept node label becomes its rank
/// among the used labels, in the node records, in the node records of the
/// elements the grid writes (`is2D`: the 2D grid's) and in the groups, so
/// that the converter numbers the vertices 1, 2, ... without a gap. Every
/// other line passes unchanged; a record that does not read passes too,
/// and the converter reports it.
class VertexFilter {
 public:
  VertexFilter(const UsedLabels& used, bool relabel, bool is2D);

  /// Reads `from` to its end and writes the text through `to` (open on the
  /// converter's pipe), which it finishes. Returns false, `to` unfinished,
  /// when `from` ends with an error (unvprep's pass failed).
  bool run(LinePipe& from, SafeOutput& to);

  std::int64_t nodesKept() const { return nodesKept_; }
  std::int64_t nodesDropped() const { return nodesDropped_; }
  /// For each group of the 2435 dataset, in order: its entities before and
  /// after the cut.
  const std::vector<std::int64_t>& groupsBefore() const { return before_; }
  const std::vector<std::int64_t>& groupsAfter() const { return after_; }
  /// Whether the node of rank `rank` among the used labels was met in the
  /// node dataset.
  bool found(std::int32_t rank) const {
    const auto r = static_cast<std::size_t>(rank);
    return r / 64 < found_.size() && ((found_[r / 64] >> (r % 64)) & 1u);
  }

 private:
  enum class State {
    kSeek,         // looking for a delimiter
    kNumber,       // the dataset-number line
    kNodeLabel,    // node record 1, or the closing delimiter
    kCoordinates,  // node record 2
    kDescriptor,   // element descriptor, or the closing delimiter
    kOrientation,  // a beam's orientation record
    kNodeRecords,  // element node records
    kGroupHead,    // group record 1, or the closing delimiter
    kGroupName,    // the name record
    kEntities,     // entity records
    kPass,         // after a record that did not read: all passes
  };

  void line(std::string_view bytes, std::string_view text);
  void nodeLabel(std::string_view bytes, std::string_view text);
  void descriptor(std::string_view text);
  void nodeRecord(std::string_view bytes, std::string_view text);
  void groupHead(std::string_view bytes, std::string_view text);
  void entities(std::string_view text);
  void endGroup();

  // Output: lines passed unchanged are gathered while they follow one
  // another in the block.
  void pass(std::string_view bytes) {
    if (bytes.data() != spanEnd_) {
      flushSpan();
      spanBegin_ = bytes.data();
    }
    spanEnd_ = bytes.data() + bytes.size();
  }
  void put(std::string_view bytes);
  void flushSpan();
  // Sets the 10-column field `k` (0-based) of the line text *text to
  // `value`, blank-padding a shorter line.
  static void setField(std::string* text, std::size_t k, std::int32_t value);
  // The tag as written, or 0 when the node is not kept.
  std::int32_t keptTag(std::int32_t label) const {
    const std::int32_t rank = used_.rank(label);
    if (rank == 0 || !found(rank)) return 0;
    return relabel_ ? rank : label;
  }

  const UsedLabels& used_;
  const bool relabel_;
  const bool is2D_;
  SafeOutput* out_ = nullptr;
  const char* spanBegin_ = nullptr;
  const char* spanEnd_ = nullptr;
  State state_ = State::kSeek;
  bool keepNode_ = false;
  // The element being read.
  std::int32_t records_ = 0;
  std::int32_t vertices_ = 0;  // written with this many, 0: not written
  std::int32_t recordsRead_ = 0;
  // The group being read.
  std::string head_, name_, entityText_;
  std::int32_t recordsLeft_ = 0, lastEntities_ = 0;
  std::vector<std::int32_t> tags_;
  std::int64_t entitiesRead_ = 0;
  std::string edited_;

  std::vector<std::uint64_t> found_;
  std::int64_t nodesKept_ = 0, nodesDropped_ = 0;
  std::vector<std::int64_t> before_, after_;
};

}  // namespace unv2tessal

#endif  // UNV2TESSAL_GRID_VERTEX_FILTER_H_

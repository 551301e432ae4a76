#ifndef UNV2TESSAL_PREP_GROUPED_H_
#define UNV2TESSAL_PREP_GROUPED_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

#include "io/helper_threads.h"

namespace unv2tessal {

/// Memory for a large array: its own mapping from 4 MiB on, with huge pages
/// asked for, else the heap. freeLarge() takes the same size back.
void* allocateLarge(std::size_t bytes);
void freeLarge(void* p, std::size_t bytes);

/// Allocates large arrays as their own mappings with transparent huge pages
/// asked for, so that filling them takes one page fault per 2 MiB instead
/// of one per 4 KiB; small ones come from the heap.
template <class T>
struct LargeArrayAllocator {
  using value_type = T;
  LargeArrayAllocator() = default;
  template <class U>
  LargeArrayAllocator(const LargeArrayAllocator<U>&) {}  // NOLINT: implicit
  T* allocate(std::size_t n) {
    return static_cast<T*>(allocateLarge(n * sizeof(T)));
  }
  void deallocate(T* p, std::size_t n) { freeLarge(p, n * sizeof(T)); }
  bool operator==(const LargeArrayAllocator&) const { return true; }
};

template <class T>
using LargeVector = std::vector<T, LargeArrayAllocator<T>>;

/// Makes the pages of a large array on a thread of its own, when there is
/// a CPU to spare, while the array is filled from its start: the kernel
/// clears each page it makes. The destructor waits for the thread.
class Prefault {
 public:
  Prefault() = default;
  Prefault(void* p, std::size_t bytes);

 private:
  HelperThread thread_;
};

/// The labels that groups name, sorted once, looked up by binary search.
class LabelSet {
 public:
  LabelSet() = default;
  /// Takes the tags (in any order, repeats allowed).
  explicit LabelSet(std::span<const std::int32_t> tags);

  /// Index of `label` in the set, or -1.
  std::ptrdiff_t find(std::int32_t label) const;
  /// The same, trying first the index after `hint` (an earlier result):
  /// tags that run in order are found at once.
  std::ptrdiff_t find(std::int32_t label, std::ptrdiff_t hint) const {
    const std::size_t next = static_cast<std::size_t>(hint + 1);
    if (hint >= 0 && next < labels_.size() && labels_[next] == label) {
      return hint + 1;
    }
    return find(label);
  }
  std::size_t size() const { return labels_.size(); }
  bool empty() const { return labels_.empty(); }

 private:
  LargeVector<std::int32_t> labels_;
};

/// The lowest and highest of the labels added; empty() before any.
struct LabelRange {
  std::int32_t low = std::numeric_limits<std::int32_t>::max();
  std::int32_t high = std::numeric_limits<std::int32_t>::min();
  bool empty() const { return low > high; }
  void add(std::int32_t label) {
    low = std::min(low, label);
    high = std::max(high, label);
  }
  void add(const LabelRange& other) {
    low = std::min(low, other.low);
    high = std::max(high, other.high);
  }
};

/// Node tags that groups name, marked as the node datasets are read.
class GroupedNodes {
 public:
  GroupedNodes() = default;
  explicit GroupedNodes(std::span<const std::int32_t> tags)
      : set_(tags), found_(set_.size(), 0) {}

  bool empty() const { return set_.empty(); }
  /// Marks `label` as a node of the file when a group names it.
  void mark(std::int32_t label) {
    const std::ptrdiff_t k = set_.find(label);
    if (k >= 0) {
      found_[static_cast<std::size_t>(k)] = 1;
      range_.add(label);
    }
  }
  bool found(std::int32_t label) const {
    const std::ptrdiff_t k = set_.find(label);
    return k >= 0 && found_[static_cast<std::size_t>(k)] != 0;
  }
  /// Bytes held: 5 a tag.
  std::size_t bytes() const { return set_.size() * 5; }
  /// The lowest and highest label marked.
  const LabelRange& range() const { return range_; }

 private:
  LabelSet set_;
  LargeVector<std::uint8_t> found_;
  LabelRange range_;
};

/// Element tags that groups name, and for each element found in an element
/// dataset the node labels it has in the output (its corners when reduced).
/// The first element of a label counts.
class GroupedElements {
 public:
  GroupedElements() = default;
  explicit GroupedElements(std::span<const std::int32_t> tags);

  bool empty() const { return set_.empty(); }
  /// Index of `label` among the grouped elements, or -1; `hint` as for
  /// LabelSet::find().
  std::ptrdiff_t find(std::int32_t label, std::ptrdiff_t hint = -1) const {
    return set_.find(label, hint);
  }
  /// Keeps the node labels of the grouped element `index` (unless an
  /// element of its label came before).
  void store(std::ptrdiff_t index, std::span<const std::int32_t> nodes) {
    const std::size_t k = static_cast<std::size_t>(index);
    if (start_[k] != kNotFound) return;
    if (nodes_.size() + nodes.size() >= kNotFound || nodes.size() > 255) {
      tooManyLabels();
    }
    start_[k] = static_cast<std::uint32_t>(nodes_.size());
    count_[k] = static_cast<std::uint8_t>(nodes.size());
    // The room is reserved for eight labels an element: no call to copy a
    // few labels, and no reallocation in the common case.
    for (const std::int32_t label : nodes) {
      nodes_.push_back(label);
      range_.add(label);
    }
    mostNodes_ = std::max(mostNodes_, nodes.size());
  }
  /// The node labels of element `label`; false when no element dataset
  /// holds it. *hint is the index found for the label before (-1 at
  /// first), so that labels asked in order are found at once.
  bool nodesOf(std::int32_t label, std::span<const std::int32_t>* nodes,
               std::ptrdiff_t* hint) const;
  /// The lowest and highest node label stored, and the most node labels of
  /// one element.
  const LabelRange& range() const { return range_; }
  std::size_t mostNodes() const { return mostNodes_; }
  /// Bytes held: 9 an element plus 4 a stored node label.
  std::size_t bytes() const {
    return set_.size() * 9 + nodes_.size() * sizeof(std::int32_t);
  }

 private:
  static constexpr std::uint32_t kNotFound =
      std::numeric_limits<std::uint32_t>::max();
  [[noreturn]] static void tooManyLabels();
  LabelSet set_;
  LargeVector<std::uint32_t> start_;  // into nodes_, kNotFound until found
  LargeVector<std::uint8_t> count_;
  LargeVector<std::int32_t> nodes_;
  Prefault prefault_;  // of nodes_
  LabelRange range_;
  std::size_t mostNodes_ = 0;
};

}  // namespace unv2tessal

#endif  // UNV2TESSAL_PREP_GROUPED_H_

#ifndef UNV2TESSAL_VIEW_VERTEX_MAP_H_
#define UNV2TESSAL_VIEW_VERTEX_MAP_H_

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace unv2tessal {

/// Vertex numbers of the vertex file to point indexes (0, 1, 2, ... in the
/// order of the file). Numbers may have gaps and come in any order. Memory
/// grows with the vertex count only: 4 bytes a vertex for the numbers, and
/// a direct table over their range (when the range is at most four times
/// the count) or a hash table of twice the count.
class VertexMap {
 public:
  static constexpr std::int32_t kAbsent = -1;

  /// A vertex number listed again: the later index and the first.
  struct Duplicate {
    std::int32_t index;
    std::int32_t first;
  };

  /// Makes room for n vertices ahead (a hint).
  void reserve(std::size_t n) { numbers_.reserve(n); }

  /// Adds the vertex with the next index.
  void add(std::int32_t number) {
    numbers_.push_back(number);
    if (number < min_) min_ = number;
    if (number > max_) max_ = number;
  }

  /// Builds the lookup once every vertex is added; returns the numbers
  /// listed more than once (their first index is the one looked up).
  std::vector<Duplicate> finish();

  /// The index of `number`, or kAbsent. REQUIRES: finish() was called.
  std::int32_t indexOf(std::int32_t number) const {
    if (!hashed_) {
      const std::int64_t at = std::int64_t{number} - min_;
      if (at < 0 || at >= static_cast<std::int64_t>(table_.size())) {
        return kAbsent;
      }
      return table_[static_cast<std::size_t>(at)];
    }
    for (std::size_t slot = slotOf(number);; slot = (slot + 1) & mask_) {
      const std::int32_t index = table_[slot];
      if (index == kAbsent ||
          numbers_[static_cast<std::size_t>(index)] == number) {
        return index;
      }
    }
  }

  std::size_t size() const { return numbers_.size(); }
  /// The vertex numbers by index.
  const std::vector<std::int32_t>& numbers() const { return numbers_; }
  /// True when the lookup is a hash table (the range was too sparse).
  bool hashed() const { return hashed_; }

 private:
  std::size_t slotOf(std::int32_t number) const {
    return (static_cast<std::uint32_t>(number) * 0x9E3779B1u >> shift_) & mask_;
  }

  std::vector<std::int32_t> numbers_;
  std::int32_t min_ = std::numeric_limits<std::int32_t>::max();
  std::int32_t max_ = std::numeric_limits<std::int32_t>::min();
  // Direct: index by number - min_. Hashed: index by slot, the number of a
  // slot being numbers_[index].
  std::vector<std::int32_t> table_;
  bool hashed_ = false;
  std::size_t mask_ = 0;
  int shift_ = 0;
};

}  // namespace unv2tessal

#endif  // UNV2TESSAL_VIEW_VERTEX_MAP_H_

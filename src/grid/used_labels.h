#ifndef UNV2TESSAL_GRID_USED_LABELS_H_
#define UNV2TESSAL_GRID_USED_LABELS_H_

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace unv2tessal {

namespace detail {
// Set bits of a word, inline: without a popcount instruction in the target,
// std::popcount is a call into the runtime library.
inline std::uint32_t bitsOf(std::uint64_t x) {
  x -= (x >> 1) & 0x5555555555555555u;
  x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
  x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
  return static_cast<std::uint32_t>((x * 0x0101010101010101u) >> 56);
}
}  // namespace detail

/// The node labels that written elements use, and each one's rank among
/// them (its vertex number in a grid of used nodes only). Labels are added
/// in any order, repeats allowed; freeze() then makes the ranks.
///
/// While the labels lie within a range of at most kMostBits, they are bits
/// of one bitset over that range (an eighth of a byte a label of the range,
/// and a 4-byte rank for each 64 of them); labels spread wider are kept as
/// a sorted vector of the distinct labels (4 bytes each).
class UsedLabels {
 public:
  /// The widest range kept as a bitset: 256 Mi labels, 32 MiB.
  static constexpr std::int64_t kMostBits = std::int64_t{1} << 28;

  void add(std::int32_t label) {
    if (sparse_) return addSparse(label);
    const std::int64_t at = std::int64_t{label} - base_;
    if (at >= 0 && at < bitCount()) {
      words_[static_cast<std::size_t>(at >> 6)] |= std::uint64_t{1}
                                                   << (at & 63);
      return;
    }
    grow(label);
  }

  /// Makes the ranks. No label may be added after it.
  void freeze();

  /// Whether `label` was added. REQUIRES: frozen.
  bool contains(std::int32_t label) const {
    if (sparse_) return rankSparse(label) != 0;
    const std::int64_t at = std::int64_t{label} - base_;
    if (at < 0 || at >= bitCount()) return false;
    return (words_[static_cast<std::size_t>(at >> 6)] >> (at & 63)) & 1u;
  }
  /// The rank of `label` among the labels added (1 for the lowest), or 0
  /// when it was not added. REQUIRES: frozen.
  std::int32_t rank(std::int32_t label) const {
    if (sparse_) return rankSparse(label);
    const std::int64_t at = std::int64_t{label} - base_;
    if (at < 0 || at >= bitCount()) return 0;
    const std::size_t w = static_cast<std::size_t>(at >> 6);
    const std::uint64_t word = words_[w];
    const std::uint64_t bit = std::uint64_t{1} << (at & 63);
    if ((word & bit) == 0) return 0;
    return static_cast<std::int32_t>(ranks_[w] +
                                     detail::bitsOf(word & (bit - 1)) + 1);
  }

  /// The distinct labels added. REQUIRES: frozen.
  std::int64_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  /// The lowest and the highest label. REQUIRES: frozen, not empty.
  std::int32_t lowest() const { return lowest_; }
  std::int32_t highest() const { return highest_; }
  /// The labels run from the lowest to the highest without a gap.
  bool contiguous() const {
    return size_ == 0 || std::int64_t{highest_} - lowest_ + 1 == size_;
  }
  /// Calls visit(label) for every label, in ascending order. REQUIRES:
  /// frozen.
  template <class Visit>
  void forEach(Visit&& visit) const {
    if (sparse_) {
      for (std::int32_t label : sorted_) visit(label);
      return;
    }
    for (std::size_t w = 0; w < words_.size(); ++w) {
      for (std::uint64_t word = words_[w]; word != 0; word &= word - 1) {
        visit(static_cast<std::int32_t>(base_ +
                                        static_cast<std::int64_t>(w) * 64 +
                                        std::countr_zero(word)));
      }
    }
  }
  /// Bytes held.
  std::size_t bytes() const {
    return words_.capacity() * 8 + ranks_.capacity() * 4 +
           sorted_.capacity() * 4;
  }
  /// The labels are kept as a sorted vector (spread wider than kMostBits).
  bool sparse() const { return sparse_; }

 private:
  std::int64_t bitCount() const {
    return static_cast<std::int64_t>(words_.size()) * 64;
  }
  void grow(std::int32_t label);
  void addSparse(std::int32_t label);
  void compactSparse();
  std::int32_t rankSparse(std::int32_t label) const;

  std::int64_t base_ = 0;  // the label of bit 0, a multiple of 64
  std::vector<std::uint64_t> words_;
  std::vector<std::uint32_t> ranks_;  // labels before each word
  bool sparse_ = false;
  std::vector<std::int32_t> sorted_;  // sparse: sorted, distinct once frozen
  std::size_t sortedUpTo_ = 0;        // sparse: the sorted, distinct prefix
  std::int64_t size_ = 0;
  std::int32_t lowest_ = 0, highest_ = 0;
};

}  // namespace unv2tessal

#endif  // UNV2TESSAL_GRID_USED_LABELS_H_

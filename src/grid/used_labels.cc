#include "grid/used_labels.h"

#include <algorithm>
#include <limits>

namespace unv2tessal {
namespace {

constexpr std::int64_t kLowestLabel = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kPastHighest =
    std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
// The first window: 64 Ki labels, 8 KiB.
constexpr std::int64_t kFirstBits = std::int64_t{1} << 16;

std::int64_t floor64(std::int64_t v) {
  return v >= 0 ? v & ~63 : -((-v + 63) & ~63);
}
std::int64_t ceil64(std::int64_t v) { return -floor64(-v); }

}  // namespace

void UsedLabels::grow(std::int32_t label) {
  if (words_.empty()) {
    base_ =
        std::max(floor64(std::int64_t{label} - kFirstBits / 2), kLowestLabel);
    words_.assign(static_cast<std::size_t>(kFirstBits / 64), 0);
    return add(label);
  }
  // The range at least doubles towards the label, so that labels met in
  // order cost a copy now and then only.
  const std::int64_t bits = bitCount();
  const std::int64_t end = base_ + bits;
  std::int64_t low = base_, high = end;
  if (label < base_) {
    low = std::max(floor64(std::min<std::int64_t>(label, base_ - bits)),
                   kLowestLabel);
  } else {
    high = std::min(
        ceil64(std::max<std::int64_t>(label + std::int64_t{1}, end + bits)),
        ceil64(kPastHighest));
  }
  if (high - low > kMostBits) {
    // Spread too wide for a bitset: the labels so far become a sorted list.
    std::vector<std::int32_t> labels;
    for (std::size_t w = 0; w < words_.size(); ++w) {
      for (std::uint64_t word = words_[w]; word != 0; word &= word - 1) {
        labels.push_back(static_cast<std::int32_t>(
            base_ + static_cast<std::int64_t>(w) * 64 +
            std::countr_zero(word)));
      }
    }
    words_ = {};
    sorted_ = std::move(labels);
    sortedUpTo_ = sorted_.size();
    sparse_ = true;
    return addSparse(label);
  }
  std::vector<std::uint64_t> words(static_cast<std::size_t>((high - low) / 64),
                                   0);
  std::copy(words_.begin(), words_.end(),
            words.begin() + static_cast<std::ptrdiff_t>((base_ - low) / 64));
  words_ = std::move(words);
  base_ = low;
  add(label);
}

void UsedLabels::addSparse(std::int32_t label) {
  sorted_.push_back(label);
  // Repeats are taken out whenever the list has doubled.
  if (sorted_.size() >= 2 * std::max<std::size_t>(sortedUpTo_, 1 << 20)) {
    compactSparse();
  }
}

void UsedLabels::compactSparse() {
  const auto middle =
      sorted_.begin() + static_cast<std::ptrdiff_t>(sortedUpTo_);
  std::sort(middle, sorted_.end());
  std::inplace_merge(sorted_.begin(), middle, sorted_.end());
  sorted_.erase(std::unique(sorted_.begin(), sorted_.end()), sorted_.end());
  sortedUpTo_ = sorted_.size();
}

std::int32_t UsedLabels::rankSparse(std::int32_t label) const {
  const auto at = std::lower_bound(sorted_.begin(), sorted_.end(), label);
  if (at == sorted_.end() || *at != label) return 0;
  return static_cast<std::int32_t>(at - sorted_.begin()) + 1;
}

void UsedLabels::freeze() {
  if (sparse_) {
    compactSparse();
    sorted_.shrink_to_fit();
    size_ = static_cast<std::int64_t>(sorted_.size());
    if (size_ > 0) {
      lowest_ = sorted_.front();
      highest_ = sorted_.back();
    }
    return;
  }
  ranks_.resize(words_.size());
  std::uint32_t before = 0;
  bool any = false;
  for (std::size_t w = 0; w < words_.size(); ++w) {
    ranks_[w] = before;
    const std::uint64_t word = words_[w];
    if (word == 0) continue;
    const std::int64_t at = base_ + static_cast<std::int64_t>(w) * 64;
    if (!any) lowest_ = static_cast<std::int32_t>(at + std::countr_zero(word));
    highest_ = static_cast<std::int32_t>(at + 63 - std::countl_zero(word));
    any = true;
    before += static_cast<std::uint32_t>(std::popcount(word));
  }
  size_ = before;
}

}  // namespace unv2tessal

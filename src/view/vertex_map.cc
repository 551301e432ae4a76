#include "view/vertex_map.h"

#include <bit>

namespace unv2tessal {

std::vector<VertexMap::Duplicate> VertexMap::finish() {
  std::vector<Duplicate> duplicates;
  const std::size_t n = numbers_.size();
  const std::int64_t range =
      n == 0 ? 0 : std::int64_t{max_} - std::int64_t{min_} + 1;
  hashed_ = range > 4 * static_cast<std::int64_t>(n) + 1024;
  if (!hashed_) {
    table_.assign(static_cast<std::size_t>(range), kAbsent);
  } else {
    const std::size_t slots = std::bit_ceil(2 * n);
    table_.assign(slots, kAbsent);
    mask_ = slots - 1;
    shift_ = 32 - std::countr_zero(slots);
  }
  for (std::size_t i = 0; i < n; ++i) {
    const std::int32_t number = numbers_[i];
    const std::int32_t index = static_cast<std::int32_t>(i);
    std::int32_t* slot = nullptr;
    if (!hashed_) {
      slot = &table_[static_cast<std::size_t>(std::int64_t{number} - min_)];
    } else {
      std::size_t s = slotOf(number);
      while (table_[s] != kAbsent &&
             numbers_[static_cast<std::size_t>(table_[s])] != number) {
        s = (s + 1) & mask_;
      }
      slot = &table_[s];
    }
    if (*slot == kAbsent) {
      *slot = index;
    } else {
      duplicates.push_back({index, *slot});
    }
  }
  return duplicates;
}

}  // namespace unv2tessal

#include "prep/grouped.h"

#include <algorithm>
#include <stdexcept>

namespace unv2tessal {

LabelSet::LabelSet(std::vector<std::int32_t> tags) : labels_(std::move(tags)) {
  std::sort(labels_.begin(), labels_.end());
  labels_.erase(std::unique(labels_.begin(), labels_.end()), labels_.end());
  labels_.shrink_to_fit();
}

std::ptrdiff_t LabelSet::find(std::int32_t label) const {
  const auto it = std::lower_bound(labels_.begin(), labels_.end(), label);
  if (it == labels_.end() || *it != label) return -1;
  return it - labels_.begin();
}

GroupedElements::GroupedElements(std::vector<std::int32_t> tags)
    : set_(std::move(tags)),
      start_(set_.size(), kNotFound),
      count_(set_.size(), 0) {}

void GroupedElements::store(std::ptrdiff_t index,
                            std::span<const std::int32_t> nodes) {
  const std::size_t k = static_cast<std::size_t>(index);
  if (start_[k] != kNotFound) return;
  if (nodes_.size() + nodes.size() >= kNotFound || nodes.size() > 255) {
    throw std::length_error("grouped elements hold too many node labels");
  }
  start_[k] = static_cast<std::uint32_t>(nodes_.size());
  count_[k] = static_cast<std::uint8_t>(nodes.size());
  nodes_.insert(nodes_.end(), nodes.begin(), nodes.end());
}

bool GroupedElements::nodesOf(std::int32_t label,
                              std::span<const std::int32_t>* nodes) const {
  const std::ptrdiff_t index = set_.find(label);
  if (index < 0) return false;
  const std::size_t k = static_cast<std::size_t>(index);
  if (start_[k] == kNotFound) return false;
  *nodes = std::span<const std::int32_t>(nodes_.data() + start_[k], count_[k]);
  return true;
}

}  // namespace unv2tessal

#include "check/label_sequence.h"

namespace unv2tessal {

void LabelSequence::add(std::int64_t label) {
  if (count_ == 0) {
    first_ = min_ = max_ = label;
  } else {
    if (label != last_ + 1) contiguous_ = false;
    if (label < last_) ascending_ = false;
    if (label == last_) ++repeats_;
    if (label < min_) min_ = label;
    if (label > max_) max_ = label;
  }
  last_ = label;
  ++count_;
}

std::int64_t LabelSequence::missing() const {
  if (count_ == 0 || !ascending_) return 0;
  return (max_ - min_ + 1) - (count_ - repeats_);
}

std::string LabelSequence::describe() const {
  if (count_ == 0) return "none";
  if (contiguous()) return "ascending without gaps";
  if (!ascending_) return "not ascending (gaps and repeats not told)";
  std::string s = "ascending";
  if (repeats_ > 0) s += ", " + std::to_string(repeats_) + " repeated";
  const std::int64_t gap = missing();
  if (gap > 0) s += ", " + std::to_string(gap) + " missing";
  return s;
}

}  // namespace unv2tessal

#ifndef UNV2TESSAL_CHECK_LABEL_SEQUENCE_H_
#define UNV2TESSAL_CHECK_LABEL_SEQUENCE_H_

#include <cstdint>
#include <string>

namespace unv2tessal {

/// What one pass over a sequence of labels can tell in constant memory:
/// count, first, last, smallest and largest label, and how the labels
/// follow one another. Gaps and repeats are known only while the labels
/// ascend; labels that go down once could repeat anywhere.
class LabelSequence {
 public:
  void add(std::int64_t label);

  std::int64_t count() const { return count_; }
  std::int64_t first() const { return first_; }
  std::int64_t last() const { return last_; }
  std::int64_t min() const { return min_; }
  std::int64_t max() const { return max_; }

  /// No label is smaller than the one before it.
  bool ascending() const { return ascending_; }
  /// Every label is the one before it plus 1.
  bool contiguous() const { return count_ > 0 && contiguous_; }
  /// Labels equal to the one before (meaningful only when ascending).
  std::int64_t repeats() const { return repeats_; }
  /// Labels missing between min and max (meaningful only when ascending).
  std::int64_t missing() const;

  /// True when `label` may be one of the sequence: exact for contiguous
  /// labels, a check against min..max otherwise.
  bool mayContain(std::int64_t label) const {
    return count_ > 0 && label >= min_ && label <= max_;
  }

  /// "ascending without gaps", "ascending, 143 labels missing", "not
  /// ascending", ... for the report.
  std::string describe() const;

 private:
  std::int64_t count_ = 0;
  std::int64_t first_ = 0;
  std::int64_t last_ = 0;
  std::int64_t min_ = 0;
  std::int64_t max_ = 0;
  std::int64_t repeats_ = 0;
  bool ascending_ = true;
  bool contiguous_ = true;
};

}  // namespace unv2tessal

#endif  // UNV2TESSAL_CHECK_LABEL_SEQUENCE_H_

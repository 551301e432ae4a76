#ifndef UNV2TESSAL_ELEMENTS_NUMBERING_H_
#define UNV2TESSAL_ELEMENTS_NUMBERING_H_

#include <cstdint>

#include "codecs/layout.h"
#include "unv/run_state.h"

namespace unv2tessal {

/// The renumbering map has a fixed name and no directory part.
inline constexpr const char* kMapFileName = "Element_Renumbering_Map.dat";
/// Map header: "Original" and "New", each right-justified in 10 columns.
inline constexpr RecordLayout kMapHeaderRecord{Repeat(2, TextField(10))};
/// Map line: the shifted label and the element number, 10 columns each.
inline constexpr RecordLayout kMapRecord{Repeat(2, IntegerField(10))};

/// Element numbering of one element dataset: the element offset fixed at
/// the first element, shifted labels, the renumbering map and the totals.
class ElementNumbering {
 public:
  /// Opens the map on mapUnit and writes its header.
  explicit ElementNumbering(Run& run);

  /// Takes an element's label; the first of the dataset fixes elementOffset
  /// when it is not 1. Returns the shifted label (label - elementOffset).
  std::int32_t takeLabel(std::int32_t label);

  /// Lists a written element in the map when its number differs from its
  /// shifted label.
  void recordWritten(std::int32_t number, std::int32_t shiftedLabel);

  /// Closes the map, sets elementCount to `count` and reports the totals.
  /// `lastShiftedLabel` is that of the last element read, written or not;
  /// `anyElement` is false for a dataset without elements (no gaps message).
  void closeAndReport(std::int32_t count, std::int32_t lastShiftedLabel,
                      bool anyElement);

 private:
  Run& run_;
  bool first_ = true;
};

}  // namespace unv2tessal

#endif  // UNV2TESSAL_ELEMENTS_NUMBERING_H_

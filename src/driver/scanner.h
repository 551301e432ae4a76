#ifndef UNV2TESSAL_DRIVER_SCANNER_H_
#define UNV2TESSAL_DRIVER_SCANNER_H_

#include <string_view>

#include "driver/run_state.h"
#include "records/layout.h"

namespace unv2tessal {

/// Columns 1-7 of any line, read as text: how every look-ahead tests for the
/// dataset delimiter.
inline constexpr RecordLayout kDelimiterRecord{TextField(7)};

/// True when the 7 columns are four blanks, "-1" and a blank: the dataset
/// delimiter line ("    -1", also followed by a blank and anything else).
inline bool isDelimiter(const FixedText<7>& columns) {
  return columns.view() == "    -1 ";
}

/// Reads the next line of the input (never taking end of file) and tells
/// whether it is the delimiter. When it is not, the input is stepped back so
/// the same line is read again.
bool atClosingDelimiter(Run& run);

/// atClosingDelimiter() followed, when the line is not the delimiter, by
/// reading that line again: returns false at the delimiter, else hands the
/// line out in *line as the next record (valid until the next read of the
/// input). The converters' loops use it to read each line once.
bool nextRecordUnlessDelimiter(Run& run, std::string_view* line);

/// Walks the datasets of the universal file open on `unit`, from its
/// current position to its end: passes over everything up to a delimiter
/// line, reads the dataset-number line (columns 3-6 as text; further
/// delimiter lines are passed over) and calls onDataset(number). The handler
/// may read the dataset's body; it must leave the unit at or before the
/// closing delimiter, or directly after it. Returns at end of file.
template <class OnDataset>
void scanDatasets(Units& units, int unit, OnDataset&& onDataset) {
  constexpr RecordLayout kDatasetNumberRecord{SkipField(2), TextField(4)};
  FixedText<7> delimiter;
  FixedText<4> number;
  for (;;) {
    bool found = false;
    while (units.readRecord(unit, kDelimiterRecord, true, delimiter)) {
      if (isDelimiter(delimiter)) {
        found = true;
        break;
      }
    }
    if (!found) return;
    bool haveNumber = false;
    while (units.readRecord(unit, kDatasetNumberRecord, true, number)) {
      if (number.view() != "  -1") {
        haveNumber = true;
        break;
      }
    }
    if (!haveNumber) return;
    onDataset(number.view());
  }
}

/// Opens the universal file, walks its datasets and hands nodes (2411),
/// elements (2412) and groups (2435) to their converters; every other
/// dataset is passed over. Prints "Opening File " and, at the end, "Done.".
void READ_IDEAS(Run& run, const Text64& unvFileName);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_DRIVER_SCANNER_H_

#ifndef UNV2TESSAL_UNV_FRAMING_H_
#define UNV2TESSAL_UNV_FRAMING_H_

// The framing of a universal file: datasets between delimiter lines, each
// opened by a dataset-number line. Every program walks a file with these;
// what a dataset's body holds is left to its reader.

#include <string_view>
#include <type_traits>
#include <utility>

#include "codecs/layout.h"
#include "io/line_io.h"
#include "io/units.h"

namespace unv2tessal {

/// Columns 1-6 of a delimiter line.
inline constexpr std::string_view kDelimiterStart = "    -1";

/// True when columns 1-7 of `line`, read as text, are four blanks, "-1" and
/// a blank: the delimiter line ("    -1", also followed by a blank and
/// anything else). A line that ends after column 6 reads as blank-padded.
inline bool isDelimiterLine(std::string_view line) {
  return line.size() >= kDelimiterStart.size() &&
         line.substr(0, kDelimiterStart.size()) == kDelimiterStart &&
         (line.size() == kDelimiterStart.size() ||
          line[kDelimiterStart.size()] == ' ');
}

/// Passes over the lines of `reader` up to the next delimiter line and
/// reads it, by the reader's fast scan: as reading them one by one and
/// asking isDelimiterLine() would. `passed` as for
/// LineReader::nextStartingWith().
inline LineReader::Status nextDelimiterLine(
    LineReader& reader, RawLine* line,
    const LineReader::Passed* passed = nullptr) {
  return reader.nextStartingWith(kDelimiterStart, isDelimiterLine, line,
                                 passed);
}

/// Columns 3-6 of a dataset-number line, as text, blank-padded when the line
/// is shorter; columns 1-2 and 7 onwards are ignored.
inline FixedText<4> datasetNumberOf(std::string_view line) {
  return FixedText<4>::of(line.size() > 2 ? line.substr(2)
                                          : std::string_view());
}

/// A dataset-number line whose columns 3-6 are "  -1" is taken as one more
/// delimiter (looser than isDelimiterLine(): other columns may hold anything).
inline bool isFurtherDelimiter(const FixedText<4>& number) {
  return number.view() == "  -1";
}

/// What a walk over the datasets (walkDatasets) does besides finding them:
/// nothing, and it passes over the lines between datasets as fast as its
/// source can. A walker that keeps what it passes over (unvprep writes the
/// file again) gives hooks of its own with these members:
///   passesLines(): true when the lines between datasets go to
///     passedOver(), one by one;
///   passedOver(line): a line between datasets, passed over on the way to
///     a delimiter;
///   delimiter(line): the delimiter line before a dataset-number line, and
///     each further delimiter after it.
struct NoFramingHooks {
  bool passesLines() const { return false; }
  template <class Line>
  void passedOver(const Line&) {}
  template <class Line>
  void delimiter(const Line&) {}
};

inline std::string_view textOf(std::string_view line) { return line; }
inline std::string_view textOf(const RawLine& line) { return line.text; }

/// The lines of a unit, as walkDatasets() reads them: its end of file ends
/// the walk.
struct UnitLines {
  using Line = std::string_view;
  Units& units;
  int unit;
  bool next(Line* line) { return units.readLine(unit, /*takeEof=*/true, line); }
  bool nextDelimiter(Line* line) {
    while (next(line)) {
      if (isDelimiterLine(*line)) return true;
    }
    return false;
  }
};

/// Walks the datasets of a universal file from the current line of `lines`
/// (anything with a Line type, next(Line*) and nextDelimiter(Line*), false
/// at the end of the file) to its end: passes over everything up to a
/// delimiter line, reads the dataset-number line (runs of delimiters are
/// passed over) and calls onDataset(number), the 4 columns as text, or
/// onDataset(number, numberLine). The handler may read the dataset's body;
/// it must leave the lines at or before the closing delimiter (which then
/// may open the next dataset), or directly after it. Returns at end of
/// file.
template <class Lines, class OnDataset, class Hooks = NoFramingHooks>
void walkDatasets(Lines& lines, OnDataset&& onDataset, Hooks&& hooks = {}) {
  using Line = typename Lines::Line;
  Line line{};
  for (;;) {
    bool found = false;
    if (!hooks.passesLines()) {
      found = lines.nextDelimiter(&line);
    } else {
      while (lines.next(&line)) {
        if (isDelimiterLine(textOf(line))) {
          found = true;
          break;
        }
        hooks.passedOver(line);
      }
    }
    if (!found) return;
    hooks.delimiter(line);
    FixedText<4> number;
    bool haveNumber = false;
    while (lines.next(&line)) {
      number = datasetNumberOf(textOf(line));
      if (!isFurtherDelimiter(number)) {
        haveNumber = true;
        break;
      }
      hooks.delimiter(line);
    }
    if (!haveNumber) return;
    if constexpr (std::is_invocable_v<OnDataset&, std::string_view,
                                      const Line&>) {
      onDataset(number.view(), static_cast<const Line&>(line));
    } else {
      onDataset(number.view());
    }
  }
}

/// walkDatasets() on the lines of `unit`.
template <class OnDataset>
void scanDatasets(Units& units, int unit, OnDataset&& onDataset) {
  UnitLines lines{units, unit};
  walkDatasets(lines, std::forward<OnDataset>(onDataset));
}

/// Why a file in which no dataset begins is not read, in the words of every
/// program: "the file is empty" when it holds no line (`lines` is 0), else
/// that it holds no dataset and is not a universal file.
std::string_view noDatasetReason(std::size_t lines);

/// One-line look-ahead inside a dataset's body: reads the next line (end of
/// file ends the run with report 24) and tells whether it is the closing
/// delimiter. When it is not, the line is stepped back and is read again.
bool atClosingDelimiter(Units& units, int unit);

/// Reads the next line (end of file: report 24): returns false at the
/// closing delimiter, else hands the line out in *line as the next record
/// (valid until the next read of `unit`), so that a record loop reads each
/// line once.
bool nextRecordUnlessDelimiter(Units& units, int unit, std::string_view* line);

/// Like atClosingDelimiter(), but the end of the file also ends the body (a
/// dataset that is only passed over); *eof tells which one was met.
bool atDelimiterOrEnd(Units& units, int unit, bool* eof);

/// Reads up to and including the next delimiter line. Returns false when
/// the file ended first.
bool skipToDelimiter(Units& units, int unit);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_UNV_FRAMING_H_

#include "unv/framing.h"

namespace unv2tessal {

std::string_view noDatasetReason(std::size_t lines) {
  if (lines == 0) return "the file is empty";
  return "no dataset (a delimiter line \"    -1\" and a dataset number): "
         "not a universal file";
}

bool atClosingDelimiter(Units& units, int unit) {
  std::string_view line;
  units.readLine(unit, /*takeEof=*/false, &line);
  if (isDelimiterLine(line)) return true;
  units.stepBack(unit);
  return false;
}

bool nextRecordUnlessDelimiter(Units& units, int unit, std::string_view* line) {
  units.readLine(unit, /*takeEof=*/false, line);
  return !isDelimiterLine(*line);
}

bool atDelimiterOrEnd(Units& units, int unit, bool* eof) {
  std::string_view line;
  *eof = !units.readLine(unit, /*takeEof=*/true, &line);
  if (*eof || isDelimiterLine(line)) return true;
  units.stepBack(unit);
  return false;
}

bool skipToDelimiter(Units& units, int unit) {
  std::string_view line;
  while (units.readLine(unit, /*takeEof=*/true, &line)) {
    if (isDelimiterLine(line)) return true;
  }
  return false;
}

}  // namespace unv2tessal

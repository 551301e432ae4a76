#include "driver/scanner.h"

#include "elements/read_elem.h"
#include "groups/read_groups.h"
#include "nodes/read_nodes.h"

namespace unv2tessal {

namespace {

// isDelimiter() on columns 1-7 of `line` read as text (kDelimiterRecord),
// without copying them: a line that ends after column 6 reads as
// blank-padded. It runs once per node and per element.
bool isDelimiterLine(std::string_view line) {
  return line.size() >= 6 && line.substr(0, 6) == "    -1" &&
         (line.size() == 6 || line[6] == ' ');
}

}  // namespace

bool atClosingDelimiter(Run& run) {
  const int unit = run.state.CHANNELS.unvUnit;
  std::string_view line;
  run.units.readLine(unit, /*takeEof=*/false, &line);
  if (isDelimiterLine(line)) return true;
  run.units.stepBack(unit);
  return false;
}

bool nextRecordUnlessDelimiter(Run& run, std::string_view* line) {
  run.units.readLine(run.state.CHANNELS.unvUnit, /*takeEof=*/false, line);
  return !isDelimiterLine(*line);
}

void READ_IDEAS(Run& run, const Text64& unvFileName) {
  const int unit = run.state.CHANNELS.unvUnit;
  run.units.openUnit(unit, unvFileName.view(), Units::Missing::kFail);
  run.console.writeConsoleLine({"Opening File ", unvFileName.view()});

  scanDatasets(run.units, unit, [&run](std::string_view number) {
    if (number == "2411") {
      READ_NODES(run);
      run.console.writeConsoleLine({"FINISHED READING NODES"});
    } else if (number == "2412") {
      READ_ELEM(run);
      run.console.writeConsoleLine({"FINISHED READING ELEMENTS"});
    } else if (number == "2435") {
      READ_GROUPS(run);
    }
  });
  run.units.closeUnit(unit);
  if (run.state.CHANNELS.verbose) run.console.writeConsoleLine({"Done."});
}

}  // namespace unv2tessal

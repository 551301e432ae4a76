#include "driver/scanner.h"

#include "elements/read_elem.h"
#include "groups/read_groups.h"
#include "nodes/read_nodes.h"

namespace unv2tessal {
namespace {

// The dataset-number line: columns 3-6 as text.
constexpr RecordLayout kDatasetNumberRecord{SkipField(2), TextField(4)};

}  // namespace

bool atClosingDelimiter(Run& run) {
  const int unit = run.state.CHANNELS.unvUnit;
  FixedText<7> lookAhead;
  run.units.readRecord(unit, kDelimiterRecord, /*takeEof=*/false, lookAhead);
  if (isDelimiter(lookAhead)) return true;
  run.units.stepBack(unit);
  return false;
}

void READ_IDEAS(Run& run, const Text64& unvFileName) {
  const int unit = run.state.CHANNELS.unvUnit;
  run.units.openUnit(unit, unvFileName.view());
  run.console.writeConsoleLine({"Opening File ", unvFileName.view()});

  FixedText<7> delimiter;
  FixedText<4> number;
  for (;;) {
    // Seek a delimiter line; everything else before it is passed over.
    bool found = false;
    while (run.units.readRecord(unit, kDelimiterRecord, true, delimiter)) {
      if (isDelimiter(delimiter)) {
        found = true;
        break;
      }
    }
    if (!found) break;
    // Read the dataset number; further delimiter lines are passed over.
    bool haveNumber = false;
    while (run.units.readRecord(unit, kDatasetNumberRecord, true, number)) {
      if (number.view() != "  -1") {
        haveNumber = true;
        break;
      }
    }
    if (!haveNumber) break;
    if (number.view() == "2411") {
      READ_NODES(run);
      run.console.writeConsoleLine({"FINISHED READING NODES"});
    } else if (number.view() == "2412") {
      READ_ELEM(run);
      run.console.writeConsoleLine({"FINISHED READING ELEMENTS"});
    } else if (number.view() == "2435") {
      READ_GROUPS(run);
    }
  }
  run.units.closeUnit(unit);
  if (run.state.CHANNELS.verbose) run.console.writeConsoleLine({"Done."});
}

}  // namespace unv2tessal

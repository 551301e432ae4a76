#include "driver/scanner.h"

#include "elements/read_elem.h"
#include "groups/read_groups.h"
#include "nodes/read_nodes.h"
#include "unv/framing.h"
#include "unv/group_records.h"

namespace unv2tessal {

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
    } else if (number == kPermanentGroups.number) {
      READ_GROUPS(run);
    }
  });
  run.units.closeUnit(unit);
  if (run.state.CHANNELS.verbose) run.console.writeConsoleLine({"Done."});
}

}  // namespace unv2tessal

#include "elements/numbering.h"

#include "io/checked.h"

namespace unv2tessal {

ElementNumbering::ElementNumbering(Run& run) : run_(run) {
  const int unit = run_.state.CHANNELS.mapUnit;
  run_.units.openUnit(unit, kMapFileName);
  run_.units.writeRecord(unit, kMapHeaderRecord, "Original", "New");
}

std::int32_t ElementNumbering::takeLabel(std::int32_t label) {
  Offsets& o = run_.state.OFFSETS;
  if (first_) {
    first_ = false;
    if (label != 1) o.elementOffset = checkedSub(label, 1);
  }
  return checkedSub(label, o.elementOffset);
}

void ElementNumbering::recordWritten(std::int32_t number,
                                     std::int32_t shiftedLabel) {
  if (number != shiftedLabel) {
    run_.units.writeRecord(run_.state.CHANNELS.mapUnit, kMapRecord,
                           shiftedLabel, number);
  }
}

void ElementNumbering::closeAndReport(std::int32_t count,
                                      std::int32_t lastShiftedLabel,
                                      bool anyElement) {
  run_.units.closeUnit(run_.state.CHANNELS.mapUnit);
  Console& console = run_.console;
  console.writeConsoleLine(
      {"New Renumbering Map is at file Element_Renumbering_Map.dat ."});
  run_.state.OFFSETS.elementCount = count;
  console.writeConsoleLine({"Total number of elements = ", count});
  if (anyElement && count != lastShiftedLabel) {
    console.writeConsoleLine(
        {"Elements in connectivity file are renumbered to eliminate gaps"});
  }
  console.writeConsoleLine({"Element offset in connectivity file is",
                            run_.state.OFFSETS.elementOffset});
}

}  // namespace unv2tessal

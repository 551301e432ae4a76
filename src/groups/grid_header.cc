#include "groups/grid_header.h"

namespace unv2tessal {

void writeGridHeader(Run& run) {
  const Text64 name = run.console.askFileName(
      "Enter GRID commands' filename for output (*.inp) [default: grid.inp]:",
      "GRID.INP", run.state.CHANNELS.inpUnit);
  run.state.FILENAMES.inpFileName = name;

  const int out = run.state.CHANNELS.inpUnit;
  const Offsets& o = run.state.OFFSETS;
  run.units.openUnit(out, name.view());
  run.console.writeConsoleLine({"Processing ..."});
  if (run.state.DIM.is2D) {
    run.console.writeConsoleLine({"Grid is 2D."});
    run.units.writeRecord(out, kGrid2DRecord, kGrid2DText, o.elementCount);
  } else {
    run.console.writeConsoleLine({"Grid is 3D."});
    run.units.writeRecord(out, kGrid3DRecord, kGrid3DText, o.elementCount);
  }
  run.units.writeRecord(out, kVertexCountRecord, kVertexCountText,
                        o.vertexCount);
  run.units.writeRecord(out, kFullTextRecord, kConnectivityText);
  run.units.writeRecord(out, kFullTextRecord, kCoordinatesText);
  if (o.elementOffset != 0) {
    run.units.writeRecord(out, kElementOffsetRecord, kElementOffsetText,
                          o.elementOffset);
  }
  if (o.nodeOffset != 0) {
    run.units.writeRecord(out, kNodeOffsetRecord, kNodeOffsetText,
                          o.nodeOffset);
  }
}

}  // namespace unv2tessal

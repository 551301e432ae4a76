#include "nodes/read_nodes.h"

#include <cstdint>

#include "driver/scanner.h"
#include "records/checked.h"

namespace unv2tessal {
namespace {

constexpr const char* kRenumberQuestion =
    "It has been detected that the vertex numbers are not starting with 1. "
    "This may result in unnecessary waste of RAM at TESSAL runtime. Do you "
    "want to renumber to save resources? [Y/N] (Default: Y)";

void askVertexFileName(Run& run) {
  run.console.writeConsoleLine(
      {"Enter vertex filename for output (*.xyz) [default: out.xyz]:"});
  Text64 name = run.console.readConsoleReply();
  if (name.isBlank()) name = Text64::of("OUT.XYZ");
  run.state.FILENAMES.xyzFileName = name;
}

// Asked once, at a first node not numbered 1. Only the reply's first
// character counts: "n" or "N" declines, anything else accepts.
void askRenumbering(Run& run, std::int32_t firstLabel) {
  run.console.writeConsoleLine({kRenumberQuestion});
  const Text64 reply = run.console.readConsoleReply();
  const char first = reply.chars[0];
  if (first == 'n' || first == 'N') {
    run.console.writeConsoleLine({"Processing..."});
    return;
  }
  run.state.OFFSETS.nodeOffset = checkedSub(firstLabel, 1);
  run.console.writeConsoleLine({"Processing with Renumbering..."});
}

// Converts the nodes up to the closing delimiter; returns their count.
std::int32_t convertNodes(Run& run) {
  const int in = run.state.CHANNELS.unvUnit;
  const int out = run.state.CHANNELS.xyzUnit;
  std::int32_t count = 0;
  bool firstNode = true;
  do {
    count = checkedAdd(count, 1);
    std::int32_t label = 0;
    run.units.readRecord(in, kNodeLabelRecord, false, label);
    if (firstNode) {
      firstNode = false;
      if (label != 1) askRenumbering(run, label);
    }
    label = checkedSub(label, run.state.OFFSETS.nodeOffset);
    double x = 0.0, y = 0.0, z = 0.0;
    run.units.readRecord(in, kNodeCoordinateRecord, false, x, y, z);
    run.units.writeRecord(out, kVertexRecord, label, x, y, z);
  } while (!atClosingDelimiter(run));
  return count;
}

}  // namespace

void READ_NODES(Run& run) {
  askVertexFileName(run);
  run.units.openUnit(run.state.CHANNELS.xyzUnit,
                     run.state.FILENAMES.xyzFileName.view());
  // A dataset whose closing delimiter follows its number line holds no node.
  const std::int32_t count = atClosingDelimiter(run) ? 0 : convertNodes(run);
  run.units.closeUnit(run.state.CHANNELS.xyzUnit);
  if (run.state.CHANNELS.verbose) {
    run.console.writeConsoleLine({"Total number of nodes = ", count});
    run.state.OFFSETS.vertexCount = count;
  }
  run.console.writeConsoleLine(
      {"nodeoffset is", run.state.OFFSETS.nodeOffset});
}

}  // namespace unv2tessal

#include "check/mesh_checks.h"

#include <array>

#include "unv/fe_descriptors.h"
#include "unv/framing.h"
#include "unv/mesh_records.h"

namespace unv2tessal {
namespace {

void passOver(CheckInput& in, std::int32_t records) {
  std::string_view line;
  for (std::int32_t k = 0; k < records; ++k) in.readLine(false, &line);
}

// The converter's look-ahead before an element, once the empty lines that
// gmsh writes after some elements are passed over and counted.
bool atElementsEnd(CheckInput& in, ElementFacts& facts) {
  std::string_view line;
  for (;;) {
    in.readLine(false, &line);
    if (!isEmptyLine(line)) break;
    ++facts.emptyLines;
  }
  if (isDelimiterLine(line)) return true;
  in.units().stepBack(CheckInput::kUnit);
  return false;
}

// Element numbering of one grid dimension: the running number and the map.
void number(GridFacts& grid, bool written, std::int64_t shiftedLabel) {
  if (!written) return;
  ++grid.written;
  if (grid.written != shiftedLabel) ++grid.mapLines;
}

}  // namespace

std::int64_t checkNodes(CheckInput& in, NodeFacts& facts) {
  ++facts.datasets;
  facts.labels = LabelSequence();
  if (in.atClosingDelimiter()) return 0;
  do {
    std::int32_t label = 0;
    in.readRecord(kNodeLabelRecord, "node label record", label);
    if (facts.labels.count() == 0 && label != 1) {
      // The default reply accepts renumbering; an earlier dataset's offset
      // stays when the first label is 1.
      facts.renumberingAsked = true;
      facts.nodeOffset = std::int64_t{label} - 1;
    }
    facts.labels.add(label);
    double x = 0, y = 0, z = 0;
    in.readRecord(kNodeCoordinateRecord, "node coordinate record", x, y, z);
  } while (!in.atClosingDelimiter());
  return facts.labels.count();
}

std::int64_t checkElements(CheckInput& in, ElementFacts& facts) {
  ++facts.datasets;
  facts.labels = LabelSequence();
  facts.perFeId.clear();
  facts.beams.clear();
  facts.continued.clear();
  facts.onCorners.clear();
  facts.grid2D = GridFacts();
  facts.grid3D = GridFacts();
  if (atElementsEnd(in, facts)) return 0;
  std::int64_t lastShifted = 0;
  do {
    std::string_view descriptor;
    in.readLine(false, &descriptor);
    std::int32_t label = 0, feId = 0;
    in.parse(descriptor, kDescriptorRecord, "element descriptor record", label,
             feId);
    if (facts.labels.count() == 0 && label != 1) {
      facts.elementOffset = std::int64_t{label} - 1;
    }
    facts.labels.add(label);
    lastShifted = label - facts.elementOffset;
    ++facts.perFeId[feId];
    const FeDescriptor& kind = feDescriptor(feId);
    if (kind.hasOrientationRecord()) {
      ++facts.beams[feId];
      passOver(in, 1);
    }
    std::array<std::int32_t, 8> v{};
    in.readRecord(kElementNodeRecord, "element node record", v[0], v[1], v[2],
                  v[3], v[4], v[5], v[6], v[7]);
    const std::int32_t more = continuationRecords(descriptor);
    if (more > 0) {
      if (kind.isWritten()) {
        ++facts.onCorners[{feId, nodeCountOf(descriptor)}];
      } else {
        ++facts.continued[feId];
      }
      passOver(in, more);
    }
    number(facts.grid2D, kind.in2D.vertices != 0, lastShifted);
    number(facts.grid3D, kind.in3D.vertices != 0, lastShifted);
  } while (!atElementsEnd(in, facts));
  facts.grid2D.renumberedMessage = facts.grid2D.written != lastShifted;
  facts.grid3D.renumberedMessage = facts.grid3D.written != lastShifted;
  return facts.labels.count();
}

}  // namespace unv2tessal

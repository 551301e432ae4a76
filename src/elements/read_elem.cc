#include "elements/read_elem.h"

#include <array>

#include "driver/scanner.h"
#include "elements/numbering.h"
#include "records/checked.h"
#include "records/fields.h"

namespace unv2tessal {
namespace {

// Tested in this order; each row applies in one dimension only.
constexpr std::array<Shape, 5> kShapes{{
    {91, true, 1, 3},    // thin shell linear triangle
    {94, true, 2, 4},    // thin shell linear quadrilateral
    {111, false, 3, 4},  // solid linear tetrahedron
    {112, false, 5, 6},  // solid linear wedge
    {115, false, 6, 8},  // solid linear brick
}};

// A connectivity line: number, two blanks, shape code, two blanks, vertex
// count, two blanks, then the vertex numbers in 10 columns each.
constexpr RecordLayout kConnectivityRecord{
    IntegerField(10), SkipField(2), IntegerField(1), SkipField(2),
    IntegerField(1),  SkipField(2), Repeat(8, IntegerField(10))};

// The node count of the descriptor record, columns 51-60.
constexpr std::size_t kNodeCountColumn = 50;
constexpr std::size_t kNodeCountWidth = 10;

void askDimension(Run& run) {
  for (;;) {
    run.console.writeConsoleLine({"Enter grid dimension (2 for 2D OR 3 for 3D)"});
    const Text64 reply = run.console.readConsoleReply();
    if (reply == Text64::of("2") || reply == Text64::of("3")) {
      run.state.DIM.is2D = reply.chars[0] == '2';
      return;
    }
    run.console.writeConsoleLine({reply.view(), " NOT A VALID ENTRY."});
  }
}

void askConnectivityFileName(Run& run) {
  run.console.writeConsoleLine(
      {"Enter connectivity filename for output (*.cnc) [default: out.cnc]:"});
  Text64 name = run.console.readConsoleReply();
  if (name.isBlank()) name = Text64::of("OUT.CNC");
  run.state.FILENAMES.cncFileName = name;
}

// The node count of a descriptor record, read leniently: a blank or
// malformed count is 0, since only elements of more than 8 nodes need it.
std::int32_t nodeCountOf(std::string_view descriptor) {
  if (descriptor.size() <= kNodeCountColumn) return 0;
  std::int32_t n = 0;
  if (!readIntegerField(descriptor.substr(kNodeCountColumn, kNodeCountWidth),
                        &n)) {
    return 0;
  }
  return n;
}

void passOver(Run& run, std::int32_t records) {
  std::string_view line;
  for (std::int32_t k = 0; k < records; ++k) {
    run.units.readLine(run.state.CHANNELS.unvUnit, false, &line);
  }
}

void writeConnectivity(Run& run, std::int32_t number, const Shape& shape,
                       const std::array<std::int32_t, 8>& v) {
  const int out = run.state.CHANNELS.cncUnit;
  const RecordLayout& l = kConnectivityRecord;
  switch (shape.vertices) {
    case 3:
      run.units.writeRecord(out, l, number, shape.code, shape.vertices, v[0],
                            v[1], v[2]);
      break;
    case 4:
      run.units.writeRecord(out, l, number, shape.code, shape.vertices, v[0],
                            v[1], v[2], v[3]);
      break;
    case 6:
      run.units.writeRecord(out, l, number, shape.code, shape.vertices, v[0],
                            v[1], v[2], v[3], v[4], v[5]);
      break;
    default:
      run.units.writeRecord(out, l, number, shape.code, shape.vertices, v[0],
                            v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
      break;
  }
}

struct ElementTotals {
  std::int32_t count = 0;
  std::int32_t lastShiftedLabel = 0;
};

// Converts the elements up to the closing delimiter.
ElementTotals convertElements(Run& run, ElementNumbering& numbering) {
  const int in = run.state.CHANNELS.unvUnit;
  ElementTotals totals;
  std::int32_t& number = totals.count;  // the running element number
  do {
    number = checkedAdd(number, 1);
    std::string_view descriptor;
    run.units.readLine(in, false, &descriptor);
    std::int32_t label = 0, feId = 0;
    run.units.parseRecord(in, descriptor, kDescriptorRecord, label, feId);
    const std::int32_t nodes = nodeCountOf(descriptor);
    totals.lastShiftedLabel = numbering.takeLabel(label);
    if (hasOrientationRecord(feId)) passOver(run, 1);
    std::array<std::int32_t, 8> v{};
    run.units.readRecord(in, kElementNodeRecord, false, v[0], v[1], v[2], v[3],
                         v[4], v[5], v[6], v[7]);
    for (std::int32_t& n : v) n = checkedSub(n, run.state.OFFSETS.nodeOffset);
    passOver(run, continuationRecords(nodes));
    const Shape* shape = findShape(run.state.DIM.is2D, feId);
    if (shape != nullptr) {
      writeConnectivity(run, number, *shape, v);
      numbering.recordWritten(number, totals.lastShiftedLabel);
    } else {
      number = checkedSub(number, 1);  // the next element takes its number
    }
  } while (!atClosingDelimiter(run));
  return totals;
}

}  // namespace

const Shape* findShape(bool is2D, std::int32_t feId) {
  for (const Shape& s : kShapes) {
    if (s.in2D == is2D && s.feId == feId) return &s;
  }
  return nullptr;
}

bool hasOrientationRecord(std::int32_t feId) {
  switch (feId) {
    case 11:
    case 21:
    case 22:
    case 23:
    case 24:
    case 31:
    case 32:
      return true;
    default:
      return false;
  }
}

std::int32_t continuationRecords(std::int32_t nodes) {
  return nodes > 8 ? (nodes - 1) / 8 : 0;
}

void READ_ELEM(Run& run) {
  askDimension(run);
  askConnectivityFileName(run);
  const int cnc = run.state.CHANNELS.cncUnit;
  run.units.openUnit(cnc, run.state.FILENAMES.cncFileName.view());
  run.console.writeConsoleLine({"Processing ..."});
  ElementNumbering numbering(run);
  // A dataset whose closing delimiter follows its number line holds no
  // element.
  const bool empty = atClosingDelimiter(run);
  const ElementTotals totals =
      empty ? ElementTotals{} : convertElements(run, numbering);
  run.units.closeUnit(cnc);
  numbering.closeAndReport(totals.count, totals.lastShiftedLabel, !empty);
}

}  // namespace unv2tessal

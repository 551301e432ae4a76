#include "elements/read_elem.h"

#include <array>
#include <cstring>

#include "driver/scanner.h"
#include "elements/numbering.h"
#include "records/checked.h"
#include "records/fast_fields.h"
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

static_assert([] {
  for (const Shape& s : kShapes) {
    if (s.code < 0 || s.code > 9 || s.vertices < 0 || s.vertices > 8) {
      return false;
    }
  }
  return true;
}());

// The node count of the descriptor record, columns 51-60.
constexpr std::size_t kNodeCountColumn = 50;
constexpr std::size_t kNodeCountWidth = 10;

void askDimension(Run& run) {
  for (;;) {
    run.console.writeConsoleLine(
        {"Enter grid dimension (2 for 2D OR 3 for 3D)"});
    const Text64 reply = run.console.readConsoleReply();
    if (reply == Text64::of("2") || reply == Text64::of("3")) {
      run.state.DIM.is2D = reply.chars[0] == '2';
      return;
    }
    run.console.writeConsoleLine({reply.view(), " NOT A VALID ENTRY."});
  }
}

// The node count of a descriptor record, read leniently: a blank or
// malformed count is 0, since only elements of more than 8 nodes need it.
std::int32_t nodeCountOf(std::string_view descriptor) {
  if (descriptor.size() <= kNodeCountColumn) return 0;
  std::int32_t n = 0;
  const bool valid =
      descriptor.size() >= kNodeCountColumn + kNodeCountWidth
          ? readInteger10(descriptor.data() + kNodeCountColumn, &n)
          : readIntegerField(descriptor.substr(kNodeCountColumn), &n);
  return valid ? n : 0;
}

// Reads the descriptor record's label and FE descriptor id.
void readDescriptor(Run& run, std::string_view descriptor, std::int32_t* label,
                    std::int32_t* feId) {
  if (descriptor.size() >= 20 && tryReadInteger10(descriptor.data(), label) &&
      tryReadInteger10(descriptor.data() + 10, feId)) {
    return;
  }
  run.units.parseRecord(run.state.CHANNELS.unvUnit, descriptor,
                        kDescriptorRecord, *label, *feId);
}

void passOver(Run& run, std::int32_t records) {
  std::string_view line;
  for (std::int32_t k = 0; k < records; ++k) {
    run.units.readLine(run.state.CHANNELS.unvUnit, false, &line);
  }
}

// The connectivity line (kConnectivityRecord) is laid out in place: its
// vertex fields as soon as the node record is read (the record's text does
// not outlive the next read), the rest when it is written. Shape codes and
// vertex counts are single digits.
static_assert(kConnectivityRecord.fields[0].width == 10 &&
              kConnectivityRecord.fields[7].width == 10);
constexpr std::size_t kVerticesColumn = 18;

struct ConnectivityLine {
  // Room for eight vertices, rounded up to a multiple of 16
  // (Units::writeRecordText).
  std::array<char, (kVerticesColumn + 8 * 10 + 15) / 16 * 16> text;
  int overflows = 0;  // fields filled with asterisks
};

// Reads the node record's eight labels (fields past the line end are 0),
// shifts them by nodeOffset and lays out the first `count` as vertex fields.
// With no shift, fields already in their written form are copied.
void readNodeRecord(Run& run, std::size_t count, ConnectivityLine& out) {
  const int in = run.state.CHANNELS.unvUnit;
  std::string_view line;
  run.units.readLine(in, false, &line);
  char* vertices = out.text.data() + kVerticesColumn;
  const std::int32_t offset = run.state.OFFSETS.nodeOffset;
  if (offset == 0 && copyPlainFields10(line, count, vertices)) return;
  std::array<std::int32_t, 8> v{};
  if (!readIntegerFields10(line, v.data(), v.size())) {
    run.units.fail(kReportInputConversion, in);
  }
  for (std::int32_t& n : v) n = checkedSub(n, offset);
  for (std::size_t k = 0; k < count; ++k) {
    if (!writeInteger(v[k], 10, vertices + 10 * k)) ++out.overflows;
  }
}

void writeConnectivity(Run& run, std::int32_t number, const Shape& shape,
                       ConnectivityLine& line) {
  char* r = line.text.data();
  if (!writeInteger(number, 10, r)) ++line.overflows;
  std::memcpy(r + 10, "  0  0  ", 8);
  r[12] = static_cast<char>('0' + shape.code);
  r[15] = static_cast<char>('0' + shape.vertices);
  const std::size_t count = static_cast<std::size_t>(shape.vertices);
  run.units.writeRecordText(run.state.CHANNELS.cncUnit, line.text,
                            kVerticesColumn + 10 * count, line.overflows);
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
  std::string_view descriptor;
  run.units.readLine(in, false, &descriptor);
  do {
    number = checkedAdd(number, 1);
    std::int32_t label = 0, feId = 0;
    readDescriptor(run, descriptor, &label, &feId);
    const std::int32_t more = continuationRecords(feId, descriptor);
    totals.lastShiftedLabel = numbering.takeLabel(label);
    if (hasOrientationRecord(feId)) passOver(run, 1);
    const Shape* shape = findShape(run.state.DIM.is2D, feId);
    ConnectivityLine line;
    readNodeRecord(
        run, shape != nullptr ? static_cast<std::size_t>(shape->vertices) : 0,
        line);
    passOver(run, more);
    if (shape != nullptr) {
      writeConnectivity(run, number, *shape, line);
      numbering.recordWritten(number, totals.lastShiftedLabel);
    } else {
      number = checkedSub(number, 1);  // the next element takes its number
    }
  } while (nextRecordUnlessDelimiter(run, &descriptor));
  return totals;
}

}  // namespace

const Shape* shapeOfCode(std::int32_t code) {
  for (const Shape& s : kShapes) {
    if (s.code == code) return &s;
  }
  return nullptr;
}

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

std::int32_t continuationRecords(std::int32_t feId,
                                 std::string_view descriptor) {
  for (const Shape& s : kShapes) {
    if (s.feId == feId) return 0;
  }
  const std::int32_t nodes = nodeCountOf(descriptor);
  return nodes > 8 ? (nodes - 1) / 8 : 0;
}

void READ_ELEM(Run& run) {
  askDimension(run);
  run.state.FILENAMES.cncFileName = run.console.askFileName(
      "Enter connectivity filename for output (*.cnc) [default: out.cnc]:",
      "OUT.CNC", run.state.CHANNELS.cncUnit);
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

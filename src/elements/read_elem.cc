#include "elements/read_elem.h"

#include <array>
#include <cstring>

#include "codecs/fast_fields.h"
#include "codecs/fields.h"
#include "elements/numbering.h"
#include "io/checked.h"
#include "unv/fe_descriptors.h"
#include "unv/framing.h"
#include "unv/mesh_records.h"

namespace unv2tessal {
namespace {

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

// Reads the descriptor record's label and FE descriptor id.
constexpr std::size_t kIdColumn = columnOf(kDescriptorRecord, 1);
static_assert(kDescriptorRecord.fields[0].width == 10 &&
              kDescriptorRecord.fields[1].width == 10);
void readDescriptor(Run& run, std::string_view descriptor, std::int32_t* label,
                    std::int32_t* feId) {
  if (descriptor.size() >= kIdColumn + 10 &&
      tryReadInteger10(descriptor.data(), label) &&
      tryReadInteger10(descriptor.data() + kIdColumn, feId)) {
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
// vertex counts are single digits (the FE descriptor table checks them).
constexpr std::size_t kNumberWidth = kConnectivityRecord.fields[0].width;
constexpr std::size_t kCodeColumn = columnOf(kConnectivityRecord, 2);
constexpr std::size_t kCountColumn = columnOf(kConnectivityRecord, 4);
constexpr std::size_t kVerticesColumn = columnOf(kConnectivityRecord, 6);
constexpr std::size_t kVertexWidth = kConnectivityRecord.fields[6].width;
static_assert(kConnectivityRecord.count == 14 && kNumberWidth == 10 &&
              kVertexWidth == 10 && kConnectivityRecord.fields[2].width == 1 &&
              kConnectivityRecord.fields[4].width == 1);
// Node labels and vertex numbers share the 10-column width (the fast copy).
static_assert(kElementNodeRecord.fields[0].width == kVertexWidth);

struct ConnectivityLine {
  // Room for eight vertices, rounded up to a multiple of 16
  // (Units::writeRecordText).
  std::array<char, (columnOf(kConnectivityRecord, 14) + 15) / 16 * 16> text;
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
    if (!writeInteger(v[k], kVertexWidth, vertices + kVertexWidth * k)) {
      ++out.overflows;
    }
  }
}

void writeConnectivity(Run& run, std::int32_t number, const Shape& shape,
                       ConnectivityLine& line) {
  char* r = line.text.data();
  if (!writeInteger(number, kNumberWidth, r)) ++line.overflows;
  std::memcpy(r + kNumberWidth, "  0  0  ", kVerticesColumn - kNumberWidth);
  r[kCodeColumn] = static_cast<char>('0' + shape.code);
  r[kCountColumn] = static_cast<char>('0' + shape.vertices);
  const std::size_t count = static_cast<std::size_t>(shape.vertices);
  run.units.writeRecordText(run.state.CHANNELS.cncUnit, line.text,
                            kVerticesColumn + kVertexWidth * count,
                            line.overflows);
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
    const FeDescriptor& kind = feDescriptor(feId);
    const std::int32_t more = continuationRecords(kind, descriptor);
    totals.lastShiftedLabel = numbering.takeLabel(label);
    if (kind.hasOrientationRecord()) passOver(run, 1);
    const Shape& written = run.state.DIM.is2D ? kind.in2D : kind.in3D;
    const Shape* shape = written.vertices != 0 ? &written : nullptr;
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
  } while (nextRecordUnlessDelimiter(run.units, in, &descriptor));
  return totals;
}

}  // namespace

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
  const bool empty = atClosingDelimiter(run.units, run.state.CHANNELS.unvUnit);
  const ElementTotals totals =
      empty ? ElementTotals{} : convertElements(run, numbering);
  run.units.closeUnit(cnc);
  numbering.closeAndReport(totals.count, totals.lastShiftedLabel, !empty);
}

}  // namespace unv2tessal

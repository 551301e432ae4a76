#include "nodes/read_nodes.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "codecs/fast_fields.h"
#include "io/checked.h"
#include "unv/framing.h"

namespace unv2tessal {
namespace {

constexpr const char* kRenumberQuestion =
    "It has been detected that the vertex numbers are not starting with 1. "
    "This may result in unnecessary waste of RAM at TESSAL runtime. Do you "
    "want to renumber to save resources? [Y/N] (Default: Y)";

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

// The vertex record is laid out in place from the text of record 2: each
// coordinate field goes straight to its exponent field (codecs/fast_fields.h
// gives the same bytes as reading the double and writing it).
constexpr std::size_t kNumberWidth = kVertexRecord.fields[0].width;
constexpr std::size_t kVertexColumns = columnOf(kVertexRecord, 4);
static_assert(kVertexRecord.count == 4 && kNumberWidth == 8 &&
              kVertexColumns <= 64);
// transcribeReal() reads a 25-column field of 16 implied digits and writes
// an 18-column field of 8 digits.
static_assert(kNodeCoordinateRecord.count == 3);
static_assert([] {
  for (std::size_t k = 0; k < 3; ++k) {
    const Field in = kNodeCoordinateRecord.fields[k];
    const Field out = kVertexRecord.fields[1 + k];
    if (in.width != kRealFieldWidth || in.digits != 16 ||
        out.width != kExponentFieldWidth || out.digits != 8) {
      return false;
    }
  }
  return true;
}());
// Columns of x, y, z in record 2 and in the vertex record.
constexpr std::array<std::size_t, 3> kReadColumns{
    columnOf(kNodeCoordinateRecord, 0), columnOf(kNodeCoordinateRecord, 1),
    columnOf(kNodeCoordinateRecord, 2)};
constexpr std::array<std::size_t, 3> kWrittenColumns{
    columnOf(kVertexRecord, 1), columnOf(kVertexRecord, 2),
    columnOf(kVertexRecord, 3)};
// The label field is 10 columns, the vertex number 8: a label in its
// written form is the vertex number in its last 8 columns.
constexpr std::size_t kLabelWidth = kNodeLabelRecord.fields[0].width;
static_assert(kLabelWidth == 10);

// A vertex record being assembled, and its fields filled with asterisks.
struct VertexLine {
  std::array<char, 64> text;  // a multiple of 16 (Units::writeRecordText)
  int overflows = 0;
};

// Reads the node label from record 1.
std::int32_t readNodeLabel(Run& run, int in, std::string_view line) {
  std::int32_t label = 0;
  if (line.size() < kLabelWidth || !tryReadInteger10(line.data(), &label)) {
    run.units.parseRecord(in, line, kNodeLabelRecord, label);
  }
  return label;
}

// Lays out the vertex number: with no shift, a label field in its written
// form is the vertex field already (its last 8 columns; the first two are
// blanks), else the label is read, shifted and written. The first node's
// label is always read, for the renumbering question.
void layOutVertexNumber(Run& run, int in, std::string_view record1,
                        bool firstNode, VertexLine& out) {
  if (!firstNode && run.state.OFFSETS.nodeOffset == 0 &&
      record1.size() >= kLabelWidth && isPlainInteger10(record1.data())) {
    std::memcpy(out.text.data(), record1.data() + (kLabelWidth - kNumberWidth),
                kNumberWidth);
    return;
  }
  std::int32_t label = readNodeLabel(run, in, record1);
  if (firstNode && label != 1) askRenumbering(run, label);
  label = checkedSub(label, run.state.OFFSETS.nodeOffset);
  if (!writeInteger(label, kNumberWidth, out.text.data())) ++out.overflows;
}

// Reads record 2 and writes the vertex record with its x, y, z.
void convertCoordinates(Run& run, int in, int out, VertexLine& vertex) {
  std::string_view line;
  run.units.readLine(in, false, &line);
  for (std::size_t k = 0; k < 3; ++k) {
    const std::size_t col = kReadColumns[k];
    const std::string_view cols = col < line.size()
                                      ? line.substr(col, kRealFieldWidth)
                                      : std::string_view();
    bool overflow = false;
    char* field = vertex.text.data() + kWrittenColumns[k];
    if (!transcribeReal(cols, field, &overflow)) {
      run.units.fail(kReportInputConversion, in);
    }
    vertex.overflows += overflow ? 1 : 0;
  }
  run.units.writeRecordText(out, vertex.text, kVertexColumns, vertex.overflows);
}

// Converts the nodes up to the closing delimiter; returns their count.
std::int32_t convertNodes(Run& run) {
  const int in = run.state.CHANNELS.unvUnit;
  const int out = run.state.CHANNELS.xyzUnit;
  std::int32_t count = 0;
  bool firstNode = true;
  std::string_view record1;
  run.units.readLine(in, false, &record1);
  do {
    count = checkedAdd(count, 1);
    VertexLine vertex;
    layOutVertexNumber(run, in, record1, firstNode, vertex);
    firstNode = false;
    convertCoordinates(run, in, out, vertex);
  } while (nextRecordUnlessDelimiter(run.units, in, &record1));
  return count;
}

}  // namespace

void READ_NODES(Run& run) {
  run.state.FILENAMES.xyzFileName = run.console.askFileName(
      "Enter vertex filename for output (*.xyz) [default: out.xyz]:", "OUT.XYZ",
      run.state.CHANNELS.xyzUnit);
  run.units.openUnit(run.state.CHANNELS.xyzUnit,
                     run.state.FILENAMES.xyzFileName.view());
  // A dataset whose closing delimiter follows its number line holds no node.
  const std::int32_t count =
      atClosingDelimiter(run.units, run.state.CHANNELS.unvUnit)
          ? 0
          : convertNodes(run);
  run.units.closeUnit(run.state.CHANNELS.xyzUnit);
  if (run.state.CHANNELS.verbose) {
    run.console.writeConsoleLine({"Total number of nodes = ", count});
    run.state.OFFSETS.vertexCount = count;
  }
  run.console.writeConsoleLine({"nodeoffset is", run.state.OFFSETS.nodeOffset});
}

}  // namespace unv2tessal

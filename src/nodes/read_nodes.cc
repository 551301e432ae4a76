#include "nodes/read_nodes.h"

#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>

#include "codecs/fast_fields.h"
#include "io/block_helper.h"
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

// The vertex record is laid out in place from the text of records 1 and 2:
// each coordinate field goes straight to its exponent field
// (codecs/fast_fields.h gives the same bytes as reading the double and
// writing it).
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
// Columns of x, y, z in the vertex record.
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
constexpr std::size_t kVertexRecordBytes = 64;  // 62 columns and CR LF
static_assert(kVertexColumns + 2 == kVertexRecordBytes &&
              sizeof(VertexLine::text) == kVertexRecordBytes);

// The rule of a node of the common form, for this thread and the helper
// alike: each lays out its part of the vertex record at `out` and returns
// false where the node asks more (a question, a report, asterisks), which
// this thread then gives it by the plain rules below, overwriting the part.
//
// The vertex number: with no shift, a label field in its written form is
// the vertex field already (its last 8 columns; the first two are blanks),
// else the label is read, shifted and written.
bool layOutVertexNumber(std::string_view record1, std::int32_t offset,
                        char* out) {
  if (offset == 0 && record1.size() >= kLabelWidth &&
      isPlainInteger10(record1.data())) {
    std::memcpy(out, record1.data() + (kLabelWidth - kNumberWidth),
                kNumberWidth);
    return true;
  }
  std::int32_t number = 0;
  return readNodeLabel(record1, &number) &&
         !__builtin_sub_overflow(number, offset, &number) &&
         writeInteger(number, kNumberWidth, out);
}

// x, y, z, each transcribed from record 2 straight to its exponent field.
bool layOutCoordinates(std::string_view record2, char* out) {
  for (std::size_t k = 0; k < 3; ++k) {
    bool overflow = false;
    if (!transcribeReal(coordinateField(record2, k), out + kWrittenColumns[k],
                        &overflow) ||
        overflow) {
      return false;
    }
  }
  return true;
}

// The vertex number by the plain rules: the first node's label is always
// read, for the renumbering question.
void vertexNumber(Run& run, int in, std::string_view record1, bool firstNode,
                  VertexLine& out) {
  std::int32_t label = 0;
  if (!readNodeLabel(record1, &label)) {
    run.units.fail(kReportInputConversion, in);
  }
  if (firstNode && label != 1) askRenumbering(run, label);
  label = checkedSub(label, run.state.OFFSETS.nodeOffset);
  if (!writeInteger(label, kNumberWidth, out.text.data())) ++out.overflows;
}

void coordinates(Run& run, int in, std::string_view record2,
                 VertexLine& vertex) {
  for (std::size_t k = 0; k < 3; ++k) {
    bool overflow = false;
    char* field = vertex.text.data() + kWrittenColumns[k];
    if (!transcribeReal(coordinateField(record2, k), field, &overflow)) {
      run.units.fail(kReportInputConversion, in);
    }
    vertex.overflows += overflow ? 1 : 0;
  }
}

// ---- the second part of a block, converted on a helper thread ----------
//
// With the input read ahead in blocks of whole lines, a BlockHelper
// (io/block_helper.h) converts the nodes of the last part of each block
// while this thread converts the first part: as long as they are of the
// common form, into kHelperRecords vertex records at most; at the first
// other node it stops, and this thread converts that node and what follows
// it as ever, reports included.

constexpr std::size_t kHelperRecords = 16384;

// The helper's task: the nodes from record 1 at `p` on.
void convertStretch(const char* p, const char* end, std::int32_t offset,
                    char* out, BlockHelper::Stretch* stretch) {
  while (stretch->records < kHelperRecords) {
    std::string_view label, coordinates;
    const char* q = nullptr;
    const char* next = nullptr;
    char* vertex = out + kVertexRecordBytes * stretch->records;
    if (!lineIn(p, end, &label, &q) || isDelimiterLine(label) ||
        !lineIn(q, end, &coordinates, &next) ||
        !layOutVertexNumber(label, offset, vertex) ||
        !layOutCoordinates(coordinates, vertex)) {
      return;
    }
    vertex[kVertexColumns] = '\r';
    vertex[kVertexColumns + 1] = '\n';
    ++stretch->records;
    stretch->end = p = next;
  }
}

// Converts the nodes up to the closing delimiter; returns their count.
// REQUIRES: the input has been read (atClosingDelimiter).
std::int32_t convertNodes(Run& run) {
  const int in = run.state.CHANNELS.unvUnit;
  const int out = run.state.CHANNELS.xyzUnit;
  std::int32_t count = 0;
  bool firstNode = true;
  std::string_view record1, record2;
  run.units.readLine(in, false, &record1);
  std::unique_ptr<char[]> helped;            // the helper's vertex records
  BlockHelper helper(run.units.reader(in));  // ends (waits) first
  do {
    if (helper.due(record1.data())) {
      const BlockHelper::Stretch* s = helper.reached(record1.data());
      if (s != nullptr &&
          s->records <= static_cast<std::size_t>(INT32_MAX - count)) {
        run.units.writeRecordsText(out, helped.get(), s->records,
                                   kVertexRecordBytes);
        count += static_cast<std::int32_t>(s->records);
        helper.took(*s);
        if (!nextRecordUnlessDelimiter(run.units, in, &record1)) break;
      }
      if (!firstNode) {
        if (!helped) {
          helped.reset(new char[kHelperRecords * kVertexRecordBytes]);
        }
        helper.start(
            record1.data(),
            [offset = run.state.OFFSETS.nodeOffset, to = helped.get()](
                const char* p, const char* end, BlockHelper::Stretch* stretch) {
              convertStretch(p, end, offset, to, stretch);
            });
      }
    }
    count = checkedAdd(count, 1);
    VertexLine vertex;
    if (firstNode || !layOutVertexNumber(record1, run.state.OFFSETS.nodeOffset,
                                         vertex.text.data())) {
      vertexNumber(run, in, record1, firstNode, vertex);
    }
    firstNode = false;
    run.units.readLine(in, false, &record2);
    if (!layOutCoordinates(record2, vertex.text.data())) {
      coordinates(run, in, record2, vertex);
    }
    run.units.writeRecordText(out, vertex.text, kVertexColumns,
                              vertex.overflows);
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

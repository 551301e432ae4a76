#include "elements/read_elem.h"

#include <array>
#include <climits>
#include <cstring>
#include <memory>

#include "codecs/fast_fields.h"
#include "codecs/fields.h"
#include "elements/numbering.h"
#include "io/block_helper.h"
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
constexpr std::size_t kLineBytes = sizeof(ConnectivityLine::text) + 2;

// The rules of the connectivity line, for this thread and the helper alike.
//
// The vertex fields at `vertices`: the first `count` of the node record's
// eight labels (fields past the line's end are 0), each less `offset`. With
// no shift, fields already in their written form are copied. Returns the
// fields filled with asterisks, or -1 when a label is not an integer or a
// shift overflows (failNodeRecord() reports which).
int layOutVertices(std::string_view nodes, std::size_t count,
                   std::int32_t offset, char* vertices) {
  if (offset == 0 && copyPlainFields10(nodes, count, vertices)) return 0;
  std::array<std::int32_t, 8> v{};
  if (!readIntegerFields10(nodes, v.data(), v.size())) return -1;
  for (std::int32_t& n : v) {
    if (__builtin_sub_overflow(n, offset, &n)) return -1;
  }
  int overflows = 0;
  for (std::size_t k = 0; k < count; ++k) {
    if (!writeInteger(v[k], kVertexWidth, vertices + kVertexWidth * k)) {
      ++overflows;
    }
  }
  return overflows;
}

// The report of a node record that layOutVertices() refused: a label that
// is not an integer, else a shift that overflows.
[[noreturn]] void failNodeRecord(Run& run, std::string_view nodes) {
  std::array<std::int32_t, 8> v{};
  if (!readIntegerFields10(nodes, v.data(), v.size())) {
    run.units.fail(kReportInputConversion, run.state.CHANNELS.unvUnit);
  }
  throw RunFailure(kReportIntegerOverflow);
}

// The element number, shape code and vertex count in front of the vertex
// fields; returns the columns of the line, and adds a field filled with
// asterisks to *overflows.
std::size_t layOutLine(std::int32_t number, const Shape& shape, char* r,
                       int* overflows) {
  if (!writeInteger(number, kNumberWidth, r)) ++*overflows;
  std::memcpy(r + kNumberWidth, "  0  0  ", kVerticesColumn - kNumberWidth);
  r[kCodeColumn] = static_cast<char>('0' + shape.code);
  r[kCountColumn] = static_cast<char>('0' + shape.vertices);
  return kVerticesColumn +
         kVertexWidth * static_cast<std::size_t>(shape.vertices);
}

struct ElementTotals {
  std::int32_t count = 0;
  std::int32_t lastShiftedLabel = 0;
};

// Converts one element whose descriptor record has just been read.
[[gnu::always_inline]] inline void convertElement(Run& run,
                                                  ElementNumbering& numbering,
                                                  std::string_view descriptor,
                                                  ElementTotals& totals) {
  const int in = run.state.CHANNELS.unvUnit;
  std::int32_t& number = totals.count;  // the running element number
  number = checkedAdd(number, 1);
  std::int32_t label = 0, feId = 0;
  if (!readDescriptorIds(descriptor, &label, &feId)) {
    run.units.fail(kReportInputConversion, in);
  }
  const FeDescriptor& kind = feDescriptor(feId);
  const std::int32_t more = continuationRecords(descriptor);
  totals.lastShiftedLabel = numbering.takeLabel(label);
  if (kind.hasOrientationRecord()) passOver(run, 1);
  const Shape& written = run.state.DIM.is2D ? kind.in2D : kind.in3D;
  std::string_view nodes;
  run.units.readLine(in, false, &nodes);
  ConnectivityLine line;
  line.overflows = layOutVertices(
      nodes, static_cast<std::size_t>(written.vertices),
      run.state.OFFSETS.nodeOffset, line.text.data() + kVerticesColumn);
  if (line.overflows < 0) failNodeRecord(run, nodes);
  passOver(run, more);
  if (written.vertices != 0) {
    const std::size_t columns =
        layOutLine(number, written, line.text.data(), &line.overflows);
    run.units.writeRecordText(run.state.CHANNELS.cncUnit, line.text, columns,
                              line.overflows);
    numbering.recordWritten(number, totals.lastShiftedLabel);
  } else {
    number = checkedSub(number, 1);  // the next element takes its number
  }
}

// ---- the second part of a block, converted on a helper thread ----------
//
// As for the nodes (nodes/read_nodes.cc): a BlockHelper converts the last
// part of each block while the input is read ahead. Its element numbers
// assume that every element before its stretch in the block is written, as
// in most meshes; this thread takes the stretch only when its own running
// number says so. The helper takes elements as long as they are written in
// this grid, of the common form (unv/fe_descriptors.h: two records), need
// no asterisks and no map line; this thread converts anything else as
// ever.

constexpr std::size_t kHelperRecords = 8192;

// What the helper made: its lines, where each ends, and its totals.
struct Helped {
  std::unique_ptr<char[]> lines{new char[kHelperRecords * kLineBytes]};
  std::unique_ptr<std::uint32_t[]> ends{new std::uint32_t[kHelperRecords]};
  std::int32_t base = 0;  // the running number before its first element
  std::int32_t lastShiftedLabel = 0;
};

// What the helper knows of the dataset.
struct StretchContext {
  std::int32_t number = 0;  // running number before the element just read
  std::int32_t nodeOffset = 0;
  std::int32_t elementOffset = 0;
  bool is2D = false;
};

// Lays out the connectivity line of element `number` into `out`; returns
// its length (CR LF included), or 0 when this thread must convert it.
std::size_t layOutCommonElement(std::string_view descriptor,
                                std::string_view nodes, const StretchContext& c,
                                std::int64_t number, char* out,
                                std::int32_t* shiftedLabel) {
  CommonElement e;
  if (!readCommonElement(descriptor, &e) ||
      __builtin_sub_overflow(e.label, c.elementOffset, shiftedLabel) ||
      number != *shiftedLabel) {
    return 0;
  }
  const Shape& shape = c.is2D ? e.kind->in2D : e.kind->in3D;
  int overflows = 0;
  if (shape.vertices == 0 ||
      layOutVertices(nodes, static_cast<std::size_t>(shape.vertices),
                     c.nodeOffset, out + kVerticesColumn) != 0) {
    return 0;
  }
  const std::size_t columns =
      layOutLine(static_cast<std::int32_t>(number), shape, out, &overflows);
  if (overflows != 0) return 0;
  out[columns] = '\r';
  out[columns + 1] = '\n';
  return columns + 2;
}

// The helper's task: the elements from the descriptor at `p` on.
void convertStretch(const char* p, const char* end, const StretchContext& c,
                    Helped* helped, BlockHelper::Stretch* stretch) {
  if (stretch->recordsBefore > static_cast<std::size_t>(INT32_MAX - c.number)) {
    return;
  }
  helped->base = c.number + static_cast<std::int32_t>(stretch->recordsBefore);
  std::uint32_t used = 0;
  while (stretch->records < kHelperRecords) {
    std::string_view descriptor, nodes;
    const char* q = nullptr;
    const char* next = nullptr;
    std::int32_t shifted = 0;
    if (!lineIn(p, end, &descriptor, &q) || isDelimiterLine(descriptor) ||
        !lineIn(q, end, &nodes, &next)) {
      return;
    }
    const std::size_t length =
        layOutCommonElement(descriptor, nodes, c,
                            std::int64_t{helped->base} + 1 +
                                static_cast<std::int64_t>(stretch->records),
                            helped->lines.get() + used, &shifted);
    if (length == 0) return;
    used += static_cast<std::uint32_t>(length);
    helped->ends[stretch->records++] = used;
    helped->lastShiftedLabel = shifted;
    stretch->end = p = next;
  }
}

// Converts the elements up to the closing delimiter.
// REQUIRES: the input has been read (atClosingDelimiter).
ElementTotals convertElements(Run& run, ElementNumbering& numbering) {
  const int in = run.state.CHANNELS.unvUnit;
  ElementTotals totals;
  std::string_view descriptor;
  run.units.readLine(in, false, &descriptor);
  std::unique_ptr<Helped> helped;
  BlockHelper helper(run.units.reader(in));  // ends (waits) first
  bool first = true;  // the first element fixes the element offset
  do {
    if (helper.due(descriptor.data())) {
      const BlockHelper::Stretch* s = helper.reached(descriptor.data());
      if (s != nullptr && helped->base == totals.count) {
        run.units.writeRecordsText(run.state.CHANNELS.cncUnit,
                                   helped->lines.get(), helped->ends.get(),
                                   s->records);
        totals.count += static_cast<std::int32_t>(s->records);
        totals.lastShiftedLabel = helped->lastShiftedLabel;
        helper.took(*s);
        if (!nextRecordUnlessDelimiter(run.units, in, &descriptor)) break;
      }
      if (!first) {
        if (!helped) helped = std::make_unique<Helped>();
        helper.start(
            descriptor.data(),
            [c = StretchContext{totals.count, run.state.OFFSETS.nodeOffset,
                                run.state.OFFSETS.elementOffset,
                                run.state.DIM.is2D},
             h = helped.get()](const char* p, const char* end,
                               BlockHelper::Stretch* stretch) {
              convertStretch(p, end, c, h, stretch);
            });
      }
    }
    first = false;
    convertElement(run, numbering, descriptor, totals);
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

#include "elements/read_elem.h"

#include <array>
#include <climits>
#include <cstring>
#include <memory>

#include "codecs/fast_fields.h"
#include "codecs/fields.h"
#include "elements/numbering.h"
#include "io/checked.h"
#include "io/helper_threads.h"
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

// ---- the second half of a block, converted on a helper thread ----------
//
// As for the nodes (nodes/read_nodes.cc): while the input is read ahead,
// the second half of each block goes to a TaskThread. Its element numbers
// assume that every element before its stretch in the block is written, as
// in most meshes; this thread takes the stretch only when its own running
// number says so. The helper takes elements as long as they are written in
// this grid, of the common form (two records: no more than eight nodes),
// need no asterisks and no map line; this thread converts anything else as
// ever.

constexpr std::size_t kSplitBytes = std::size_t{1} << 16;
// This thread converts the first kMainPart eighths of the rest of a block:
// it also reads the lines and writes the helper's records.
constexpr std::size_t kMainPart = 3;
constexpr std::size_t kHelperRecords = 8192;
constexpr std::size_t kLineBytes = sizeof(ConnectivityLine::text) + 2;

// What the helper made of the second half of a block.
struct Stretch {
  const char* start = nullptr;  // its first descriptor record
  const char* end = nullptr;    // after the last element converted
  std::size_t records = 0;
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

// Lays out the connectivity line of one element into `out`; returns its
// length (CR LF included), or 0 when this thread must convert it.
std::size_t layOutCommonElement(std::string_view descriptor,
                                std::string_view nodes, const StretchContext& c,
                                std::int64_t number, char* out,
                                std::int32_t* shiftedLabel) {
  std::int32_t label = 0, feId = 0;
  if (descriptor.size() < kIdColumn + 10 ||
      !tryReadInteger10(descriptor.data(), &label) ||
      !tryReadInteger10(descriptor.data() + kIdColumn, &feId) ||
      __builtin_sub_overflow(label, c.elementOffset, shiftedLabel) ||
      number != *shiftedLabel) {
    return 0;
  }
  const FeDescriptor& kind = feDescriptor(feId);
  const Shape& shape = c.is2D ? kind.in2D : kind.in3D;
  // An element of more than eight nodes goes on in continuation records:
  // the stretch is two records an element.
  if (shape.vertices == 0 || continuationRecords(descriptor) != 0) return 0;
  const std::size_t count = static_cast<std::size_t>(shape.vertices);
  char* vertices = out + kVerticesColumn;
  if (c.nodeOffset != 0 || !copyPlainFields10(nodes, count, vertices)) {
    std::array<std::int32_t, 8> v{};
    if (!readIntegerFields10(nodes, v.data(), v.size())) return 0;
    for (std::int32_t& n : v) {
      if (__builtin_sub_overflow(n, c.nodeOffset, &n)) return 0;
    }
    for (std::size_t k = 0; k < count; ++k) {
      if (!writeInteger(v[k], kVertexWidth, vertices + kVertexWidth * k)) {
        return 0;
      }
    }
  }
  if (!writeInteger(static_cast<std::int32_t>(number), kNumberWidth, out)) {
    return 0;
  }
  std::memcpy(out + kNumberWidth, "  0  0  ", kVerticesColumn - kNumberWidth);
  out[kCodeColumn] = static_cast<char>('0' + shape.code);
  out[kCountColumn] = static_cast<char>('0' + shape.vertices);
  const std::size_t columns = kVerticesColumn + kVertexWidth * count;
  out[columns] = '\r';
  out[columns + 1] = '\n';
  return columns + 2;
}

// `rest` starts with the node record of the element just read (records
// alternate: node record, descriptor, ...); the stretch starts at the
// first descriptor at or after `middle`.
void convertStretch(std::string_view rest, const char* middle,
                    const StretchContext& c, char* out, std::uint32_t* ends,
                    Stretch* stretch) {
  const char* begin = rest.data();
  const char* end = begin + rest.size();
  const std::size_t lines = countLines(begin, middle);
  const char* p = middle;
  std::string_view line;
  if (lines % 2 == 0 && !lineIn(p, end, &line, &p)) return;  // a node record
  // Elements before the stretch: the one just read, and one for each two
  // lines of `rest` before it.
  const std::size_t before = 1 + countLines(begin, p) / 2;
  if (before > static_cast<std::size_t>(INT32_MAX - c.number)) return;
  stretch->start = p;
  stretch->end = p;
  stretch->base = c.number + static_cast<std::int32_t>(before);
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
                            std::int64_t{stretch->base} + 1 +
                                static_cast<std::int64_t>(stretch->records),
                            out + used, &shifted);
    if (length == 0) return;
    used += static_cast<std::uint32_t>(length);
    ends[stretch->records++] = used;
    stretch->lastShiftedLabel = shifted;
    stretch->end = next;
    p = next;
  }
}

class ElementHelper {
 public:
  // While it lives, the reader of `unit` keeps each block until the task
  // that reads it has ended.
  ElementHelper(Units& units, int unit)
      : units_(units),
        unit_(unit),
        out_(new char[kHelperRecords * kLineBytes]),
        ends_(new std::uint32_t[kHelperRecords]) {
    units_.guardBlock(unit_, &thread_);
  }
  ~ElementHelper() {
    thread_.wait();
    units_.guardBlock(unit_, nullptr);
  }
  ElementHelper(const ElementHelper&) = delete;
  ElementHelper& operator=(const ElementHelper&) = delete;

  bool pending() const { return thread_.pending(); }
  const char* middle() const { return middle_; }

  // Starts on the second half of `rest`.
  void start(std::string_view rest, const StretchContext& context) {
    const char* half = rest.data() + rest.size() * kMainPart / 8;
    const void* nl = std::memchr(
        half, '\n', static_cast<std::size_t>(rest.data() + rest.size() - half));
    if (nl == nullptr) return;  // the last line of the file, without LF
    middle_ = static_cast<const char*>(nl) + 1;
    stretch_ = Stretch{};
    thread_.post([this, rest, context] {
      convertStretch(rest, middle_, context, out_.get(), ends_.get(),
                     &stretch_);
    });
  }

  // The stretch, empty when the task had not started: then this thread
  // converts its records.
  const Stretch& finish() {
    if (!thread_.wait()) stretch_ = Stretch{};
    return stretch_;
  }
  const char* output() const { return out_.get(); }
  const std::uint32_t* ends() const { return ends_.get(); }

 private:
  Units& units_;
  int unit_;
  std::unique_ptr<char[]> out_;
  std::unique_ptr<std::uint32_t[]> ends_;
  const char* middle_ = nullptr;
  Stretch stretch_;
  TaskThread thread_;  // last: destroyed (and waited for) first
};

struct ElementTotals {
  std::int32_t count = 0;
  std::int32_t lastShiftedLabel = 0;
};

// Takes the helper's stretch when it starts at `descriptor` (just read)
// with the running number `totals.count`: writes its lines, passes over its
// records and reads the next descriptor into *descriptor; *more is false
// when that is the closing delimiter.
bool takeStretch(Run& run, ElementHelper& helper, ElementTotals* totals,
                 std::string_view* descriptor, bool* more) {
  const Stretch& s = helper.finish();
  if (s.start != descriptor->data() || s.records == 0 ||
      s.base != totals->count) {
    return false;
  }
  const int in = run.state.CHANNELS.unvUnit;
  run.units.writeRecordsText(run.state.CHANNELS.cncUnit, helper.output(),
                             helper.ends(), s.records);
  totals->count = s.base + static_cast<std::int32_t>(s.records);
  totals->lastShiftedLabel = s.lastShiftedLabel;
  run.units.skipTo(in, s.end, 2 * s.records - 1);
  *more = nextRecordUnlessDelimiter(run.units, in, descriptor);
  return true;
}

// Converts one element whose descriptor record has just been read.
[[gnu::always_inline]] inline void convertElement(Run& run,
                                                  ElementNumbering& numbering,
                                                  std::string_view descriptor,
                                                  ElementTotals& totals) {
  std::int32_t& number = totals.count;  // the running element number
  number = checkedAdd(number, 1);
  std::int32_t label = 0, feId = 0;
  readDescriptor(run, descriptor, &label, &feId);
  const FeDescriptor& kind = feDescriptor(feId);
  const std::int32_t more = continuationRecords(descriptor);
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
}

// Converts the elements up to the closing delimiter, all on this thread.
ElementTotals convertElementsHere(Run& run, ElementNumbering& numbering) {
  const int in = run.state.CHANNELS.unvUnit;
  ElementTotals totals;
  std::string_view descriptor;
  run.units.readLine(in, false, &descriptor);
  do {
    convertElement(run, numbering, descriptor, totals);
  } while (nextRecordUnlessDelimiter(run.units, in, &descriptor));
  return totals;
}

// As convertElementsHere(), with a helper thread on each block's second
// part (the loop apart keeps the one-thread loop as lean as it was).
[[gnu::noinline]] ElementTotals convertElementsWithHelper(
    Run& run, ElementNumbering& numbering) {
  const int in = run.state.CHANNELS.unvUnit;
  ElementTotals totals;
  std::string_view descriptor;
  run.units.readLine(in, false, &descriptor);
  ElementHelper helper(run.units, in);
  bool first = true;  // the first element fixes the element offset
  do {
    if (helper.pending() && descriptor.data() >= helper.middle()) {
      bool more = true;
      if (takeStretch(run, helper, &totals, &descriptor, &more) && !more) {
        break;
      }
    }
    if (!helper.pending() && !first) {
      const std::string_view rest = run.units.restOfBlock(in);
      if (rest.size() >= 2 * kSplitBytes) {
        helper.start(rest,
                     StretchContext{totals.count, run.state.OFFSETS.nodeOffset,
                                    run.state.OFFSETS.elementOffset,
                                    run.state.DIM.is2D});
      }
    }
    first = false;
    convertElement(run, numbering, descriptor, totals);
  } while (nextRecordUnlessDelimiter(run.units, in, &descriptor));
  return totals;
}

// Converts the elements up to the closing delimiter.
// REQUIRES: the input has been read (atClosingDelimiter).
ElementTotals convertElements(Run& run, ElementNumbering& numbering) {
  return run.units.readsAhead(run.state.CHANNELS.unvUnit)
             ? convertElementsWithHelper(run, numbering)
             : convertElementsHere(run, numbering);
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

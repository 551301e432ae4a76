#include "nodes/read_nodes.h"

#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>

#include "codecs/fast_fields.h"
#include "io/checked.h"
#include "io/helper_threads.h"
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
[[gnu::always_inline]] inline void layOutVertexNumber(Run& run, int in,
                                                      std::string_view record1,
                                                      bool firstNode,
                                                      VertexLine& out) {
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
[[gnu::always_inline]] inline void convertCoordinates(Run& run, int in, int out,
                                                      VertexLine& vertex) {
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

// ---- the second half of a block, converted on a helper thread ----------
//
// With the input read ahead in blocks of whole lines, the records of the
// second half of each block are converted on a TaskThread while this thread
// converts the first half. The helper takes records as long as they are of
// the common form and their vertex records need no asterisks; at the first
// other record it stops, and this thread converts that record and what
// follows it as ever, reports included. So the files, the console and the
// reports are those of a conversion on one thread.

constexpr std::size_t kVertexRecordBytes = 64;  // 62 columns and CR LF
static_assert(kVertexColumns + 2 == kVertexRecordBytes);
// A block's rest is split only when each half holds many records.
constexpr std::size_t kSplitBytes = std::size_t{1} << 16;
// This thread converts the first kMainPart eighths of the rest of a block:
// it also reads the lines and writes the helper's records.
constexpr std::size_t kMainPart = 3;
constexpr std::size_t kHelperRecords = 16384;

// Lays out the vertex record of one node into out[0, 64), or returns false
// when the node is not of the common form or needs asterisks.
bool layOutCommonVertex(std::string_view label, std::string_view coordinates,
                        std::int32_t offset, char* out) {
  if (label.size() < kLabelWidth) return false;
  if (offset == 0 && isPlainInteger10(label.data())) {
    std::memcpy(out, label.data() + (kLabelWidth - kNumberWidth), kNumberWidth);
  } else {
    std::int32_t number = 0;
    if (!tryReadInteger10(label.data(), &number) ||
        __builtin_sub_overflow(number, offset, &number) ||
        !writeInteger(number, kNumberWidth, out)) {
      return false;
    }
  }
  for (std::size_t k = 0; k < 3; ++k) {
    const std::size_t col = kReadColumns[k];
    const std::string_view cols = col < coordinates.size()
                                      ? coordinates.substr(col, kRealFieldWidth)
                                      : std::string_view();
    bool overflow = false;
    if (!transcribeReal(cols, out + kWrittenColumns[k], &overflow) ||
        overflow) {
      return false;
    }
  }
  out[kVertexColumns] = '\r';
  out[kVertexColumns + 1] = '\n';
  return true;
}

// What the helper made of the second half of a block.
struct Stretch {
  const char* start = nullptr;  // its first record, a node's record 1
  const char* end = nullptr;    // after the last record converted
  std::size_t records = 0;
};

// `rest` starts with a record 2 (lines alternate: record 2, record 1, ...);
// the stretch starts at the first record 1 at or after `middle`.
void convertStretch(std::string_view rest, const char* middle,
                    std::int32_t offset, char* out, Stretch* stretch) {
  const char* begin = rest.data();
  const char* end = begin + rest.size();
  const std::size_t lines = countLines(begin, middle);
  const char* p = middle;
  std::string_view line;
  if (lines % 2 == 0 && !lineIn(p, end, &line, &p)) return;  // a record 2
  stretch->start = p;
  stretch->end = p;
  while (stretch->records < kHelperRecords) {
    std::string_view label, coordinates;
    const char* q = nullptr;
    const char* next = nullptr;
    if (!lineIn(p, end, &label, &q) || isDelimiterLine(label) ||
        !lineIn(q, end, &coordinates, &next) ||
        !layOutCommonVertex(label, coordinates, offset,
                            out + kVertexRecordBytes * stretch->records)) {
      return;
    }
    ++stretch->records;
    stretch->end = next;
    p = next;
  }
}

class NodeHelper {
 public:
  // While it lives, the reader of `unit` keeps each block until the task
  // that reads it has ended.
  NodeHelper(Units& units, int unit)
      : units_(units),
        unit_(unit),
        out_(new char[kHelperRecords * kVertexRecordBytes]) {
    units_.guardBlock(unit_, &thread_);
  }
  ~NodeHelper() {
    thread_.wait();
    units_.guardBlock(unit_, nullptr);
  }
  NodeHelper(const NodeHelper&) = delete;
  NodeHelper& operator=(const NodeHelper&) = delete;

  bool pending() const { return thread_.pending(); }
  const char* middle() const { return middle_; }

  // Starts on the second half of `rest` (which starts with a record 2).
  void start(std::string_view rest, std::int32_t offset) {
    const char* half = rest.data() + rest.size() * kMainPart / 8;
    const void* nl = std::memchr(
        half, '\n', static_cast<std::size_t>(rest.data() + rest.size() - half));
    if (nl == nullptr) return;  // the last line of the file, without LF
    middle_ = static_cast<const char*>(nl) + 1;
    stretch_ = Stretch{};
    thread_.post([this, rest, offset] {
      convertStretch(rest, middle_, offset, out_.get(), &stretch_);
    });
  }

  // The stretch, empty when the task had not started: then this thread
  // converts its records.
  const Stretch& finish() {
    if (!thread_.wait()) stretch_ = Stretch{};
    return stretch_;
  }
  const char* output() const { return out_.get(); }

 private:
  Units& units_;
  int unit_;
  std::unique_ptr<char[]> out_;
  const char* middle_ = nullptr;
  Stretch stretch_;
  TaskThread thread_;  // last: destroyed (and waited for) first
};

// Takes the helper's stretch when it starts at `record1` (just read):
// writes its vertex records, passes over its lines and reads the next
// record 1 into *record1. Returns false when that is the closing delimiter.
bool takeStretch(Run& run, NodeHelper& helper, std::int32_t* count,
                 std::string_view* record1, bool* more) {
  const Stretch& s = helper.finish();
  if (s.start != record1->data() || s.records == 0 ||
      s.records > static_cast<std::size_t>(INT32_MAX - *count)) {
    return false;
  }
  const int in = run.state.CHANNELS.unvUnit;
  run.units.writeRecordsText(run.state.CHANNELS.xyzUnit, helper.output(),
                             s.records, kVertexRecordBytes);
  *count += static_cast<std::int32_t>(s.records);
  run.units.skipTo(in, s.end, 2 * s.records - 1);
  *more = nextRecordUnlessDelimiter(run.units, in, record1);
  return true;
}

// Converts the nodes up to the closing delimiter, all on this thread;
// returns their count.
std::int32_t convertNodesHere(Run& run) {
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

// As convertNodesHere(), with a helper thread on each block's second part
// (the loop apart keeps the one-thread loop as lean as it was).
[[gnu::noinline]] std::int32_t convertNodesWithHelper(Run& run) {
  const int in = run.state.CHANNELS.unvUnit;
  const int out = run.state.CHANNELS.xyzUnit;
  std::int32_t count = 0;
  bool firstNode = true;
  std::string_view record1;
  run.units.readLine(in, false, &record1);
  NodeHelper helper(run.units, in);
  do {
    if (helper.pending() && record1.data() >= helper.middle()) {
      bool more = true;
      if (takeStretch(run, helper, &count, &record1, &more) && !more) break;
    }
    if (!helper.pending() && !firstNode) {
      const std::string_view rest = run.units.restOfBlock(in);
      if (rest.size() >= 2 * kSplitBytes) {
        helper.start(rest, run.state.OFFSETS.nodeOffset);
      }
    }
    count = checkedAdd(count, 1);
    VertexLine vertex;
    layOutVertexNumber(run, in, record1, firstNode, vertex);
    firstNode = false;
    convertCoordinates(run, in, out, vertex);
  } while (nextRecordUnlessDelimiter(run.units, in, &record1));
  return count;
}

// Converts the nodes up to the closing delimiter; returns their count.
// REQUIRES: the input has been read (atClosingDelimiter).
std::int32_t convertNodes(Run& run) {
  return run.units.readsAhead(run.state.CHANNELS.unvUnit)
             ? convertNodesWithHelper(run)
             : convertNodesHere(run);
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

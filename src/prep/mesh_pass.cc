#include "prep/mesh_pass.h"

#include <algorithm>

#include "codecs/fast_fields.h"
#include "codecs/fields.h"
#include "unv/fe_descriptors.h"
#include "unv/framing.h"
#include "unv/mesh_records.h"
#include "unv/reductions.h"

namespace unv2tessal {
namespace {

constexpr std::size_t kFieldWidth = 10;
// Node labels kept of an element's records: the largest reduced kind has
// 20, on three records, and the cubic brick 32, the most of any kind.
constexpr std::size_t kMaxNodes = 32;
// Columns of the descriptor's FE id and node count.
constexpr std::size_t kFeIdColumn = 10;
constexpr std::size_t kNodeCountColumn =
    kDescriptorNodeCountField * kFieldWidth;

std::string_view lineEnd(const RawLine& line) {
  return line.bytes.substr(line.text.size());
}

class ElementPass {
 public:
  ElementPass(PrepInput& in, Sink& out, GroupedElements& grouped,
              ElementTally& tally)
      : in_(in), out_(out), grouped_(grouped), tally_(tally) {
    what_ = "element dataset 2412 begun at line " +
            std::to_string(in.lineNumber() - 1);
  }

  void run() {
    for (;;) {
      commonElements();
      const RawLine line = in_.need(what_);
      if (isDelimiterLine(line.text)) {
        out_.putLine(line.bytes);
        return;
      }
      if (isEmptyLine(line.text)) {
        ++tally_.emptyLines;  // the converter would read it as an element
        continue;
      }
      element(line);
    }
  }

 private:
  // Columns of a descriptor record of the common form, and the most bytes
  // that a common element takes: its descriptor and one node record of
  // eight fields, each with its LF.
  static constexpr std::size_t kDescriptorColumns = 6 * kFieldWidth;
  static constexpr std::size_t kLongestCommon =
      kDescriptorColumns + 1 + kNodesPerRecord * kFieldWidth + 1;

  // Nearly every element of a large mesh, taken straight from the reader's
  // buffer while it holds them whole: a descriptor of six 10-column
  // integer fields and an LF; a kind that is not reduced and has no
  // orientation record; one node record of a 10-column field a node (at
  // most eight) and an LF. Each has the effect that element() would give
  // it. Anything else, the closing delimiter and every failure are left to
  // element() and the lines after them to this function again.
  void commonElements() {
    LineReader& reader = in_.reader();
    const std::string_view ahead = reader.ahead();
    const char* p = ahead.data();
    const char* const end = p + ahead.size();
    std::size_t lines = 0;
    for (; static_cast<std::size_t>(end - p) >= kLongestCommon;) {
      CommonElement e;
      if (p[kDescriptorColumns] != '\n' ||
          !readCommonElement(std::string_view(p, kDescriptorColumns), &e) ||
          e.nodes < 1 || reduces(e.feId)) {
        break;
      }
      const char* record = p + kDescriptorColumns + 1;
      const std::size_t columns =
          static_cast<std::size_t>(e.nodes) * kFieldWidth;
      if (record[columns] != '\n') break;
      const std::ptrdiff_t grouped =
          grouped_.empty() ? -1 : grouped_.find(e.label, lastGrouped_);
      if (grouped >= 0) {
        const std::size_t keep = keptNodes(*e.kind, e.nodes, kNodesPerRecord);
        if (keep > static_cast<std::size_t>(e.nodes) ||
            !tryReadIntegerFields10(record, labels_.data(),
                                    static_cast<std::size_t>(e.nodes))) {
          break;
        }
        lastGrouped_ = grouped;
        grouped_.store(grouped, {labels_.data(), keep});
      } else if (hasLineFeed(record, columns)) {
        break;
      }
      tally_.written.add(e.feId);
      const std::size_t bytes = kDescriptorColumns + 1 + columns + 1;
      out_.putLine(std::string_view(p, bytes));
      p += bytes;
      lines += 2;
    }
    if (lines > 0) reader.skip(p, lines);
  }

  // Whether an LF is among the `n` bytes at `p`; the 7 bytes after them
  // must be readable.
  static bool hasLineFeed(const char* p, std::size_t n) {
    for (std::size_t i = 0; i < n; i += 8) {
      std::uint64_t found =
          swar::zeroBytes(swar::load8(p + i) ^ (swar::kOnes * '\n'));
      if (n - i < 8) found &= (std::uint64_t{1} << (8 * (n - i))) - 1;
      if (found != 0) return true;
    }
    return false;
  }

  // Whether elements of `feId` reduce: looked up once per id (a written
  // kind reduces only with more than eight nodes, which no common element
  // has); ids from kCommonIds on are left to element().
  bool reduces(std::int32_t feId) {
    if (feId < 0 || feId >= static_cast<std::int32_t>(kCommonIds)) return true;
    const auto id = static_cast<std::size_t>(feId);
    if (!looked_[id]) {
      looked_[id] = true;
      reduces_[id] = findReduction(feId) != nullptr;
    }
    return reduces_[id];
  }

  void element(const RawLine& descriptor) {
    std::int32_t label = 0, feId = 0;
    if (!readDescriptorIds(descriptor.text, &label, &feId)) {
      in_.fail("element descriptor record: label or FE id is not an integer");
    }
    const FeDescriptor& kind = feDescriptor(feId);
    const std::int32_t count = nodeCountOf(descriptor.text);
    const Reduction* reduction = findReduction(feId, count);
    std::ptrdiff_t grouped = -1;
    if (!grouped_.empty()) {
      grouped = grouped_.find(label, lastGrouped_);
      if (grouped >= 0) lastGrouped_ = grouped;
    }
    const std::int32_t records = 1 + continuationRecords(descriptor.text);
    const bool wantNodes = reduction != nullptr || grouped >= 0;
    if (reduction != nullptr) {
      if (count != reduction->nodes) {
        in_.fail("FE " + std::to_string(feId) + " element " +
                 std::to_string(label) + " has a node count of " +
                 std::to_string(count) + "; the kind has " +
                 std::to_string(reduction->nodes));
      }
      // The descriptor's text does not outlive the node records' reads.
      descriptor_.assign(descriptor.text);
      descriptorEnd_.assign(lineEnd(descriptor));
    } else {
      out_.putLine(descriptor.bytes);
    }
    if (kind.hasOrientationRecord()) {
      out_.putLine(in_.need(what_).bytes);
    }
    std::size_t read = 0;
    for (std::int32_t r = 0; r < records; ++r) {
      const RawLine nodes = in_.need(what_);
      if (reduction == nullptr) out_.putLine(nodes.bytes);
      if (!wantNodes) continue;
      if (r == records - 1) nodesEnd_.assign(lineEnd(nodes));
      if (read + kNodesPerRecord <= kMaxNodes &&
          !readIntegerFields10(nodes.text, labels_.data() + read,
                               kNodesPerRecord)) {
        in_.fail("element node record: a node label is not an integer");
      }
      read = std::min(read + kNodesPerRecord, kMaxNodes);
    }
    if (reduction != nullptr) {
      writeReduced(*reduction, grouped);
    } else {
      tally_.written.add(feId);
      if (grouped >= 0) keepNodes(kind, count, grouped, read);
    }
  }

  void writeReduced(const Reduction& r, std::ptrdiff_t grouped) {
    if (descriptor_.size() < kNodeCountColumn + kFieldWidth) {
      descriptor_.resize(kNodeCountColumn + kFieldWidth, ' ');
    }
    writeInteger(r.to, kFieldWidth, descriptor_.data() + kFeIdColumn);
    writeInteger(r.cornerCount, kFieldWidth,
                 descriptor_.data() + kNodeCountColumn);
    out_.putText(descriptor_);
    out_.putText(descriptorEnd_);
    std::array<std::int32_t, 8> corners{};
    std::array<char, kNodesPerRecord * kFieldWidth> text;
    const std::size_t n = static_cast<std::size_t>(r.cornerCount);
    for (std::size_t k = 0; k < n; ++k) {
      corners[k] = labels_[r.corners[k] - 1u];
      writeInteger(corners[k], kFieldWidth, text.data() + k * kFieldWidth);
    }
    out_.putText(std::string_view(text.data(), n * kFieldWidth));
    out_.putText(nodesEnd_);
    if (r.isHigherOrder()) {
      ++tally_.higherOrder[{r.from, r.nodes}];
    } else {
      tally_.reduced.add(r.from);
    }
    tally_.written.add(r.to);
    if (grouped >= 0) grouped_.store(grouped, {corners.data(), n});
  }

  void keepNodes(const FeDescriptor& kind, std::int32_t count,
                 std::ptrdiff_t grouped, std::size_t read) {
    grouped_.store(grouped, {labels_.data(), keptNodes(kind, count, read)});
  }

  // The node labels kept of a grouped element: a kind that a grid writes
  // has the vertex count of its shape; any other the node count of its
  // descriptor, within the `read` labels of its records.
  static std::size_t keptNodes(const FeDescriptor& kind, std::int32_t count,
                               std::size_t read) {
    std::size_t n = static_cast<std::size_t>(
        std::max(kind.in2D.vertices, kind.in3D.vertices));
    if (n == 0) n = static_cast<std::size_t>(std::max(count, 0));
    return std::min(n, read);
  }

  PrepInput& in_;
  Sink& out_;
  GroupedElements& grouped_;
  ElementTally& tally_;
  std::string what_;
  std::string descriptor_;
  std::string descriptorEnd_;
  std::string nodesEnd_;
  std::array<std::int32_t, kMaxNodes> labels_{};
  std::ptrdiff_t lastGrouped_ = -1;  // elements come in label order mostly
  static constexpr std::size_t kCommonIds = 256;
  std::array<bool, kCommonIds> looked_{};
  std::array<bool, kCommonIds> reduces_{};
};

}  // namespace

std::map<std::int32_t, std::int64_t> FeTally::counts() const {
  std::map<std::int32_t, std::int64_t> all = other_;
  for (std::int32_t id = 0; id < kDirect; ++id) {
    const std::int64_t n = direct_[static_cast<std::size_t>(id)];
    if (n != 0) all[id] = n;
  }
  return all;
}

namespace {

// Passes the rest of a node dataset to `out` as it stands, when no label of
// it is needed: up to the delimiter line where a record's first line would
// be (one where the coordinates are is read as coordinates), which closes
// the dataset.
void passNodeRecords(PrepInput& in, Sink& out, const std::string& what) {
  const LineReader::Passed passed{[](void* sink, std::string_view bytes) {
                                    static_cast<Sink*>(sink)->putLine(bytes);
                                  },
                                  &out};
  const std::size_t firstRecord = in.lineNumber() + 1;
  RawLine line;
  for (;;) {
    if (!in.nextDelimiter(&line, &passed)) in.fail("end of file in " + what);
    if ((in.lineNumber() - firstRecord) % 2 == 0) break;
    out.putLine(line.bytes);
  }
  out.putLine(line.bytes);
}

}  // namespace

NodeDatasetStart passNodes(PrepInput& in, Sink& out, GroupedNodes& grouped) {
  const std::string what =
      "node dataset 2411 begun at line " + std::to_string(in.lineNumber() - 1);
  NodeDatasetStart start;
  RawLine line = in.need(what);
  while (!isDelimiterLine(line.text)) {
    out.putLine(line.bytes);
    if (start.empty || !grouped.empty()) {
      std::int32_t label = 0;
      if (!readNodeLabel(line.text, &label)) {
        in.fail("node record 1: the node label is not an integer");
      }
      if (start.empty) start = {false, label};
      grouped.mark(label);
    }
    out.putLine(in.need(what).bytes);  // record 2: the coordinates
    if (grouped.empty()) {
      passNodeRecords(in, out, what);
      return start;
    }
    line = in.need(what);
  }
  out.putLine(line.bytes);
  return start;
}

void passElements(PrepInput& in, Sink& out, GroupedElements& grouped,
                  ElementTally& tally) {
  ElementPass(in, out, grouped, tally).run();
}

}  // namespace unv2tessal

#include "prep/prep.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <exception>
#include <limits>
#include <new>
#include <set>
#include <stdexcept>
#include <utility>

#include "codecs/fast_fields.h"
#include "io/helper_threads.h"
#include "io/mutex.h"
#include "io/safe_output.h"
#include "io/shell.h"
#include "prep/answers.h"
#include "prep/mesh_pass.h"
#include "prep/prep_report.h"
#include "prep/prep_summary.h"
#include "prep/regions.h"
#include "unv/fe_descriptors.h"
#include "unv/framing.h"

namespace unv2tessal {
namespace {

class GroupPasses;

// What one pass over the input gathers.
struct Pass {
  GroupTable* table = nullptr;  // the first pass reads the groups into it
  GroupedNodes nodes;
  GroupedElements elements;
  ElementTally tally;
  std::vector<Asking> asking;
  bool anyDataset = false;
  std::string lineEnd;  // of the input's first line that has one
  // A pass that only marks the node labels of the node datasets.
  bool marking = false;
  // The passes after the first pass over the group datasets that it read;
  // the pass that writes asks for them (and the grouped elements) from
  // `groups` where it first needs them.
  const std::vector<GroupDatasetSpan>* groupSpans = nullptr;
  GroupPasses* groups = nullptr;
  std::size_t groupDatasetsMet = 0;
  // Lines between datasets left out after a group dataset was taken out.
  std::int64_t strayLines = 0;
  std::size_t firstStrayLine = 0;
};

void needTable(Pass& pass);

// Walks the datasets by the framing of unv/framing.h, as the converter's
// scanner does, and is its hooks. Everything but the group datasets goes
// to `out`, byte for byte; a group dataset is left out from its opening
// delimiter to its closing one. The delimiter line last met is held back
// until the dataset number after it shows which it is.
//
// The scanner reads a dataset number after a delimiter (or a run of them),
// and otherwise passes lines over looking for one. The output must put it
// in the same state where the input did, at every line written:
//   - 2435 is read up to and including its closing delimiter, and the
//     scanner then looks for a delimiter. A run of delimiters before it is
//     written but for its last line; should lines that the scanner passes
//     over follow, they would then come straight after a delimiter and read
//     as a dataset number: they are left out up to the next delimiter, and
//     counted.
//   - The other group datasets the scanner passes over, so their closing
//     delimiter opens the next dataset. It is held as a delimiter is, and
//     written only where the output would otherwise not be at a dataset
//     number when the next line is one.
// The first pass and the marking one write nowhere and frame the file by
// its delimiters alone; the pass that writes reads it line by line.
class Walk {
 public:
  Walk(PrepInput& in, Sink& out, Pass& pass)
      : in_(in),
        out_(out),
        pass_(pass),
        writes_(pass.table == nullptr && !pass.marking) {}

  void run() {
    walkDatasets(
        in_,
        [this](std::string_view number, const RawLine& line) {
          dataset(number, line);
        },
        *this);
    if (heldCloses_) holding_ = false;
    release();
  }

  // The framing's hooks.
  bool passesLines() const { return writes_; }
  void passedOver(const RawLine& line) {
    noteLineEnd(line);
    if (delimiterLast_) {
      if (pass_.strayLines++ == 0) pass_.firstStrayLine = in_.lineNumber();
      return;
    }
    out_.putLine(line.bytes);
  }
  void delimiter(const RawLine& line) {
    noteLineEnd(line);
    // A delimiter line after a removed dataset's closing one opens the
    // next dataset by itself.
    if (holding_ && heldCloses_ && isDelimiterLine(line.text)) {
      holding_ = false;
    }
    release();
    held_.assign(line.bytes);
    holding_ = true;
    heldCloses_ = std::exchange(closing_, false);
  }

 private:
  void noteLineEnd(const RawLine& line) {
    if (pass_.lineEnd.empty() && line.bytes.size() > line.text.size()) {
      pass_.lineEnd.assign(line.bytes.substr(line.text.size()));
    }
  }
  void release() {
    if (holding_ && !(heldCloses_ && delimiterLast_)) {
      out_.putText(held_);
      delimiterLast_ = true;
    }
    holding_ = false;
  }

  void dataset(std::string_view number, const RawLine& line) {
    pass_.anyDataset = true;
    if (const GroupDatasetKind* kind = groupDatasetKind(number)) {
      holding_ = false;
      if (pass_.table != nullptr) {
        readGroupDataset(in_, *kind, pass_.table);
      } else {
        needTable(pass_);
        const auto& spans = *pass_.groupSpans;
        const std::size_t k = pass_.groupDatasetsMet++;
        skipGroupDataset(in_, k < spans.size() ? &spans[k] : nullptr);
      }
      // The scanner passes over the other group datasets: their closing
      // delimiter is read again as the one before the next dataset.
      if (kind->number != kPermanentGroups.number) {
        in_.stepBack();
        closing_ = true;
      }
      return;
    }
    release();
    out_.putLine(line.bytes);
    delimiterLast_ = false;
    if (!writes_) {
      // The node and element datasets are read up to and including their
      // closing delimiter, as the pass that writes reads them.
      RawLine closing;
      if (number == "2411") {
        passNodes(in_, out_, pass_.nodes);
      } else if (number == "2412") {
        in_.nextDelimiter(&closing);
      }
      return;
    }
    if (number == "2411") {
      const NodeDatasetStart start = passNodes(in_, out_, pass_.nodes);
      pass_.asking.push_back(!start.empty && start.firstLabel != 1
                                 ? Asking::kNodesRenumbering
                                 : Asking::kNodes);
    } else if (number == "2412") {
      needTable(pass_);
      passElements(in_, out_, pass_.elements, pass_.tally);
      pass_.asking.push_back(Asking::kElements);
    }
  }

  PrepInput& in_;
  Sink& out_;
  Pass& pass_;
  const bool writes_;
  std::string held_;
  bool holding_ = false;
  bool heldCloses_ = false;     // the held line closes a removed dataset
  bool closing_ = false;        // the next delimiter does
  bool delimiterLast_ = false;  // the output ends in a delimiter
};

void walk(PrepInput& in, Sink& out, Pass& pass) { Walk(in, out, pass).run(); }

// The passes that read what the groups are made of: the first pass reads
// the group datasets; then, when groups name nodes, a pass over the node
// datasets marks their node labels. With a CPU to spare they run on a
// thread of their own, on a reader of their own, while the pass that writes
// the output goes on; it waits for the groups where it first needs them.
// Otherwise they run before it, in the constructor.
//
// A failure is reported as a run of the passes one after the other would
// report it: the first pass's before any other; a node label that the
// marking pass cannot read before a failure of the writing pass at a later
// line (the writing pass reads the node records without their labels).
class GroupPasses {
 public:
  // The passes read the file on their own thread, not ahead of it: the
  // bytes read are then in this CPU's cache for the scan, and while the
  // groups are read the other CPU has the writing pass's work to do.
  explicit GroupPasses(const std::string& path)
      : in_(path, /*readAhead=*/false), concurrent_(helperThreadsPay()) {
    if (concurrent_) {
      thread_ = HelperThread([this] {
        run();
        countThreadWork(ThreadWork::kPassBeside);
      });
    } else {
      run();
    }
  }
  GroupPasses(const GroupPasses&) = delete;
  GroupPasses& operator=(const GroupPasses&) = delete;

  const PrepInput& input() const { return in_; }
  /// The passes run beside the writing one.
  bool concurrent() const { return concurrent_; }

  /// Waits for the first pass; rethrows its failure.
  const GroupTable& table() {
    tableRead_.wait();
    if (groupsFailure_) std::rethrow_exception(groupsFailure_);
    return table_;
  }

  /// Waits for every pass, after the writing one has ended: at input line
  /// `writingFailedAt` when it failed. Rethrows the failure to report.
  GroupedNodes finish(bool writingFailed, std::size_t writingFailedAt) {
    thread_.join();
    if (groupsFailure_) std::rethrow_exception(groupsFailure_);
    if (nodesFailure_ && (!writingFailed || nodesFailedAt_ < writingFailedAt)) {
      std::rethrow_exception(nodesFailure_);
    }
    return std::move(nodes_);
  }

 private:
  void run() {
    try {
      Pass first;
      first.table = &table_;
      Sink nowhere;
      walk(in_, nowhere, first);
      if (!first.anyDataset) {
        in_.fail(std::string(noDatasetReason(in_.lineNumber())));
      }
    } catch (...) {
      groupsFailure_ = std::current_exception();
    }
    tableRead_.notify();
    if (groupsFailure_ || table_.nodeTags.empty()) return;
    try {
      Pass marking;
      marking.marking = true;
      marking.nodes = GroupedNodes(table_.nodeTags);
      marking.groupSpans = &table_.spans;
      in_.rewind();
      Sink nowhere;
      walk(in_, nowhere, marking);
      nodes_ = std::move(marking.nodes);
    } catch (...) {
      nodesFailure_ = std::current_exception();
      nodesFailedAt_ = in_.lineNumber();
    }
  }

  // Written by the passes, read by the writing pass after tableRead_ (the
  // table and the first failure) or after the join (the rest).
  PrepInput in_;
  bool concurrent_;
  GroupTable table_;
  GroupedNodes nodes_;
  std::exception_ptr groupsFailure_;
  std::exception_ptr nodesFailure_;
  std::size_t nodesFailedAt_ = 0;
  Notification tableRead_;
  HelperThread thread_;  // last: joined before the rest goes
};

// The first time the writing pass needs the groups: the grouped elements'
// table, and the group datasets to pass over.
void needTable(Pass& pass) {
  if (pass.groupSpans != nullptr) return;
  const GroupTable& table = pass.groups->table();
  pass.elements = GroupedElements(table.elementTags);
  pass.groupSpans = &table.spans;
}

void fieldTo(std::string& record, std::int32_t value) {
  char text[16];
  writeInteger(value, 10, text);
  record.append(text, 10);
}

// Writes the groups as one 2435 dataset of node entities.
class PermanentGroupsWriter {
 public:
  PermanentGroupsWriter(Sink& out, std::string_view lineEnd)
      : out_(out), eol_(lineEnd.empty() ? std::string_view("\n") : lineEnd) {
    if (!out_.atLineStart()) out_.putText(eol_);
    line("    -1");
    line("  2435");
    writeInteger(kNodeEntity, 10, type_);
  }

  void group(const PreparedGroup& g, const std::vector<std::int32_t>& nodes) {
    record_.clear();
    fieldTo(record_, g.number);
    for (int k = 0; k < 6; ++k) fieldTo(record_, 0);
    fieldTo(record_, static_cast<std::int32_t>(nodes.size()));
    record_ += eol_;
    record_.append(g.written.substr(0, kGroupNameRecord.fields[0].width));
    record_ += eol_;
    out_.putText(record_);
    // Entity records, two node entities each, formatted a batch at a time.
    std::size_t k = 0;
    while (k < nodes.size()) {
      char* at = batch_.data();
      char* const full = at + batch_.size() - kRecordRoom;
      for (; k < nodes.size() && at < full; k += 2) {
        at = entity(at, nodes[k]);
        if (k + 1 < nodes.size()) at = entity(at, nodes[k + 1]);
        at = std::copy(eol_.begin(), eol_.end(), at);
      }
      out_.putText(std::string_view(
          batch_.data(), static_cast<std::size_t>(at - batch_.data())));
    }
  }

  void close() { line("    -1"); }

 private:
  void line(std::string_view text) {
    out_.putText(text);
    out_.putText(eol_);
  }

  // One node entity: its type, the label, two fields of 0.
  char* entity(char* at, std::int32_t label) const {
    std::memcpy(at, type_, 10);
    writeInteger(label, 10, at + 10);
    std::memset(at + 20, ' ', 20);
    at[29] = at[39] = '0';
    return at + 40;
  }

  // Room for one record: two entities and a line end of at most two bytes.
  static constexpr std::size_t kRecordRoom = 82;

  Sink& out_;
  std::string_view eol_;
  std::string record_;
  char type_[16];
  std::vector<char> batch_ = std::vector<char>(std::size_t{64} << 10);
};

// Calls visit(label) for every node label of group `g` (labels repeat),
// and counts what is left out.
template <class Visit>
void visitGroupNodes(const GroupTable& table, const GroupEntry& g,
                     const Pass& pass, PreparedGroup* p, Visit&& visit) {
  for (std::size_t k = g.nodeBegin; k < g.nodeEnd; ++k) {
    const std::int32_t tag = table.nodeTags[k];
    if (pass.nodes.found(tag)) {
      visit(tag);
    } else if (p != nullptr) {
      ++p->missingNodes;
    }
  }
  std::ptrdiff_t hint = -1;
  for (std::size_t k = g.elementBegin; k < g.elementEnd; ++k) {
    const std::int32_t tag = table.elementTags[k];
    std::span<const std::int32_t> labels;
    if (pass.elements.nodesOf(tag, &labels, &hint)) {
      for (std::int32_t label : labels) visit(label);
    } else if (p != nullptr) {
      ++p->missingElements;
      if (p->missingElementTags.size() < 5)
        p->missingElementTags.push_back(tag);
    }
  }
}

// The distinct node labels of group `g` in ascending order, into *nodes,
// after one visit of its entities: a bitmap over the range of every label
// a group can hold when that is smaller than a list of the group's labels
// could be, else the list sorted.
void groupNodes(const GroupTable& table, const GroupEntry& g, const Pass& pass,
                PreparedGroup& p, std::vector<std::int32_t>* nodes,
                std::vector<std::uint64_t>* bits) {
  nodes->clear();
  LabelRange all = pass.nodes.range();
  all.add(pass.elements.range());
  if (all.empty()) {
    visitGroupNodes(table, g, pass, &p, [](std::int32_t) {});
    return;
  }
  const std::uint64_t most =
      (g.nodeEnd - g.nodeBegin) +
      (g.elementEnd - g.elementBegin) * pass.elements.mostNodes();
  const std::uint64_t range = static_cast<std::uint64_t>(
      static_cast<std::int64_t>(all.high) - all.low + 1);
  if (range / 8 > most * sizeof(std::int32_t)) {
    visitGroupNodes(table, g, pass, &p,
                    [&](std::int32_t label) { nodes->push_back(label); });
    std::sort(nodes->begin(), nodes->end());
    nodes->erase(std::unique(nodes->begin(), nodes->end()), nodes->end());
    return;
  }
  bits->assign(static_cast<std::size_t>((range + 63) / 64), 0);
  visitGroupNodes(table, g, pass, &p, [&](std::int32_t label) {
    const auto at =
        static_cast<std::uint64_t>(static_cast<std::int64_t>(label) - all.low);
    (*bits)[at / 64] |= std::uint64_t{1} << (at % 64);
  });
  for (std::size_t w = 0; w < bits->size(); ++w) {
    for (std::uint64_t word = (*bits)[w]; word != 0; word &= word - 1) {
      const auto at =
          static_cast<std::int64_t>(w * 64) + std::countr_zero(word);
      nodes->push_back(static_cast<std::int32_t>(all.low + at));
    }
  }
}

// Resolves every group to its node labels and writes it.
void writeGroups(const GroupTable& table, const Pass& pass, Sink& out,
                 PrepSummary& summary) {
  PermanentGroupsWriter writer(out, pass.lineEnd);
  std::vector<std::int32_t> nodes;
  std::vector<std::uint64_t> bits;
  for (std::size_t i = 0; i < table.groups.size(); ++i) {
    PreparedGroup& p = summary.groups[i];
    groupNodes(table, table.groups[i], pass, p, &nodes, &bits);
    summary.elementEntities += p.elementEntities;
    summary.elementEntitiesResolved += p.elementEntities - p.missingElements;
    p.vertices = static_cast<std::int64_t>(nodes.size());
    writer.group(p, nodes);
  }
  writer.close();
}

int chosenDim(const PrepOptions& options,
              const std::map<std::int32_t, std::int64_t>& written) {
  if (options.dim != 0) return options.dim;
  for (const auto& entry : written) {
    if (findShape(false, entry.first) != nullptr) return 3;
  }
  return 2;
}

void checkAnswerNames(const PrepOptions& options, const std::string& prefix) {
  std::string why;
  if (!fitsReply(options.output, &why)) {
    throw Failure(options.output,
                  "cannot be named in the answers: the name " + why);
  }
  for (const char* suffix : {".xyz", ".cnc", ".inp"}) {
    if (!fitsReply(prefix + suffix, &why)) {
      throw Failure(
          prefix + suffix,
          "cannot be named in the answers (--prefix): the name " + why);
    }
  }
}

}  // namespace

void prepareMesh(const PrepOptions& options, SafeOutput& output,
                 PreparedMesh* mesh) {
  PrepInput in(options.input);
  GroupPasses groups(options.input);
  Pass second;
  second.groups = &groups;
  output.writeBehind();
  // The output is about the input's size: its node and element datasets
  // are copied or made smaller, and the groups take the groups' place.
  output.expectSize(in.size());
  Sink sink(&output, in);
  std::exception_ptr writing;
  try {
    if (!(groups.input().identity().device == in.identity().device &&
          groups.input().identity().inode == in.identity().inode)) {
      throw Failure(options.input, "was replaced while it was opened");
    }
    // The groups are read first, unless a thread of their own reads them.
    if (!groups.concurrent()) groups.table();
    if (!output.isOpen()) output.open(options.output, in.identity());
    walk(in, sink, second);
    sink.flushSpan();
    needTable(second);
  } catch (...) {
    writing = std::current_exception();
  }
  second.nodes = groups.finish(writing != nullptr, in.lineNumber());
  if (writing) std::rethrow_exception(writing);
  const GroupTable& table = groups.table();

  PrepSummary& summary = mesh->summary;
  summary.input = options.input;
  summary.output = options.output;
  summary.answers = options.answers;
  summary.groupDatasets = table.datasets;
  summary.groups = nameGroups(table, options.uniqueIds, &summary.sharedIds);
  summary.strayLines = second.strayLines;
  summary.firstStrayLine = second.firstStrayLine;
  if (second.groupDatasetsMet != table.spans.size()) {
    throw Failure(options.input,
                  table.spans[second.groupDatasetsMet].numberLine,
                  "group dataset not met at this line when the file was "
                  "read again: the dataset before it does not end on a "
                  "record boundary");
  }
  if (!table.groups.empty()) {
    writeGroups(table, second, sink, summary);
    second.asking.push_back(Asking::kGroups);
  }
  sink.flushSpan();
  summary.reduced = second.tally.reduced.counts();
  summary.reducedHigherOrder = second.tally.higherOrder;
  summary.emptyLines = second.tally.emptyLines;
  summary.written = second.tally.written.counts();
  summary.dim = chosenDim(options, summary.written);
  summary.dimGiven = options.dim != 0;
  for (const auto& [id, n] : summary.written) {
    if (findShape(summary.dim == 2, id) == nullptr) summary.dropped[id] = n;
  }
  mesh->asking = std::move(second.asking);
}

int runPrep(const PrepOptions& options, std::string* out, std::string* err) {
  // Out of memory is said of the input: the groups' tables, say.
  return runReportingFailures(
      "unvprep", options.json, options.input, out, err,
      [&](bool* summaryWritten) {
        const std::string prefix = options.prefix.empty()
                                       ? defaultPrefix(options.output)
                                       : options.prefix;
        if (!options.answers.empty()) checkAnswerNames(options, prefix);
        SafeOutput output;
        PreparedMesh mesh;
        prepareMesh(options, output, &mesh);
        const PrepSummary& summary = mesh.summary;

        SafeOutput answers;
        std::vector<SafeOutput*> outputs{&output};
        if (!options.answers.empty()) {
          answers.open(options.answers, fileIdentity(options.input));
          answers.write(
              answersText(options.output, mesh.asking, summary.dim, prefix));
          outputs.push_back(&answers);
        }
        // Every write is done before anything is renamed into place, so a
        // failure of any of them leaves no output.
        for (SafeOutput* o : outputs) o->finish();
        if (options.json && options.jsonToStandardOutput) {
          *summaryWritten = true;
          if (const int error = writeStandardOutput(summaryJson(summary))) {
            throw Failure(std::string(kStandardOutput), std::strerror(error));
          }
        } else if (options.json) {
          *out += summaryJson(summary);
        }
        commitOutputs(outputs);
        if (!options.json) *err += summaryText(summary);
        return summary.leftOut() ? 1 : 0;
      });
}

}  // namespace unv2tessal

#include "prep/prep.h"

#include <algorithm>
#include <bit>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <limits>
#include <mutex>
#include <new>
#include <set>
#include <stdexcept>
#include <thread>

#include "codecs/fast_fields.h"
#include "io/helper_threads.h"
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

void noteLineEnd(Pass& pass, const RawLine& line) {
  if (pass.lineEnd.empty() && line.bytes.size() > line.text.size()) {
    pass.lineEnd.assign(line.bytes.substr(line.text.size()));
  }
}

// Walks the datasets as the converter's scanner does. Everything but the
// group datasets goes to `out`, byte for byte; a group dataset is left out
// from its opening delimiter to its closing one. The delimiter line last
// met is held back until the dataset number after it shows which it is.
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
void walk(PrepInput& in, Sink& out, Pass& pass) {
  std::string held;
  bool holding = false;
  bool heldCloses = false;     // the held line closes a removed dataset
  bool delimiterLast = false;  // the output ends in a delimiter
  auto hold = [&](const RawLine& line, bool closes) {
    held.assign(line.bytes);
    holding = true;
    heldCloses = closes;
  };
  auto release = [&] {
    if (holding && !(heldCloses && delimiterLast)) {
      out.putText(held);
      delimiterLast = true;
    }
    holding = false;
  };
  // The first pass and the marking one frame the file alike, by its
  // delimiters; the pass that writes line by line.
  const bool first = pass.table != nullptr || pass.marking;
  RawLine line;
  bool atNumber = false;  // a closing delimiter that opens is held
  for (;;) {
    if (!atNumber) {
      bool found = false;
      if (first) {
        // Only the group datasets matter here: the others are passed over
        // to their closing delimiter as the scanner passes over a dataset.
        // The second pass checks that it meets the group datasets where
        // this one did.
        found = in.nextDelimiter(&line);
      } else {
        while (in.next(&line)) {
          noteLineEnd(pass, line);
          if (isDelimiterLine(line.text)) {
            found = true;
            break;
          }
          if (delimiterLast) {
            if (pass.strayLines++ == 0) pass.firstStrayLine = in.lineNumber();
            continue;
          }
          out.putLine(line.bytes);
        }
      }
      if (!found) break;
      hold(line, false);
    }
    atNumber = false;
    FixedText<4> number;
    bool haveNumber = false;
    while (in.next(&line)) {
      number = datasetNumberOf(line.text);
      if (!isFurtherDelimiter(number)) {
        haveNumber = true;
        break;
      }
      // A delimiter line after a removed dataset's closing one opens the
      // next dataset by itself.
      if (heldCloses && isDelimiterLine(line.text)) holding = false;
      release();
      hold(line, false);
    }
    if (!haveNumber) break;
    pass.anyDataset = true;
    if (const GroupDatasetKind* kind = groupDatasetKind(number.view())) {
      holding = false;
      if (pass.table != nullptr) {
        readGroupDataset(in, *kind, pass.table);
      } else {
        needTable(pass);
        const auto& spans = *pass.groupSpans;
        const std::size_t k = pass.groupDatasetsMet++;
        skipGroupDataset(in, k < spans.size() ? &spans[k] : nullptr);
      }
      if (kind->number != kPermanentGroups.number) {
        in.stepBack();
        in.next(&line);
        hold(line, true);
        atNumber = true;
      }
      continue;
    }
    release();
    out.putLine(line.bytes);
    delimiterLast = false;
    if (first) {
      // The node and element datasets are read up to and including their
      // closing delimiter, as the second pass reads them.
      if (number.view() == "2411") {
        passNodes(in, out, pass.nodes);
      } else if (number.view() == "2412") {
        in.nextDelimiter(&line);
      }
      continue;
    }
    if (number.view() == "2411") {
      const NodeDatasetStart start = passNodes(in, out, pass.nodes);
      pass.asking.push_back(!start.empty && start.firstLabel != 1
                                ? Asking::kNodesRenumbering
                                : Asking::kNodes);
    } else if (number.view() == "2412") {
      needTable(pass);
      passElements(in, out, pass.elements, pass.tally);
      pass.asking.push_back(Asking::kElements);
    }
  }
  if (heldCloses) holding = false;
  release();
}

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
      thread_ = startHelperThread([this] { run(); });
    } else {
      run();
    }
  }
  ~GroupPasses() {
    if (thread_.joinable()) thread_.join();
  }
  GroupPasses(const GroupPasses&) = delete;
  GroupPasses& operator=(const GroupPasses&) = delete;

  const PrepInput& input() const { return in_; }
  /// The passes run beside the writing one.
  bool concurrent() const { return concurrent_; }

  /// Waits for the first pass; rethrows its failure.
  const GroupTable& table() {
    {
      std::unique_lock lock(mutex_);
      read_.wait(lock, [this] { return tableDone_; });
    }
    if (groupsFailure_) std::rethrow_exception(groupsFailure_);
    return table_;
  }

  /// Waits for every pass, after the writing one has ended: at input line
  /// `writingFailedAt` when it failed. Rethrows the failure to report.
  GroupedNodes finish(bool writingFailed, std::size_t writingFailedAt) {
    if (thread_.joinable()) thread_.join();
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
    {
      std::lock_guard lock(mutex_);
      tableDone_ = true;
    }
    read_.notify_all();
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

  PrepInput in_;
  bool concurrent_;
  GroupTable table_;
  GroupedNodes nodes_;
  std::exception_ptr groupsFailure_;
  std::exception_ptr nodesFailure_;
  std::size_t nodesFailedAt_ = 0;
  std::mutex mutex_;
  std::condition_variable read_;
  bool tableDone_ = false;  // (under mutex_)
  std::thread thread_;
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

// The failure's one line on *err; with `json`, the document that carries it
// on *out too (unless it is standard output that failed).
void reportFailure(bool json, const Failure& f, std::string* out,
                   std::string* err) {
  *err += failureLine("unvprep", f);
  if (json && f.file != kStandardOutput) {
    *out += "{\"error\":" + failureJson(f) + "}\n";
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
  bool summaryWritten = false;  // the JSON document is out: no other one
  try {
    const std::string prefix =
        options.prefix.empty() ? defaultPrefix(options.output) : options.prefix;
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
      summaryWritten = true;
      if (const int error = writeStandardOutput(summaryJson(summary))) {
        throw Failure(std::string(kStandardOutput), std::strerror(error));
      }
    } else if (options.json) {
      *out += summaryJson(summary);
    }
    commitOutputs(outputs);
    if (!options.json) *err += summaryText(summary);
    return summary.leftOut() ? 1 : 0;
  } catch (const Failure& f) {
    reportFailure(options.json && !summaryWritten, f, out, err);
  } catch (const std::exception& e) {
    // Out of memory: the groups' tables, say.
    reportFailure(options.json && !summaryWritten,
                  Failure(options.input, describeException(e)), out, err);
  }
  return 2;
}

}  // namespace unv2tessal

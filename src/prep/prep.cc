#include "prep/prep.h"

#include <algorithm>
#include <new>
#include <set>
#include <stdexcept>

#include "prep/answers.h"
#include "prep/mesh_pass.h"
#include "prep/prep_report.h"
#include "prep/regions.h"
#include "unv/fe_descriptors.h"
#include "unv/framing.h"

namespace unv2tessal {
namespace {

// What one pass over the input gathers.
struct Pass {
  GroupTable* table = nullptr;  // the first pass reads the groups into it
  GroupedNodes nodes;
  GroupedElements elements;
  ElementTally tally;
  std::vector<Asking> asking;
  bool anyDataset = false;
  std::string lineEnd;  // of the input's first line that has one
};

void noteLineEnd(Pass& pass, const RawLine& line) {
  if (pass.lineEnd.empty() && line.bytes.size() > line.text.size()) {
    pass.lineEnd.assign(line.bytes.substr(line.text.size()));
  }
}

// Walks the datasets as the converter's scanner does. Everything but the
// group datasets goes to `out`, byte for byte; a group dataset is left out
// from its opening delimiter to its closing one. The delimiter line last
// met is held back until the dataset number after it shows which it is.
void walk(PrepInput& in, Sink& out, Pass& pass) {
  std::string held;
  bool holding = false;
  auto hold = [&](const RawLine& line) {
    held.assign(line.bytes);
    holding = true;
  };
  auto release = [&] {
    if (holding) out.putLine(held);
    holding = false;
  };
  RawLine line;
  for (;;) {
    bool found = false;
    while (in.next(&line)) {
      noteLineEnd(pass, line);
      if (isDelimiterLine(line.text)) {
        hold(line);
        found = true;
        break;
      }
      out.putLine(line.bytes);
    }
    if (!found) break;
    FixedText<4> number;
    bool haveNumber = false;
    while (in.next(&line)) {
      number = datasetNumberOf(line.text);
      if (!isFurtherDelimiter(number)) {
        haveNumber = true;
        break;
      }
      release();
      hold(line);
    }
    if (!haveNumber) break;
    pass.anyDataset = true;
    if (const GroupDatasetKind* kind = groupDatasetKind(number.view())) {
      holding = false;
      readGroupDataset(in, *kind, pass.table);
      continue;
    }
    release();
    out.putLine(line.bytes);
    if (number.view() == "2411") {
      const NodeDatasetStart start = passNodes(in, out, pass.nodes);
      pass.asking.push_back(!start.empty && start.firstLabel != 1
                                ? Asking::kNodesRenumbering
                                : Asking::kNodes);
    } else if (number.view() == "2412") {
      passElements(in, out, pass.elements, pass.tally);
      pass.asking.push_back(Asking::kElements);
    }
  }
  release();
}

void fieldTo(std::string& record, std::int32_t value) {
  char text[16];
  writeIntegerField(value, 10, text);
  record.append(text, 10);
}

// Writes the groups as one 2435 dataset of node entities.
class PermanentGroupsWriter {
 public:
  PermanentGroupsWriter(Sink& out, std::string_view lineEnd)
      : out_(out), eol_(lineEnd.empty() ? std::string_view("\n") : lineEnd) {
    if (!out_.atLineStart()) out_.putLine(eol_);
    line("    -1");
    line("  2435");
  }

  void group(const PreparedGroup& g, const std::vector<std::int32_t>& nodes) {
    record_.clear();
    fieldTo(record_, g.number);
    for (int k = 0; k < 6; ++k) fieldTo(record_, 0);
    fieldTo(record_, static_cast<std::int32_t>(nodes.size()));
    record_ += eol_;
    record_.append(g.written.substr(0, kGroupNameRecord.fields[0].width));
    record_ += eol_;
    out_.putLine(record_);
    for (std::size_t k = 0; k < nodes.size(); ++k) {
      record_.clear();
      for (std::size_t e = k; e < nodes.size() && e < k + 2; ++e) {
        fieldTo(record_, kNodeEntity);
        fieldTo(record_, nodes[e]);
        fieldTo(record_, 0);
        fieldTo(record_, 0);
      }
      ++k;
      record_ += eol_;
      out_.putLine(record_);
    }
  }

  void close() { line("    -1"); }

 private:
  void line(std::string_view text) {
    out_.putLine(text);
    out_.putLine(eol_);
  }

  Sink& out_;
  std::string_view eol_;
  std::string record_;
};

// Resolves every group to its node labels and writes it.
void writeGroups(const GroupTable& table, const Pass& pass, Sink& out,
                 PrepSummary& summary) {
  PermanentGroupsWriter writer(out, pass.lineEnd);
  std::vector<std::int32_t> nodes;
  for (std::size_t i = 0; i < table.groups.size(); ++i) {
    const GroupEntry& g = table.groups[i];
    PreparedGroup& p = summary.groups[i];
    nodes.clear();
    for (std::size_t k = g.nodeBegin; k < g.nodeEnd; ++k) {
      const std::int32_t tag = table.nodeTags[k];
      if (pass.nodes.found(tag)) {
        nodes.push_back(tag);
      } else {
        ++p.missingNodes;
      }
    }
    for (std::size_t k = g.elementBegin; k < g.elementEnd; ++k) {
      const std::int32_t tag = table.elementTags[k];
      std::span<const std::int32_t> labels;
      if (pass.elements.nodesOf(tag, &labels)) {
        nodes.insert(nodes.end(), labels.begin(), labels.end());
        ++summary.elementEntitiesResolved;
      } else {
        ++p.missingElements;
        if (p.missingElementTags.size() < 5)
          p.missingElementTags.push_back(tag);
      }
    }
    summary.elementEntities += p.elementEntities;
    std::sort(nodes.begin(), nodes.end());
    nodes.erase(std::unique(nodes.begin(), nodes.end()), nodes.end());
    p.vertices = static_cast<std::int64_t>(nodes.size());
    summary.groupBytes = std::max<std::int64_t>(
        summary.groupBytes,
        static_cast<std::int64_t>(nodes.capacity() * sizeof(std::int32_t)));
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
    throw PrepFailure{options.output, 0,
                      "cannot be named in the answers: the name " + why};
  }
  for (const char* suffix : {".xyz", ".cnc", ".inp"}) {
    if (!fitsReply(prefix + suffix, &why)) {
      throw PrepFailure{prefix + suffix, 0,
                        "cannot be named in the answers (--prefix): the "
                        "name " +
                            why};
    }
  }
}

std::string describeMemoryFailure() { return "out of memory"; }

}  // namespace

bool PrepSummary::leftOut() const {
  for (const PreparedGroup& g : groups) {
    if (g.missingNodes + g.missingElements + g.otherEntities > 0) return true;
  }
  return false;
}

int runPrep(const PrepOptions& options, std::string* out, std::string* err) {
  try {
    const std::string prefix =
        options.prefix.empty() ? defaultPrefix(options.output) : options.prefix;
    if (!options.answers.empty()) checkAnswerNames(options, prefix);
    PrepInput in(options.input);
    GroupTable table;
    Pass first;
    first.table = &table;
    Sink nowhere;
    walk(in, nowhere, first);
    if (!first.anyDataset) {
      in.fail(in.lineNumber() == 0
                  ? "the file is empty"
                  : "no dataset (a delimiter line \"    -1\" and a dataset "
                    "number): not a universal file");
    }

    PrepSummary summary;
    summary.input = options.input;
    summary.output = options.output;
    summary.answers = options.answers;
    summary.groupDatasets = table.datasets;
    summary.groups = nameGroups(table, options.uniqueIds, &summary.sharedIds);

    Pass second;
    second.nodes = GroupedNodes(table.nodeTags);
    second.elements = GroupedElements(table.elementTags);
    SafeOutput output;
    std::string why;
    if (!output.open(options.output, in.identity(), &why)) {
      throw PrepFailure{options.output, 0, why};
    }
    Sink sink(&output, options.output);
    in.rewind();
    walk(in, sink, second);
    if (!table.groups.empty()) {
      writeGroups(table, second, sink, summary);
      second.asking.push_back(Asking::kGroups);
    }
    summary.groupBytes += static_cast<std::int64_t>(
        second.nodes.bytes() + second.elements.bytes() +
        (table.nodeTags.size() + table.elementTags.size()) *
            sizeof(std::int32_t));
    summary.reduced = second.tally.reduced.counts();
    summary.written = second.tally.written.counts();
    summary.dim = chosenDim(options, summary.written);
    summary.dimGiven = options.dim != 0;
    for (const auto& [id, n] : summary.written) {
      if (findShape(summary.dim == 2, id) == nullptr) summary.dropped[id] = n;
    }

    SafeOutput answers;
    if (!options.answers.empty()) {
      if (!answers.open(options.answers, in.identity(), &why) ||
          !answers.write(
              answersText(options.output, second.asking, summary.dim, prefix),
              &why)) {
        throw PrepFailure{options.answers, 0, why};
      }
    }
    if (!output.commit(&why)) throw PrepFailure{options.output, 0, why};
    if (!options.answers.empty() && !answers.commit(&why)) {
      throw PrepFailure{options.answers, 0, why};
    }
    if (options.json) {
      *out += summaryJson(summary);
    } else {
      *err += summaryText(summary);
    }
    return summary.leftOut() ? 1 : 0;
  } catch (const PrepFailure& f) {
    *err += "unvprep: " + f.file +
            (f.line > 0 ? ":" + std::to_string(f.line) : std::string()) + ": " +
            f.message + "\n";
  } catch (const std::bad_alloc&) {
    *err += "unvprep: " + options.input + ": " + describeMemoryFailure() + "\n";
  } catch (const std::length_error&) {
    *err += "unvprep: " + options.input + ": " + describeMemoryFailure() + "\n";
  }
  return 2;
}

}  // namespace unv2tessal

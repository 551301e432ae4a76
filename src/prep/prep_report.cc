#include "prep/prep_report.h"

#include "codecs/json_text.h"
#include "codecs/words.h"
#include "prep/regions.h"
#include "unv/fe_descriptors.h"
#include "unv/reductions.h"

namespace unv2tessal {
namespace {

using std::to_string;

std::string groupLabel(const PreparedGroup& g) {
  return "group " + to_string(g.number) + " " + quoted(g.name);
}

std::string datasetsLine(const PrepSummary& s) {
  std::string line = "group datasets merged:";
  for (const GroupDatasetTally& t : s.groupDatasets) {
    line.append(" ").append(t.kind).append(" x");
    line += to_string(t.datasets) + " (" + counted(t.groups, "group") + ")";
  }
  return line;
}

std::string entitiesOf(const PreparedGroup& g) {
  std::string s;
  if (g.nodeEntities > 0) s = counted(g.nodeEntities, "node");
  if (g.elementEntities > 0) {
    s += (s.empty() ? "" : ", ") + counted(g.elementEntities, "element");
  }
  if (g.otherEntities > 0) {
    s += (s.empty() ? "" : ", ") + to_string(g.otherEntities) + " other";
  }
  return s.empty() ? "no entity" : s;
}

void leftOutLines(const PrepSummary& s, std::string& text) {
  if (s.strayLines > 0) {
    text += "left out: " + counted(s.strayLines, "line") +
            " between datasets from line " + to_string(s.firstStrayLine) +
            ": after a group dataset taken out they would read as a dataset\n";
  }
  for (const PreparedGroup& g : s.groups) {
    if (g.missingElements > 0) {
      std::string tags;
      for (std::int32_t t : g.missingElementTags) {
        tags += (tags.empty() ? "" : ", ") + to_string(t);
      }
      if (g.missingElements >
          static_cast<std::int64_t>(g.missingElementTags.size())) {
        tags += ", ...";
      }
      text += "left out: " + groupLabel(g) + ": " +
              counted(g.missingElements, "element tag") +
              " that no element dataset holds (" + tags + ")\n";
    }
    if (g.missingNodes > 0) {
      text += "left out: " + groupLabel(g) + ": " +
              counted(g.missingNodes, "node tag") +
              " that no node dataset holds\n";
    }
    if (g.otherEntities > 0) {
      text += "left out: " + groupLabel(g) + ": " +
              counted(g.otherEntities, "entity", "entities") +
              " neither node (7) nor element (8)\n";
    }
  }
}

void idLines(const PrepSummary& s, std::string& text) {
  for (const auto& list : s.sharedIds) {
    const PreparedGroup& first = s.groups[list.front()];
    std::string names;
    for (std::size_t i : list) {
      names += (names.empty() ? "" : ", ") + quoted(s.groups[i].name);
    }
    text += "region ID " + quoted(regionIdOf(first.name)) + " is shared by " +
            counted(static_cast<std::int64_t>(list.size()), "group") + ": " +
            names + "\n";
  }
  for (const PreparedGroup& g : s.groups) {
    if (g.written != g.name) {
      text += "renamed: " + quoted(g.name) + " -> " + quoted(g.written) + "\n";
    }
  }
}

// [{"fe_id":115,"nodes":27,"count":80}, ...]
std::string higherOrder(const std::map<std::pair<std::int32_t, std::int32_t>,
                                       std::int64_t>& counts) {
  Json a('[');
  for (const auto& [kind, n] : counts) {
    Json j('{');
    j.key("fe_id").num(kind.first).key("nodes").num(kind.second);
    a.raw(j.key("count").num(n).done());
  }
  return a.done();
}

// The elements that row `r` of the reductions reduced.
std::int64_t reducedBy(const PrepSummary& s, const Reduction& r) {
  if (r.isHigherOrder()) {
    const auto it = s.reducedHigherOrder.find({r.from, r.nodes});
    return it == s.reducedHigherOrder.end() ? 0 : it->second;
  }
  const auto it = s.reduced.find(r.from);
  return it == s.reduced.end() ? 0 : it->second;
}

}  // namespace

bool PrepSummary::leftOut() const {
  if (strayLines > 0) return true;
  for (const PreparedGroup& g : groups) {
    if (g.missingNodes + g.missingElements + g.otherEntities > 0) return true;
  }
  return false;
}

std::string summaryText(const PrepSummary& s) {
  std::string text = "unvprep: " + s.input + " -> " + s.output + "\n";
  if (s.groupDatasets.empty()) {
    text += "group datasets merged: none\n";
  } else {
    text += datasetsLine(s) + "\n";
  }
  if (!s.groups.empty()) {
    text += "groups written: " +
            counted(static_cast<std::int64_t>(s.groups.size()), "group") +
            " in one 2435 dataset at the end\n";
  }
  for (const PreparedGroup& g : s.groups) {
    text += "  " + groupLabel(g) + " -> region " + quoted(g.regionId) + ": " +
            counted(g.vertices, "vertex", "vertices") + " from " +
            entitiesOf(g) + "\n";
  }
  if (s.elementEntities > 0) {
    text +=
        "element entities resolved: " + to_string(s.elementEntitiesResolved) +
        " of " + to_string(s.elementEntities) + "\n";
  }
  // In the order of the reductions: by FE id read, then node count.
  for (const Reduction* r = reductionsBegin(); r != reductionsEnd(); ++r) {
    const std::int64_t n = reducedBy(s, *r);
    if (n == 0) continue;
    text += "elements reduced: FE " + to_string(r->from) + " (" +
            std::string(feDescriptorName(r->from)) + ")" +
            (r->isHigherOrder() ? " with " + to_string(r->nodes) + " nodes"
                                : std::string()) +
            " -> FE " + to_string(r->to) + " x" + to_string(n) + "\n";
  }
  if (s.emptyLines > 0) {
    text += "empty lines between element records not copied: " +
            to_string(s.emptyLines) +
            " (the converter would read each as an element)\n";
  }
  leftOutLines(s, text);
  idLines(s, text);
  if (!s.dropped.empty()) {
    text += "elements the " + to_string(s.dim) + "D grid" +
            (s.dimGiven ? "" : " (chosen from the elements)") +
            " will still drop: " + feList(s.dropped) + "\n";
  }
  if (!s.answers.empty()) {
    text += "answers: " + s.answers + " (" + to_string(s.dim) +
            "D grid); run: unv2tessal < " + s.answers + "\n";
  }
  return text;
}

std::string summaryJson(const PrepSummary& s) {
  auto counts = [](const std::map<std::int32_t, std::int64_t>& ids) {
    Json j('{');
    for (const auto& [id, n] : ids) j.key(to_string(id)).num(n);
    return j.done();
  };
  Json datasets('[');
  for (const GroupDatasetTally& t : s.groupDatasets) {
    Json j('{');
    j.key("dataset").str(t.kind).key("count").num(t.datasets);
    datasets.raw(j.key("groups").num(t.groups).done());
  }
  Json groups('[');
  for (const PreparedGroup& g : s.groups) {
    Json j('{');
    j.key("number").num(g.number).key("name").str(g.name);
    j.key("written_name").str(g.written).key("region_id").str(g.regionId);
    j.key("dataset").str(g.kind);
    j.key("line").num(static_cast<std::int64_t>(g.line));
    j.key("vertices").num(g.vertices);
    j.key("node_entities").num(g.nodeEntities);
    j.key("element_entities").num(g.elementEntities);
    j.key("other_entities").num(g.otherEntities);
    j.key("missing_node_tags").num(g.missingNodes);
    j.key("missing_element_tags").num(g.missingElements);
    groups.raw(j.done());
  }
  Json shared('[');
  for (const std::vector<std::size_t>& list : s.sharedIds) {
    Json names('[');
    for (std::size_t i : list) names.str(s.groups[i].name);
    shared.raw(names.done());
  }
  Json j('{');
  j.key("input").str(s.input).key("output").str(s.output).key("answers");
  if (s.answers.empty()) {
    j.null();
  } else {
    j.str(s.answers);
  }
  j.key("group_datasets").raw(datasets.done());
  j.key("groups").raw(groups.done());
  j.key("shared_region_ids").raw(shared.done());
  j.key("element_entities").num(s.elementEntities);
  j.key("element_entities_resolved").num(s.elementEntitiesResolved);
  j.key("reduced").raw(counts(s.reduced));
  j.key("reduced_higher_order").raw(higherOrder(s.reducedHigherOrder));
  j.key("empty_lines_left_out").num(s.emptyLines);
  j.key("elements_written").raw(counts(s.written));
  j.key("dim").num(s.dim);
  j.key("dropped_by_grid").raw(counts(s.dropped));
  j.key("stray_lines_left_out").num(s.strayLines);
  j.key("left_out").boolean(s.leftOut());
  return j.done() + "\n";
}

}  // namespace unv2tessal

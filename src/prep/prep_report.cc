#include "prep/prep_report.h"

#include "codecs/json_text.h"
#include "prep/regions.h"
#include "unv/fe_descriptors.h"
#include "unv/reductions.h"

namespace unv2tessal {
namespace {

using std::to_string;

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

// "1 group", "2 groups": a count and its noun, plural when not 1.
std::string counted(std::int64_t n, const std::string& noun,
                    const std::string& plural = "") {
  if (n == 1) return "1 " + noun;
  return to_string(n) + " " + (plural.empty() ? noun + "s" : plural);
}

std::string groupLabel(const PreparedGroup& g) {
  return "group " + to_string(g.number) + " " + quoted(g.name);
}

std::string feList(const std::map<std::int32_t, std::int64_t>& ids) {
  std::string s;
  for (const auto& [id, n] : ids) {
    if (!s.empty()) s += ", ";
    s += "FE " + to_string(id) + " (" + std::string(feDescriptorName(id)) +
         ") x" + to_string(n);
  }
  return s;
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
  for (const auto& [id, n] : s.reduced) {
    const Reduction* r = findReduction(id);
    text += "elements reduced: FE " + to_string(id) + " (" +
            std::string(feDescriptorName(id)) + ") -> FE " + to_string(r->to) +
            " x" + to_string(n) + "\n";
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
    std::string a = "{";
    for (const auto& [id, n] : ids) {
      if (a.size() > 1) a += ",";
      a.append("\"").append(to_string(id)).append("\":");
      a += to_string(n);
    }
    return a + "}";
  };
  std::string j = "{\"input\":" + jsonString(s.input) +
                  ",\"output\":" + jsonString(s.output) + ",\"answers\":" +
                  (s.answers.empty() ? "null" : jsonString(s.answers)) +
                  ",\"group_datasets\":[";
  for (std::size_t k = 0; k < s.groupDatasets.size(); ++k) {
    const GroupDatasetTally& t = s.groupDatasets[k];
    j += std::string(k > 0 ? "," : "") + "{\"dataset\":" + jsonString(t.kind) +
         ",\"count\":" + to_string(t.datasets) +
         ",\"groups\":" + to_string(t.groups) + "}";
  }
  j += "],\"groups\":[";
  for (std::size_t k = 0; k < s.groups.size(); ++k) {
    const PreparedGroup& g = s.groups[k];
    j += std::string(k > 0 ? "," : "") + "{\"number\":" + to_string(g.number) +
         ",\"name\":" + jsonString(g.name) +
         ",\"written_name\":" + jsonString(g.written) +
         ",\"region_id\":" + jsonString(g.regionId) +
         ",\"dataset\":" + jsonString(g.kind) +
         ",\"line\":" + to_string(g.line) +
         ",\"vertices\":" + to_string(g.vertices) +
         ",\"node_entities\":" + to_string(g.nodeEntities) +
         ",\"element_entities\":" + to_string(g.elementEntities) +
         ",\"other_entities\":" + to_string(g.otherEntities) +
         ",\"missing_node_tags\":" + to_string(g.missingNodes) +
         ",\"missing_element_tags\":" + to_string(g.missingElements) + "}";
  }
  j += "],\"shared_region_ids\":[";
  for (std::size_t k = 0; k < s.sharedIds.size(); ++k) {
    j += std::string(k > 0 ? "," : "") + "[";
    for (std::size_t i = 0; i < s.sharedIds[k].size(); ++i) {
      j += std::string(i > 0 ? "," : "") +
           jsonString(s.groups[s.sharedIds[k][i]].name);
    }
    j += "]";
  }
  j +=
      "],\"element_entities\":" + to_string(s.elementEntities) +
      ",\"element_entities_resolved\":" + to_string(s.elementEntitiesResolved) +
      ",\"reduced\":" + counts(s.reduced) +
      ",\"elements_written\":" + counts(s.written) +
      ",\"dim\":" + to_string(s.dim) +
      ",\"dropped_by_grid\":" + counts(s.dropped) +
      ",\"stray_lines_left_out\":" + to_string(s.strayLines) +
      ",\"left_out\":" + (s.leftOut() ? "true" : "false") + "}\n";
  return j;
}

}  // namespace unv2tessal

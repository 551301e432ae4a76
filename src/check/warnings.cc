#include "check/warnings.h"

#include <string>

#include "unv/fe_descriptors.h"
#include "unv/reductions.h"

namespace unv2tessal {
namespace {

using std::to_string;

// How node tags were checked: exactly against contiguous labels, else
// against their range.
std::string tagCheck(const GroupFactsAll& g) {
  if (!g.nodesKnown) return "(no node dataset before the groups)";
  return "(outside labels " + to_string(g.nodeMin) + ".." +
         to_string(g.nodeMax) +
         (g.tagCheckExact ? ", exact)" : ", range check only)");
}

std::string entityCount(std::int64_t n) {
  return to_string(n) + (n == 1 ? " entity" : " entities");
}

// The one command that makes the grid of the file, after "; ".
std::string prepCommand(const CheckReport& r) {
  return "; run: tessalgrid " + r.file;
}

std::int64_t total(const std::map<std::int32_t, std::int64_t>& ids) {
  std::int64_t n = 0;
  for (const auto& entry : ids) n += entry.second;
  return n;
}

Verdict verdictFor(const CheckReport& r, const GridFacts& grid) {
  Verdict v;
  v.vertexFile = r.nodes.datasets > 0;
  v.vertices = r.nodes.labels.count();
  v.connectivityFile = r.elements.datasets > 0;
  v.elements = grid.written;
  v.gridFile = r.groups.datasets > 0;
  v.regions = r.groups.lastDatasetGroups;
  return v;
}

void datasetWarnings(const CheckReport& r, std::vector<std::string>& w) {
  if (r.nodes.datasets == 0) {
    w.push_back("no node dataset (2411): no vertex file is written");
  }
  if (r.elements.datasets == 0) {
    w.push_back("no element dataset (2412): no connectivity file is written");
  }
  const std::pair<const char*, int> repeated[] = {{"2411", r.nodes.datasets},
                                                  {"2412", r.elements.datasets},
                                                  {"2435", r.groups.datasets}};
  for (const auto& [number, times] : repeated) {
    if (times > 1) {
      w.push_back("dataset " + std::string(number) + " occurs " +
                  to_string(times) +
                  " times: each one asks again and rewrites its output file");
    }
  }
}

void nodeWarnings(const CheckReport& r, std::vector<std::string>& w) {
  if (r.nodes.renumberingAsked) {
    w.push_back("first node label is " + to_string(r.nodes.labels.first()) +
                ", not 1: the renumbering question is asked (accepting "
                "shifts vertex numbers down by " +
                to_string(r.nodes.nodeOffset) + ")");
  }
}

// Elements that neither grid writes, apart from beams and elements with
// continuation records, which have warnings of their own.
std::map<std::int32_t, std::int64_t> unwritten(const ElementFacts& e) {
  std::map<std::int32_t, std::int64_t> ids;
  for (const auto& [id, n] : e.perFeId) {
    if (findShape(true, id) || findShape(false, id)) continue;
    std::int64_t left = n;
    if (auto it = e.beams.find(id); it != e.beams.end()) left -= it->second;
    if (auto it = e.continued.find(id); it != e.continued.end()) {
      left -= it->second;
    }
    if (left > 0) ids[id] = left;
  }
  return ids;
}

void elementWarnings(const CheckReport& r, std::vector<std::string>& w) {
  const ElementFacts& e = r.elements;
  if (e.datasets == 0) return;
  const std::int64_t count = e.labels.count();
  if (count > 0 && e.grid2D.written == 0 && e.grid3D.written == 0) {
    w.push_back(
        "no element is written in a 2D or a 3D grid (only FE 91, 94 "
        "in 2D and 111, 112, 115 in 3D are): the connectivity file "
        "is empty");
  }
  const auto dropped = unwritten(e);
  if (!dropped.empty()) {
    w.push_back(counted(total(dropped), "element") +
                " written in neither grid: " + feList(dropped));
  }
  std::map<std::int32_t, std::int64_t> reducible;
  std::string kinds;
  for (const auto& [id, n] : e.perFeId) {
    if (const Reduction* reduction = findReduction(id)) {
      reducible[id] = n;
      kinds += std::string(kinds.empty() ? "" : ", ") + "FE " + to_string(id) +
               " (" + std::string(feDescriptorName(id)) + ") x" + to_string(n) +
               " -> FE " + to_string(reduction->to);
    }
  }
  if (!reducible.empty()) {
    w.push_back(counted(total(reducible), "element") +
                " of kinds that tessalgrid reduces to kinds a grid writes: " +
                kinds + prepCommand(r));
  }
  if (!e.beams.empty()) {
    w.push_back(counted(total(e.beams), "beam") +
                " with an orientation record passed over: " + feList(e.beams));
  }
  if (!e.continued.empty()) {
    w.push_back(
        counted(total(e.continued), "element") +
        " with continuation records passed over: " + feList(e.continued));
  }
  if (e.emptyLines > 0) {
    w.push_back(counted(e.emptyLines, "empty line") +
                " between element records: the converter reads each as an "
                "element descriptor and loses its place in the dataset (the "
                "figures above pass them over); tessalgrid leaves them out" +
                prepCommand(r));
  }
  if (count > 0 && !e.labels.contiguous()) {
    w.push_back(
        "element labels are not ascending without gaps: the "
        "renumbering map gets " +
        counted(e.grid2D.mapLines, "line") + " in 2D, " +
        to_string(e.grid3D.mapLines) + " in 3D");
  }
}

void otherGroupWarnings(const CheckReport& r, std::vector<std::string>& w) {
  for (const OtherGroups& g : r.otherGroups) {
    std::string groups = g.reliable ? counted(g.groups, "group")
                                    : "groups, count not determined";
    std::string text =
        "dataset " + g.number + " (" + groups + ") is not converted";
    if (r.groups.datasets == 0) text += ": no grid command file";
    text += "; tessalgrid makes its groups regions" + prepCommand(r);
    w.push_back(text);
  }
}

void groupWarnings(const CheckReport& r, std::vector<std::string>& w) {
  const GroupFactsAll& g = r.groups;
  if (g.datasets == 0) return;
  if (g.beforeNodes || g.beforeElements) {
    const char* which = !g.beforeNodes     ? "element dataset"
                        : g.beforeElements ? "node and element datasets"
                                           : "node dataset";
    w.push_back("a group dataset (2435) comes before the " +
                std::string(which) + ": its grid header shows counts of 0");
  }
  std::string cut;
  for (const GroupFacts& group : g.groups) {
    if (group.name.size() <= 8) continue;
    if (!cut.empty()) cut += ", ";
    cut += quoted(group.name) + " -> " + quoted(group.regionId);
  }
  if (!cut.empty()) {
    w.push_back("group names longer than 8 characters are cut: " + cut);
  }
  for (std::size_t i = 0; i < g.groups.size(); ++i) {
    std::string names;
    bool seenBefore = false;
    int sharing = 0;
    for (std::size_t j = 0; j < g.groups.size(); ++j) {
      if (g.groups[j].regionId != g.groups[i].regionId) continue;
      if (j < i) seenBefore = true;
      if (!names.empty()) names += ", ";
      names += quoted(g.groups[j].name);
      ++sharing;
    }
    if (sharing > 1 && !seenBefore) {
      w.push_back("region ID " + quoted(g.groups[i].regionId) +
                  " is shared by " + to_string(sharing) + " groups: " + names);
    }
  }
  bool hinted = false;  // the tessalgrid command is given once
  for (const GroupFacts& group : g.groups) {
    if (group.entities < 0) {
      w.push_back("group " + quoted(group.name) + ": entity count " +
                  to_string(group.entities) +
                  " is negative, and so is its region's vertex count");
    }
    if (group.elements + group.others > 0) {
      std::string kinds = counted(group.elements, "element");
      if (group.others > 0) kinds += ", " + to_string(group.others) + " other";
      w.push_back(
          "group " + quoted(group.name) + ": entities that are not nodes (" +
          kinds + " of " + entityCount(group.entities) +
          ") are listed as vertex numbers" +
          (group.elements > 0 && !hinted
               ? "; tessalgrid lists the nodes of the groups' elements" +
                     prepCommand(r)
               : std::string()));
      hinted = hinted || group.elements > 0;
    }
    if (group.tagsOutside > 0) {
      w.push_back("group " + quoted(group.name) + ": " +
                  counted(group.tagsOutside, "node tag") +
                  " naming no node of the file " + tagCheck(g));
    }
  }
}

}  // namespace

void concludeReport(CheckReport& report) {
  report.verdict2D = verdictFor(report, report.elements.grid2D);
  report.verdict3D = verdictFor(report, report.elements.grid3D);
  std::vector<std::string>& w = report.warnings;
  datasetWarnings(report, w);
  nodeWarnings(report, w);
  elementWarnings(report, w);
  otherGroupWarnings(report, w);
  groupWarnings(report, w);
}

}  // namespace unv2tessal

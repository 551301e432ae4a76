#include "check/report_text.h"

#include "unv/fe_descriptors.h"

namespace unv2tessal {
namespace {

using std::to_string;

std::string padLeft(const std::string& s, std::size_t w) {
  return s.size() >= w ? s : std::string(w - s.size(), ' ') + s;
}

std::string padRight(const std::string& s, std::size_t w) {
  return s.size() >= w ? s : s + std::string(w - s.size(), ' ');
}

std::string labelLine(const LabelSequence& l) {
  if (l.count() == 0) return "0";
  return to_string(l.count()) + ", labels " + to_string(l.min()) + ".." +
         to_string(l.max()) + " (first " + to_string(l.first()) + ", last " +
         to_string(l.last()) + "), " + l.describe();
}

void datasets(const CheckReport& r, std::string& out) {
  out += "Datasets\n";
  for (const DatasetEntry& d : r.datasets) {
    out += "  lines " +
           padRight(to_string(d.firstLine) + "-" + to_string(d.lastLine), 15) +
           " " + padRight(d.number, 5) + " ";
    if (d.converted) {
      const char* what = d.number == "2411"   ? "node"
                         : d.number == "2412" ? "element"
                                              : "group";
      out += "converted: " + counted(d.records, what);
    } else {
      out += "passed over";
      if (d.repeat > 1) out += " x" + to_string(d.repeat);
    }
    if (!d.closed) out += " (no closing delimiter)";
    out += "\n";
  }
  std::string list;
  for (const auto& [number, times] : r.passedOver) {
    if (!list.empty()) list += ", ";
    list += number;
    if (times > 1) list += " x" + to_string(times);
  }
  out +=
      "  passed over: " + (list.empty() ? std::string("none") : list) + "\n\n";
}

void nodes(const CheckReport& r, std::string& out) {
  const NodeFacts& n = r.nodes;
  out += "Nodes: " + labelLine(n.labels) + "\n";
  if (n.datasets == 0) {
    out += "  no node dataset\n\n";
    return;
  }
  out += "  renumbering question: ";
  out += n.renumberingAsked
             ? "asked (accepting shifts vertex numbers down by " +
                   to_string(n.nodeOffset) + ")"
             : std::string("not asked");
  out += "\n\n";
}

std::string whereWritten(const ElementFacts& e, std::int32_t id) {
  if (findShape(true, id) != nullptr) return "2D";
  if (findShape(false, id) != nullptr) return "3D";
  if (e.beams.count(id) != 0) return "passed over (beam)";
  if (e.continued.count(id) != 0) return "passed over (continuation records)";
  return "neither";
}

// "FE 115 with 27 nodes (80 elements): written on its 8 corners; its other
// 19 nodes stay vertices without a cell".
std::string onCornersLine(std::int32_t id, std::int32_t nodes, std::int64_t n) {
  const std::int32_t corners = feDescriptor(id).writtenVertices();
  return "FE " + to_string(id) + " with " + to_string(nodes) + " nodes (" +
         counted(n, "element") + "): written on its " + to_string(corners) +
         " corners; its other " + to_string(nodes - corners) +
         " nodes stay vertices without a cell";
}

std::string gridLine(const char* name, const GridFacts& g) {
  std::string s = std::string("  ") + name + " grid: " + to_string(g.written) +
                  " written, " + counted(g.mapLines, "map line");
  if (g.renumberedMessage) s += ", renumbered to eliminate gaps";
  return s + "\n";
}

void elements(const CheckReport& r, std::string& out) {
  const ElementFacts& e = r.elements;
  out += "Elements: " + labelLine(e.labels) + "\n";
  if (e.datasets == 0) {
    out += "  no element dataset\n\n";
    return;
  }
  for (const auto& [id, n] : e.perFeId) {
    out += "  FE " + padLeft(to_string(id), 4) + " " +
           padRight(std::string(feDescriptorName(id)), 38) + " " +
           padLeft(to_string(n), 9) + "  " + whereWritten(e, id) + "\n";
  }
  std::int64_t beams = 0, continued = 0;
  for (const auto& entry : e.beams) beams += entry.second;
  for (const auto& entry : e.continued) continued += entry.second;
  out += "  beams: " + to_string(beams) +
         ", with continuation records: " + to_string(continued) + "\n";
  if (!e.onCorners.empty()) {
    out += "  higher-order elements of the written kinds:\n";
    for (const auto& [kind, n] : e.onCorners) {
      out += "    " + onCornersLine(kind.first, kind.second, n) + "\n";
    }
  }
  out += "  element offset: " + to_string(e.elementOffset) + "\n";
  out += gridLine("2D", e.grid2D) + gridLine("3D", e.grid3D) + "\n";
}

void groups(const CheckReport& r, std::string& out) {
  const GroupFactsAll& g = r.groups;
  if (g.datasets == 0) {
    out += "Groups (2435): none\n";
  } else {
    out += "Groups (2435): " + to_string(g.groups.size());
    if (g.nodesKnown) {
      out += ", node tags checked against node labels " + to_string(g.nodeMin) +
             ".." + to_string(g.nodeMax) +
             (g.tagCheckExact ? " (exact)" : " (range only)");
    } else {
      out += ", no node dataset before them";
    }
    out += "\n";
  }
  for (const GroupFacts& group : g.groups) {
    out += "  " + padRight(quoted(group.name), 22) + " region ID " +
           quoted(group.regionId) + "  entities " + to_string(group.entities) +
           ": nodes " + to_string(group.nodes) + ", elements " +
           to_string(group.elements) + ", other " + to_string(group.others) +
           ", node tags outside " + to_string(group.tagsOutside) + "\n";
  }
  for (const OtherGroups& o : r.otherGroups) {
    out += "  dataset " + o.number + " (not converted): ";
    if (o.reliable) {
      out += counted(o.groups, "group") + ", " +
             counted(o.entities, "entity", "entities");
    } else {
      out += "group count not determined (records do not fit the layout)";
    }
    if (o.datasets > 1) out += ", in " + to_string(o.datasets) + " datasets";
    out += "\n";
  }
  out += "\n";
}

std::string verdictLine(const char* name, const Verdict& v) {
  std::string s = std::string("  ") + name + ": ";
  s += v.vertexFile ? counted(v.vertices, "vertex", "vertices")
                    : std::string("no vertex file");
  s += ", ";
  s += v.connectivityFile ? counted(v.elements, "element")
                          : std::string("no connectivity file");
  s += ", ";
  s += v.gridFile ? counted(v.regions, "region")
                  : std::string("no grid command file");
  return s + "\n";
}

}  // namespace

std::string formatTextReport(const CheckReport& r) {
  std::string out = "unvcheck: " + r.file + "\n\n";
  // Why it cannot be read is said once, on standard error.
  if (r.failure) return out + "Exit status: 2\n";
  datasets(r, out);
  nodes(r, out);
  elements(r, out);
  groups(r, out);
  out += "Verdict\n" + verdictLine("2D", r.verdict2D) +
         verdictLine("3D", r.verdict3D);
  out += "Warnings: " + to_string(r.warnings.size()) + "\n";
  for (const std::string& w : r.warnings) out += "  - " + w + "\n";
  out += "Exit status: " + to_string(r.exitStatus()) + "\n";
  return out;
}

}  // namespace unv2tessal

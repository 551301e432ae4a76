#include "grid/grid_summary.h"

#include "codecs/json_text.h"
#include "codecs/words.h"
#include "unv/fe_descriptors.h"
#include "unv/reductions.h"

namespace unv2tessal {
namespace {

using std::to_string;

// The shape an FE id is written as in the grid, by its vertex count, and
// its plural.
std::pair<const char*, const char*> shapeName(std::int32_t feId, int dim) {
  const Shape* shape = findShape(dim == 2, feId);
  switch (shape != nullptr ? shape->vertices : 0) {
    case 3:
      return {"triangle", "triangles"};
    case 4:
      return dim == 2 ? std::pair{"quadrilateral", "quadrilaterals"}
                      : std::pair{"tetrahedron", "tetrahedra"};
    case 6:
      return {"wedge", "wedges"};
    case 8:
      return {"brick", "bricks"};
    default:
      return {"element", "elements"};
  }
}

std::int64_t reducedBy(const GridSummary& s, const Reduction& r) {
  if (r.isHigherOrder()) {
    const auto it = s.reducedHigherOrder.find({r.from, r.nodes});
    return it == s.reducedHigherOrder.end() ? 0 : it->second;
  }
  const auto it = s.reduced.find(r.from);
  return it == s.reduced.end() ? 0 : it->second;
}

// Why the grid has its dimension.
std::string dimensionReason(const GridSummary& s) {
  if (s.dimGiven) return "--dim " + to_string(s.dim);
  if (s.dim == 3) {
    return "chosen: the mesh holds " + counted(s.solids, "element") +
           " that a 3D grid writes";
  }
  return "chosen: no element of the mesh is one that a 3D grid writes";
}

std::string dimensionLine(const GridSummary& s) {
  return "grid: " + to_string(s.dim) + "D (" + dimensionReason(s) + ")";
}

std::string verticesLine(const GridSummary& s) {
  std::string line = "vertices: " + to_string(s.vertices) + " kept";
  if (s.keepNodes) return line + ", every node (--keep-nodes)";
  line += ", " + to_string(s.nodesDropped) + " dropped (nodes no written " +
          "element uses)";
  return line;
}

std::string numberingLine(const GridSummary& s) {
  if (s.vertices == 0) return "vertex numbers: none";
  if (s.renumbered) {
    return "vertex numbers: 1.." + to_string(s.vertices) +
           " by node label; the vertex map lists those that differ from "
           "their label";
  }
  if (s.nodeOffset == 0) return "vertex numbers: the node labels";
  return "vertex numbers: the node labels minus " + to_string(s.nodeOffset);
}

}  // namespace

std::map<std::int32_t, std::int64_t> meaningfulDrops(
    const std::map<std::int32_t, std::int64_t>& dropped, int dim) {
  std::map<std::int32_t, std::int64_t> kept;
  for (const auto& [id, n] : dropped) {
    const int d = feDescriptor(id).dimension();
    if (d < 0 || d >= dim) kept[id] = n;
  }
  return kept;
}

std::string gridSummaryText(const GridSummary& s) {
  std::string text = "tessalgrid: " + s.input + "\n";
  for (const WrittenFile& f : s.files) {
    text += "  " + f.path + ": " +
            counted(static_cast<std::int64_t>(f.bytes), "byte") + "\n";
  }
  text += dimensionLine(s) + "\n";
  text += verticesLine(s) + "\n";
  text += numberingLine(s) + "\n";
  std::map<std::pair<const char*, const char*>, std::int64_t> shapes;
  for (const auto& [id, n] : s.written) {
    if (findShape(s.dim == 2, id) != nullptr) shapes[shapeName(id, s.dim)] += n;
  }
  text += "elements: " + to_string(s.elements) + " written";
  std::string list;
  for (const auto& [shape, n] : shapes) {
    list += (list.empty() ? "" : ", ") + counted(n, shape.first, shape.second);
  }
  if (!list.empty()) text += " (" + list + ")";
  text += "\n";
  for (const Reduction* r = reductionsBegin(); r != reductionsEnd(); ++r) {
    const std::int64_t n = reducedBy(s, *r);
    if (n == 0) continue;
    text += "reduced: FE " + to_string(r->from) + " (" +
            std::string(feDescriptorName(r->from)) + ")" +
            (r->isHigherOrder() ? " with " + to_string(r->nodes) + " nodes"
                                : std::string()) +
            " -> FE " + to_string(r->to) + " x" + to_string(n) + "\n";
  }
  if (s.emptyLines > 0) {
    text += "empty lines between element records left out: " +
            to_string(s.emptyLines) + "\n";
  }
  if (!s.dropped.empty()) {
    text += "dropped by the " + to_string(s.dim) +
            "D grid: " + feList(s.dropped) + "\n";
  }
  if (s.regions.empty()) {
    text += "regions: none (the grid command file holds its header)\n";
  } else {
    text += "regions: " + to_string(s.regions.size()) + "\n";
  }
  for (const RegionSummary& r : s.regions) {
    text += "  " + quoted(r.regionId) + " (group " + to_string(r.group) + " " +
            quoted(r.name) + "): " + counted(r.vertices, "vertex", "vertices");
    if (r.lost > 0) {
      text +=
          ", " + counted(r.lost, "node") + " no written element uses left out";
    }
    text += "\n";
  }
  if (s.warnings.empty()) {
    text += "warnings: none\n";
  } else {
    text += "warnings: " + to_string(s.warnings.size()) + "\n";
    for (const std::string& w : s.warnings) text += "  - " + w + "\n";
  }
  return text;
}

std::string gridSummaryJson(const GridSummary& s) {
  auto counts = [](const std::map<std::int32_t, std::int64_t>& ids) {
    Json j('{');
    for (const auto& [id, n] : ids) j.key(to_string(id)).num(n);
    return j.done();
  };
  Json files('[');
  for (const WrittenFile& f : s.files) {
    Json j('{');
    files.raw(j.key("path")
                  .str(f.path)
                  .key("bytes")
                  .num(static_cast<std::int64_t>(f.bytes))
                  .done());
  }
  Json higher('[');
  for (const auto& [kind, n] : s.reducedHigherOrder) {
    Json j('{');
    j.key("fe_id").num(kind.first).key("nodes").num(kind.second);
    higher.raw(j.key("count").num(n).done());
  }
  Json regions('[');
  for (const RegionSummary& r : s.regions) {
    Json j('{');
    j.key("group").num(r.group).key("name").str(r.name);
    j.key("region_id").str(r.regionId).key("vertices").num(r.vertices);
    regions.raw(j.key("nodes_left_out").num(r.lost).done());
  }
  Json warnings('[');
  for (const std::string& w : s.warnings) warnings.str(w);
  Json j('{');
  j.key("input").str(s.input);
  j.key("files").raw(files.done());
  j.key("dim").num(s.dim).key("dim_given").boolean(s.dimGiven);
  j.key("dim_reason").str(dimensionReason(s));
  j.key("keep_nodes").boolean(s.keepNodes);
  j.key("vertices").num(s.vertices);
  j.key("nodes_dropped").num(s.nodesDropped);
  j.key("renumbered").boolean(s.renumbered);
  j.key("node_offset").num(s.nodeOffset);
  j.key("elements").num(s.elements);
  j.key("element_offset").num(s.elementOffset);
  j.key("elements_written").raw(counts(s.written));
  j.key("reduced").raw(counts(s.reduced));
  j.key("reduced_higher_order").raw(higher.done());
  j.key("dropped_by_grid").raw(counts(s.dropped));
  j.key("empty_lines_left_out").num(s.emptyLines);
  j.key("regions").raw(regions.done());
  j.key("warnings").raw(warnings.done());
  j.key("status").num(s.status());
  return j.done() + "\n";
}

}  // namespace unv2tessal

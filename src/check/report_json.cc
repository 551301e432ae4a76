#include "check/report_json.h"

#include <cstdio>

#include "unv/fe_descriptors.h"

namespace unv2tessal {
namespace {

using std::to_string;

std::string labels(const LabelSequence& l) {
  Json j('{');
  j.key("count").num(l.count());
  if (l.count() > 0) {
    j.key("first").num(l.first()).key("last").num(l.last());
    j.key("min").num(l.min()).key("max").num(l.max());
    j.key("ascending").boolean(l.ascending());
    j.key("contiguous").boolean(l.contiguous());
    if (l.ascending()) {
      j.key("repeated").num(l.repeats()).key("missing").num(l.missing());
    }
  }
  return j.done();
}

std::string datasets(const CheckReport& r) {
  Json list('[');
  for (const DatasetEntry& d : r.datasets) {
    Json j('{');
    j.key("number")
        .str(d.number)
        .key("first_line")
        .num(static_cast<std::int64_t>(d.firstLine));
    j.key("last_line").num(static_cast<std::int64_t>(d.lastLine));
    j.key("converted").boolean(d.converted).key("closed").boolean(d.closed);
    if (d.converted) j.key("records").num(d.records);
    if (d.repeat > 1) j.key("repeat").num(d.repeat);
    list.raw(j.done());
  }
  return list.done();
}

std::string passedOver(const CheckReport& r) {
  Json list('[');
  for (const auto& [number, times] : r.passedOver) {
    list.raw(
        Json('{').key("number").str(number).key("times").num(times).done());
  }
  return list.done();
}

std::string grid(const GridFacts& g) {
  return Json('{')
      .key("written")
      .num(g.written)
      .key("map_lines")
      .num(g.mapLines)
      .key("renumbered_message")
      .boolean(g.renumberedMessage)
      .done();
}

std::string feIds(const ElementFacts& e) {
  Json list('[');
  for (const auto& [id, n] : e.perFeId) {
    Json j('{');
    j.key("fe_id").num(id).key("name").str(feDescriptorName(id));
    j.key("count").num(n);
    j.key("written_in_2d").boolean(findShape(true, id) != nullptr);
    j.key("written_in_3d").boolean(findShape(false, id) != nullptr);
    const auto beams = e.beams.find(id);
    j.key("beams").num(beams == e.beams.end() ? 0 : beams->second);
    const auto more = e.continued.find(id);
    j.key("with_continuation")
        .num(more == e.continued.end() ? 0 : more->second);
    list.raw(j.done());
  }
  return list.done();
}

// The elements of a written kind with more than eight nodes, written on
// their corners.
std::string onCorners(const ElementFacts& e) {
  Json list('[');
  for (const auto& [kind, n] : e.onCorners) {
    list.raw(Json('{')
                 .key("fe_id")
                 .num(kind.first)
                 .key("nodes")
                 .num(kind.second)
                 .key("count")
                 .num(n)
                 .key("corners")
                 .num(feDescriptor(kind.first).writtenVertices())
                 .done());
  }
  return list.done();
}

std::string elements(const ElementFacts& e) {
  return Json('{')
      .key("datasets")
      .num(e.datasets)
      .key("labels")
      .raw(labels(e.labels))
      .key("fe_ids")
      .raw(feIds(e))
      .key("higher_order")
      .raw(onCorners(e))
      .key("empty_lines")
      .num(e.emptyLines)
      .key("element_offset")
      .num(e.elementOffset)
      .key("grid_2d")
      .raw(grid(e.grid2D))
      .key("grid_3d")
      .raw(grid(e.grid3D))
      .done();
}

std::string groups(const CheckReport& r) {
  const GroupFactsAll& g = r.groups;
  Json list('[');
  for (const GroupFacts& group : g.groups) {
    list.raw(Json('{')
                 .key("name")
                 .str(group.name)
                 .key("region_id")
                 .str(group.regionId)
                 .key("entities")
                 .num(group.entities)
                 .key("nodes")
                 .num(group.nodes)
                 .key("elements")
                 .num(group.elements)
                 .key("others")
                 .num(group.others)
                 .key("tags_outside")
                 .num(group.tagsOutside)
                 .done());
  }
  Json others('[');
  for (const OtherGroups& o : r.otherGroups) {
    Json j('{');
    j.key("number").str(o.number).key("datasets").num(o.datasets);
    j.key("reliable").boolean(o.reliable);
    if (o.reliable)
      j.key("groups").num(o.groups).key("entities").num(o.entities);
    others.raw(j.done());
  }
  return Json('{')
      .key("datasets")
      .num(g.datasets)
      .key("groups")
      .raw(list.done())
      .key("tag_check")
      .str(!g.nodesKnown     ? "no nodes"
           : g.tagCheckExact ? "exact"
                             : "range")
      .key("other_datasets")
      .raw(others.done())
      .done();
}

std::string verdict(const Verdict& v) {
  Json j('{');
  if (v.vertexFile)
    j.key("vertices").num(v.vertices);
  else
    j.key("vertices").raw("null");
  if (v.connectivityFile)
    j.key("elements").num(v.elements);
  else
    j.key("elements").raw("null");
  if (v.gridFile)
    j.key("regions").num(v.regions);
  else
    j.key("regions").raw("null");
  return j.done();
}

}  // namespace

std::string formatJsonReport(const CheckReport& r) {
  Json j('{');
  j.key("file").str(r.file).key("exit_status").num(r.exitStatus());
  if (r.failure) {
    j.key("error").raw(failureJson(*r.failure));
    return j.done();
  }
  j.key("datasets").raw(datasets(r)).key("passed_over").raw(passedOver(r));
  j.key("nodes").raw(Json('{')
                         .key("datasets")
                         .num(r.nodes.datasets)
                         .key("labels")
                         .raw(labels(r.nodes.labels))
                         .key("renumbering_asked")
                         .boolean(r.nodes.renumberingAsked)
                         .key("node_offset")
                         .num(r.nodes.nodeOffset)
                         .done());
  j.key("elements").raw(elements(r.elements));
  j.key("groups").raw(groups(r));
  j.key("verdict").raw(Json('{')
                           .key("2d")
                           .raw(verdict(r.verdict2D))
                           .key("3d")
                           .raw(verdict(r.verdict3D))
                           .done());
  Json warnings('[');
  for (const std::string& w : r.warnings) warnings.str(w);
  j.key("warnings").raw(warnings.done());
  return j.done();
}

}  // namespace unv2tessal

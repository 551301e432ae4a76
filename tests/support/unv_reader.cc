#include "support/unv_reader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string_view>

namespace unv2tessal::support {
namespace {

struct Unreadable : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Columns [from, from + n) of a line, blank-padded.
std::string columns(const std::string& line, std::size_t from, std::size_t n) {
  std::string s = from < line.size() ? line.substr(from, n) : "";
  s.resize(n, ' ');
  return s;
}

bool isBlank(std::string_view s) {
  return s.find_first_not_of(' ') == std::string_view::npos;
}

bool isDelimiter(const std::string& line) {
  return columns(line, 0, 7) == "    -1 ";
}

// The `k`-th integer field (0-based) of `width` columns; nullopt when blank.
std::optional<std::int64_t> field(const std::string& line, std::size_t k,
                                  std::size_t width = 10) {
  const std::string s = columns(line, k * width, width);
  if (isBlank(s)) return std::nullopt;
  char* end = nullptr;
  const long long v = std::strtoll(s.c_str(), &end, 10);
  if (!isBlank(end)) throw Unreadable("not an integer: '" + s + "'");
  return v;
}

std::int64_t number(const std::string& line, std::size_t k) {
  return field(line, k).value_or(0);
}

double real(const std::string& line, std::size_t k) {
  std::string s = columns(line, k * 25, 25);
  for (char& c : s) {
    if (c == 'D' || c == 'd') c = 'E';
  }
  char* end = nullptr;
  const double v = std::strtod(s.c_str(), &end);
  if (end == s.c_str() || !isBlank(end)) {
    throw Unreadable("not a coordinate: '" + s + "'");
  }
  return v;
}

// The lines of one dataset's body, and a cursor over them.
class Body {
 public:
  Body(const std::vector<std::string>& lines, std::size_t begin,
       std::size_t end)
      : lines_(lines), at_(begin), end_(end) {}
  bool done() const { return at_ >= end_; }
  const std::string& next() {
    if (done()) {
      throw Unreadable("dataset ends inside a record group at line " +
                       std::to_string(at_ + 1));
    }
    return lines_[at_++];
  }
  // Passes over empty records between groups.
  void skipBlankLines() {
    while (!done() && isBlank(lines_[at_])) ++at_;
  }

 private:
  const std::vector<std::string>& lines_;
  std::size_t at_;
  std::size_t end_;
};

void readNodes(Body& body, UnvMesh* mesh) {
  while (!body.done()) {
    const std::int64_t label = number(body.next(), 0);
    const std::string& xyz = body.next();
    mesh->nodeOrder.push_back(label);
    mesh->nodes[label] = {real(xyz, 0), real(xyz, 1), real(xyz, 2)};
  }
}

void readElements(Body& body, UnvMesh* mesh) {
  for (body.skipBlankLines(); !body.done(); body.skipBlankLines()) {
    const std::string& descriptor = body.next();
    UnvElement e;
    e.label = number(descriptor, 0);
    e.feId = static_cast<int>(number(descriptor, 1));
    const std::int64_t count = number(descriptor, 5);
    if (isBeamKind(e.feId)) body.next();  // the orientation record
    while (static_cast<std::int64_t>(e.nodes.size()) < count) {
      const std::string& record = body.next();
      for (std::size_t k = 0;
           k < 8 && static_cast<std::int64_t>(e.nodes.size()) < count; ++k) {
        e.nodes.push_back(number(record, k));
      }
    }
    mesh->elements.push_back(std::move(e));
  }
}

// Group datasets: the entity count is field 8 of record 1 (field 7 in
// 2417); an entity record holds two entities of four fields (type, tag,
// leaf id, component) or, in 2430 and 2417, four of two (type, tag). A slot
// whose type is blank or 0 holds no entity: gmsh ends a group's nodes on a
// record of one entity and starts its elements on the next.
void readGroups(const std::string& dataset, Body& body, UnvMesh* mesh) {
  const bool pairs = dataset == "2430" || dataset == "2417";
  const std::size_t countField = dataset == "2417" ? 6 : 7;
  const std::size_t slots = pairs ? 4 : 2;
  const std::size_t slotFields = pairs ? 2 : 4;
  for (body.skipBlankLines(); !body.done(); body.skipBlankLines()) {
    const std::string& head = body.next();
    UnvGroup g;
    g.dataset = dataset;
    g.number = number(head, 0);
    const std::int64_t count = number(head, countField);
    g.name = body.next();
    while (static_cast<std::int64_t>(g.entities.size()) < count) {
      const std::string& record = body.next();
      for (std::size_t s = 0; s < slots; ++s) {
        const std::optional<std::int64_t> type = field(record, s * slotFields);
        if (!type || *type == 0) continue;
        g.entities.push_back(
            {static_cast<int>(*type), number(record, s * slotFields + 1)});
      }
    }
    if (static_cast<std::int64_t>(g.entities.size()) != count) {
      throw Unreadable("group " + g.name + " holds more entities than " +
                       std::to_string(count));
    }
    mesh->groups.push_back(std::move(g));
  }
}

}  // namespace

const UnvElement* UnvMesh::element(std::int64_t label) const {
  for (const UnvElement& e : elements) {
    if (e.label == label) return &e;
  }
  return nullptr;
}

const ReducedKind* reducedKind(int feId, std::size_t nodes) {
  static const ReducedKind kTetrahedronCorners{111, {1, 2, 3, 4}};
  static const ReducedKind kWedgeCorners{112, {1, 2, 3, 4, 5, 6}};
  static const ReducedKind kBrickCorners{115, {1, 2, 3, 4, 5, 6, 7, 8}};
  static const ReducedKind kTriangle{91, {1, 2, 3}};
  static const ReducedKind kQuadrilateral{94, {1, 2, 3, 4}};
  static const ReducedKind kParabolicTriangle{91, {1, 3, 5}};
  static const ReducedKind kParabolicQuadrilateral{94, {1, 3, 5, 7}};
  static const ReducedKind kTetrahedron{111, {1, 3, 5, 10}};
  static const ReducedKind kWedge{112, {1, 3, 5, 10, 12, 14}};
  static const ReducedKind kBrick{115, {1, 3, 5, 7, 13, 15, 17, 19}};
  if (nodes > 8) {
    switch (feId) {
      case 91:
        return &kTriangle;
      case 94:
        return &kQuadrilateral;
      case 111:
        return &kTetrahedronCorners;
      case 112:
        return &kWedgeCorners;
      case 115:
        return &kBrickCorners;
      default:
        break;
    }
  }
  switch (feId) {
    case 41:
    case 51:
    case 61:
    case 74:
    case 81:
      return &kTriangle;
    case 44:
    case 54:
    case 64:
    case 71:
    case 84:
      return &kQuadrilateral;
    case 42:
    case 52:
    case 62:
    case 72:
    case 82:
    case 92:
      return &kParabolicTriangle;
    case 45:
    case 55:
    case 65:
    case 75:
    case 85:
    case 95:
      return &kParabolicQuadrilateral;
    case 118:
      return &kTetrahedron;
    case 113:
      return &kWedge;
    case 116:
      return &kBrick;
    default:
      return nullptr;
  }
}

bool isBeamKind(int feId) {
  return feId == 11 || (feId >= 21 && feId <= 24) || feId == 31 || feId == 32;
}

void readUnv(const std::string& path, UnvMesh* mesh) {
  std::ifstream in(path, std::ios::binary);
  ASSERT_TRUE(in) << "cannot open " << path;
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    lines.push_back(std::move(l));
  }
  try {
    std::size_t k = 0;
    while (k < lines.size()) {
      if (!isDelimiter(lines[k++])) continue;  // between datasets
      if (k == lines.size()) break;
      const std::string dataset = columns(lines[k++], 0, 6);
      std::size_t end = k;
      while (end < lines.size() && !isDelimiter(lines[end])) ++end;
      if (end == lines.size())
        throw Unreadable("dataset " + dataset + " has no closing delimiter");
      Body body(lines, k, end);
      std::string number(dataset);
      number.erase(0, number.find_first_not_of(' '));
      mesh->datasets.push_back(number);
      if (number == "2411") {
        readNodes(body, mesh);
      } else if (number == "2412") {
        readElements(body, mesh);
      } else if (number == "2435" || number == "2452" || number == "2467" ||
                 number == "2477" || number == "2430" || number == "2417") {
        readGroups(number, body, mesh);
      }
      k = end + 1;
    }
  } catch (const Unreadable& e) {
    FAIL() << path << ": " << e.what();
  }
}

}  // namespace unv2tessal::support

#ifndef UNV2TESSAL_VIEW_VTK_CELLS_H_
#define UNV2TESSAL_VIEW_VTK_CELLS_H_

#include <array>
#include <cstdint>
#include <string_view>

namespace unv2tessal {

/// The VTK cell of one shape code of the connectivity file.
struct VtkCell {
  std::int32_t code;          // shape code
  std::uint8_t type;          // VTK cell type
  std::string_view name;      // the shape's name in findings
  std::array<int, 8> vertex;  // VTK point k is vertex[k] of the line
};

// The vertices of a connectivity line stand in the order of the universal
// file's element, which is VTK's for all but the wedge: there the first
// triangle turns about the axis towards the second, and VTK wants it to
// turn away from it (the other way round, the wedge has a negative volume).
inline constexpr std::array<VtkCell, 5> kVtkCells{{
    {1, 5, "triangle", {0, 1, 2}},
    {2, 9, "quadrilateral", {0, 1, 2, 3}},
    {3, 10, "tetrahedron", {0, 1, 2, 3}},
    {5, 13, "wedge", {0, 2, 1, 3, 5, 4}},
    {6, 12, "hexahedron", {0, 1, 2, 3, 4, 5, 6, 7}},
}};

/// The VTK cell of shape code `code`, or nullptr.
constexpr const VtkCell* vtkCellOf(std::int32_t code) {
  for (const VtkCell& c : kVtkCells) {
    if (c.code == code) return &c;
  }
  return nullptr;
}

}  // namespace unv2tessal

#endif  // UNV2TESSAL_VIEW_VTK_CELLS_H_

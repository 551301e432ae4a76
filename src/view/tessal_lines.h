#ifndef UNV2TESSAL_VIEW_TESSAL_LINES_H_
#define UNV2TESSAL_VIEW_TESSAL_LINES_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "codecs/fast_fields.h"
#include "elements/read_elem.h"
#include "io/shell.h"
#include "nodes/read_nodes.h"
#include "view/columns.h"

namespace unv2tessal {

// The lines of the three files that the converter writes, read back by the
// converter's own layouts: the vertex file, the connectivity file and the
// grid command file. The functions work on one line (without its line end)
// and throw Failure (io/shell.h) for a line that is not what its file holds:
// its message names the columns and what is wrong with them ("columns 1-8
// are not a valid number"), its column the first of them where there is
// one; the file and the line, which the caller knows, are left empty.

/// The vertex record is 62 columns: the vertex number and x, y, z.
inline constexpr std::size_t kVertexLineWidth = widthOf(kVertexRecord);

/// Reads the vertex number of a vertex record (columns 1-8). Throws
/// Failure also when the line is not 62 columns long.
std::int32_t readVertexNumber(std::string_view line);

/// Reads coordinate k (0 x, 1 y, 2 z) of a vertex record: the double
/// nearest to the field's value. Throws Failure when the field is not a
/// finite number.
double readCoordinate(std::string_view line, std::size_t k);

/// The head of a connectivity line: columns 1-18.
struct ElementHead {
  std::int32_t number;
  std::int32_t code;      // shape code, column 13
  std::int32_t vertices;  // vertex count, column 16
};

/// Reads the element number, shape code and vertex count of a connectivity
/// line. Throws Failure.
ElementHead readElementHead(std::string_view line);

/// The connectivity line holds at most this many vertex numbers.
inline constexpr std::size_t kMaxElementVertices = 8;

/// readElementVertex for the fields that are not of the common form.
std::int32_t readElementVertexExactly(std::string_view line, std::size_t k);

/// Reads vertex number k (0-based, k < 8) of a connectivity line; a field
/// past the end of the line reads as 0, as the converter reads fields.
/// Throws Failure.
inline std::int32_t readElementVertex(std::string_view line, std::size_t k) {
  constexpr Columns first = columnsOf(kConnectivityRecord, 6);
  static_assert(first.width == 10);
  const std::size_t at = first.first + k * first.width;
  std::int32_t value = 0;
  if (line.size() >= at + first.width &&
      tryReadInteger10(line.data() + at, &value)) {
    return value;
  }
  return readElementVertexExactly(line, k);
}

/// The records of the grid command file.
enum class GridLine {
  kGrid2D,
  kGrid3D,
  kVertexCount,
  kConnectivity,
  kCoordinates,
  kElementOffset,
  kNodeOffset,
  kRegion,
  kOther,  // anything else: in the region part, a vertex line
};

/// Tells which record `line` is, by its text.
GridLine kindOf(std::string_view line);

/// Reads the number of a header record of kind kGrid2D .. kNodeOffset
/// (element count, vertex count or offset). Throws Failure, also for the
/// connectivity and coordinates records, which hold no number.
std::int32_t readHeaderNumber(std::string_view line, GridLine kind);

/// A region command: the 8-character region ID and the vertex count.
struct RegionCommand {
  std::string_view id;  // a view into the line
  std::int32_t count;
};

/// Reads a region command (kindOf gives kRegion). Throws Failure.
RegionCommand readRegionCommand(std::string_view line);

/// Reads the 1 to 8 vertex numbers of a region's vertex line into out and
/// returns how many there are. Throws Failure.
std::size_t readRegionVertices(std::string_view line,
                               std::array<std::int32_t, 8>& out);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_VIEW_TESSAL_LINES_H_

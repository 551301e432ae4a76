#ifndef UNV2TESSAL_GRID_GRID_SUMMARY_H_
#define UNV2TESSAL_GRID_GRID_SUMMARY_H_

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace unv2tessal {

/// One file put in place.
struct WrittenFile {
  std::string path;
  std::uint64_t bytes = 0;
};

/// One region of the grid command file.
struct RegionSummary {
  std::int32_t group = 0;  // the group's number
  std::string name;        // the group's name
  std::string regionId;    // 8 characters, blank-padded
  std::int64_t vertices = 0;
  std::int64_t lost = 0;  // the group's nodes that the grid does not keep
};

/// Everything the summary of a run of tessalgrid tells.
struct GridSummary {
  std::string input;
  std::vector<WrittenFile> files;
  int dim = 0;
  bool dimGiven = false;
  std::int64_t solids = 0;  // elements that a 3D grid writes
  bool keepNodes = false;
  /// Vertices written, nodes left out (the default mode), and how the
  /// vertices are numbered.
  std::int64_t vertices = 0;
  std::int64_t nodesDropped = 0;
  bool renumbered = false;      // by rank, listed in the vertex map
  std::int32_t nodeOffset = 0;  // else: label minus this
  std::int64_t elements = 0;    // written
  std::int32_t elementOffset = 0;
  /// Elements written, by FE id; reduced, by FE id read (and by id and
  /// node count for the higher-order forms); dropped by the grid, by FE id.
  std::map<std::int32_t, std::int64_t> written;
  std::map<std::int32_t, std::int64_t> reduced;
  std::map<std::pair<std::int32_t, std::int32_t>, std::int64_t>
      reducedHigherOrder;
  std::map<std::int32_t, std::int64_t> dropped;
  std::int64_t emptyLines = 0;
  std::vector<RegionSummary> regions;
  /// Things of the mesh's meaning that the grid leaves out, one line each.
  std::vector<std::string> warnings;

  /// The exit status of a run that wrote its files: 1 with warnings.
  int status() const { return warnings.empty() ? 0 : 1; }
};

/// The summary for people, on standard error.
std::string gridSummaryText(const GridSummary& summary);
/// The same as one JSON document, with a line end.
std::string gridSummaryJson(const GridSummary& summary);

/// The dropped kinds that leave something of the mesh's meaning out: kinds
/// of the grid's own dimension (or above it, or of no known dimension)
/// that no grid writes. Faces and edges below it, beams and masses are
/// only counted.
std::map<std::int32_t, std::int64_t> meaningfulDrops(
    const std::map<std::int32_t, std::int64_t>& dropped, int dim);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_GRID_GRID_SUMMARY_H_

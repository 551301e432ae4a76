#ifndef UNV2TESSAL_GRID_LOCATE_H_
#define UNV2TESSAL_GRID_LOCATE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "grid/conversion.h"
#include "io/shell.h"

namespace unv2tessal {

class UsedLabels;

/// What the prepared text was made of, to find the mesh's line behind a
/// line of it.
struct StreamShape {
  std::string input;
  /// The node labels kept (the default mode), or nullptr: every node.
  const UsedLabels* used = nullptr;
  /// The groups of the 2435 dataset at the end of the text: their entity
  /// counts as written, their line and name in the mesh.
  std::vector<std::int64_t> groupEntities;
  std::vector<std::size_t> groupLines;
  std::vector<std::string> groupNames;
};

/// The failure to report for a conversion that stopped at a line of the
/// prepared text: the mesh's file and line that the converter could not
/// read, and why; for a failure on one of the grid's files, that file.
/// `files` names the grid's files. Reads the mesh again (a failure is rare;
/// the text is not kept).
Failure locateFailure(const ConversionResult& result, const StreamShape& shape,
                      const std::string (&files)[kGridFiles]);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_GRID_LOCATE_H_

#ifndef UNV2TESSAL_GRID_TESSALGRID_H_
#define UNV2TESSAL_GRID_TESSALGRID_H_

#include <string>
#include <vector>

namespace unv2tessal {

/// What tessalgrid is asked to do.
struct GridOptions {
  std::string input;
  /// The grid's files are PREFIX.xyz, .cnc, .inp, .map and .vmap; empty:
  /// the input's base name without ".unv", in the current folder.
  std::string prefix;
  int dim = 0;  // 2 or 3; 0: 3 when a 3D grid writes elements of the mesh
  bool uniqueIds = false;
  /// Every node is a vertex, numbered as the converter numbers it.
  bool keepNodes = false;
  std::string vtu;  // also the grid as a .vtu; empty: none
  bool json = false;
  /// With `json`: the JSON summary goes to standard output before the files
  /// are put in place (a summary that cannot be written leaves none);
  /// false: it is appended to *out.
  bool jsonToStandardOutput = false;
};

/// Converts options.input into the grid's files in one run: unvprep's pass
/// over the mesh feeds the converter in memory, on threads of their own
/// when a CPU is spare; the files appear together when all are complete,
/// or none does. Appends the summary to *err (with options.json, a JSON
/// document to *out) and a failure as the one line "tessalgrid: FILE:LINE:
/// what" to *err. Returns 0 written, 1 written with something of the
/// mesh's meaning left out, 2 nothing written.
int runGrid(const GridOptions& options, std::string* out, std::string* err);

/// Runs tessalgrid on the command-line arguments (without the program
/// name); `jsonToStandardOutput` as in GridOptions.
int runTessalgrid(const std::vector<std::string>& args, std::string* out,
                  std::string* err, bool jsonToStandardOutput = false);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_GRID_TESSALGRID_H_

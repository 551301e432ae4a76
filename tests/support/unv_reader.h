#ifndef UNV2TESSAL_TESTS_SUPPORT_UNV_READER_H_
#define UNV2TESSAL_TESTS_SUPPORT_UNV_READER_H_

// A small reading of a whole universal file, written for the tests from
// the file format alone and sharing no code with the programs: what a test
// expects of them is computed from it. It holds the whole mesh in memory
// and stops a test on anything it cannot read.

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace unv2tessal::support {

struct UnvElement {
  std::int64_t label = 0;
  int feId = 0;
  std::vector<std::int64_t> nodes;  // every node record, continuations too
};
// Empty lines between elements (gmsh writes one after an element whose
// node count is a multiple of 8) are passed over.

struct UnvEntity {
  int type = 0;  // 7 node, 8 element, others
  std::int64_t tag = 0;
};

struct UnvGroup {
  std::string dataset;  // "2435", "2477", ...
  std::int64_t number = 0;
  std::string name;  // the whole name record, CR dropped
  std::vector<UnvEntity> entities;
};

struct UnvMesh {
  /// Node labels in file order, and their coordinates.
  std::vector<std::int64_t> nodeOrder;
  std::map<std::int64_t, std::array<double, 3>> nodes;
  std::vector<UnvElement> elements;
  std::vector<UnvGroup> groups;       // every group dataset, in file order
  std::vector<std::string> datasets;  // dataset numbers in file order

  const UnvElement* element(std::int64_t label) const;
};

/// Whether an FE descriptor id is a beam, rod or pipe: its node record
/// follows an orientation record.
bool isBeamKind(int feId);

/// An element kind that unvprep rewrites as one the converter writes: the
/// linear kind written (91, 94, 111, 112, 115) and the 1-based positions of
/// its corners in the node list read, in the order written.
struct ReducedKind {
  int to = 0;
  std::vector<int> corners;
};

/// The reduction of an element of FE descriptor id `feId` with `nodes`
/// nodes as the element families of the file format give it, or nullptr for
/// an element kept as it is. A linear kind (91, 94, 111, 112, 115) of more
/// than 8 nodes is a complete higher-order element, its corners first.
const ReducedKind* reducedKind(int feId, std::size_t nodes);

/// Reads the file at `path`; any record it cannot read is a test failure
/// (check with ASSERT_NO_FATAL_FAILURE).
void readUnv(const std::string& path, UnvMesh* mesh);

}  // namespace unv2tessal::support

#endif  // UNV2TESSAL_TESTS_SUPPORT_UNV_READER_H_

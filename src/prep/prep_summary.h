#ifndef UNV2TESSAL_PREP_PREP_SUMMARY_H_
#define UNV2TESSAL_PREP_PREP_SUMMARY_H_

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "prep/group_table.h"

namespace unv2tessal {

/// One group as written to the 2435 dataset.
struct PreparedGroup {
  std::int32_t number = 0;
  std::string name;      // as read
  std::string written;   // as written (renamed with --unique-ids)
  std::string regionId;  // the first 8 characters of `written`, blank-padded
  std::string_view kind;
  std::size_t line = 0;
  std::int64_t nodeEntities = 0;
  std::int64_t elementEntities = 0;
  std::int64_t otherEntities = 0;
  std::int64_t missingNodes = 0;     // node tags no node dataset holds
  std::int64_t missingElements = 0;  // element tags no element dataset holds
  std::vector<std::int32_t> missingElementTags;  // the first few of them
  std::int64_t vertices = 0;
};

/// Everything the summary tells.
struct PrepSummary {
  std::string input, output, answers;
  std::vector<GroupDatasetTally> groupDatasets;
  std::vector<PreparedGroup> groups;
  std::map<std::int32_t, std::int64_t> reduced;  // by FE id read
  /// Higher-order elements of the written kinds reduced to their corners,
  /// by FE id and node count read.
  std::map<std::pair<std::int32_t, std::int32_t>, std::int64_t>
      reducedHigherOrder;
  std::int64_t emptyLines = 0;  // between element records, left out
  std::map<std::int32_t, std::int64_t> written;  // by FE id written
  std::map<std::int32_t, std::int64_t> dropped;  // by the chosen grid
  int dim = 0;
  bool dimGiven = false;
  std::int64_t elementEntities = 0, elementEntitiesResolved = 0;
  /// Groups sharing a region ID: indices into `groups`, before renaming.
  std::vector<std::vector<std::size_t>> sharedIds;
  /// Lines between datasets, after a group dataset taken out, that would
  /// have read as a dataset in the output: left out.
  std::int64_t strayLines = 0;
  std::size_t firstStrayLine = 0;
  /// Something of the mesh is left out: a stray line, a tag that no
  /// dataset holds, an entity that is neither node nor element.
  bool leftOut() const;
};

}  // namespace unv2tessal

#endif  // UNV2TESSAL_PREP_PREP_SUMMARY_H_

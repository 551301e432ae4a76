#ifndef UNV2TESSAL_CHECK_CHECK_REPORT_H_
#define UNV2TESSAL_CHECK_CHECK_REPORT_H_

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "check/check_input.h"
#include "check/label_sequence.h"
#include "codecs/words.h"

namespace unv2tessal {

/// One dataset of the file, or a run of consecutive passed-over datasets
/// of the same number (`repeat` > 1), so that a file of many result
/// datasets keeps a short list.
struct DatasetEntry {
  std::string number;         // columns 3-6 of the number line, blanks cut
  std::size_t firstLine = 0;  // the opening delimiter
  std::size_t lastLine = 0;   // the closing delimiter, or the file's last line
  bool converted = false;     // 2411, 2412 or 2435
  bool closed = true;         // false when the file ended inside it
  std::int64_t records = 0;   // nodes, elements or groups (converted only)
  std::int64_t repeat = 1;
};

/// The node datasets; the figures are those of the last one, which is the
/// one whose vertex file stays.
struct NodeFacts {
  int datasets = 0;
  LabelSequence labels;
  /// Shift of every vertex number when renumbering is accepted (the
  /// default reply); 0 when the first label is 1.
  std::int64_t nodeOffset = 0;
  bool renumberingAsked = false;
};

/// What one grid dimension makes of the element dataset.
struct GridFacts {
  std::int64_t written = 0;        // connectivity lines = element count
  std::int64_t mapLines = 0;       // renumbering map lines below the header
  bool renumberedMessage = false;  // "... renumbered to eliminate gaps"
};

/// The element datasets (figures of the last one, but `emptyLines`).
struct ElementFacts {
  int datasets = 0;
  LabelSequence labels;
  std::map<std::int32_t, std::int64_t> perFeId;    // FE descriptor id -> count
  std::map<std::int32_t, std::int64_t> beams;      // with orientation record
  std::map<std::int32_t, std::int64_t> continued;  // with continuation records
  /// Elements of a written kind with more than eight nodes (complete
  /// higher-order elements), written on their corners: (FE descriptor id,
  /// node count) -> count. Not in `continued`.
  std::map<std::pair<std::int32_t, std::int32_t>, std::int64_t> onCorners;
  /// Empty lines between element records, passed over, in every element
  /// dataset: the converter would not read past one.
  std::int64_t emptyLines = 0;
  std::int64_t elementOffset = 0;
  GridFacts grid2D;
  GridFacts grid3D;
};

/// One group of a 2435 dataset as the converter reads it.
struct GroupFacts {
  std::string name;      // columns 1-20 of the name record, trailing blanks cut
  std::string regionId;  // the first 8 characters, blanks kept
  std::int64_t entities = 0;     // field 8 of the group record
  std::int64_t nodes = 0;        // entity type 7
  std::int64_t elements = 0;     // entity type 8
  std::int64_t others = 0;       // any other type code
  std::int64_t tagsOutside = 0;  // node tags that name no node of the file
};

/// The 2435 datasets: every group read, and the groups of the last one,
/// whose grid command file stays.
struct GroupFactsAll {
  int datasets = 0;
  std::vector<GroupFacts> groups;
  std::int64_t lastDatasetGroups = 0;
  bool beforeNodes = false;     // a 2435 dataset met before any 2411
  bool beforeElements = false;  // ... before any 2412
  bool nodesKnown = false;      // a node dataset came before the groups
  bool tagCheckExact = false;   // node labels contiguous when checked
  std::int64_t nodeMin = 0;  // node label range the tags were checked against
  std::int64_t nodeMax = 0;
};

/// Group datasets that the converter passes over (2417, 2430, 2452, 2467,
/// 2477), summed per dataset number.
struct OtherGroups {
  std::string number;
  int datasets = 0;
  std::int64_t groups = 0;
  std::int64_t entities = 0;
  bool reliable = true;  // false when the layout did not fit the records
};

/// What a conversion in one dimension would write.
struct Verdict {
  bool vertexFile = false;
  std::int64_t vertices = 0;
  bool connectivityFile = false;
  std::int64_t elements = 0;
  bool gridFile = false;
  std::int64_t regions = 0;
};

/// The whole report on one file.
struct CheckReport {
  std::string file;  // as given on the command line
  std::vector<DatasetEntry> datasets;
  std::vector<std::pair<std::string, std::int64_t>>
      passedOver;  // number, times
  NodeFacts nodes;
  ElementFacts elements;
  GroupFactsAll groups;
  std::vector<OtherGroups> otherGroups;
  Verdict verdict2D;
  Verdict verdict3D;
  std::vector<std::string> warnings;
  std::optional<Failure> failure;

  /// 0 without warnings, 1 with warnings, 2 when the file cannot be read.
  int exitStatus() const {
    if (failure) return 2;
    return warnings.empty() ? 0 : 1;
  }
};

}  // namespace unv2tessal

#endif  // UNV2TESSAL_CHECK_CHECK_REPORT_H_

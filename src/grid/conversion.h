#ifndef UNV2TESSAL_GRID_CONVERSION_H_
#define UNV2TESSAL_GRID_CONVERSION_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "io/failure.h"

namespace unv2tessal {

class BlockSource;

/// The converter's files of one run, by the unit it writes each on.
enum class GridFile { kVertices, kConnectivity, kGridCommands, kMap };
inline constexpr std::size_t kGridFiles = 4;

/// What the converter is given instead of its console dialogue.
struct ConversionPlan {
  /// The prepared universal text (a LinePipe) and its name in reports.
  BlockSource* input = nullptr;
  std::string inputName;
  /// Open descriptors of the four files, which the conversion closes, and
  /// their names.
  int fds[kGridFiles] = {-1, -1, -1, -1};
  std::string names[kGridFiles];
  /// The grid dimension, 2 or 3, asked where the element dataset begins;
  /// 0 when it is not to be had (the conversion then ends as a console
  /// that ran out of replies ends it).
  std::function<int()> dimension;
  /// The reply to the renumbering question (asked when the first node is
  /// not numbered 1): accept, else decline.
  std::function<bool()> renumber;
};

/// Where the converter was, in the prepared text, when it stopped.
enum class StreamPlace { kNone, kNodes, kElements, kGroups, kOther };

/// How the conversion went.
struct ConversionResult {
  bool failed = false;
  RunFailure failure{0};
  /// The dataset being read at the failure, the line of its number line
  /// and the line read last, in the prepared text.
  StreamPlace place = StreamPlace::kNone;
  std::size_t datasetLine = 0;
  std::size_t failedLine = 0;
  /// A second node (2411) or element (2412) dataset, which is not
  /// converted: its number (the conversion stops there).
  std::string secondDataset;

  /// The shared records at the end.
  std::int32_t vertexCount = 0, elementCount = 0;
  std::int32_t nodeOffset = 0, elementOffset = 0;
  bool is2D = false;
  bool nodesMet = false, elementsMet = false, groupsMet = false;
  /// Fields written as asterisks (report 63), by file.
  std::int64_t asterisks[kGridFiles] = {0, 0, 0, 0};
};

/// Runs the converter's dataset scan and its converters (READ_NODES,
/// READ_ELEM, READ_GROUPS) on the prepared text, their questions answered
/// by `plan`, their files the ones it gives. Without a group dataset the
/// grid command file gets its header as the converter writes it. One node
/// and one element dataset are converted; the conversion stops at a second
/// one. Never throws a RunFailure: it comes back in the result.
ConversionResult convertStream(const ConversionPlan& plan);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_GRID_CONVERSION_H_

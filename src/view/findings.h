#ifndef UNV2TESSAL_VIEW_FINDINGS_H_
#define UNV2TESSAL_VIEW_FINDINGS_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace unv2tessal {

/// The kinds of finding in the three files of a grid.
enum class FindingKind : std::uint8_t {
  kVertexAgain,
  kUnknownShape,
  kShapeCount,
  kOtherDimension,
  kElementVertexMissing,
  kRegionVertexMissing,
  kRegionAgain,
  kRegionCount,
  kHeaderCount,
};

/// Collects the findings as lines "tessal2vtk: FILE:LINE: what" on *err.
/// The first kShown of each kind are written; summary() then tells how many
/// more there were, so a file that is wrong throughout gives a short report.
class Findings {
 public:
  static constexpr std::uint64_t kShown = 10;

  explicit Findings(std::string* err) : err_(err) {}

  void add(FindingKind kind, std::string_view file, std::size_t line,
           std::string_view what);
  /// One line for each kind with findings not shown.
  void summary();
  std::uint64_t total() const { return total_; }

 private:
  static constexpr std::size_t kKinds =
      static_cast<std::size_t>(FindingKind::kHeaderCount) + 1;
  std::string* err_;
  std::array<std::uint64_t, kKinds> counts_{};
  std::array<std::string, kKinds> files_;
  std::uint64_t total_ = 0;
};

}  // namespace unv2tessal

#endif  // UNV2TESSAL_VIEW_FINDINGS_H_

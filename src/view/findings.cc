#include "view/findings.h"

namespace unv2tessal {
namespace {

// What the findings of each kind are, for the summary line.
constexpr std::array<std::string_view, 9> kDescriptions{
    "vertex numbers listed again",
    "elements with a shape code of no element kind",
    "elements whose shape code and vertex count disagree",
    "elements of the other grid dimension",
    "elements that use a vertex the vertex file does not hold",
    "region vertices that the vertex file does not hold",
    "region IDs used again",
    "regions whose vertex lines disagree with their count",
    "counts that disagree with the files",
};

}  // namespace

void Findings::add(FindingKind kind, std::string_view file, std::size_t line,
                   std::string_view what) {
  const std::size_t k = static_cast<std::size_t>(kind);
  ++total_;
  if (++counts_[k] > kShown) return;
  files_[k] = file;
  *err_ += "tessal2vtk: ";
  *err_ += file;
  *err_ += ':';
  *err_ += std::to_string(line);
  *err_ += ": ";
  *err_ += what;
  *err_ += '\n';
}

void Findings::summary() {
  for (std::size_t k = 0; k < kKinds; ++k) {
    if (counts_[k] <= kShown) continue;
    *err_ += "tessal2vtk: " + files_[k] + ": " +
             std::to_string(counts_[k] - kShown) + " more " +
             std::string(kDescriptions[k]) + "\n";
  }
}

}  // namespace unv2tessal

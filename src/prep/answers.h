#ifndef UNV2TESSAL_PREP_ANSWERS_H_
#define UNV2TESSAL_PREP_ANSWERS_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace unv2tessal {

/// A dataset of the prepared file at which the converter asks questions,
/// in file order.
enum class Asking : std::uint8_t {
  kNodes,             // vertex file name
  kNodesRenumbering,  // vertex file name, then renumbering (first node not 1)
  kElements,          // grid dimension, then connectivity file name
  kGroups,            // grid command file name
};

/// The converter's console replies for a run on the prepared file: the
/// input name, then for each dataset its replies in the order asked, one
/// per line (LF). Output files are named `prefix` plus ".xyz", ".cnc" and
/// ".inp"; renumbering is accepted ("Y"); `dim` is 2 or 3.
std::string answersText(std::string_view inputName,
                        const std::vector<Asking>& datasets, int dim,
                        std::string_view prefix);

/// Checks that `name` reaches the converter unchanged as a file-name reply:
/// not empty, at most 64 characters (the reply's length), no blank at
/// either end (the converter drops them) and no line break. Returns false
/// with *why set otherwise.
bool fitsReply(std::string_view name, std::string* why);

/// The prefix used when none is given: the output's name without ".unv".
std::string defaultPrefix(std::string_view outputPath);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_PREP_ANSWERS_H_

#include "prep/answers.h"

namespace unv2tessal {
namespace {

// The converter reads a reply's first 64 characters.
constexpr std::size_t kReplyLength = 64;

}  // namespace

std::string answersText(std::string_view inputName,
                        const std::vector<Asking>& datasets, int dim,
                        std::string_view prefix) {
  const std::string name(prefix);
  std::string text(inputName);
  text += '\n';
  for (const Asking asking : datasets) {
    switch (asking) {
      case Asking::kNodes:
        text += name + ".xyz\n";
        break;
      case Asking::kNodesRenumbering:
        text += name + ".xyz\nY\n";
        break;
      case Asking::kElements:
        text += std::to_string(dim) + "\n" + name + ".cnc\n";
        break;
      case Asking::kGroups:
        text += name + ".inp\n";
        break;
    }
  }
  return text;
}

bool fitsReply(std::string_view name, std::string* why) {
  if (name.empty()) {
    *why = "is empty";
  } else if (name.size() > kReplyLength) {
    *why = "is " + std::to_string(name.size()) +
           " characters long; the converter reads 64";
  } else if (name.front() == ' ' || name.back() == ' ') {
    *why = "begins or ends with a blank, which the converter drops";
  } else if (name.find_first_of("\r\n") != std::string_view::npos) {
    *why = "holds a line break";
  } else {
    return true;
  }
  return false;
}

std::string defaultPrefix(std::string_view outputPath) {
  constexpr std::string_view kSuffix = ".unv";
  if (outputPath.size() > kSuffix.size() &&
      outputPath.substr(outputPath.size() - kSuffix.size()) == kSuffix) {
    outputPath.remove_suffix(kSuffix.size());
  }
  return std::string(outputPath);
}

}  // namespace unv2tessal

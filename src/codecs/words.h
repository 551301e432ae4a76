#ifndef UNV2TESSAL_CODECS_WORDS_H_
#define UNV2TESSAL_CODECS_WORDS_H_

// The small words of every report for people.

#include <cstdint>
#include <string>
#include <string_view>

namespace unv2tessal {

/// "1 element", "2 elements": a count and its noun, `plural` (default: the
/// noun and "s") when the count is not 1.
inline std::string counted(std::int64_t n, std::string_view noun,
                           std::string_view plural = {}) {
  std::string s = std::to_string(n) + " ";
  if (n == 1) return s.append(noun);
  return plural.empty() ? s.append(noun) + "s" : s.append(plural);
}

/// `s` in double quotes, as it stands.
inline std::string quoted(std::string_view s) {
  std::string q = "\"";
  return q.append(s) + "\"";
}

}  // namespace unv2tessal

#endif  // UNV2TESSAL_CODECS_WORDS_H_

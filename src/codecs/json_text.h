#ifndef UNV2TESSAL_CODECS_JSON_TEXT_H_
#define UNV2TESSAL_CODECS_JSON_TEXT_H_

#include <string>
#include <string_view>

namespace unv2tessal {

/// `s` as a JSON string, quotes included: quotes and backslashes escaped,
/// control characters as \u00XX; other bytes as they are.
std::string jsonString(std::string_view s);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_CODECS_JSON_TEXT_H_

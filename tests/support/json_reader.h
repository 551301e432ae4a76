#ifndef UNV2TESSAL_TESTS_SUPPORT_JSON_READER_H_
#define UNV2TESSAL_TESTS_SUPPORT_JSON_READER_H_

#include <map>
#include <string>
#include <vector>

namespace unv2tessal::support {

/// A JSON value read back from a report.
struct JsonValue {
  enum Kind { kNull, kBool, kNumber, kString, kArray, kObject } kind = kNull;
  bool boolean = false;
  long long number = 0;
  std::string text;
  std::vector<JsonValue> items;
  std::map<std::string, JsonValue> members;
  const JsonValue& operator[](const std::string& k) const {
    return members.at(k);
  }
  const JsonValue& operator[](std::size_t i) const { return items.at(i); }
};

/// Reads a whole JSON document: just enough JSON to read a report back
/// (objects, arrays, strings with escapes, integers, true, false and null).
/// Throws std::runtime_error on anything malformed.
JsonValue parseJson(const std::string& text);

}  // namespace unv2tessal::support

#endif  // UNV2TESSAL_TESTS_SUPPORT_JSON_READER_H_

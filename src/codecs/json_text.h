#ifndef UNV2TESSAL_CODECS_JSON_TEXT_H_
#define UNV2TESSAL_CODECS_JSON_TEXT_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace unv2tessal {

/// `s` as a JSON string, quotes included: quotes and backslashes escaped,
/// control characters as \u00XX; other bytes as they are.
std::string jsonString(std::string_view s);

/// A JSON object ('{') or array ('[') built member by member, without
/// blanks: key() then a value for an object, values for an array.
class Json {
 public:
  explicit Json(char open) : text_(1, open), close_(open == '{' ? '}' : ']') {}
  Json& key(std::string_view k) {
    comma();
    text_ += jsonString(k) + ":";
    pendingKey_ = true;
    return *this;
  }
  /// A value that is JSON text already (an object or array done()).
  Json& raw(std::string_view value) {
    if (!pendingKey_) comma();
    pendingKey_ = false;
    text_ += value;
    return *this;
  }
  Json& num(std::int64_t v) { return raw(std::to_string(v)); }
  Json& str(std::string_view s) { return raw(jsonString(s)); }
  Json& boolean(bool b) { return raw(b ? "true" : "false"); }
  Json& null() { return raw("null"); }
  /// The text, closed.
  std::string done() const { return text_ + close_; }

 private:
  void comma() {
    if (!first_) text_ += ",";
    first_ = false;
  }
  std::string text_;
  char close_;
  bool first_ = true;
  bool pendingKey_ = false;
};

}  // namespace unv2tessal

#endif  // UNV2TESSAL_CODECS_JSON_TEXT_H_

#include "support/json_reader.h"

#include <cctype>
#include <stdexcept>

namespace unv2tessal::support {
namespace {

class Parser {
 public:
  explicit Parser(const std::string& s) : s_(s) {}
  JsonValue document() {
    JsonValue v = value();
    space();
    if (pos_ != s_.size()) throw std::runtime_error("text after the document");
    return v;
  }

 private:
  void space() {
    while (pos_ < s_.size() &&
           std::isspace(static_cast<unsigned char>(s_[pos_])))
      ++pos_;
  }
  char peek() {
    space();
    if (pos_ >= s_.size()) throw std::runtime_error("unexpected end");
    return s_[pos_];
  }
  void expect(char c) {
    if (peek() != c) throw std::runtime_error(std::string("expected ") + c);
    ++pos_;
  }
  bool word(const char* w) {
    const std::string t(w);
    if (s_.compare(pos_, t.size(), t) != 0) return false;
    pos_ += t.size();
    return true;
  }
  std::string string() {
    expect('"');
    std::string out;
    while (pos_ < s_.size() && s_[pos_] != '"') {
      char c = s_[pos_++];
      if (static_cast<unsigned char>(c) < 0x20)
        throw std::runtime_error("control");
      if (c == '\\') {
        c = s_.at(pos_++);
        if (c == 'u') {
          out += static_cast<char>(std::stoi(s_.substr(pos_, 4), nullptr, 16));
          pos_ += 4;
          continue;
        }
        if (c != '"' && c != '\\' && c != '/')
          throw std::runtime_error("escape");
      }
      out += c;
    }
    expect('"');
    return out;
  }
  JsonValue value() {
    JsonValue v;
    const char c = peek();
    if (c == '{') {
      v.kind = JsonValue::kObject;
      ++pos_;
      if (peek() == '}') return ++pos_, v;
      do {
        std::string k = string();
        expect(':');
        v.members[k] = value();
      } while (peek() == ',' && ++pos_);
      expect('}');
    } else if (c == '[') {
      v.kind = JsonValue::kArray;
      ++pos_;
      if (peek() == ']') return ++pos_, v;
      do {
        v.items.push_back(value());
      } while (peek() == ',' && ++pos_);
      expect(']');
    } else if (c == '"') {
      v.kind = JsonValue::kString;
      v.text = string();
    } else if (word("true") || word("false")) {
      v.kind = JsonValue::kBool;
      v.boolean = s_[pos_ - 1] == 'e' && s_[pos_ - 2] == 'u';
    } else if (word("null")) {
      v.kind = JsonValue::kNull;
    } else {
      std::size_t used = 0;
      v.kind = JsonValue::kNumber;
      v.number = std::stoll(s_.substr(pos_), &used);
      pos_ += used;
    }
    return v;
  }
  const std::string& s_;
  std::size_t pos_ = 0;
};

}  // namespace

JsonValue parseJson(const std::string& text) { return Parser(text).document(); }

}  // namespace unv2tessal::support

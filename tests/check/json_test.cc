#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "check/report_json.h"
#include "check/unvcheck.h"
#include "support/test_io.h"

namespace unv2tessal {
namespace {

// Just enough JSON to read a report back: objects, arrays, strings with
// escapes, integers, true, false and null. Throws on anything malformed.
struct Value {
  enum Kind { kNull, kBool, kNumber, kString, kArray, kObject } kind = kNull;
  bool boolean = false;
  long long number = 0;
  std::string text;
  std::vector<Value> items;
  std::map<std::string, Value> members;
  const Value& operator[](const std::string& k) const { return members.at(k); }
  const Value& operator[](std::size_t i) const { return items.at(i); }
};

class Parser {
 public:
  explicit Parser(const std::string& s) : s_(s) {}
  Value document() {
    Value v = value();
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
  Value value() {
    Value v;
    const char c = peek();
    if (c == '{') {
      v.kind = Value::kObject;
      ++pos_;
      if (peek() == '}') return ++pos_, v;
      do {
        std::string k = string();
        expect(':');
        v.members[k] = value();
      } while (peek() == ',' && ++pos_);
      expect('}');
    } else if (c == '[') {
      v.kind = Value::kArray;
      ++pos_;
      if (peek() == ']') return ++pos_, v;
      do {
        v.items.push_back(value());
      } while (peek() == ',' && ++pos_);
      expect(']');
    } else if (c == '"') {
      v.kind = Value::kString;
      v.text = string();
    } else if (word("true") || word("false")) {
      v.kind = Value::kBool;
      v.boolean = s_[pos_ - 1] == 'e' && s_[pos_ - 2] == 'u';
    } else if (word("null")) {
      v.kind = Value::kNull;
    } else {
      std::size_t used = 0;
      v.kind = Value::kNumber;
      v.number = std::stoll(s_.substr(pos_), &used);
      pos_ += used;
    }
    return v;
  }
  const std::string& s_;
  std::size_t pos_ = 0;
};

TEST(UnvcheckJson, ReportParsesBackWithItsFigures) {
  const std::string dir = support::testDataDir() + "/check/";
  std::string out, err;
  const int status = runUnvcheck(
      {"--json", dir + "regions.unv", dir + "truncated.unv"}, &out, &err);
  EXPECT_EQ(status, 2);
  ASSERT_EQ(out.back(), '\n');
  const Value doc = Parser(out).document();
  EXPECT_EQ(doc["exit_status"].number, 2);
  ASSERT_EQ(doc["files"].items.size(), 2u);

  const Value& r = doc["files"][0];
  EXPECT_EQ(r["file"].text, dir + "regions.unv");
  EXPECT_EQ(r["exit_status"].number, 1);
  EXPECT_EQ(r["datasets"][2]["number"].text, "2435");
  EXPECT_EQ(r["datasets"][2]["first_line"].number, 21);
  EXPECT_EQ(r["datasets"][2]["last_line"].number, 33);
  EXPECT_EQ(r["nodes"]["labels"]["first"].number, 101);
  EXPECT_TRUE(r["nodes"]["renumbering_asked"].boolean);
  EXPECT_EQ(r["nodes"]["node_offset"].number, 100);
  EXPECT_EQ(r["elements"]["labels"]["missing"].number, 2);
  EXPECT_EQ(r["elements"]["grid_2d"]["map_lines"].number, 1);
  EXPECT_EQ(r["groups"]["groups"][1]["region_id"].text, "INLET_SI");
  EXPECT_EQ(r["groups"]["groups"][1]["tags_outside"].number, 1);
  EXPECT_EQ(r["groups"]["tag_check"].text, "exact");
  EXPECT_EQ(r["verdict"]["2d"]["elements"].number, 3);
  EXPECT_EQ(r["verdict"]["3d"]["regions"].number, 3);
  EXPECT_EQ(r["warnings"].items.size(), 6u);
  EXPECT_EQ(r["warnings"][3].text,
            "region ID \"INLET_SI\" is shared by 2 groups: \"INLET_SIDE_A\", "
            "\"INLET_SIDE_B\"");

  const Value& bad = doc["files"][1];
  EXPECT_EQ(bad["exit_status"].number, 2);
  EXPECT_EQ(bad["error"]["file"].text, dir + "truncated.unv");
  EXPECT_EQ(bad["error"]["line"].number, 13);  // the file's last line
  EXPECT_EQ(bad["error"]["column"].number, 0);
  EXPECT_EQ(bad["error"]["message"].text,
            "the file ends before the closing delimiter (dataset 2412 begun "
            "at line 10)");
  EXPECT_EQ(bad.members.count("verdict"), 0u);
}

TEST(UnvcheckJson, NoFileVerdictsAreNull) {
  const std::string dir = support::testDataDir() + "/check/";
  std::string out, err;
  runUnvcheck({dir + "plane_stress.unv", "--json"}, &out, &err);
  const Value r = Parser(out).document()["files"][0];
  EXPECT_EQ(r["verdict"]["2d"]["vertices"].number, 4);
  EXPECT_EQ(r["verdict"]["2d"]["elements"].number, 0);
  EXPECT_EQ(r["verdict"]["2d"]["regions"].kind, Value::kNull);
  EXPECT_FALSE(r["elements"]["fe_ids"][0]["written_in_2d"].boolean);
}

TEST(UnvcheckJson, StringsAreEscaped) {
  EXPECT_EQ(jsonString("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\u000a\\u0001\"");
}

}  // namespace
}  // namespace unv2tessal

#ifndef UNV2TESSAL_CODECS_LAYOUT_H_
#define UNV2TESSAL_CODECS_LAYOUT_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string_view>

namespace unv2tessal {

enum class FieldKind : std::uint8_t {
  kText,
  kFullText,
  kSkip,
  kInteger,
  kReal,
  kExponent
};

/// One fixed-column field of a record.
struct Field {
  FieldKind kind;
  std::uint16_t width;  // 0 for a full-text field: the item's own length
  std::uint8_t digits;  // implied (real) or written (exponent) fraction digits
};

constexpr Field TextField(int w) {
  return {FieldKind::kText, static_cast<std::uint16_t>(w), 0};
}
constexpr Field FullTextField() { return {FieldKind::kFullText, 0, 0}; }
constexpr Field SkipField(int n) {
  return {FieldKind::kSkip, static_cast<std::uint16_t>(n), 0};
}
constexpr Field IntegerField(int w) {
  return {FieldKind::kInteger, static_cast<std::uint16_t>(w), 0};
}
constexpr Field RealField(int w, int d) {
  return {FieldKind::kReal, static_cast<std::uint16_t>(w),
          static_cast<std::uint8_t>(d)};
}
constexpr Field ExponentField(int w, int d) {
  return {FieldKind::kExponent, static_cast<std::uint16_t>(w),
          static_cast<std::uint8_t>(d)};
}

/// A field with a repeat count: Repeat{8, IntegerField(10)}.
struct Repeat {
  int count;
  Field field;
  constexpr Repeat(int n, Field f) : count(n), field(f) {}
  constexpr Repeat(Field f) : count(1), field(f) {}  // NOLINT: implicit
};

/// The ordered fields of one record, repeats expanded. Fields sit side by
/// side from column 1.
struct RecordLayout {
  static constexpr std::size_t kMaxFields = 16;
  std::array<Field, kMaxFields> fields{};
  std::size_t count = 0;

  constexpr RecordLayout(std::initializer_list<Repeat> groups) {
    for (const Repeat& g : groups) {
      for (int k = 0; k < g.count; ++k) fields[count++] = g.field;
    }
  }
};

/// Column (0-based) where field `index` of `layout` starts: the widths of
/// the fields before it, skip fields included (a full-text field before it
/// has no fixed width and counts 0). columnOf(layout, layout.count) is the
/// record's length.
constexpr std::size_t columnOf(const RecordLayout& layout, std::size_t index) {
  std::size_t column = 0;
  for (std::size_t k = 0; k < index; ++k) column += layout.fields[k].width;
  return column;
}

/// `s` without the blanks at its end.
constexpr std::string_view stripTrailingBlanks(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

/// `s` without the blanks at its start and its end.
constexpr std::string_view stripBlanks(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  return stripTrailingBlanks(s);
}

/// A fixed-length text item, blank-padded (file names and replies are 64).
template <std::size_t N>
struct FixedText {
  std::array<char, N> chars;

  FixedText() { chars.fill(' '); }
  /// The first N characters of `s`, blank-padded.
  static FixedText of(std::string_view s) {
    FixedText t;
    // An empty view may hold no pointer, which memcpy must not be given.
    if (!s.empty()) {
      std::memcpy(t.chars.data(), s.data(), s.size() < N ? s.size() : N);
    }
    return t;
  }
  std::string_view view() const { return {chars.data(), N}; }
  bool isBlank() const {
    for (char c : chars) {
      if (c != ' ') return false;
    }
    return true;
  }
  bool operator==(const FixedText&) const = default;
};

using Text64 = FixedText<64>;

}  // namespace unv2tessal

#endif  // UNV2TESSAL_CODECS_LAYOUT_H_

#ifndef UNV2TESSAL_CODECS_RECORD_IO_H_
#define UNV2TESSAL_CODECS_RECORD_IO_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "codecs/fields.h"
#include "codecs/layout.h"

namespace unv2tessal {

/// Cuts one line into the value fields of a layout, item by item. Skip
/// fields before a value field are applied with it; a read that stops early
/// never looks at the remaining columns.
class RecordReader {
 public:
  RecordReader(std::string_view line, const RecordLayout& layout)
      : line_(line), layout_(layout) {}

  /// Each returns false when the field's text is not a valid value.
  bool read(std::int32_t& v) {
    std::string_view cols;
    take(&cols, 0);
    return readIntegerField(cols, &v);
  }
  bool read(double& v) {
    std::string_view cols;
    const Field& f = take(&cols, 0);
    return readRealField(cols, f.digits, &v);
  }
  template <std::size_t N>
  bool read(FixedText<N>& t) {
    std::string_view cols;
    const Field& f = take(&cols, N);
    const std::size_t w = f.kind == FieldKind::kFullText ? N : f.width;
    readTextField(cols, w, t.chars.data(), N);
    return true;
  }

 private:
  const Field& take(std::string_view* cols, std::size_t itemLength) {
    while (layout_.fields[field_].kind == FieldKind::kSkip) {
      col_ += layout_.fields[field_++].width;
    }
    const Field& f = layout_.fields[field_++];
    const std::size_t w = f.kind == FieldKind::kFullText ? itemLength : f.width;
    *cols = col_ < line_.size() ? line_.substr(col_, w) : std::string_view();
    col_ += w;
    return f;
  }

  std::string_view line_;
  const RecordLayout& layout_;
  std::size_t field_ = 0;
  std::size_t col_ = 0;
};

/// Lays out the fields of one record into a caller's buffer, item by item;
/// the record ends after the field of its last item.
class RecordWriter {
 public:
  /// REQUIRES: dst has room for the record (fields' widths and full texts).
  RecordWriter(const RecordLayout& layout, char* dst)
      : layout_(layout), dst_(dst) {}

  void write(std::int32_t v) {
    const Field& f = next();
    if (!writeIntegerField(v, f.width, dst_ + col_)) ++overflows_;
    col_ += f.width;
  }
  void write(double v) {
    const Field& f = next();
    if (!writeExponentField(v, f.width, f.digits, dst_ + col_)) ++overflows_;
    col_ += f.width;
  }
  void write(std::string_view t) {
    const Field& f = next();
    if (f.kind == FieldKind::kFullText) {
      std::memcpy(dst_ + col_, t.data(), t.size());
      col_ += t.size();
    } else {
      writeTextField(t, f.width, dst_ + col_);
      col_ += f.width;
    }
  }
  void write(const char* t) { write(std::string_view(t)); }
  template <std::size_t N>
  void write(const FixedText<N>& t) {
    write(t.view());
  }

  /// Columns written so far.
  std::size_t columns() const { return col_; }
  /// Fields filled with asterisks.
  int overflows() const { return overflows_; }

 private:
  const Field& next() {
    while (layout_.fields[field_].kind == FieldKind::kSkip) {
      const std::size_t w = layout_.fields[field_++].width;
      std::memset(dst_ + col_, ' ', w);
      col_ += w;
    }
    return layout_.fields[field_++];
  }

  const RecordLayout& layout_;
  char* dst_;
  std::size_t field_ = 0;
  std::size_t col_ = 0;
  int overflows_ = 0;
};

}  // namespace unv2tessal

#endif  // UNV2TESSAL_CODECS_RECORD_IO_H_

#ifndef UNV2TESSAL_VIEW_COLUMNS_H_
#define UNV2TESSAL_VIEW_COLUMNS_H_

#include <cstddef>

#include "codecs/layout.h"

namespace unv2tessal {

/// The columns of one field of a record: the first (0-based) and the width.
struct Columns {
  std::size_t first;
  std::size_t width;
  constexpr std::size_t end() const { return first + width; }
};

/// The columns of field `k` of `layout`, whose fields sit side by side from
/// column 1. REQUIRES: no field before `k` is a full-text field.
constexpr Columns columnsOf(const RecordLayout& layout, std::size_t k) {
  return {columnOf(layout, k), layout.fields[k].width};
}

/// The width of a whole record of fixed fields.
constexpr std::size_t widthOf(const RecordLayout& layout) {
  return columnOf(layout, layout.count);
}

}  // namespace unv2tessal

#endif  // UNV2TESSAL_VIEW_COLUMNS_H_

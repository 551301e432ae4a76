#ifndef UNV2TESSAL_VIEW_COLUMNS_H_
#define UNV2TESSAL_VIEW_COLUMNS_H_

#include <cstddef>

#include "records/layout.h"

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
  std::size_t first = 0;
  for (std::size_t i = 0; i < k; ++i) first += layout.fields[i].width;
  return {first, layout.fields[k].width};
}

/// The width of a whole record of fixed fields.
constexpr std::size_t widthOf(const RecordLayout& layout) {
  return columnsOf(layout, layout.count - 1).end();
}

}  // namespace unv2tessal

#endif  // UNV2TESSAL_VIEW_COLUMNS_H_

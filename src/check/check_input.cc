#include "check/check_input.h"

namespace unv2tessal {

CheckInput::CheckInput() : run_(io_, {}) {
  run_.state.CHANNELS.unvUnit = kUnit;
}

void CheckInput::failField(const RecordLayout& layout, std::size_t item,
                           const char* record) {
  // Columns of the item-th value field: skip fields before it count too.
  std::size_t column = 0;
  std::size_t value = 0;
  for (std::size_t k = 0; k < layout.count; ++k) {
    const Field& f = layout.fields[k];
    if (f.kind == FieldKind::kSkip) {
      column += f.width;
      continue;
    }
    if (value++ == item) {
      throw Failure(path_, lineNumber(), column + 1,
                    "columns " + std::to_string(column + 1) + "-" +
                        std::to_string(column + f.width) + " of the " + record +
                        " are not a valid number");
    }
    column += f.width;
  }
  throw Failure(path_, lineNumber(), 1, std::string("bad ") + record);
}

}  // namespace unv2tessal

#include "check/check_input.h"

#include "driver/scanner.h"

namespace unv2tessal {

CheckInput::CheckInput() : run_(io_, {}) {
  run_.state.CHANNELS.unvUnit = kUnit;
}

bool CheckInput::atClosingDelimiter() {
  return unv2tessal::atClosingDelimiter(run_);
}

bool CheckInput::atDelimiterOrEnd(bool* eof) {
  std::string_view line;
  *eof = !readLine(true, &line);
  if (*eof) return true;
  if (isDelimiterLine(line)) return true;
  run_.units.stepBack(kUnit);
  return false;
}

bool CheckInput::skipToDelimiter() {
  std::string_view line;
  while (readLine(true, &line)) {
    if (isDelimiterLine(line)) return true;
  }
  return false;
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
      CheckFailure failure;
      failure.line = lineNumber();
      failure.column = column + 1;
      failure.message = "columns " + std::to_string(column + 1) + "-" +
                        std::to_string(column + f.width) + " of the " + record +
                        " are not a valid number";
      throw failure;
    }
    column += f.width;
  }
  throw CheckFailure{lineNumber(), 1, std::string("bad ") + record};
}

bool isDelimiterLine(std::string_view line) {
  FixedText<7> columns;
  RecordReader reader(line, kDelimiterRecord);
  reader.read(columns);
  return isDelimiter(columns);
}

}  // namespace unv2tessal

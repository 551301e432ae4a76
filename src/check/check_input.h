#ifndef UNV2TESSAL_CHECK_CHECK_INPUT_H_
#define UNV2TESSAL_CHECK_CHECK_INPUT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "codecs/layout.h"
#include "codecs/record_io.h"
#include "io/shell.h"
#include "unv/framing.h"
#include "unv/run_state.h"

namespace unv2tessal {

/// A console that prints nothing and has no replies: the unit table
/// talks to the console only to ask for a blank file name or to report an
/// output field, and the check does neither.
class SilentConsoleIo : public ConsoleIo {
 public:
  void writeOut(std::string_view) override {}
  void writeErr(std::string_view) override {}
  bool readLine(std::string*) override { return false; }
};

/// The universal file being checked, read through the converter's own unit
/// table on unit 10. Malformed fields throw Failure with their columns.
class CheckInput {
 public:
  static constexpr int kUnit = 10;

  CheckInput();
  CheckInput(const CheckInput&) = delete;
  CheckInput& operator=(const CheckInput&) = delete;

  /// Opens an existing file as the converter opens its input: a missing
  /// file is not created. Open failures throw RunFailure.
  void open(const std::string& path) {
    path_ = path;
    run_.units.openUnit(kUnit, path, Units::Missing::kFail);
  }

  Run& run() { return run_; }
  Units& units() { return run_.units; }

  /// 1-based number of the line last read.
  std::size_t lineNumber() { return run_.units.lineNumber(kUnit); }

  /// Reads the next line; false at end of file when `takeEof`, else
  /// RunFailure 24. The view lives until the next read or step back.
  bool readLine(bool takeEof, std::string_view* line) {
    return run_.units.readLine(kUnit, takeEof, line);
  }

  /// Reads the next line (never at end of file) and cuts it by `layout`.
  /// `record` names the record in a failure message ("node record").
  template <class... Items>
  void readRecord(const RecordLayout& layout, const char* record,
                  Items&... items) {
    std::string_view line;
    readLine(false, &line);
    parse(line, layout, record, items...);
  }

  /// Cuts a line just read by `layout`; a field that is not a valid value
  /// throws Failure naming its columns.
  template <class... Items>
  void parse(std::string_view line, const RecordLayout& layout,
             const char* record, Items&... items) {
    RecordReader reader(line, layout);
    std::size_t item = 0;
    auto one = [&](auto& value) {
      if (!reader.read(value)) failField(layout, item, record);
      ++item;
    };
    (one(items), ...);
  }

  /// The converter's look-ahead: true after reading the closing delimiter,
  /// else the line is stepped back. End of file throws RunFailure 24.
  bool atClosingDelimiter() {
    return unv2tessal::atClosingDelimiter(run_.units, kUnit);
  }

  /// Like atClosingDelimiter(), but end of file also ends the dataset (for
  /// datasets the converter passes over). *eof tells which one happened.
  bool atDelimiterOrEnd(bool* eof) {
    return unv2tessal::atDelimiterOrEnd(run_.units, kUnit, eof);
  }

  /// Reads up to and including the next delimiter line, or to the end of
  /// the file. Returns false when the file ended first.
  bool skipToDelimiter() {
    return unv2tessal::skipToDelimiter(run_.units, kUnit);
  }

 private:
  [[noreturn]] void failField(const RecordLayout& layout, std::size_t item,
                              const char* record);

  SilentConsoleIo io_;
  Run run_;
  std::string path_;
};

/// Reads the integer fields of a line without failing: returns false when
/// one of them is not a valid integer.
template <class... Items>
bool tryParse(std::string_view line, const RecordLayout& layout,
              Items&... items) {
  RecordReader reader(line, layout);
  return (reader.read(items) && ...);
}

}  // namespace unv2tessal

#endif  // UNV2TESSAL_CHECK_CHECK_INPUT_H_

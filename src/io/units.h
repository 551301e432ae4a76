#ifndef UNV2TESSAL_IO_UNITS_H_
#define UNV2TESSAL_IO_UNITS_H_

#include <sys/types.h>

#include <array>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "codecs/layout.h"
#include "codecs/record_io.h"
#include "io/console.h"
#include "io/failure.h"
#include "io/line_io.h"
#include "io/write_behind.h"

namespace unv2tessal {

/// Returns `name` made absolute against `cwd` and normalised lexically: no
/// empty, "." or ".." segments; symbolic links are not resolved.
std::string normalisedPath(std::string_view cwd, std::string_view name);

/// Returns the report number for an open() that failed with `err`.
int openFailureReport(int err);

/// The reply `line` to the question that names the file of `unit`: its
/// first 64 characters, blank-padded, like every reply. A name that goes on
/// past column 64 (any character there but a blank) ends the run with
/// report 43 on `unit`, naming the whole name, blanks around it removed,
/// made absolute: cut to 64 characters it would name another file, which
/// the run would read, create or overwrite.
Text64 fileNameReply(int unit, std::string_view line);

/// The table of units: every file of the run is opened, read or written and
/// closed through it. Failures throw RunFailure with the unit and full path.
///
/// When the process may use more than one CPU, regular files are read ahead
/// and written behind on threads of their own (ReadAhead, WriteBehind); the
/// files, the console and the reports are the same as when every read and
/// write is made at once: before each console line, reply and report, and
/// when a file is opened, cut or closed, the writes behind catch up, and a
/// write that failed meanwhile ends the run there with its own report.
class Units : private OutputBarrier {
 public:
  /// `args` are the command-line arguments handed out, in order, to opens
  /// under a blank name.
  Units(Console& console, std::vector<std::string> args);
  ~Units();

  /// Whether files opened from now on are read ahead and written behind on
  /// threads of their own; by default when more than one CPU may be used.
  void useHelperThreads(bool use) { helperThreads_ = use; }

  /// Lets the writes behind catch up. A write that failed meanwhile ends
  /// the run with report 38 for its file, each file holding what it held
  /// when that write was made.
  void settle() override;

  /// The failure that ends the run when `failure` was thrown: `failure`
  /// itself, or the report of a write behind that failed before it.
  RunFailure settleFailure(const RunFailure& failure);
  Units(const Units&) = delete;
  Units& operator=(const Units&) = delete;

  /// Whether a file that does not exist is created or is a failure.
  enum class Missing { kCreate, kFail };

  /// Opens `name` on `unit`: blanks stripped, at most 256 characters, a blank
  /// name taken from the command line or asked for; the file is used if it
  /// exists; if not, it is created empty, or with `Missing::kFail` the run
  /// ends with report 29 and nothing is created (an input mesh: a misspelt
  /// name must not pass for an empty mesh converted with success).
  /// Read-only when only reading is allowed. A name that is already open on
  /// another unit (same device and inode) ends the run with report 30
  /// before anything is written.
  void openUnit(int unit, std::string_view name,
                Missing missing = Missing::kCreate);

  /// Makes the next openUnit() of `unit` take the open descriptor `fd` as
  /// its file, named `path` in reports, whatever name it is given: a
  /// program that chose its files itself (tessalgrid) drives the
  /// converters with them, at any path length and with no question asked
  /// for a blank name. Units owns `fd` from now on.
  void bindUnit(int unit, int fd, std::string path);
  /// The same for a unit that is only read, from `source` (a LinePipe),
  /// which outlives the unit.
  void bindUnit(int unit, BlockSource* source, std::string path);

  /// Writes out what is buffered and releases the file. A file that was
  /// opened, never read and never written is left empty: an earlier run's
  /// content must not pass for this run's output.
  void closeUnit(int unit);

  /// Reads the next line of `unit` into *line. At end of file returns false
  /// when `takeEof`, else ends the run with report 24. The view is valid
  /// until the next read or stepBack on this unit.
  bool readLine(int unit, bool takeEof, std::string_view* line) {
    Slot& s = slot(unit);
    if (!s.reader) startReading(s);
    switch (s.reader->next(line)) {
      case LineReader::Status::kLine:
      case LineReader::Status::kLongLine:  // not handed out as text
        return true;
      case LineReader::Status::kEndOfFile:
        if (takeEof) return false;
        fail(kReportEndOfFile, s);
      case LineReader::Status::kError:
        break;
    }
    fail(kReportReadError, s);
  }

  /// Reads one record into `items` by `layout`. Returns false only at end of
  /// file when `takeEof`. A field that is not a valid value ends the run
  /// with report 64.
  template <class... Items>
  bool readRecord(int unit, const RecordLayout& layout, bool takeEof,
                  Items&... items) {
    std::string_view line;
    if (!readLine(unit, takeEof, &line)) return false;
    parseRecord(unit, line, layout, items...);
    return true;
  }

  /// Cuts a line already read from `unit` into `items` (report 64 as above).
  template <class... Items>
  void parseRecord(int unit, std::string_view line, const RecordLayout& layout,
                   Items&... items) {
    RecordReader reader(line, layout);
    if (!(reader.read(items) && ...)) fail(kReportInputConversion, slot(unit));
  }

  /// Makes the next read of `unit` return the line just read again.
  void stepBack(int unit) { slot(unit).reader->stepBack(); }

  /// Writes one record by `layout`, ending in CR LF. A field filled with
  /// asterisks gives report 63 and the run goes on.
  template <class... Items>
  void writeRecord(int unit, const RecordLayout& layout,
                   const Items&... items) {
    Slot& s = slot(unit);
    if (!s.writer) startWriting(s);
    if (s.settleFirst) settle();
    char* dst = s.writer->reserve(kMaxRecord);
    if (dst == nullptr) failWrite(s);
    RecordWriter w(layout, dst);
    (w.write(items), ...);
    const std::size_t n = w.columns();
    dst[n] = '\r';
    dst[n + 1] = '\n';
    if (!s.writer->commit(n + 2)) failWrite(s);
    for (int k = 0; k < w.overflows(); ++k) reportOutputConversion(s);
  }

  /// Writes one record whose first `columns` columns the caller has laid
  /// out in `text` by the record's layout (the hot loops of the converters),
  /// adding CR LF. `overflows` of its fields hold asterisks: one report 63
  /// each. The whole array is copied, 16 bytes a step (cheaper than a copy
  /// of the record's own length); only the record is kept.
  template <std::size_t N>
  void writeRecordText(int unit, const std::array<char, N>& text,
                       std::size_t columns, int overflows) {
    static_assert(N % 16 == 0 && N + 2 <= kMaxRecord);
    Slot& s = slot(unit);
    if (!s.writer) startWriting(s);
    if (s.settleFirst) settle();
    char* dst = s.writer->reserve(kMaxRecord);
    if (dst == nullptr) failWrite(s);
    for (std::size_t k = 0; k < N; k += 16) {
      std::memcpy(dst + k, text.data() + k, 16);
    }
    dst[columns] = '\r';
    dst[columns + 1] = '\n';
    if (!s.writer->commit(columns + 2)) failWrite(s);
    for (int k = 0; k < overflows; ++k) reportOutputConversion(s);
  }

  /// Writes `count` records of `size` bytes (CR LF included) that the
  /// caller laid out whole in `text`, as that many writeRecordText() calls
  /// without asterisks would.
  void writeRecordsText(int unit, const char* text, std::size_t count,
                        std::size_t size) {
    Slot& s = slot(unit);
    if (!s.writer) startWriting(s);
    if (s.settleFirst) settle();
    if (s.regular) {
      if (!s.writer->appendRecords(text, count, size, kMaxRecord)) {
        failWrite(s);
      }
      return;
    }
    for (std::size_t k = 0; k < count; ++k, text += size) {
      char* dst = s.writer->reserve(kMaxRecord);
      if (dst == nullptr) failWrite(s);
      std::memcpy(dst, text, size);
      if (!s.writer->commit(size)) failWrite(s);
    }
  }

  /// As writeRecordsText(), for records of any length: record k ends at
  /// ends[k] bytes from `text`'s start.
  void writeRecordsText(int unit, const char* text, const std::uint32_t* ends,
                        std::size_t count) {
    Slot& s = slot(unit);
    if (!s.writer) startWriting(s);
    if (s.settleFirst) settle();
    if (s.regular) {
      if (!s.writer->appendRecords(text, ends, count, kMaxRecord)) {
        failWrite(s);
      }
      return;
    }
    std::uint32_t start = 0;
    for (std::size_t k = 0; k < count; start = ends[k], ++k) {
      char* dst = s.writer->reserve(kMaxRecord);
      if (dst == nullptr) failWrite(s);
      std::memcpy(dst, text + start, ends[k] - start);
      if (!s.writer->commit(ends[k] - start)) failWrite(s);
    }
  }

  /// The reader of `unit`, for a BlockHelper. REQUIRES: `unit` was read.
  LineReader& reader(int unit) { return *slot(unit).reader; }

  /// The longest name opened; a longer one is cut to its first 256
  /// characters.
  static constexpr std::size_t kMaxNameLength = 256;

  /// Closes every open unit, keeping what was written (the end of a run,
  /// normal or not). Errors are not reported any more.
  void closeAll();

  /// 1-based number of the line last read on `unit` (0 before any read).
  std::size_t lineNumber(int unit) {
    Slot& s = slot(unit);
    return s.reader ? s.reader->lineNumber() : 0;
  }

  /// Full path of the file open on `unit`.
  const std::string& pathOf(int unit) { return slot(unit).path; }
  bool isOpen(int unit) const;

  /// Ends the run with `report` for `unit`.
  [[noreturn]] void fail(int report, int unit) { fail(report, slot(unit)); }

 private:
  static constexpr std::size_t kMaxRecord = 1024;
  static constexpr std::size_t kSlots = 8;

  struct Slot {
    int unit = 0;
    bool open = false;
    int fd = -1;
    bool readOnly = false;
    bool regular = false;
    BlockSource* source = nullptr;  // read from instead of fd (bindUnit)
    bool written = false;
    bool everRead = false;
    // The file was cut to its first old byte, which no write has replaced
    // yet (startWriting).
    bool oldFirstByte = false;
    // Written at once while other files are written behind: those catch up
    // before each of its records.
    bool settleFirst = false;
    dev_t device = 0;
    ino_t inode = 0;
    std::string path;
    std::unique_ptr<LineReader> reader;
    std::unique_ptr<OutputBuffer> writer;
  };

  // The slot last found for a unit is remembered by the unit's low bits
  // (the units of the run differ there); a closed slot is never taken.
  Slot& slot(int unit) {
    Slot* hint = hints_[static_cast<unsigned>(unit) % kHints];
    if (hint != nullptr && hint->open && hint->unit == unit) return *hint;
    for (Slot& s : slots_) {
      if (s.open && s.unit == unit) {
        hints_[static_cast<unsigned>(unit) % kHints] = &s;
        return s;
      }
    }
    return missingUnit(unit);
  }
  [[noreturn]] Slot& missingUnit(int unit);
  [[noreturn]] void fail(int report, const Slot& s);
  [[noreturn]] void failWrite(Slot& s);
  bool flushWriter(Slot& s);
  void dropOldFirstByte(Slot& s);
  void startReading(Slot& s);
  void startWriting(Slot& s);
  void reportOutputConversion(const Slot& s);
  std::string nameForBlank(int unit);
  void release(Slot& s);
  // Fills the slot `s` of `unit` from its binding; false when none.
  bool takeBinding(Slot& s);

  // Cuts every file written behind to what it must hold after a failed
  // write; returns the slot of the file whose write failed, or nullptr.
  Slot* catchUp();

  Console& console_;
  std::vector<std::string> args_;
  std::size_t nextArg_ = 0;
  bool helperThreads_;
  // Declared before the slots, whose writers use it: destroyed after them.
  std::unique_ptr<WriteBehind> behind_;
  std::array<Slot, kSlots> slots_;
  static constexpr std::size_t kHints = 8;
  std::array<Slot*, kHints> hints_{};
  struct Binding {
    int unit = 0;
    int fd = -1;
    BlockSource* source = nullptr;
    std::string path;
  };
  std::vector<Binding> bindings_;  // not yet taken by openUnit()
};

}  // namespace unv2tessal

#endif  // UNV2TESSAL_IO_UNITS_H_

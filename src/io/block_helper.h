#ifndef UNV2TESSAL_IO_BLOCK_HELPER_H_
#define UNV2TESSAL_IO_BLOCK_HELPER_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>
#include <utility>

#include "io/helper_threads.h"
#include "io/line_io.h"

namespace unv2tessal {

/// Converts the last part of each block of a file read ahead on a
/// TaskThread while the thread that reads the file (the owner) converts the
/// first part; the owner then takes the records the task converted, or
/// converts them itself where the task stopped (a record it does not take)
/// or never ran (its thread had no CPU). Records are of two lines each; the
/// task's records are laid out in a buffer of the converter's, and the
/// files, the console and the reports are those of a conversion on one
/// thread. docs/threads.md tells the whole scheme.
///
/// The owner's one loop over the records asks due() at each record's first
/// line: one comparison, false for every record of a file that is not read
/// ahead, and for all but the first of a block and the one where the
/// task's stretch starts otherwise. At a record that is due it calls
/// reached() (a stretch to take, or none) and then start().
class BlockHelper {
 public:
  /// A block's rest is split only when each part holds many records.
  static constexpr std::size_t kSplitBytes = std::size_t{1} << 16;
  /// The owner converts the first kOwnerEighths eighths of the rest of a
  /// block: it also reads the lines and writes the task's records.
  static constexpr std::size_t kOwnerEighths = 3;

  /// What a task made of the records from the middle of a block on.
  struct Stretch {
    const char* start = nullptr;  // its first record's first line
    const char* end = nullptr;    // after its last record
    std::size_t records = 0;
    /// Records of the block's rest before `start`, the owner's record (at
    /// which the task was started) included.
    std::size_t recordsBefore = 0;
  };

  /// Works on the blocks of `reader`; with a reader that does not read
  /// ahead it starts no thread and no record is due.
  explicit BlockHelper(LineReader& reader) : reader_(reader) {
    if (reader.readsAhead()) {
      thread_.emplace();
    } else {
      quietBytes_ = kAll;
    }
  }
  ~BlockHelper() {
    if (thread_) thread_->wait();
    reader_.endLoan();
  }
  BlockHelper(const BlockHelper&) = delete;
  BlockHelper& operator=(const BlockHelper&) = delete;

  /// Whether the record whose first line the owner has just read, at
  /// `line`, needs reached() and start().
  bool due(const char* line) const {
    return reinterpret_cast<std::uintptr_t>(line) - quietFrom_ >= quietBytes_;
  }

  /// A task was started and not reached yet.
  bool working() const { return thread_ && thread_->pending(); }

  /// At a record that is due: the task's stretch when it starts at `line`
  /// and holds records, which the owner then writes and passes over
  /// (took()); else nullptr, and the owner converts the record itself.
  const Stretch* reached(const char* line) {
    if (!working()) return nullptr;
    const bool ran = thread_->wait();
    reader_.endLoan();
    quietBytes_ = 0;
    if (!ran || stretch_.start != line || stretch_.records == 0) {
      return nullptr;
    }
    return &stretch_;
  }

  /// After reached() returned `s` and its records were written: passes
  /// over its lines, but the first one, which the owner has read. The
  /// owner then reads the record after the stretch.
  void took(const Stretch& s) {
    reader_.skip(s.end, 2 * s.records - 1);
    countThreadWork(ThreadWork::kRecordsConvertedBeside, s.records);
  }

  /// At a record that is due, after reached(): when the rest of the block
  /// after this record's first line (at `line`) is large enough, lends it
  /// to a task that calls convert(first, end, &stretch) for the records
  /// whose first line is `first` (the first at or after the middle of the
  /// rest) and the lines after it up to `end`; `convert` sets the
  /// stretch's `end` and `records`. Else the records up to the block's end
  /// are not due.
  template <class Convert>
  void start(const char* line, Convert&& convert) {
    if (!thread_) return;
    const std::string_view rest = reader_.ahead();
    const char* const end = rest.data() + rest.size();
    const char* middle = nullptr;
    if (rest.size() >= 2 * kSplitBytes) {
      const char* half = rest.data() + rest.size() * kOwnerEighths / 8;
      const void* nl =
          std::memchr(half, '\n', static_cast<std::size_t>(end - half));
      if (nl != nullptr) middle = static_cast<const char*>(nl) + 1;
    }
    if (middle == nullptr) {  // small, or the file's last line without LF
      quietFrom_ = reinterpret_cast<std::uintptr_t>(line);
      quietBytes_ = static_cast<std::uintptr_t>(end - line);
      return;
    }
    reader_.lendRestOfBlock(&*thread_);
    stretch_ = Stretch{};
    thread_->post([this, begin = rest.data(), middle, end,
                   convert = std::forward<Convert>(convert)]() mutable {
      // The rest starts with the second line of the owner's record: the
      // lines at odd places in it are first lines.
      const char* p = middle;
      const std::size_t lines = countLines(begin, middle);
      if (lines % 2 == 0) {
        const void* nl =
            std::memchr(p, '\n', static_cast<std::size_t>(end - p));
        if (nl == nullptr) return;
        p = static_cast<const char*>(nl) + 1;
      }
      stretch_.start = stretch_.end = p;
      stretch_.recordsBefore = 1 + (lines + (lines % 2 == 0 ? 1 : 0)) / 2;
      convert(p, end, &stretch_);
    });
    quietFrom_ = reinterpret_cast<std::uintptr_t>(rest.data());
    quietBytes_ = static_cast<std::uintptr_t>(middle - rest.data());
  }

 private:
  static constexpr std::uintptr_t kAll =
      std::numeric_limits<std::uintptr_t>::max();

  LineReader& reader_;
  // The records whose first lines lie in [quietFrom_, quietFrom_ +
  // quietBytes_) are not due.
  std::uintptr_t quietFrom_ = 0;
  std::uintptr_t quietBytes_ = 0;
  Stretch stretch_;
  std::optional<TaskThread> thread_;  // last: destroyed (waited for) first
};

}  // namespace unv2tessal

#endif  // UNV2TESSAL_IO_BLOCK_HELPER_H_

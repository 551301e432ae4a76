#ifndef UNV2TESSAL_VIEW_VTU_WRITER_H_
#define UNV2TESSAL_VIEW_VTU_WRITER_H_

#include <bit>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "records/fast_fields.h"

namespace unv2tessal {

/// Writes the decimal digits of `v` at dst and returns the end. REQUIRES:
/// dst has room for 20 characters (the first 8 may be written also for a
/// shorter number).
inline char* writeDecimal(std::uint64_t v, char* dst) {
  if constexpr (std::endian::native == std::endian::little) {
    if (v < 100000000) {
      // The eight digits at once; the leading zeros (the low bytes) are
      // shifted out, keeping the last digit of 0.
      const std::uint64_t digits =
          swar::digitBytes(static_cast<std::uint32_t>(v));
      const int leading =
          std::countr_zero(digits | (std::uint64_t{1} << 56)) / 8;
      const std::uint64_t text = (digits + swar::kOnes * '0') >> (8 * leading);
      std::memcpy(dst, &text, 8);
      return dst + 8 - leading;
    }
  }
  return std::to_chars(dst, dst + 20, v).ptr;
}

/// A failed write: the message is the system's reason.
class WriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// Buffered text output to a file descriptor; data are formatted in place
/// (reserve, then commit). With no descriptor (-1) the text is dropped.
/// Throws WriteError when a write fails.
class TextSink {
 public:
  static constexpr std::size_t kCapacity = std::size_t{1} << 20;

  explicit TextSink(int fd) : fd_(fd), buf_(new char[kCapacity]) {}

  /// Room for n bytes. REQUIRES: n <= kCapacity.
  char* reserve(std::size_t n) {
    if (kCapacity - used_ < n) flush();
    return buf_.get() + used_;
  }
  void commit(std::size_t n) { used_ += n; }
  void put(std::string_view s);
  /// Writes `value` and the separator `sep`.
  void putInteger(std::int64_t value, char sep) {
    char* p = reserve(24);
    char* end = value >= 0 ? writeDecimal(static_cast<std::uint64_t>(value), p)
                           : std::to_chars(p, p + 23, value).ptr;
    *end = sep;
    commit(static_cast<std::size_t>(end + 1 - p));
  }
  /// Writes out what the buffer holds.
  void flush();
  int fd() const { return fd_; }
  /// Bytes put so far, flushed or not.
  std::uint64_t size() const { return flushed_ + used_; }

 private:
  int fd_;
  std::unique_ptr<char[]> buf_;
  std::size_t used_ = 0;
  std::uint64_t flushed_ = 0;
};

/// Text of one data array that is made while other arrays are written: it
/// goes to an unnamed temporary file in `dir` and is copied into the output
/// at its place. With `discard` set nothing is kept.
class SpillArray {
 public:
  SpillArray(const std::string& dir, bool discard);
  ~SpillArray();
  SpillArray(const SpillArray&) = delete;
  SpillArray& operator=(const SpillArray&) = delete;

  TextSink& sink() { return sink_; }
  /// Appends the text held to `out`.
  void copyTo(TextSink& out);

 private:
  static int openTemporary(const std::string& dir, bool discard);
  TextSink sink_;
};

/// Writes a VTK XML unstructured grid (.vtu) with ascii data arrays, front
/// to back: the piece's point and cell counts, which are known only at the
/// end, are written as blanks and filled in by finish().
class VtuWriter {
 public:
  /// Writes to `fd` (a regular file, empty, at its start), or nowhere when
  /// fd is -1.
  explicit VtuWriter(int fd) : out_(fd) {}

  /// The file's head up to the opening of the piece.
  void begin();
  /// Opens a section of the piece: "Points", "PointData", "Cells",
  /// "CellData".
  void openSection(std::string_view name);
  void closeSection(std::string_view name);
  /// Opens an ascii data array; its values follow through sink().
  void openArray(std::string_view type, std::string_view name,
                 int components = 1);
  void closeArray();
  TextSink& sink() { return out_; }
  /// Ends the file and fills in the counts.
  void finish(std::uint64_t points, std::uint64_t cells);

 private:
  TextSink out_;
  std::uint64_t countsAt_ = 0;  // offset of the point count's blanks
};

/// `name` with the characters that XML gives a meaning in attribute values
/// replaced by their entities.
std::string xmlEscaped(std::string_view name);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_VIEW_VTU_WRITER_H_

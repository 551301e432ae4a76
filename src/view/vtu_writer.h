#ifndef UNV2TESSAL_VIEW_VTU_WRITER_H_
#define UNV2TESSAL_VIEW_VTU_WRITER_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace unv2tessal {

/// Buffered output to a file descriptor; data are laid out in place
/// (reserve, then commit). With no descriptor (-1) the bytes are dropped.
/// A write that fails throws Failure (io/shell.h) naming the file `name`.
class TextSink {
 public:
  static constexpr std::size_t kCapacity = std::size_t{1} << 20;

  TextSink(int fd, std::string name)
      : fd_(fd), name_(std::move(name)), buf_(new char[kCapacity]) {}

  /// Room for n bytes. REQUIRES: n <= kCapacity.
  char* reserve(std::size_t n) {
    if (kCapacity - used_ < n) flush();
    return buf_.get() + used_;
  }
  void commit(std::size_t n) { used_ += n; }
  void put(std::string_view s);
  /// Writes the bytes of `value` in the machine's order.
  template <class T>
  void putRaw(T value) {
    std::memcpy(reserve(sizeof value), &value, sizeof value);
    commit(sizeof value);
  }
  /// Writes out what the buffer holds.
  void flush();
  /// Counts n bytes written to the descriptor past the buffer.
  void wroteDirectly(std::uint64_t n) { flushed_ += n; }
  int fd() const { return fd_; }
  const std::string& name() const { return name_; }
  /// Throws the failure of a write with errno `error`.
  [[noreturn]] void fail(int error) const;
  /// Bytes put so far, flushed or not: the offset of the next byte.
  std::uint64_t size() const { return flushed_ + used_; }

 private:
  int fd_;
  std::string name_;
  std::unique_ptr<char[]> buf_;
  std::size_t used_ = 0;
  std::uint64_t flushed_ = 0;
};

/// Bytes of one data array that is made while other arrays are written:
/// they go to an unnamed temporary file in `dir` and are copied into the
/// output at their place. With `discard` set nothing is kept. A failure is
/// the output's, `name`.
class SpillArray {
 public:
  SpillArray(const std::string& dir, bool discard, const std::string& name);
  ~SpillArray();
  SpillArray(const SpillArray&) = delete;
  SpillArray& operator=(const SpillArray&) = delete;

  TextSink& sink() { return sink_; }
  /// Appends the bytes held to `out`.
  void copyTo(TextSink& out);

 private:
  static int openTemporary(const std::string& dir, bool discard,
                           const std::string& name);
  TextSink sink_;
};

/// One data array of the piece.
struct VtuArray {
  std::string_view section;  // "Points", "PointData", "Cells", "CellData"
  std::string_view type;     // "Float64", "Int32", "UInt8", ...
  std::string name;
  int components = 1;
};

/// Writes a VTK XML unstructured grid (.vtu) whose data arrays follow the
/// XML part as raw appended data, front to back. The numbers known only at
/// the end (the piece's point and cell counts, each array's offset and byte
/// count) are written as blanks or zeros and filled in by finish().
class VtuWriter {
 public:
  /// Writes to `fd` (a regular file, empty, at its start), or nowhere when
  /// fd is -1; `name` is the file's, for a failure.
  VtuWriter(int fd, std::string name) : out_(fd, std::move(name)) {}

  /// The XML part, declaring `arrays` (grouped by section, in order), and
  /// the start of the appended data.
  void begin(const std::vector<VtuArray>& arrays);
  /// Starts the data of array `k` of begin()'s list; its bytes follow
  /// through sink() up to the next beginArray() or finish().
  void beginArray(std::size_t k);
  TextSink& sink() { return out_; }
  /// Ends the file and fills in the counts, offsets and byte counts.
  void finish(std::uint64_t points, std::uint64_t cells);

 private:
  void endArray();

  TextSink out_;
  std::uint64_t countsAt_ = 0;            // the point count's blanks
  std::vector<std::uint64_t> offsetsAt_;  // each array's offset blanks
  std::uint64_t dataAt_ = 0;              // the appended data's start
  std::vector<std::uint64_t> sizesAt_;    // each array's byte count
  std::vector<std::uint64_t> offsets_;
  std::size_t current_ = SIZE_MAX;
  struct Patch {
    std::uint64_t at;
    std::string text;
  };
  std::vector<Patch> patches_;
};

/// `name` with the characters that XML gives a meaning in attribute values
/// replaced by their entities.
std::string xmlEscaped(std::string_view name);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_VIEW_VTU_WRITER_H_

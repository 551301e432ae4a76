#include "view/vtu_writer.h"

#include <fcntl.h>
#include <sys/sendfile.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

namespace unv2tessal {
namespace {

// Each count is written into 20 columns (the widest 64-bit number), padded
// with blanks, which VTK's reader skips.
constexpr std::size_t kCountWidth = 20;

[[noreturn]] void failWrite(int error) {
  throw WriteError(std::strerror(error));
}

void writeAll(int fd, const char* data, std::size_t n) {
  while (n > 0) {
    const ssize_t done = ::write(fd, data, n);
    if (done < 0) {
      if (errno == EINTR) continue;
      failWrite(errno);
    }
    data += done;
    n -= static_cast<std::size_t>(done);
  }
}

void pwriteAll(int fd, std::string_view text, std::uint64_t at) {
  const ssize_t done =
      ::pwrite(fd, text.data(), text.size(), static_cast<off_t>(at));
  if (done < 0) failWrite(errno);
  if (static_cast<std::size_t>(done) != text.size()) failWrite(EIO);
}

std::string paddedCount(std::uint64_t n) {
  std::string digits = std::to_string(n);
  return std::string(kCountWidth - digits.size(), ' ') + digits;
}

}  // namespace

void TextSink::put(std::string_view s) {
  while (!s.empty()) {
    const std::size_t n = s.size() < kCapacity ? s.size() : kCapacity;
    std::memcpy(reserve(n), s.data(), n);
    commit(n);
    s.remove_prefix(n);
  }
}

void TextSink::flush() {
  if (fd_ >= 0) writeAll(fd_, buf_.get(), used_);
  flushed_ += used_;
  used_ = 0;
}

SpillArray::SpillArray(const std::string& dir, bool discard)
    : sink_(openTemporary(dir, discard)) {}

SpillArray::~SpillArray() {
  if (sink_.fd() >= 0) ::close(sink_.fd());
}

int SpillArray::openTemporary(const std::string& dir, bool discard) {
  if (discard) return -1;
  int fd = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd < 0) {
    // A file system without unnamed files: a named one, unlinked at once.
    std::string name = dir + "/.tessal2vtk.XXXXXX";
    std::vector<char> path(name.begin(), name.end());
    path.push_back('\0');
    fd = ::mkstemp(path.data());
    if (fd < 0) failWrite(errno);
    ::unlink(path.data());
  }
  return fd;
}

void SpillArray::copyTo(TextSink& out) {
  sink_.flush();
  out.flush();
  const int in = sink_.fd();
  if (in < 0 || out.fd() < 0) {
    out.wroteDirectly(sink_.size());
    return;
  }
  off_t at = 0;
  std::uint64_t left = sink_.size();
  while (left > 0) {
    const ssize_t done = ::sendfile(out.fd(), in, &at, left);
    if (done < 0) {
      if (errno == EINTR) continue;
      failWrite(errno);
    }
    if (done == 0) failWrite(EIO);
    left -= static_cast<std::uint64_t>(done);
  }
  out.wroteDirectly(sink_.size());
}

void VtuWriter::begin(const std::vector<VtuArray>& arrays) {
  out_.put(
      "<?xml version=\"1.0\"?>\n<VTKFile type=\"UnstructuredGrid\" "
      "version=\"1.0\" byte_order=\"");
  out_.put(std::endian::native == std::endian::little ? "LittleEndian"
                                                      : "BigEndian");
  out_.put(
      "\" header_type=\"UInt64\">\n"
      "  <UnstructuredGrid>\n"
      "    <Piece NumberOfPoints=\"");
  const std::string blanks(kCountWidth, ' ');
  countsAt_ = out_.size();
  out_.put(blanks);
  out_.put("\" NumberOfCells=\"");
  out_.put(blanks);
  out_.put("\">\n");
  std::string_view open;
  for (const VtuArray& a : arrays) {
    if (a.section != open) {
      if (!open.empty()) out_.put("      </" + std::string(open) + ">\n");
      open = a.section;
      out_.put("      <" + std::string(open) + ">\n");
    }
    out_.put("        <DataArray type=\"" + std::string(a.type) + "\" Name=\"" +
             xmlEscaped(a.name) + "\"");
    if (a.components != 1) {
      out_.put(" NumberOfComponents=\"" + std::to_string(a.components) + "\"");
    }
    out_.put(" format=\"appended\" offset=\"");
    offsetsAt_.push_back(out_.size());
    out_.put(blanks);
    out_.put("\"/>\n");
  }
  if (!open.empty()) out_.put("      </" + std::string(open) + ">\n");
  out_.put(
      "    </Piece>\n"
      "  </UnstructuredGrid>\n"
      "  <AppendedData encoding=\"raw\">\n   _");
  dataAt_ = out_.size();
  sizesAt_.assign(arrays.size(), 0);
  offsets_.assign(arrays.size(), 0);
}

void VtuWriter::beginArray(std::size_t k) {
  endArray();
  current_ = k;
  offsets_[k] = out_.size() - dataAt_;
  sizesAt_[k] = out_.size();
  out_.putRaw(std::uint64_t{0});
}

void VtuWriter::endArray() {
  if (current_ == SIZE_MAX) return;
  const std::uint64_t bytes = out_.size() - sizesAt_[current_] - 8;
  patches_.push_back({sizesAt_[current_],
                      std::string(reinterpret_cast<const char*>(&bytes), 8)});
  current_ = SIZE_MAX;
}

void VtuWriter::finish(std::uint64_t points, std::uint64_t cells) {
  endArray();
  out_.put("\n  </AppendedData>\n</VTKFile>\n");
  out_.flush();
  if (out_.fd() < 0) return;
  pwriteAll(out_.fd(), paddedCount(points), countsAt_);
  pwriteAll(out_.fd(), paddedCount(cells),
            countsAt_ + kCountWidth + std::strlen("\" NumberOfCells=\""));
  for (std::size_t k = 0; k < offsets_.size(); ++k) {
    pwriteAll(out_.fd(), paddedCount(offsets_[k]), offsetsAt_[k]);
  }
  for (const Patch& p : patches_) pwriteAll(out_.fd(), p.text, p.at);
}

std::string xmlEscaped(std::string_view name) {
  std::string s;
  for (char c : name) {
    switch (c) {
      case '&':
        s += "&amp;";
        break;
      case '<':
        s += "&lt;";
        break;
      case '>':
        s += "&gt;";
        break;
      case '"':
        s += "&quot;";
        break;
      case '\'':
        s += "&apos;";
        break;
      default:
        s += c;
    }
  }
  return s;
}

}  // namespace unv2tessal

#include "view/vtu_writer.h"

#include <fcntl.h>
#include <sys/sendfile.h>
#include <unistd.h>

#include <cerrno>
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
  if (in < 0 || out.fd() < 0) return;
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
}

void VtuWriter::begin() {
  out_.put(
      "<?xml version=\"1.0\"?>\n"
      "<VTKFile type=\"UnstructuredGrid\" version=\"1.0\" "
      "byte_order=\"LittleEndian\" header_type=\"UInt64\">\n"
      "  <UnstructuredGrid>\n"
      "    <Piece NumberOfPoints=\"");
  countsAt_ = out_.size();
  const std::string blanks(kCountWidth, ' ');
  out_.put(blanks);
  out_.put("\" NumberOfCells=\"");
  out_.put(blanks);
  out_.put("\">\n");
}

void VtuWriter::openSection(std::string_view name) {
  out_.put("      <");
  out_.put(name);
  out_.put(">\n");
}

void VtuWriter::closeSection(std::string_view name) {
  out_.put("      </");
  out_.put(name);
  out_.put(">\n");
}

void VtuWriter::openArray(std::string_view type, std::string_view name,
                          int components) {
  out_.put("        <DataArray type=\"");
  out_.put(type);
  out_.put("\" Name=\"");
  out_.put(xmlEscaped(name));
  if (components != 1) {
    out_.put("\" NumberOfComponents=\"");
    out_.put(std::to_string(components));
  }
  out_.put("\" format=\"ascii\">\n");
}

void VtuWriter::closeArray() { out_.put("        </DataArray>\n"); }

void VtuWriter::finish(std::uint64_t points, std::uint64_t cells) {
  out_.put(
      "    </Piece>\n"
      "  </UnstructuredGrid>\n"
      "</VTKFile>\n");
  out_.flush();
  if (out_.fd() < 0) return;
  pwriteAll(out_.fd(), paddedCount(points), countsAt_);
  pwriteAll(out_.fd(), paddedCount(cells),
            countsAt_ + kCountWidth + std::strlen("\" NumberOfCells=\""));
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

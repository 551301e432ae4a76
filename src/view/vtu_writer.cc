#include "view/vtu_writer.h"

#include <fcntl.h>
#include <sys/sendfile.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

#include "io/fd_io.h"
#include "io/shell.h"

namespace unv2tessal {
namespace {

// Each count is written into 20 columns (the widest 64-bit number), padded
// with blanks, which VTK's reader skips.
constexpr std::size_t kCountWidth = 20;

void pwriteAll(const TextSink& out, std::string_view text, std::uint64_t at) {
  const ssize_t done =
      ::pwrite(out.fd(), text.data(), text.size(), static_cast<off_t>(at));
  if (done < 0) out.fail(errno);
  if (static_cast<std::size_t>(done) != text.size()) out.fail(EIO);
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

void TextSink::fail(int error) const {
  throw Failure(name_, "cannot write: " + std::string(std::strerror(error)));
}

void TextSink::flush() {
  if (fd_ >= 0) {
    if (const int error = writeAll(fd_, {buf_.get(), used_})) fail(error);
  }
  flushed_ += used_;
  used_ = 0;
}

SpillArray::SpillArray(const std::string& dir, bool discard,
                       const std::string& name)
    : sink_(openTemporary(dir, discard, name), name) {}

SpillArray::~SpillArray() {
  if (sink_.fd() >= 0) ::close(sink_.fd());
}

int SpillArray::openTemporary(const std::string& dir, bool discard,
                              const std::string& name) {
  if (discard) return -1;
  int fd = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd < 0) {
    // A file system without unnamed files: a named one, unlinked at once.
    std::string path = dir + "/.tessal2vtk.XXXXXX";
    fd = ::mkstemp(path.data());
    if (fd < 0) TextSink(-1, name).fail(errno);
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
    if (done < 0) out.fail(errno);
    if (done == 0) out.fail(EIO);
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
  pwriteAll(out_, paddedCount(points), countsAt_);
  pwriteAll(out_, paddedCount(cells),
            countsAt_ + kCountWidth + std::strlen("\" NumberOfCells=\""));
  for (std::size_t k = 0; k < offsets_.size(); ++k) {
    pwriteAll(out_, paddedCount(offsets_[k]), offsetsAt_[k]);
  }
  for (const Patch& p : patches_) pwriteAll(out_, p.text, p.at);
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

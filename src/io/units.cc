#include "io/units.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

namespace unv2tessal {
namespace {

std::string currentDirectory() {
  std::string buf(4096, '\0');
  while (::getcwd(buf.data(), buf.size()) == nullptr) {
    if (errno != ERANGE) return "/";
    buf.resize(buf.size() * 2);
  }
  buf.resize(std::strlen(buf.c_str()));
  return buf;
}

}  // namespace

std::string normalisedPath(std::string_view cwd, std::string_view name) {
  std::string joined;
  if (name.empty() || name.front() != '/') {
    joined.assign(cwd);
    joined += '/';
  }
  joined += name;
  std::vector<std::string_view> parts;
  std::string_view rest(joined);
  while (!rest.empty()) {
    const std::size_t slash = rest.find('/');
    const std::string_view part = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view()
                                           : rest.substr(slash + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string out;
  for (std::string_view p : parts) {
    out += '/';
    out += p;
  }
  return out.empty() ? "/" : out;
}

int openFailureReport(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      return kReportFileNotFound;
    case EISDIR:
    case EACCES:
    case EPERM:
    case EROFS:
      return kReportNoPermission;
    case ENAMETOOLONG:
      return kReportBadFileName;
    case ENODEV:
    case ENXIO:
      return kReportNoSuchDevice;
    default:
      return kReportOpenFailure;
  }
}

Units::Units(Console& console, std::vector<std::string> args)
    : console_(console), args_(std::move(args)) {}

Units::~Units() { closeAll(); }

bool Units::isOpen(int unit) const {
  for (const Slot& s : slots_) {
    if (s.open && s.unit == unit) return true;
  }
  return false;
}

Units::Slot& Units::missingUnit(int unit) {
  throw std::logic_error("unit " + std::to_string(unit) + " is not open");
}

void Units::fail(int report, const Slot& s) {
  throw RunFailure(report, s.unit, s.path);
}

void Units::failWrite(Slot& s) { fail(kReportWriteError, s); }

std::string Units::nameForBlank(int unit) {
  // The next command-line argument not yet handed out; then the console.
  if (nextArg_ < args_.size()) {
    std::string_view arg = stripBlanks(args_[nextArg_++]);
    if (!arg.empty()) return std::string(arg.substr(0, kMaxNameLength));
  }
  for (;;) {
    console_.writeRaw(
        "File name missing or blank - please enter file name\r\n");
    console_.writeRaw("UNIT " + std::to_string(unit) + "? ");
    const std::string reply = console_.readWholeLine();
    std::string_view name = stripBlanks(reply);
    if (!name.empty()) return std::string(name.substr(0, kMaxNameLength));
  }
}

void Units::openUnit(int unit, std::string_view name, Missing missing) {
  std::string_view stripped = stripBlanks(name);
  std::string used(stripped.substr(0, kMaxNameLength));
  if (used.empty()) used = nameForBlank(unit);

  Slot* free = nullptr;
  for (Slot& s : slots_) {
    if (!s.open) {
      free = &s;
      break;
    }
  }
  if (free == nullptr) throw std::logic_error("too many open units");
  Slot& s = *free;
  s = Slot{};
  s.unit = unit;
  s.path = normalisedPath(currentDirectory(), used);
  if (used.find('\0') != std::string::npos) fail(kReportBadFileName, s);

  const int create = missing == Missing::kCreate ? O_CREAT : 0;
  int fd = ::open(s.path.c_str(), O_RDWR | create | O_CLOEXEC, 0666);
  if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS)) {
    const int first = errno;
    fd = ::open(s.path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
      fail(
          errno == ENOENT ? openFailureReport(first) : openFailureReport(errno),
          s);
    s.readOnly = true;
  }
  if (fd < 0) fail(openFailureReport(errno), s);

  struct stat st {};
  ::fstat(fd, &st);
  // The same file open on another unit: its first write would destroy the
  // other unit's file (an output named like the input mesh, say).
  for (const Slot& other : slots_) {
    if (other.open && other.device == st.st_dev && other.inode == st.st_ino) {
      ::close(fd);
      fail(kReportOpenFailure, s);
    }
  }
  s.fd = fd;
  s.device = st.st_dev;
  s.inode = st.st_ino;
  s.regular = S_ISREG(st.st_mode);
  s.open = true;
}

void Units::startReading(Slot& s) {
  s.everRead = true;
  s.reader = std::make_unique<LineReader>(s.fd);
}

void Units::startWriting(Slot& s) {
  // The first record written cuts off whatever the file held.
  if (s.readOnly) fail(kReportReadOnlyWrite, s);
  // An empty file is not truncated again: on ext4 a truncation to length 0
  // makes the close start writing the whole file out at once, which costs a
  // conversion a fifth of its time for nothing to cut.
  struct stat st {};
  if (s.regular && ::fstat(s.fd, &st) == 0 && st.st_size > 0 &&
      ::ftruncate(s.fd, 0) != 0) {
    failWrite(s);
  }
  s.written = true;
  s.writer = std::make_unique<OutputBuffer>(s.fd, /*eager=*/!s.regular);
}

void Units::reportOutputConversion(const Slot& s) {
  console_.writeError(formatOutputConversionReport(s.unit, s.path));
}

void Units::release(Slot& s) {
  if (s.fd >= 0) ::close(s.fd);
  s = Slot{};
}

void Units::closeUnit(int unit) {
  Slot& s = slot(unit);
  if (s.writer && !s.writer->flush()) failWrite(s);
  if (!s.written && !s.everRead && s.regular) {
    struct stat st {};
    if (::fstat(s.fd, &st) == 0 && st.st_size > 0) {
      if (s.readOnly) fail(kReportReadOnlyWrite, s);
      if (::ftruncate(s.fd, 0) != 0) failWrite(s);
    }
  }
  release(s);
}

void Units::closeAll() {
  for (Slot& s : slots_) {
    if (!s.open) continue;
    if (s.writer) s.writer->flush();
    release(s);
  }
}

}  // namespace unv2tessal

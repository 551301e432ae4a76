#include "io/units.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

#include "io/helper_threads.h"
#include "io/interrupt.h"

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

Text64 fileNameReply(int unit, std::string_view line) {
  constexpr std::size_t width = sizeof(Text64::chars);
  if (line.size() > width &&
      line.find_first_not_of(' ', width) != std::string_view::npos) {
    throw RunFailure(kReportBadFileName, unit,
                     normalisedPath(currentDirectory(), stripBlanks(line)));
  }
  return Text64::of(line);
}

Units::Units(Console& console, std::vector<std::string> args)
    : console_(console),
      args_(std::move(args)),
      helperThreads_(helperThreadsPay()) {
  console_.setBarrier(this);
}

Units::~Units() {
  closeAll();
  for (const Binding& b : bindings_) {
    if (b.fd >= 0) ::close(b.fd);
  }
  console_.setBarrier(nullptr);
}

Units::Slot* Units::catchUp() {
  if (!behind_) return nullptr;
  behind_->drain();
  int stream = -1;
  int error = 0;
  if (!behind_->failed(&stream, &error)) return nullptr;
  Slot* failed = nullptr;
  for (Slot& s : slots_) {
    if (!s.open || !s.writer || s.writer->stream() < 0) continue;
    if (s.writer->stream() == stream) {
      failed = &s;
      s.writer->cutTo(0);
    } else {
      s.writer->cutTo(behind_->keep(s.writer->stream()));
    }
  }
  // Every writer writes by itself now; nothing more goes behind.
  behind_.reset();
  helperThreads_ = false;
  return failed;
}

void Units::settle() {
  Slot* failed = catchUp();
  if (failed == nullptr) return;
  dropOldFirstByte(*failed);
  fail(kReportWriteError, *failed);
}

RunFailure Units::settleFailure(const RunFailure& failure) {
  try {
    settle();
  } catch (const RunFailure& write) {
    return write;
  }
  return failure;
}

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

void Units::failWrite(Slot& s) {
  settle();  // a write behind that failed before this one comes first
  dropOldFirstByte(s);
  fail(kReportWriteError, s);
}

bool Units::flushWriter(Slot& s) {
  if (s.writer->finish()) return true;
  dropOldFirstByte(s);
  return false;
}

void Units::dropOldFirstByte(Slot& s) {
  // Nothing of this run reached the file: the byte left of the old content
  // goes too. Once a write got through, it overwrote that byte.
  if (!s.oldFirstByte) return;
  s.oldFirstByte = false;
  if (s.writer && s.writer->bytesWritten() > 0) return;
  [[maybe_unused]] const int cut = ::ftruncate(s.fd, 0);
}

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

void Units::bindUnit(int unit, int fd, std::string path) {
  bindings_.push_back({unit, fd, nullptr, std::move(path)});
}

void Units::bindUnit(int unit, BlockSource* source, std::string path) {
  bindings_.push_back({unit, -1, source, std::move(path)});
}

bool Units::takeBinding(Slot& s) {
  for (auto b = bindings_.begin(); b != bindings_.end(); ++b) {
    if (b->unit != s.unit) continue;
    s.path = std::move(b->path);
    s.fd = b->fd;
    s.source = b->source;
    bindings_.erase(b);
    struct stat st {};
    if (s.fd >= 0 && ::fstat(s.fd, &st) == 0) {
      s.device = st.st_dev;
      s.inode = st.st_ino;
      s.regular = S_ISREG(st.st_mode);
    }
    s.open = true;
    return true;
  }
  return false;
}

void Units::openUnit(int unit, std::string_view name, Missing missing) {
  settle();
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
  if (takeBinding(s)) return;
  std::string_view stripped = stripBlanks(name);
  std::string used(stripped.substr(0, kMaxNameLength));
  if (used.empty()) used = nameForBlank(unit);
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
  if (s.source != nullptr) {
    s.reader = std::make_unique<LineReader>(s.source);
    return;
  }
  s.reader = std::make_unique<LineReader>(s.fd, LineReader::kDefaultCapacity,
                                          s.regular && helperThreads_);
  // An interrupt is acted on at each refill of the input.
  s.reader->setRefillHook([](void*) { checkInterrupt(); }, nullptr);
}

void Units::startWriting(Slot& s) {
  // The first record written cuts off whatever the file held.
  settle();  // the cut below frees room on the disk: earlier writes first
  if (s.readOnly) fail(kReportReadOnlyWrite, s);
  // The old content is cut to its first byte, which the first record
  // (never shorter than its CR LF) overwrites: on ext4 a cut to length 0
  // makes the close start writing the whole file out at once, a fifth of a
  // conversion's time. An empty file is not cut at all. Should the first
  // write fail, the byte is cut too (dropOldFirstByte), as if the file had
  // been cut to length 0.
  struct stat st {};
  if (s.regular && ::fstat(s.fd, &st) == 0 && st.st_size > 0) {
    s.oldFirstByte = true;
    if (st.st_size > 1 && ::ftruncate(s.fd, 1) != 0) failWrite(s);
  }
  s.written = true;
  WriteBehind* behind = nullptr;
  if (s.regular && helperThreads_) {
    if (!behind_) behind_ = std::make_unique<WriteBehind>();
    behind = behind_.get();
  }
  s.settleFirst = !s.regular && helperThreads_;
  s.writer = std::make_unique<OutputBuffer>(
      s.fd, /*eager=*/!s.regular, OutputBuffer::kDefaultCapacity, behind);
}

void Units::reportOutputConversion(const Slot& s) {
  settle();
  console_.writeError(formatOutputConversionReport(s.unit, s.path));
}

void Units::release(Slot& s) {
  // Their threads are done with the file before it is closed.
  s.reader.reset();
  s.writer.reset();
  if (s.fd >= 0) ::close(s.fd);
  s = Slot{};
}

void Units::closeUnit(int unit) {
  Slot& s = slot(unit);
  if (s.writer && !flushWriter(s)) failWrite(s);
  settle();
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
  catchUp();
  for (Slot& s : slots_) {
    if (!s.open) continue;
    if (s.writer) flushWriter(s);
    release(s);
  }
}

}  // namespace unv2tessal

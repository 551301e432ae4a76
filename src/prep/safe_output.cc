#include "prep/safe_output.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "io/helper_threads.h"
#include "io/write_behind.h"

namespace unv2tessal {
namespace {

std::string reason(int err) { return std::strerror(err); }

// The folder part of `path`, with its slash ("" for a bare name).
std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

mode_t creationMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return static_cast<mode_t>(0666 & ~mask);
}

}  // namespace

bool writeFully(int fd, std::string_view bytes, std::string* error) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      *error = n < 0 ? reason(errno) : "nothing could be written";
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

SafeOutput::Forbidden fileIdentity(const std::string& path) {
  SafeOutput::Forbidden id;
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) {
    id.device = st.st_dev;
    id.inode = st.st_ino;
    id.set = true;
  }
  return id;
}

SafeOutput::~SafeOutput() { discard(); }

bool SafeOutput::stopWritingBehind(std::string* error) {
  if (!behind_) return true;
  behind_->drain();
  int stream = 0, err = 0;
  const bool failed = behind_->failed(&stream, &err);
  behind_.reset();
  if (failed && error != nullptr) *error = reason(err);
  return !failed;
}

void SafeOutput::discard() {
  stopWritingBehind(nullptr);
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
}

bool SafeOutput::open(const std::string& path, const Forbidden& forbidden,
                      std::string* error) {
  path_ = path;
  buf_.reset(new char[kCapacity]);
  struct stat st;
  const bool exists = ::stat(path.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) {
    *error = "is a directory";
    return false;
  }
  if (exists && forbidden.set && st.st_dev == forbidden.device &&
      st.st_ino == forbidden.inode) {
    *error = "is the input file";
    return false;
  }
  if (exists && !S_ISREG(st.st_mode)) {
    // A device or a pipe cannot be replaced: write to it directly.
    fd_ = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd_ < 0) *error = reason(errno);
    return fd_ >= 0;
  }
  std::string pattern = folderOf(path) + ".unvprep-XXXXXX";
  fd_ = ::mkstemp(pattern.data());
  if (fd_ < 0) {
    *error = "cannot create a file in its folder: " + reason(errno);
    return false;
  }
  temp_ = pattern;
  // Kept past the end of the file, so that its size grows with the writes
  // alone. A file system without the call, or without all the room, goes
  // without (some of) it.
  if (expected_ > 0) {
    (void)::fallocate(fd_, FALLOC_FL_KEEP_SIZE, 0,
                      static_cast<off_t>(expected_));
    reserved_ = true;
  }
  if (wantBehind_ && helperThreadsPay()) {
    behind_ = std::make_unique<WriteBehind>();
    stream_ = behind_->open(fd_, &noneHeldBack_);
    for (auto& spare : spares_) spare.reset(new char[kCapacity]);
  }
  // The file gets the mode of the file it replaces, else the usual one.
  const mode_t mode = exists ? (st.st_mode & 07777) : creationMode();
  if (::fchmod(fd_, mode) != 0) {
    *error = reason(errno);
    discard();
    return false;
  }
  return true;
}

bool SafeOutput::writeOut(const char* data, std::size_t size,
                          std::string* error) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd_, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      *error = reason(n < 0 ? errno : EIO);
      discard();
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  written_ += size;
  return true;
}

bool SafeOutput::flush(std::string* error) {
  const std::size_t size = used_;
  used_ = 0;
  if (!behind_) return writeOut(buf_.get(), size, error);
  if (size == 0) return true;
  // A write that fails is told when the file is finished.
  // The oldest spare buffer is written once no more than the others wait.
  behind_->waitPending(stream_, kSpares - 1);
  behind_->submit(stream_, buf_.get(), size);
  std::swap(buf_, spares_[nextSpare_]);
  nextSpare_ = (nextSpare_ + 1) % kSpares;
  written_ += size;
  return true;
}

bool SafeOutput::writeSlow(std::string_view bytes, std::string* error) {
  if (fd_ < 0) {
    *error = "not open";
    return false;
  }
  // A large piece goes out directly, not through the buffer (unless it is
  // written behind, when its bytes may change before they are written).
  if (bytes.size() >= kCapacity / 4 && !behind_) {
    if (!flush(error)) return false;
    return writeOut(bytes.data(), bytes.size(), error);
  }
  while (!bytes.empty()) {
    if (used_ == kCapacity && !flush(error)) return false;
    const std::size_t n = std::min(bytes.size(), kCapacity - used_);
    std::memcpy(buf_.get() + used_, bytes.data(), n);
    used_ += n;
    bytes.remove_prefix(n);
  }
  return true;
}

bool SafeOutput::finish(std::string* error) {
  if (fd_ < 0) {
    *error = "not open";
    return false;
  }
  if (!flush(error) || !stopWritingBehind(error)) {
    discard();
    return false;
  }
  // A cut to the size written gives back the room set aside and not used.
  if (reserved_ && ::ftruncate(fd_, static_cast<off_t>(written_)) != 0) {
    *error = reason(errno);
    discard();
    return false;
  }
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) {
    *error = reason(errno);
    discard();
    return false;
  }
  finished_ = true;
  return true;
}

bool SafeOutput::commit(std::string* error) {
  if (!finished_ && !finish(error)) return false;
  if (temp_.empty()) return true;
  if (::rename(temp_.c_str(), path_.c_str()) != 0) {
    *error = reason(errno);
    discard();
    return false;
  }
  temp_.clear();
  return true;
}

}  // namespace unv2tessal

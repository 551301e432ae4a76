#include "io/safe_output.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

#include "io/fd_io.h"
#include "io/helper_threads.h"
#include "io/line_pipe.h"
#include "io/shell.h"
#include "io/write_behind.h"

namespace unv2tessal {
namespace {

// ---- what a signal removes ------------------------------------------------
//
// The temporary files of the outputs not yet committed, as paths that a
// signal handler may read: each slot is taken whole by one exchange, by the
// handler or by the owner, so that a path is never freed while it is read.

constexpr std::size_t kMostTemporaries = 32;
std::atomic<char*> gTemporaries[kMostTemporaries];
static_assert(std::atomic<char*>::is_always_lock_free);

// The program's name, for the line said on a signal and the temporary
// files' names.
char gProgram[64] = "unv2tessal";

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// Holds the signals that end a run on this thread for its lifetime (the
// helper threads never take them): a file is not made without being
// listed, nor renamed into place while it is still listed.
class SignalsHeld {
 public:
  SignalsHeld() {
    sigset_t set;
    sigemptyset(&set);
    for (int sig : kEndingSignals) sigaddset(&set, sig);
    sigaddset(&set, SIGPIPE);
    ::pthread_sigmask(SIG_BLOCK, &set, &saved_);
  }
  ~SignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &saved_, nullptr); }
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;

 private:
  sigset_t saved_;
};

// Lists `path`; returns its slot. REQUIRES: the signals are held.
int listTemporary(const std::string& path) {
  char* copy = ::strdup(path.c_str());
  if (copy == nullptr) throw std::bad_alloc();
  for (std::size_t k = 0; k < kMostTemporaries; ++k) {
    char* none = nullptr;
    if (gTemporaries[k].compare_exchange_strong(none, copy)) {
      return static_cast<int>(k);
    }
  }
  std::free(copy);
  throw std::length_error("more temporary files than can be listed");
}

void unlistTemporary(int slot) {
  std::free(gTemporaries[static_cast<std::size_t>(slot)].exchange(nullptr));
}

// Removes every listed file; returns how many there were. Safe in a signal
// handler: the paths are not freed (the process is ending).
int removeTemporaries() {
  int removed = 0;
  for (std::atomic<char*>& slot : gTemporaries) {
    if (char* path = slot.exchange(nullptr)) {
      ::unlink(path);
      ++removed;
    }
  }
  return removed;
}

// Appends `text` to the line at *end, within `limit`.
void append(char* line, std::size_t* end, std::size_t limit, const char* text) {
  const std::size_t n = std::min(std::strlen(text), limit - *end);
  std::memcpy(line + *end, text, n);
  *end += n;
}

const char* signalName(int sig) {
  switch (sig) {
    case SIGINT:
      return "SIGINT";
    case SIGTERM:
      return "SIGTERM";
    case SIGHUP:
      return "SIGHUP";
    case SIGQUIT:
      return "SIGQUIT";
    default:
      return "a signal";
  }
}

extern "C" void onEndingSignal(int sig) {
  const int removed = removeTemporaries();
  if (sig != SIGPIPE) {
    char line[160];
    std::size_t end = 0;
    append(line, &end, sizeof line - 1, gProgram);
    append(line, &end, sizeof line - 1, ": stopped by ");
    append(line, &end, sizeof line - 1, signalName(sig));
    if (removed > 0) {
      append(line, &end, sizeof line - 1, "; unfinished output removed");
    }
    line[end++] = '\n';
    [[maybe_unused]] const ssize_t put = ::write(2, line, end);
  }
  dieBySignal(sig);
}

// ---- the files ------------------------------------------------------------

std::string reason(int err) { return std::strerror(err); }

// The folder part of `path`, with its slash ("" for a bare name).
std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// ".NAME.PROGRAM-XXXXXX" beside `path`, NAME cut where the whole would be
// longer than a file name may be.
std::string temporaryPattern(const std::string& path) {
  std::string pattern = folderOf(path);
  const std::size_t folder = pattern.size();
  const std::size_t suffix = 1 + std::strlen(gProgram) + 7;
  pattern += '.';
  pattern.append(path, folder, NAME_MAX - 1 - suffix);
  pattern.append(".").append(gProgram).append("-XXXXXX");
  return pattern;
}

mode_t creationMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return static_cast<mode_t>(0666 & ~mask);
}

}  // namespace

void removeOutputsOnSignals(std::string_view program) {
  const std::size_t n = std::min(program.size(), sizeof gProgram - 1);
  std::memcpy(gProgram, program.data(), n);
  gProgram[n] = '\0';
  struct sigaction sa {};
  sa.sa_handler = onEndingSignal;
  sigemptyset(&sa.sa_mask);
  for (int sig : kEndingSignals) sigaddset(&sa.sa_mask, sig);
  sigaddset(&sa.sa_mask, SIGPIPE);
  sa.sa_flags = SA_RESTART;
  for (int sig : kEndingSignals) {
    struct sigaction before {};
    ::sigaction(sig, nullptr, &before);
    if (before.sa_handler != SIG_IGN) ::sigaction(sig, &sa, nullptr);
  }
  ::sigaction(SIGPIPE, &sa, nullptr);
}

void dieBySignal(int sig) {
  removeTemporaries();
  struct sigaction sa {};
  sa.sa_handler = SIG_DFL;
  sigemptyset(&sa.sa_mask);
  ::sigaction(sig, &sa, nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, sig);
  ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  ::raise(sig);
  ::_exit(128 + sig);  // a signal whose default action is not to end
}

FileIdentity fileIdentity(const std::string& path) {
  FileIdentity id;
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) {
    id.device = st.st_dev;
    id.inode = st.st_ino;
    id.set = true;
  }
  return id;
}

SafeOutput::~SafeOutput() { discard(); }

std::string SafeOutput::folder() const {
  const std::string folder = folderOf(path_);
  return folder.empty() ? std::string(".") : folder;
}

void SafeOutput::fail(std::string why) {
  discard();
  throw Failure(path_, std::move(why));
}

int SafeOutput::stopWritingBehind() {
  if (!behind_) return 0;
  behind_->drain();
  int stream = 0, err = 0;
  if (!behind_->failed(&stream, &err)) err = 0;
  behind_.reset();
  return err;
}

void SafeOutput::discard() {
  if (pipe_ != nullptr && !finished_) {
    pipe_->fail();
    pipe_ = nullptr;
  }
  stopWritingBehind();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  // Removed before it is unlisted: a signal in between removes it again.
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
  if (temporary_ >= 0) unlistTemporary(temporary_);
  temporary_ = -1;
}

void SafeOutput::open(const std::string& path, const FileIdentity& forbidden) {
  path_ = path;
  buf_.reset(new char[kCapacity]);
  struct stat st;
  const bool exists = ::stat(path.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) fail("is a directory");
  if (exists && forbidden.set && st.st_dev == forbidden.device &&
      st.st_ino == forbidden.inode) {
    fail("is the input file");
  }
  if (exists && !S_ISREG(st.st_mode)) {
    // A device or a pipe cannot be replaced: write to it directly.
    fd_ = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd_ < 0) fail(reason(errno));
    return;
  }
  {
    // Made and listed at once: a signal comes before both or after both.
    SignalsHeld held;
    std::string pattern = temporaryPattern(path);
    fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd_ < 0) fail("cannot create a file in its folder: " + reason(errno));
    temp_ = pattern;
    try {
      temporary_ = listTemporary(temp_);
    } catch (...) {
      discard();
      throw;
    }
  }
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
  if (::fchmod(fd_, mode) != 0) fail(reason(errno));
}

void SafeOutput::openPipe(LinePipe& pipe, std::string name) {
  static_assert(LinePipe::kCapacity == kCapacity);
  path_ = std::move(name);
  pipe_ = &pipe;
  buf_.reset(new char[kCapacity]);
}

void SafeOutput::writeOut(const char* data, std::size_t size) {
  int error = 0;
  if (writeFully(fd_, data, size, &error) < size) fail(reason(error));
  written_ += size;
}

void SafeOutput::flush() {
  if (pipe_ != nullptr) {
    // The start of a line cut by the buffer's end comes back in the next.
    const std::size_t size = used_;
    used_ = pipe_->handOver(&buf_, size, false);
    written_ += size - used_;
    return;
  }
  const std::size_t size = used_;
  used_ = 0;
  if (!behind_) return writeOut(buf_.get(), size);
  if (size == 0) return;
  // A write that fails is told when the file is finished.
  // The oldest spare buffer is written once no more than the others wait.
  behind_->waitPending(stream_, kSpares - 1);
  behind_->submit(stream_, buf_.get(), size);
  std::swap(buf_, spares_[nextSpare_]);
  nextSpare_ = (nextSpare_ + 1) % kSpares;
  written_ += size;
}

void SafeOutput::writeSlow(std::string_view bytes) {
  if (!isOpen()) fail("not open");
  // A large piece goes out directly, not through the buffer (unless it is
  // written behind, when its bytes may change before they are written, or
  // handed over to a pipe).
  if (bytes.size() >= kCapacity / 4 && !behind_ && pipe_ == nullptr) {
    flush();
    return writeOut(bytes.data(), bytes.size());
  }
  while (!bytes.empty()) {
    if (used_ == kCapacity) flush();
    const std::size_t n = std::min(bytes.size(), kCapacity - used_);
    std::memcpy(buf_.get() + used_, bytes.data(), n);
    used_ += n;
    bytes.remove_prefix(n);
  }
}

void SafeOutput::finish() {
  if (finished_) return;
  if (pipe_ != nullptr) {
    written_ += used_;
    pipe_->handOver(&buf_, std::exchange(used_, 0), true);
    finished_ = true;
    return;
  }
  if (fd_ < 0) fail("not open");
  flush();
  if (const int error = stopWritingBehind(); error != 0) fail(reason(error));
  // A cut to the size written gives back the room set aside and not used.
  if (reserved_ && ::ftruncate(fd_, static_cast<off_t>(written_)) != 0) {
    fail(reason(errno));
  }
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) fail(reason(errno));
  finished_ = true;
}

void SafeOutput::moveIntoPlace() {
  if (temp_.empty()) return;
  if (::rename(temp_.c_str(), path_.c_str()) != 0) fail(reason(errno));
  temp_.clear();
  unlistTemporary(temporary_);
  temporary_ = -1;
}

void SafeOutput::commit() {
  SafeOutput* const self[] = {this};
  commitOutputs(self);
}

void commitOutputs(std::span<SafeOutput* const> outputs) {
  commitOutputs(outputs, {});
}

void commitOutputs(std::span<SafeOutput* const> outputs,
                   std::span<const std::string> stale) {
  for (SafeOutput* output : outputs) output->finish();
  SignalsHeld held;
  for (std::size_t k = 0; k < outputs.size(); ++k) {
    if (k + 1 == outputs.size()) {
      for (const std::string& path : stale) ::unlink(path.c_str());
    }
    outputs[k]->moveIntoPlace();
  }
}

}  // namespace unv2tessal

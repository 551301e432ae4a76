#include "io/read_ahead.h"

#include <errno.h>
#include <string.h>

#include <cstring>

#include "io/fd_io.h"

namespace unv2tessal {

ReadAhead::ReadAhead(int fd, std::size_t capacity, std::size_t keep)
    : fd_(fd), capacity_(capacity), keep_(keep), thread_([this] { run(); }) {}

ReadAhead::~ReadAhead() {
  {
    MutexLock lock(&mutex_);
    stop_ = true;
  }
  emptied_.signalAll();
  thread_.join();
}

ReadAhead::Block ReadAhead::next() {
  const Slot* s = nullptr;
  {
    MutexLock lock(&mutex_);
    while (produced_ <= taken_) filled_.wait();
    s = &slots_[taken_ % kBlocks];
    // Taking this block hands back the one before it.
    ++taken_;
  }
  emptied_.signal();
  countThreadWork(ThreadWork::kBlockReadAhead);
  return Block{s->bytes.get(), s->size,
               s->hasLongLine ? s->longLine.get() : nullptr, s->eof, s->error};
}

void ReadAhead::fill(Slot& s) {
  while (s.size < capacity_) {
    const ssize_t got =
        readRetrying(fd_, s.bytes.get() + s.size, capacity_ - s.size);
    if (got > 0) {
      s.size += static_cast<std::size_t>(got);
    } else if (got == 0) {
      s.eof = true;
      return;
    } else {
      s.error = errno;
      return;
    }
  }
}

void ReadAhead::skipLongLine(Slot& s, std::size_t* carryFrom) {
  if (!s.longLine) s.longLine.reset(new char[keep_]);
  std::memcpy(s.longLine.get(), s.bytes.get(), keep_);
  s.hasLongLine = true;
  for (;;) {
    const ssize_t got = readRetrying(fd_, s.bytes.get(), capacity_);
    if (got < 0) {
      // The long line is not handed over: the read error comes first.
      s.hasLongLine = false;
      s.error = errno;
      s.size = 0;
      return;
    }
    if (got == 0) {
      s.eof = true;
      s.size = 0;
      return;
    }
    s.size = static_cast<std::size_t>(got);
    const void* nl = std::memchr(s.bytes.get(), '\n', s.size);
    if (nl != nullptr) {
      *carryFrom = static_cast<std::size_t>(static_cast<const char*>(nl) -
                                            s.bytes.get()) +
                   1;
      return;
    }
  }
}

void ReadAhead::run() {
  const Slot* previous = nullptr;
  std::size_t carryFrom = 0;  // the cut line at the end of `previous`
  std::size_t carryLength = 0;
  for (std::uint64_t k = 0;; ++k) {
    {
      // Block k reuses the slot of block k - kBlocks, handed back when the
      // consumer took block k - kBlocks + 1.
      MutexLock lock(&mutex_);
      while (!stop_ && k + 2 > taken_ + kBlocks) emptied_.wait();
      if (stop_) return;
    }
    Slot& s = slots_[k % kBlocks];
    if (!s.bytes) s.bytes.reset(new char[capacity_]);
    s.hasLongLine = false;
    s.eof = false;
    s.error = 0;
    if (carryLength > 0) {
      std::memcpy(s.bytes.get(), previous->bytes.get() + carryFrom,
                  carryLength);
    }
    s.size = carryLength;
    carryLength = 0;
    fill(s);
    if (!s.eof && s.error == 0) {
      const void* last = ::memrchr(s.bytes.get(), '\n', s.size);
      if (last != nullptr) {
        carryFrom = static_cast<std::size_t>(static_cast<const char*>(last) -
                                             s.bytes.get()) +
                    1;
        carryLength = s.size - carryFrom;
        s.size = carryFrom;
      } else {
        // A full block without LF: one line of `capacity_` bytes or more.
        skipLongLine(s, &carryFrom);
        if (!s.eof && s.error == 0) carryLength = s.size - carryFrom;
        s.size = 0;
      }
    }
    previous = &s;
    const bool last = s.eof || s.error != 0;
    {
      MutexLock lock(&mutex_);
      ++produced_;
    }
    filled_.signal();
    if (last) return;
  }
}

}  // namespace unv2tessal

#include "io/line_pipe.h"

#include <errno.h>
#include <string.h>

#include <cstring>
#include <utility>

namespace unv2tessal {

std::unique_ptr<char[]> LinePipe::spare() {
  {
    MutexLock lock(&mutex_);
    if (!free_.empty()) {
      std::unique_ptr<char[]> buffer = std::move(free_.back());
      free_.pop_back();
      return buffer;
    }
  }
  return std::unique_ptr<char[]>(new char[kCapacity]);
}

void LinePipe::push(Pending block) {
  {
    MutexLock lock(&mutex_);
    while (!abandoned_ && queue_.size() >= kBlocks) taken_.wait();
    ended_ = block.eof || block.error != 0;
    if (abandoned_) {
      if (block.bytes) free_.push_back(std::move(block.bytes));
      return;
    }
    queue_.push_back(std::move(block));
  }
  queued_.signal();
}

std::size_t LinePipe::handOver(std::unique_ptr<char[]>* buffer,
                               std::size_t size, bool last) {
  Pending block{std::move(*buffer), size, last, 0};
  *buffer = spare();
  if (last) {
    push(std::move(block));
    return 0;
  }
  const char* bytes = block.bytes.get();
  const void* lineFeed = ::memrchr(bytes, '\n', size);
  if (lineFeed == nullptr) {
    if (size < kCapacity) {
      // One unfinished line so far: it waits in the next buffer.
      std::memcpy(buffer->get(), bytes, size);
      MutexLock lock(&mutex_);
      free_.push_back(std::move(block.bytes));
      return size;
    }
    block.size = 0;
    block.error = EFBIG;
    push(std::move(block));
    return 0;
  }
  const std::size_t whole =
      static_cast<std::size_t>(static_cast<const char*>(lineFeed) - bytes) + 1;
  const std::size_t carry = size - whole;
  std::memcpy(buffer->get(), bytes + whole, carry);
  block.size = whole;
  push(std::move(block));
  return carry;
}

void LinePipe::fail() {
  {
    MutexLock lock(&mutex_);
    if (ended_) return;
  }
  push(Pending{nullptr, 0, false, ECANCELED});
}

BlockSource::Block LinePipe::next() {
  {
    MutexLock lock(&mutex_);
    // Taking the next block hands back the one taken before.
    if (current_.bytes) free_.push_back(std::move(current_.bytes));
    while (queue_.empty()) queued_.wait();
    current_ = std::move(queue_.front());
    queue_.pop_front();
  }
  taken_.signal();
  return Block{current_.bytes.get(), current_.size, nullptr, current_.eof,
               current_.error};
}

void LinePipe::abandon() {
  {
    MutexLock lock(&mutex_);
    abandoned_ = true;
    for (Pending& block : queue_) {
      if (block.bytes) free_.push_back(std::move(block.bytes));
    }
    queue_.clear();
  }
  taken_.signalAll();
}

}  // namespace unv2tessal

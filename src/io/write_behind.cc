#include "io/write_behind.h"

#include <errno.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

#include "io/fd_io.h"
#include "io/helper_threads.h"

namespace unv2tessal {

WriteBehind::WriteBehind() {
  thread_ = startHelperThread([this] { run(); });
}

WriteBehind::~WriteBehind() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  work_.notify_all();
  thread_.join();
}

int WriteBehind::open(int fd, const std::size_t* buffered) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (std::size_t k = 0; k < kMaxStreams; ++k) {
    Stream& s = streams_[k];
    if (s.open) continue;
    s = Stream{};
    s.open = true;
    s.fd = fd;
    s.buffered = buffered;
    return static_cast<int>(k);
  }
  throw std::logic_error("too many files written behind");
}

void WriteBehind::close(int stream) {
  std::lock_guard<std::mutex> lock(mutex_);
  streams_[static_cast<std::size_t>(stream)].open = false;
}

void WriteBehind::submit(int stream, const char* data, std::size_t size) {
  Job job;
  job.stream = stream;
  job.data = data;
  job.size = size;
  Stream& own = streams_[static_cast<std::size_t>(stream)];
  job.start = own.handedOver;
  std::unique_lock<std::mutex> lock(mutex_);
  for (std::size_t k = 0; k < kMaxStreams; ++k) {
    const Stream& s = streams_[k];
    if (s.open) job.given[k] = s.handedOver + *s.buffered;
  }
  own.handedOver += size;
  ++own.submitted;
  done_.wait(lock, [this] { return tail_ - head_ < kQueue; });
  queue_[tail_ % kQueue] = job;
  ++tail_;
  lock.unlock();
  work_.notify_one();
}

void WriteBehind::waitPending(int stream, std::size_t count) {
  const Stream& s = streams_[static_cast<std::size_t>(stream)];
  std::unique_lock<std::mutex> lock(mutex_);
  done_.wait(lock, [&] { return s.submitted - s.completed <= count; });
}

void WriteBehind::drain() {
  std::unique_lock<std::mutex> lock(mutex_);
  done_.wait(lock, [this] { return head_ == tail_; });
}

bool WriteBehind::failed(int* stream, int* error) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!failed_) return false;
  *stream = failedStream_;
  *error = failedError_;
  return true;
}

std::uint64_t WriteBehind::written(int stream) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return streams_[static_cast<std::size_t>(stream)].written;
}

std::uint64_t WriteBehind::keep(int stream) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return streams_[static_cast<std::size_t>(stream)].keep;
}

void WriteBehind::write(const Job& job) {
  Stream& s = streams_[static_cast<std::size_t>(job.stream)];
  std::size_t size = job.size;
  if (failed_) {
    // After a failed write: the failing file gets nothing more, the others
    // what they had been given when the failing write was handed over.
    const std::uint64_t keep = job.stream == failedStream_ ? 0 : s.keep;
    size = keep <= job.start ? 0
                             : static_cast<std::size_t>(std::min<std::uint64_t>(
                                   keep - job.start, size));
  }
  int error = 0;
  const std::size_t done = writeFully(s.fd, job.data, size, &error);
  std::lock_guard<std::mutex> lock(mutex_);
  s.written += done;
  if (done < size && !failed_) {
    failed_ = true;
    failedStream_ = job.stream;
    failedError_ = error;
    for (std::size_t k = 0; k < kMaxStreams; ++k) {
      streams_[k].keep = job.given[k];
    }
  }
}

void WriteBehind::run() {
  for (;;) {
    Job job;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      work_.wait(lock, [this] { return stop_ || head_ != tail_; });
      if (head_ == tail_) return;  // stopped with nothing left to write
      job = queue_[head_ % kQueue];
    }
    write(job);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++streams_[static_cast<std::size_t>(job.stream)].completed;
      ++head_;
    }
    done_.notify_all();
  }
}

}  // namespace unv2tessal

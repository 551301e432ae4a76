#include "io/write_behind.h"

#include <algorithm>
#include <stdexcept>

#include "io/fd_io.h"

namespace unv2tessal {

WriteBehind::WriteBehind() : thread_([this] { run(); }) {}

WriteBehind::~WriteBehind() {
  {
    MutexLock lock(&mutex_);
    stop_ = true;
  }
  work_.signalAll();
  thread_.join();
}

int WriteBehind::open(int fd, const std::size_t* buffered) {
  MutexLock lock(&mutex_);
  for (std::size_t k = 0; k < kMaxStreams; ++k) {
    Stream& s = streams_[k];
    if (s.open) continue;
    s = Stream{};
    s.open = true;
    s.fd = fd;
    s.buffered = buffered;
    handed_[k] = Handed{};
    return static_cast<int>(k);
  }
  throw std::logic_error("too many files written behind");
}

void WriteBehind::close(int stream) {
  MutexLock lock(&mutex_);
  streams_[static_cast<std::size_t>(stream)].open = false;
}

void WriteBehind::submit(int stream, const char* data, std::size_t size) {
  Job job;
  job.stream = stream;
  job.data = data;
  job.size = size;
  Handed& own = handed_[static_cast<std::size_t>(stream)];
  job.start = own.bytes;
  {
    MutexLock lock(&mutex_);
    job.fd = streams_[static_cast<std::size_t>(stream)].fd;
    for (std::size_t k = 0; k < kMaxStreams; ++k) {
      const Stream& s = streams_[k];
      if (s.open) job.given[k] = handed_[k].bytes + *s.buffered;
    }
    own.bytes += size;
    ++own.jobs;
    while (tail_ - head_ >= kQueue) done_.wait();
    queue_[tail_ % kQueue] = job;
    ++tail_;
  }
  work_.signal();
  countThreadWork(ThreadWork::kBufferWrittenBehind);
}

void WriteBehind::waitPending(int stream, std::size_t count) {
  const std::uint64_t jobs = handed_[static_cast<std::size_t>(stream)].jobs;
  MutexLock lock(&mutex_);
  while (jobs - streams_[static_cast<std::size_t>(stream)].completed > count) {
    done_.wait();
  }
}

void WriteBehind::drain() {
  MutexLock lock(&mutex_);
  while (head_ != tail_) done_.wait();
}

bool WriteBehind::failed(int* stream, int* error) const {
  MutexLock lock(&mutex_);
  if (!failed_) return false;
  *stream = failedStream_;
  *error = failedError_;
  return true;
}

std::uint64_t WriteBehind::written(int stream) const {
  MutexLock lock(&mutex_);
  return streams_[static_cast<std::size_t>(stream)].written;
}

std::uint64_t WriteBehind::keep(int stream) const {
  MutexLock lock(&mutex_);
  return streams_[static_cast<std::size_t>(stream)].keep;
}

std::size_t WriteBehind::bytesToWrite(const Job& job) const {
  if (!failed_) return job.size;
  // After a failed write: the failing file gets nothing more, the others
  // what they had been given when the failing write was handed over.
  const std::uint64_t keep =
      job.stream == failedStream_
          ? 0
          : streams_[static_cast<std::size_t>(job.stream)].keep;
  return keep <= job.start ? 0
                           : static_cast<std::size_t>(std::min<std::uint64_t>(
                                 keep - job.start, job.size));
}

void WriteBehind::run() {
  for (;;) {
    Job job;
    std::size_t size = 0;
    {
      MutexLock lock(&mutex_);
      while (!stop_ && head_ == tail_) work_.wait();
      if (head_ == tail_) return;  // stopped with nothing left to write
      job = queue_[head_ % kQueue];
      size = bytesToWrite(job);
    }
    int error = 0;
    const std::size_t done = writeFully(job.fd, job.data, size, &error);
    {
      MutexLock lock(&mutex_);
      Stream& s = streams_[static_cast<std::size_t>(job.stream)];
      s.written += done;
      if (done < size && !failed_) {
        failed_ = true;
        failedStream_ = job.stream;
        failedError_ = error;
        for (std::size_t k = 0; k < kMaxStreams; ++k) {
          streams_[k].keep = job.given[k];
        }
      }
      ++s.completed;
      ++head_;
    }
    done_.signalAll();
  }
}

}  // namespace unv2tessal

#include "prep/grouped.h"

#include <sys/mman.h>

#include <algorithm>
#include <new>
#include <stdexcept>
#include <utility>

#include "io/helper_threads.h"

namespace unv2tessal {
namespace {

// Sorts `v`. Groups list their tags mostly in order, so the list is made of
// a few ascending runs: those are merged, pairwise, instead of sorted anew.
// Arrays from this size on get a mapping of their own.
constexpr std::size_t kLargeArray = std::size_t{4} << 20;

void sortRuns(LargeVector<std::int32_t>& v) {
  std::vector<std::size_t> starts{0};
  for (std::size_t k = 1; k < v.size(); ++k) {
    if (v[k] < v[k - 1]) starts.push_back(k);
  }
  if (starts.size() > 64) {
    std::sort(v.begin(), v.end());
    return;
  }
  starts.push_back(v.size());
  while (starts.size() > 2) {
    std::vector<std::size_t> merged{0};  // run starts after this round
    for (std::size_t r = 0; r + 1 < starts.size(); r += 2) {
      const std::size_t end = starts[std::min(r + 2, starts.size() - 1)];
      std::inplace_merge(v.begin() + static_cast<std::ptrdiff_t>(starts[r]),
                         v.begin() + static_cast<std::ptrdiff_t>(starts[r + 1]),
                         v.begin() + static_cast<std::ptrdiff_t>(end));
      merged.push_back(end);
    }
    starts = std::move(merged);
  }
}

}  // namespace

void* allocateLarge(std::size_t bytes) {
  if (bytes < kLargeArray) return ::operator new(bytes);
  void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) throw std::bad_alloc();
  ::madvise(p, bytes, MADV_HUGEPAGE);  // a hint: may be refused
  return p;
}

void freeLarge(void* p, std::size_t bytes) {
  if (bytes < kLargeArray) {
    ::operator delete(p);
  } else {
    ::munmap(p, bytes);
  }
}

LabelSet::LabelSet(std::span<const std::int32_t> tags)
    : labels_(tags.begin(), tags.end()) {
  sortRuns(labels_);
  labels_.erase(std::unique(labels_.begin(), labels_.end()), labels_.end());
  labels_.shrink_to_fit();
}

std::ptrdiff_t LabelSet::find(std::int32_t label) const {
  const auto it = std::lower_bound(labels_.begin(), labels_.end(), label);
  if (it == labels_.end() || *it != label) return -1;
  return it - labels_.begin();
}

Prefault::Prefault(void* p, std::size_t bytes) {
  if (bytes < kLargeArray || !helperThreadsPay()) return;
  thread_ = HelperThread([p, bytes] {
    // A hint, like the huge pages: where the kernel has no such advice the
    // pages are made as they are first written.
    ::madvise(p, bytes, MADV_POPULATE_WRITE);
  });
}

GroupedElements::GroupedElements(std::span<const std::int32_t> tags)
    : set_(tags), start_(set_.size(), kNotFound), count_(set_.size(), 0) {
  // Room for eight nodes an element: no copy as the store grows. Its pages
  // are made (and cleared by the kernel) on another CPU, when there is one,
  // ahead of the labels stored.
  nodes_.reserve(set_.size() * 8);
  prefault_ = Prefault(nodes_.data(), nodes_.capacity() * sizeof(std::int32_t));
}

void GroupedElements::tooManyLabels() {
  throw std::length_error("grouped elements hold too many node labels");
}

bool GroupedElements::nodesOf(std::int32_t label,
                              std::span<const std::int32_t>* nodes,
                              std::ptrdiff_t* hint) const {
  const std::ptrdiff_t index = set_.find(label, *hint);
  *hint = index;
  if (index < 0) return false;
  const std::size_t k = static_cast<std::size_t>(index);
  if (start_[k] == kNotFound) return false;
  *nodes = std::span<const std::int32_t>(nodes_.data() + start_[k], count_[k]);
  return true;
}

}  // namespace unv2tessal

#include "quamorsc/exchange/reply.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <utility>

#include "quamorsc/process/alloc_failure.h"

namespace quamorsc {

namespace {

constexpr std::size_t kPage = 4096;
constexpr std::size_t kHugePage = std::size_t{2} << 20;
// Address space taken once so that the reply grows in place, never moved or copied; only the
// pages that bytes land in cost memory. Smaller when the process may not map that much.
constexpr std::size_t kReserve = std::size_t{64} << 30;
constexpr std::size_t kMinReserve = std::size_t{16} << 20;

std::size_t round_up(std::size_t n, std::size_t unit) {
  return (n + unit - 1) / unit * unit;
}

// Reserves address space aligned to a huge page, advised for huge pages: a large reply then
// faults in 2 MiB at a time instead of 4 KiB. Inaccessible pages are not charged; making them
// writable is, so a refusal shows up as a failed mprotect rather than a later kill.
std::pair<char*, std::size_t> reserve_space() {
  for (std::size_t size = kReserve; size >= kMinReserve; size /= 4) {
    void* p = ::mmap(nullptr, size + kHugePage, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) {
      continue;
    }
    auto* base = static_cast<char*>(p);
    auto addr = reinterpret_cast<std::uintptr_t>(base);
    std::size_t lead = round_up(addr, kHugePage) - addr;
    if (lead > 0) {
      ::munmap(base, lead);
    }
    ::munmap(base + lead + size, kHugePage - lead);
    ::madvise(base + lead, size, MADV_HUGEPAGE);
    return {base + lead, size};
  }
  return {nullptr, 0};
}

}  // namespace

Reply::Reply(Reply&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      capacity_(std::exchange(other.capacity_, 0)),
      reserved_(std::exchange(other.reserved_, 0)),
      size_(std::exchange(other.size_, 0)),
      start_(std::exchange(other.start_, 0)) {}

Reply& Reply::operator=(Reply&& other) noexcept {
  Reply old(std::move(*this));
  std::swap(data_, other.data_);
  std::swap(capacity_, other.capacity_);
  std::swap(reserved_, other.reserved_);
  std::swap(size_, other.size_);
  std::swap(start_, other.start_);
  return *this;
}

Reply::~Reply() {
  if (data_ != nullptr) {
    ::munmap(data_, reserved_);
  }
}

void Reply::reserve(std::size_t n) {
  if (room() >= n) {
    return;
  }
  std::size_t needed = size_ + n;
  grow(std::max(needed, capacity_ * 2));
}

void Reply::grow(std::size_t capacity) {
  if (data_ == nullptr) {
    auto [base, size] = reserve_space();
    // The first part ends on a huge-page boundary: a small reply costs a few small pages, and
    // every byte after it lands in whole huge pages (a huge page that already holds small ones
    // stays small, so the first part must not share one with what follows).
    std::size_t first = round_up(capacity, kPage);
    std::size_t lead = base != nullptr && first < kHugePage ? kHugePage - first : 0;
    if (lead > 0) {
      ::munmap(base, lead);
    }
    data_ = base + lead;
    reserved_ = size - lead;
  }
  if (data_ != nullptr && capacity <= reserved_) {
    // Past the first part, the writable end stays on a huge-page boundary; the reserved space
    // ends on one, so the rounding never leaves it.
    if (capacity_ == 0) {
      capacity = round_up(capacity, capacity >= kHugePage ? kHugePage : kPage);
    } else {
      std::size_t offset = reinterpret_cast<std::uintptr_t>(data_) % kHugePage;
      capacity = round_up(offset + capacity, kHugePage) - offset;
    }
    // Making more of the reserved space writable keeps every byte where it is.
    if (::mprotect(data_ + capacity_, capacity - capacity_, PROT_READ | PROT_WRITE) != 0) {
      allocation_failed(capacity);
    }
    capacity_ = capacity;
    return;
  }
  capacity = round_up(capacity, capacity >= kHugePage ? kHugePage : kPage);
  // Past the reserved space: the kernel moves the pages themselves, so there is never a second
  // copy of the bytes.
  if (data_ != nullptr && reserved_ > capacity_) {
    ::munmap(data_ + capacity_, reserved_ - capacity_);
    reserved_ = capacity_;
  }
  void* p = capacity_ == 0 ? ::mmap(nullptr, capacity, PROT_READ | PROT_WRITE,
                                    MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)
                           : ::mremap(data_, capacity_, capacity, MREMAP_MAYMOVE);
  if (p == MAP_FAILED) {
    allocation_failed(capacity);
  }
  data_ = static_cast<char*>(p);
  ::madvise(data_, capacity, MADV_HUGEPAGE);
  capacity_ = capacity;
  reserved_ = capacity;
}

}  // namespace quamorsc

#include "quamorsc/alloc_failure.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>

#include "quamorsc/io.h"

namespace quamorsc {

void allocation_failed(std::size_t size) {
  constexpr std::string_view kHead = "memory allocation of ";
  constexpr std::string_view kTail = " bytes failed\n";
  char line[80];
  std::memcpy(line, kHead.data(), kHead.size());
  char* end = std::to_chars(line + kHead.size(), line + sizeof line, size).ptr;
  std::memcpy(end, kTail.data(), kTail.size());
  end += kTail.size();
  io::write_stderr(std::string_view(line, static_cast<std::size_t>(end - line)));
  std::abort();
}

}  // namespace quamorsc

// The global allocation functions, so that a text or table that cannot grow (a huge reply's debug
// text under a memory limit, say) is reported as above instead of surfacing as an exception far
// from where memory ran out. The sanitizers bring allocators of their own, so these stay out of
// sanitized builds.
#ifndef QUAMORSC_ASAN

namespace {

void* allocate(std::size_t size) {
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) {
    quamorsc::allocation_failed(size);
  }
  return p;
}

void* allocate_aligned(std::size_t size, std::align_val_t align) {
  auto alignment = static_cast<std::size_t>(align);
  if (alignment < sizeof(void*)) {
    alignment = sizeof(void*);
  }
  void* p = nullptr;
  if (::posix_memalign(&p, alignment, size == 0 ? 1 : size) != 0) {
    quamorsc::allocation_failed(size);
  }
  return p;
}

}  // namespace

void* operator new(std::size_t size) {
  return allocate(size);
}
void* operator new[](std::size_t size) {
  return allocate(size);
}
void* operator new(std::size_t size, std::align_val_t align) {
  return allocate_aligned(size, align);
}
void* operator new[](std::size_t size, std::align_val_t align) {
  return allocate_aligned(size, align);
}

// The nothrow forms keep their promise and answer null.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size == 0 ? 1 : size);
}

void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
  std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}

#endif  // QUAMORSC_ASAN

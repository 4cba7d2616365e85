// The program's global allocation functions: memory that cannot be had ends the client with
// "memory allocation of N bytes failed" and an abort wherever it is asked for, so that a text or
// table that cannot grow (a huge reply's debug text under a memory limit, say) is reported where
// memory ran out instead of surfacing as an exception far from it. They belong to the program,
// not to the library, so that nothing else that links the library has its allocator replaced.
// The sanitizers bring allocators of their own, so these stay out of sanitized builds.
#ifndef QUAMORSC_ASAN

#include <cstddef>
#include <cstdlib>
#include <new>

#include "quamorsc/process/alloc_failure.h"

namespace {

// malloc may answer null for zero bytes, but every `new` must give a distinct pointer.
std::size_t at_least_one(std::size_t size) {
  return size == 0 ? 1 : size;
}

void* try_allocate(std::size_t size) noexcept {
  return std::malloc(at_least_one(size));
}

void* try_allocate_aligned(std::size_t size, std::align_val_t align) noexcept {
  // posix_memalign takes no alignment below that of a pointer.
  auto alignment = static_cast<std::size_t>(align);
  if (alignment < sizeof(void*)) {
    alignment = sizeof(void*);
  }
  void* p = nullptr;
  if (::posix_memalign(&p, alignment, at_least_one(size)) != 0) {
    return nullptr;
  }
  return p;
}

void* allocate(std::size_t size) {
  void* p = try_allocate(size);
  if (p == nullptr) {
    quamorsc::allocation_failed(size);
  }
  return p;
}

void* allocate_aligned(std::size_t size, std::align_val_t align) {
  void* p = try_allocate_aligned(size, align);
  if (p == nullptr) {
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
  return try_allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return try_allocate(size);
}
void* operator new(std::size_t size, std::align_val_t align, const std::nothrow_t&) noexcept {
  return try_allocate_aligned(size, align);
}
void* operator new[](std::size_t size, std::align_val_t align, const std::nothrow_t&) noexcept {
  return try_allocate_aligned(size, align);
}

// Memory from malloc and posix_memalign alike goes back through free.
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
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept {
  std::free(p);
}

#endif  // QUAMORSC_ASAN

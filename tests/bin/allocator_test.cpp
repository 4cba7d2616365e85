// The program's global allocator, linked into this test program as into the client.
#include <cstddef>
#include <cstdint>
#include <new>

#include <gtest/gtest.h>

namespace {

// The sanitizers' allocators take the place of the program's in sanitized builds.
#ifndef QUAMORSC_ASAN

// Far more than any address space can hold, so every form fails on it.
constexpr std::size_t kTooMuch = std::size_t{1} << 62;
constexpr std::align_val_t kAlign{64};

// Keeps the compiler from pairing an allocation with its release and dropping both.
void* volatile sink = nullptr;

struct Form {
  const char* name;
  bool nothrow;
  bool aligned;
  void* (*allocate)(std::size_t);
  void (*release)(void*);
};

const Form kForms[] = {
    {"new", false, false, [](std::size_t n) { return ::operator new(n); },
     [](void* p) { ::operator delete(p); }},
    {"new[]", false, false, [](std::size_t n) { return ::operator new[](n); },
     [](void* p) { ::operator delete[](p); }},
    {"aligned new", false, true, [](std::size_t n) { return ::operator new(n, kAlign); },
     [](void* p) { ::operator delete(p, kAlign); }},
    {"aligned new[]", false, true, [](std::size_t n) { return ::operator new[](n, kAlign); },
     [](void* p) { ::operator delete[](p, kAlign); }},
    {"nothrow new", true, false, [](std::size_t n) { return ::operator new(n, std::nothrow); },
     [](void* p) { ::operator delete(p, std::nothrow); }},
    {"nothrow new[]", true, false, [](std::size_t n) { return ::operator new[](n, std::nothrow); },
     [](void* p) { ::operator delete[](p, std::nothrow); }},
    {"aligned nothrow new", true, true,
     [](std::size_t n) { return ::operator new(n, kAlign, std::nothrow); },
     [](void* p) { ::operator delete(p, kAlign, std::nothrow); }},
    {"aligned nothrow new[]", true, true,
     [](std::size_t n) { return ::operator new[](n, kAlign, std::nothrow); },
     [](void* p) { ::operator delete[](p, kAlign, std::nothrow); }},
};

TEST(Allocator, ThrowingFormsReportTheSizeAndAbort) {
  for (const Form& form : kForms) {
    if (form.nothrow) {
      continue;
    }
    SCOPED_TRACE(form.name);
    EXPECT_DEATH(sink = form.allocate(kTooMuch),
                 "^memory allocation of 4611686018427387904 bytes failed\n$");
  }
}

TEST(Allocator, NothrowFormsAnswerNull) {
  for (const Form& form : kForms) {
    if (!form.nothrow) {
      continue;
    }
    SCOPED_TRACE(form.name);
    EXPECT_EQ(form.allocate(kTooMuch), nullptr);
  }
}

// Every form gives usable memory, a distinct block even for nothing, aligned as asked, and its
// matching release takes it back.
TEST(Allocator, EveryFormGivesMemoryItsReleaseTakesBack) {
  for (const Form& form : kForms) {
    SCOPED_TRACE(form.name);
    for (std::size_t n : {0, 1, 100000}) {
      void* p = form.allocate(n);
      ASSERT_NE(p, nullptr) << n;
      if (form.aligned) {
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % static_cast<std::size_t>(kAlign), 0u) << n;
      }
      sink = p;
      form.release(p);
    }
  }
}

#else

TEST(Allocator, StepsAsideForTheSanitizers) {
  GTEST_SKIP() << "sanitized builds keep the sanitizers' allocators";
}

#endif

}  // namespace

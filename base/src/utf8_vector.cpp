#include "utf8_vector.h"

#include <array>
#include <cstdint>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define BASE_UTF8_X86 1
#endif

namespace base::utf8_vector {

namespace {

// Where the character holding byte `i - 1` starts: every character before it is complete.
std::size_t start_of_char_before(const unsigned char* p, std::size_t i) {
  if (i == 0) {
    return 0;
  }
  std::size_t j = i - 1;
  for (int k = 0; k < 3 && j > 0 && (p[j] & 0xC0) == 0x80; ++k) {
    --j;
  }
  return j;
}

#ifdef BASE_UTF8_X86

// The rules of well-formed UTF-8 checked a vector at a time with three table look-ups per byte:
// the high and low nibble of the byte before and the high nibble of the byte itself each give a
// set of error classes the pair could belong to, and a pair is wrong when all three agree on one.
// A continuation byte that must be the third or fourth of a character (and only such a byte) is
// expected to match the class of two continuation bytes in a row.
constexpr std::uint8_t kTooShort = 1 << 0;      // a lead or ASCII where a continuation must be
constexpr std::uint8_t kTooLong = 1 << 1;       // a continuation after ASCII
constexpr std::uint8_t kOverlong3 = 1 << 2;     // E0 followed by 80..9F
constexpr std::uint8_t kTooLarge = 1 << 3;      // F4 followed by 90..BF, or F5..FF
constexpr std::uint8_t kSurrogate = 1 << 4;     // ED followed by A0..BF
constexpr std::uint8_t kOverlong2 = 1 << 5;     // C0 or C1
constexpr std::uint8_t kTooLarge1000 = 1 << 6;  // F5..FF followed by 80..8F
constexpr std::uint8_t kOverlong4 = 1 << 6;     // F0 followed by 80..8F
constexpr std::uint8_t kTwoConts = 1 << 7;      // a continuation after a continuation
constexpr std::uint8_t kCarry = kTooShort | kTooLong | kTwoConts;

// Indexed by the high nibble of the byte before.
constexpr std::uint8_t first_high(int v) {
  if (v < 8) {
    return kTooLong;
  }
  if (v < 12) {
    return kTwoConts;
  }
  if (v == 12) {
    return kTooShort | kOverlong2;
  }
  if (v == 13) {
    return kTooShort;
  }
  if (v == 14) {
    return kTooShort | kOverlong3 | kSurrogate;
  }
  return kTooShort | kTooLarge | kTooLarge1000 | kOverlong4;
}

// Indexed by the low nibble of the byte before.
constexpr std::uint8_t first_low(int v) {
  std::uint8_t low = kCarry;
  if (v == 0) {
    low |= kOverlong3 | kOverlong2 | kOverlong4;
  } else if (v == 1) {
    low |= kOverlong2;
  } else if (v == 4) {
    low |= kTooLarge;
  } else if (v >= 5) {
    low |= kTooLarge | kTooLarge1000;
  }
  if (v == 13) {
    low |= kSurrogate;
  }
  return low;
}

// Indexed by the high nibble of the byte itself.
constexpr std::uint8_t second_high(int v) {
  if (v == 8) {
    return kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge1000 | kOverlong4;
  }
  if (v == 9) {
    return kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge;
  }
  if (v == 10 || v == 11) {
    return kTooLong | kOverlong2 | kTwoConts | kSurrogate | kTooLarge;
  }
  return kTooShort;
}

// Each table once per 128-bit lane of the widest vector: the byte shuffles look up within a lane.
struct Tables {
  std::uint8_t first_high[64];
  std::uint8_t first_low[64];
  std::uint8_t second_high[64];
};

constexpr Tables make_tables() {
  Tables t{};
  for (int i = 0; i < 64; ++i) {
    t.first_high[i] = first_high(i % 16);
    t.first_low[i] = first_low(i % 16);
    t.second_high[i] = second_high(i % 16);
  }
  return t;
}

constexpr Tables kTables = make_tables();

// A vector's last three bytes may not start a character that needs more bytes than are left: a
// byte above its limit here (the limits of the last 3 of each 64) leaves a character unfinished.
constexpr std::uint8_t kLastMax[3] = {0xEF, 0xDF, 0xBF};

template <std::size_t N>
constexpr std::array<std::uint8_t, N> incomplete_max() {
  std::array<std::uint8_t, N> max{};
  for (std::size_t i = 0; i < N; ++i) {
    max[i] = i + 3 < N ? 0xFF : kLastMax[i + 3 - N];
  }
  return max;
}

// Each kernel below supplies its vector type `Vec`, its width `kWidth`, the limits
// `kIncompleteMax` and a handful of primitives named after what they do, and includes the block
// logic, which is compiled once for each instruction set: the two kernels cannot share one
// template, since every function that takes or returns a vector must carry its target.

namespace avx2 {

#define BASE_UTF8_TARGET __attribute__((target("avx2")))

using Vec = __m256i;
constexpr std::size_t kWidth = 32;
constexpr auto kIncompleteMax = incomplete_max<kWidth>();

BASE_UTF8_TARGET inline Vec load(const void* p) {
  return _mm256_loadu_si256(static_cast<const __m256i*>(p));
}
BASE_UTF8_TARGET inline Vec zero() {
  return _mm256_setzero_si256();
}
BASE_UTF8_TARGET inline Vec splat(std::uint8_t b) {
  return _mm256_set1_epi8(static_cast<char>(b));
}
BASE_UTF8_TARGET inline Vec and_(Vec a, Vec b) {
  return _mm256_and_si256(a, b);
}
BASE_UTF8_TARGET inline Vec or_(Vec a, Vec b) {
  return _mm256_or_si256(a, b);
}
BASE_UTF8_TARGET inline Vec xor_(Vec a, Vec b) {
  return _mm256_xor_si256(a, b);
}
BASE_UTF8_TARGET inline Vec sub_saturated(Vec a, Vec b) {
  return _mm256_subs_epu8(a, b);
}
// Each byte shifted right by four, with bits of its neighbour coming in at the top.
BASE_UTF8_TARGET inline Vec shift_right_4(Vec v) {
  return _mm256_srli_epi16(v, 4);
}
// Byte look-up within each 128-bit lane: a table byte for each index byte below 16.
BASE_UTF8_TARGET inline Vec lookup(Vec table, Vec index) {
  return _mm256_shuffle_epi8(table, index);
}
BASE_UTF8_TARGET inline bool all_ascii(Vec v) {
  return _mm256_movemask_epi8(v) == 0;
}
BASE_UTF8_TARGET inline bool any_set(Vec v) {
  return _mm256_testz_si256(v, v) == 0;
}

struct Before {
  Vec one, two, three;
};

// The bytes one, two and three places before each byte of `input`; `prev` is the vector before.
BASE_UTF8_TARGET inline Before before(Vec input, Vec prev) {
  const Vec joined = _mm256_permute2x128_si256(prev, input, 0x21);
  return {_mm256_alignr_epi8(input, joined, 15), _mm256_alignr_epi8(input, joined, 14),
          _mm256_alignr_epi8(input, joined, 13)};
}

#include "utf8_vector_blocks.inc"

#undef BASE_UTF8_TARGET

}  // namespace avx2

namespace avx512 {

#define BASE_UTF8_TARGET __attribute__((target("avx512f,avx512bw")))

using Vec = __m512i;
constexpr std::size_t kWidth = 64;
constexpr auto kIncompleteMax = incomplete_max<kWidth>();

BASE_UTF8_TARGET inline Vec load(const void* p) {
  return _mm512_loadu_si512(p);
}
BASE_UTF8_TARGET inline Vec zero() {
  return _mm512_setzero_si512();
}
BASE_UTF8_TARGET inline Vec splat(std::uint8_t b) {
  return _mm512_set1_epi8(static_cast<char>(b));
}
BASE_UTF8_TARGET inline Vec and_(Vec a, Vec b) {
  return _mm512_and_si512(a, b);
}
BASE_UTF8_TARGET inline Vec or_(Vec a, Vec b) {
  return _mm512_or_si512(a, b);
}
BASE_UTF8_TARGET inline Vec xor_(Vec a, Vec b) {
  return _mm512_xor_si512(a, b);
}
BASE_UTF8_TARGET inline Vec sub_saturated(Vec a, Vec b) {
  return _mm512_subs_epu8(a, b);
}
BASE_UTF8_TARGET inline Vec shift_right_4(Vec v) {
  return _mm512_srli_epi16(v, 4);
}
BASE_UTF8_TARGET inline Vec lookup(Vec table, Vec index) {
  return _mm512_shuffle_epi8(table, index);
}
BASE_UTF8_TARGET inline bool all_ascii(Vec v) {
  return _mm512_test_epi8_mask(v, splat(0x80)) == 0;
}
BASE_UTF8_TARGET inline bool any_set(Vec v) {
  return _mm512_test_epi8_mask(v, v) != 0;
}

struct Before {
  Vec one, two, three;
};

// Each 128-bit lane takes its bytes before from the lane below it, the lowest lane from the top
// of `prev`.
BASE_UTF8_TARGET inline Before before(Vec input, Vec prev) {
  const Vec joined =
      _mm512_permutex2var_epi64(prev, _mm512_set_epi64(13, 12, 11, 10, 9, 8, 7, 6), input);
  return {_mm512_alignr_epi8(input, joined, 15), _mm512_alignr_epi8(input, joined, 14),
          _mm512_alignr_epi8(input, joined, 13)};
}

#include "utf8_vector_blocks.inc"

#undef BASE_UTF8_TARGET

}  // namespace avx512

struct Cpu {
  bool avx2 = false;
  bool avx512 = false;
};

const Cpu& cpu() {
  static const Cpu found = [] {
    __builtin_cpu_init();
    Cpu c;
    c.avx2 = __builtin_cpu_supports("avx2") != 0;
    c.avx512 = __builtin_cpu_supports("avx512f") != 0 && __builtin_cpu_supports("avx512bw") != 0;
    return c;
  }();
  return found;
}

#endif  // BASE_UTF8_X86

}  // namespace

bool available(Kernel kernel) {
#ifdef BASE_UTF8_X86
  return kernel == Kernel::Avx2 ? cpu().avx2 : cpu().avx512;
#else
  (void)kernel;
  return false;
#endif
}

std::size_t known_valid_prefix(Kernel kernel, std::string_view bytes) {
  if (!available(kernel)) {
    return 0;
  }
#ifdef BASE_UTF8_X86
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  return kernel == Kernel::Avx2 ? avx2::valid_prefix(p, bytes.size())
                                : avx512::valid_prefix(p, bytes.size());
#else
  return 0;
#endif
}

std::size_t known_valid_prefix(std::string_view bytes) {
  // Shorter than a block, there is nothing for a kernel to do.
  if (bytes.size() < 64) {
    return 0;
  }
  return known_valid_prefix(available(Kernel::Avx512) ? Kernel::Avx512 : Kernel::Avx2, bytes);
}

}  // namespace base::utf8_vector

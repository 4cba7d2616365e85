// The vector pass of the UTF-8 check: how far a buffer is surely complete, valid UTF-8, found
// 32 or 64 bytes at a time, so that the byte-wise decoder that reports the first invalid
// sequence only looks at what is left. Internal to the base library and its tests.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "base/utf8.h"

namespace base::utf8_vector {

// The start of a leading part of `bytes` known to be complete valid UTF-8, found with the widest
// kernel the processor has; 0 when there is none.
std::size_t known_valid_prefix(std::string_view bytes);

// The byte-wise check of `bytes` from `start`, which must follow complete valid UTF-8; positions
// count from the start of `bytes`.
std::optional<Utf8Error> check_from(std::string_view bytes, std::size_t start);

// Each kernel on its own, for the processors that have it (tests run every one).
enum class Kernel { Avx2, Avx512 };
bool available(Kernel kernel);
std::size_t known_valid_prefix(Kernel kernel, std::string_view bytes);

}  // namespace base::utf8_vector

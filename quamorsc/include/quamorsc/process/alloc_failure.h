// Memory that cannot be had ends the client the same way wherever it is asked for: "memory
// allocation of N bytes failed" on standard error and an abort, with standard output left
// unflushed. The reply buffer calls it directly; the program's global allocator (next to `main`)
// ends every `new` that cannot be met through it too.
#pragma once

#include <cstddef>

namespace quamorsc {

// Writes the line without asking for memory on the way, then aborts.
[[noreturn]] void allocation_failed(std::size_t size);

}  // namespace quamorsc

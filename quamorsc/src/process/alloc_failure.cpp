#include "quamorsc/process/alloc_failure.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "quamorsc/process/io.h"

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

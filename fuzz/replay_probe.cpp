// A target for the replay's own test: its check fails on the input "fail", it ends the process on
// the input "exit", and it passes anything else.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  if (input == "exit") {
    std::exit(0);
  }
  FUZZ_CHECK(input != "fail");
  return 0;
}

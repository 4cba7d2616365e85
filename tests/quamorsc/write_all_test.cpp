#include "quamorsc/exchange/write_all.h"

#include <cerrno>
#include <string>

#include <gtest/gtest.h>

namespace quamorsc {
namespace {

// A call that wrote nothing and a failed call are told apart by their kind, not by errno 0.
TEST(WriteErrorDebug, IsTheOsErrorOrTheWriteZeroError) {
  struct Case {
    WriteError error;
    const char* debug;
  } cases[] = {
      {{base::OsError{EPIPE}}, R"(Os { code: 32, kind: BrokenPipe, message: "Broken pipe" })"},
      {{base::OsError{0}}, R"(Os { code: 0, kind: Other, message: "Success" })"},
      {{WriteZero{}}, R"(Custom { kind: WriteZero, error: "failed to write whole buffer" })"},
  };
  for (const Case& c : cases) {
    std::string out = "x: ";
    debug_fmt(out, c.error);
    EXPECT_EQ(out, std::string("x: ") + c.debug);
  }
}

}  // namespace
}  // namespace quamorsc

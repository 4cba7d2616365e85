#include "quamorsc/process/exit_status.h"

#include <gtest/gtest.h>

namespace quamorsc {
namespace {

// Scripts that call the client branch on these numbers; a renumbered name would change what they
// see while every test that compares against a name still passed.
TEST(ExitStatus, NamesKeepTheNumbersOperatorsSee) {
  struct Case {
    const char* name;
    int status;
    int expected;
  };
  const Case cases[] = {
      {"success", exit_status::kSuccess, 0},
      {"usage", exit_status::kUsage, 1},
      {"option rule", exit_status::kOptionRule, 65},
      {"bad reply", exit_status::kBadReply, 66},
      {"no connection", exit_status::kNoConnection, 68},
      {"i/o", exit_status::kIo, 74},
      {"internal fault", exit_status::kInternalFault, 101},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.status, c.expected) << c.name;
  }
}

}  // namespace
}  // namespace quamorsc

// Standard output and standard error in non-blocking mode, through the real binary: a pipe that
// fills up long before the reply or the failure line is written, whose reader comes only once the
// client is stuck on it, or leaves then without reading.

#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "conversion_error.h"
#include "generated_text.h"
#include "harness.h"

namespace {

using e2e::Outcome;
using e2e::Scenario;

// Sixteen times what a pipe holds by default.
constexpr std::size_t kReplySize = std::size_t{1} << 20;
// A reply of bytes that are never UTF-8, each listed as ", 255" in the failure line: about 120 KiB
// of it, while the stand-in daemon's argument stays below the kernel's bound for one argument.
constexpr std::size_t kBadBytes = 25000;

std::string bad_reply_arg() {
  std::string arg;
  for (std::size_t i = 0; i < kBadBytes; ++i) {
    arg += "\\xff";
  }
  return arg;
}

std::string bad_reply_line() {
  return e2e::conversion_error(std::string(kBadBytes, '\xff'), 0, "Some(1)");
}

struct NonBlockingCase {
  std::string name;
  e2e::Stdout out_mode;
  e2e::Stderr err_mode;
  std::vector<std::string> daemon;
  std::string out;
  std::string err;
  int status;
};

void PrintTo(const NonBlockingCase& c, std::ostream* os) {
  *os << c.name;
}

class NonBlockingStandardDescriptor : public testing::TestWithParam<NonBlockingCase> {};

TEST_P(NonBlockingStandardDescriptor, IsWaitedForUntilItTakesAllOrFails) {
  E2E_REQUIRE_NAMESPACES();
  const NonBlockingCase& c = GetParam();
  Scenario s{{"system"}, {}, c.daemon};
  s.out = c.out_mode;
  s.err = c.err_mode;
  Outcome o = e2e::run(s);
  // Compared by size first: a lost part of a mebibyte is clearer that way than in a diff.
  EXPECT_EQ(o.out.size(), c.out.size());
  EXPECT_TRUE(o.out == c.out) << o.err.substr(0, 200);
  EXPECT_EQ(o.err.size(), c.err.size());
  EXPECT_TRUE(o.err == c.err) << o.err.substr(0, 200);
  EXPECT_EQ(o.status, c.status);
  EXPECT_EQ(o.signal, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Pipes, NonBlockingStandardDescriptor,
    testing::Values(NonBlockingCase{"ReplyToALateReader",
                                    e2e::Stdout::NonBlockingLateReader,
                                    e2e::Stderr::Captured,
                                    {"--local", "--reply-utf8", std::to_string(kReplySize)},
                                    e2e::generated_utf8(kReplySize) + "\n",
                                    "",
                                    0},
                    // The reader goes while the client waits for room: poll wakes it, and the next
                    // write fails as on any pipe without a reader.
                    NonBlockingCase{
                        "ReplyToAReaderThatLeaves",
                        e2e::Stdout::NonBlockingReaderLeaves,
                        e2e::Stderr::Captured,
                        {"--local", "--reply-utf8", std::to_string(kReplySize)},
                        "",
                        "Failed to write to standard output: Broken pipe (os error 32)\n",
                        74},
                    NonBlockingCase{"FailureLineToALateReader",
                                    e2e::Stdout::Captured,
                                    e2e::Stderr::NonBlockingLateReader,
                                    {"--local", "--reply", bad_reply_arg()},
                                    "",
                                    bad_reply_line(),
                                    66}),
    [](const auto& info) { return info.param.name; });

}  // namespace

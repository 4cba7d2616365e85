#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include "quamorsc/cli/cli.h"
#include "quamorsc/process/version.h"

namespace quamorsc {
namespace {

// Runs from_args on the words in a child process (the death-test machinery forks).
[[noreturn]] void run(std::vector<std::string> words) {
  std::vector<char*> argv;
  argv.reserve(words.size() + 1);
  for (auto& w : words) {
    argv.push_back(w.data());
  }
  argv.push_back(nullptr);
  from_args(static_cast<int>(words.size()), argv.data());
  std::_Exit(99);  // a Cmd was returned
}

TEST(FromArgsDeathTest, ReportsOnStandardErrorWithoutColourWhenNotATerminal) {
  EXPECT_EXIT(run({"quamorsc", "--jsn"}), testing::ExitedWithCode(1),
              "^error: Found argument '--jsn' which wasn't expected, or isn't valid in this "
              "context\n\tDid you mean to put '--json' after the subcommand 'system'\\?\n\n"
              "USAGE:\n    quamorsc <SUBCOMMAND>\n\nFor more information try --help\n$");
  EXPECT_EXIT(run({"/usr/bin/quamorsc"}), testing::ExitedWithCode(1),
              "^quamorsc " + std::string(kVersion) + "\n");
}

TEST(FromArgsDeathTest, HelpAndVersionEndWithStatusZero) {
  EXPECT_EXIT(run({"quamorsc", "-V"}), testing::ExitedWithCode(0), "^$");
  EXPECT_EXIT(run({"quamorsc", "help", "bgp"}), testing::ExitedWithCode(0), "^$");
  EXPECT_EXIT(run({"quamorsc", "system", "-d"}), testing::ExitedWithCode(99), "");
}

TEST(FromArgsDeathTest, ClosedStandardOutputCountsAsWritten) {
  EXPECT_EXIT(
      {
        ::close(1);
        run({"quamorsc", "--help"});
      },
      testing::ExitedWithCode(0), "^$");
}

TEST(FromArgsDeathTest, HelpToAPipeWithoutReaderEndsWith74) {
  EXPECT_EXIT(
      {
        std::signal(SIGPIPE, SIG_IGN);
        int fds[2];
        if (::pipe(fds) != 0) {
          std::_Exit(98);
        }
        ::close(fds[0]);
        ::dup2(fds[1], 1);
        run({"quamorsc", "ospfv2", "--help"});
      },
      testing::ExitedWithCode(74), "^[^\n]*Broken pipe[^\n]*\n$");
}

}  // namespace
}  // namespace quamorsc

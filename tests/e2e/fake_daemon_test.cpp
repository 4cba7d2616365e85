// The stand-in daemon's own command line, which people also type by hand. Every case here ends
// before the daemon listens, so it runs outside any namespace.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "harness.h"

namespace {

struct Ended {
  int status = -1;
  std::string out;
  std::string err;
};

Ended run_daemon(std::vector<std::string> args) {
  args.insert(args.begin(), FAKE_DAEMON_BIN);
  int out_fd = ::memfd_create("out", MFD_CLOEXEC);
  int err_fd = ::memfd_create("err", MFD_CLOEXEC);
  pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(out_fd, 1);
    ::dup2(err_fd, 2);
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (std::string& arg : args) {
      argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  Ended ended;
  ended.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  ended.out = e2e::read_all(out_fd);
  ended.err = e2e::read_all(err_fd);
  ::close(out_fd);
  ::close(err_fd);
  return ended;
}

TEST(FakeDaemonHelp, ListsEachOptionOnALineOfItsOwn) {
  Ended ended = run_daemon({"--help"});
  EXPECT_EQ(ended.status, 0);
  EXPECT_EQ(ended.err, "");
  ASSERT_FALSE(ended.out.empty());
  EXPECT_EQ(ended.out.back(), '\n');
  std::vector<std::string> lines;
  for (std::size_t at = 0, end = 0; at < ended.out.size(); at = end + 1) {
    end = ended.out.find('\n', at);
    lines.push_back(ended.out.substr(at, end - at));
  }
  for (const char* option :
       {"--local", "--stale-local", "--rest", "--rest-addr", "--connections", "--record", "--reply",
        "--reply-file", "--reply-utf8", "--stream-utf8", "--chunks", "--pause-ms",
        "--close-without-reading-ms", "--reset-after", "--reply-before-request", "--help"}) {
    // An indented line whose first word is the option.
    auto starts_with_option = [&](const std::string& line) {
      std::size_t first = line.find_first_not_of(' ');
      return first != 0 && first != std::string::npos &&
             line.substr(first, line.find(' ', first) - first) == option;
    };
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), starts_with_option), 1) << option;
  }
}

// The options as the help lists them: each option's name and the placeholder of its value (empty
// for a flag), from the indented lines.
std::vector<std::pair<std::string, std::string>> listed_options(const std::string& help) {
  std::vector<std::pair<std::string, std::string>> listed;
  std::istringstream lines(help);
  for (std::string line; std::getline(lines, line);) {
    if (!line.starts_with("  --")) {
      continue;
    }
    std::string left = line.substr(2, line.find("  ", 2) - 2);
    std::size_t space = left.find(' ');
    listed.emplace_back(left.substr(0, space),
                        space == std::string::npos ? "" : left.substr(space + 1));
  }
  return listed;
}

// An option the help lists but the parser refuses sends whoever reads the help astray. Each one is
// given with a value of the kind its line names, then a word the parser cannot know: the run must
// get past the option and stop at that word.
TEST(FakeDaemonHelp, EveryListedOptionIsAcceptedWithItsValue) {
  const std::map<std::string, std::string> sample_value = {
      {"", ""},
      {"N", "1"},
      {"N,N,...", "1,2"},
      {"TEXT", "x"},
      {"FILE", "/dev/null"},
      {"ADDRESS", "127.0.0.1"},
  };
  Ended help = run_daemon({"--help"});
  auto listed = listed_options(help.out);
  ASSERT_FALSE(listed.empty()) << help.out;
  for (const auto& [option, placeholder] : listed) {
    if (option == "--help") {
      continue;  // ends the run at once, as the test above shows
    }
    auto value = sample_value.find(placeholder);
    ASSERT_NE(value, sample_value.end()) << option << " takes " << placeholder;
    std::vector<std::string> args = {option};
    if (!placeholder.empty()) {
      args.push_back(value->second);
    }
    args.emplace_back("--not-an-option");
    Ended ended = run_daemon(args);
    EXPECT_EQ(ended.status, 2) << option;
    EXPECT_EQ(ended.err, "fake_daemon: unknown option --not-an-option (--help lists them)\n")
        << option;
  }
}

struct BadValue {
  std::vector<std::string> args;
  std::string option;  // named in the one line of complaint
};

class FakeDaemonBadValue : public testing::TestWithParam<BadValue> {};

TEST_P(FakeDaemonBadValue, EndsWithOneLineNamingTheOptionAnd2) {
  Ended ended = run_daemon(GetParam().args);
  EXPECT_EQ(ended.status, 2);
  EXPECT_EQ(ended.out, "");
  EXPECT_TRUE(ended.err.starts_with("fake_daemon: ")) << ended.err;
  EXPECT_EQ(std::count(ended.err.begin(), ended.err.end(), '\n'), 1) << ended.err;
  EXPECT_EQ(ended.err.back(), '\n');
  EXPECT_NE(ended.err.find(GetParam().option), std::string::npos) << ended.err;
}

INSTANTIATE_TEST_SUITE_P(
    Options, FakeDaemonBadValue,
    testing::Values(BadValue{{"--connections", "x"}, "--connections"},
                    BadValue{{"--connections", ""}, "--connections"},
                    BadValue{{"--connections", "0"}, "--connections"},
                    BadValue{{"--connections", "-1"}, "--connections"},
                    BadValue{{"--connections", "3x"}, "--connections"},
                    BadValue{{"--connections", "99999999999999999999"}, "--connections"},
                    BadValue{{"--pause-ms", "-5"}, "--pause-ms"},
                    BadValue{{"--close-without-reading-ms", "soon"}, "--close-without-reading-ms"},
                    BadValue{{"--reset-after", "1.5"}, "--reset-after"},
                    BadValue{{"--reply-utf8", "1e3"}, "--reply-utf8"},
                    BadValue{{"--stream-utf8", " 7"}, "--stream-utf8"},
                    BadValue{{"--chunks", "1,,2"}, "--chunks"},
                    BadValue{{"--chunks", "1,x"}, "--chunks"},
                    // A piece of no bytes would leave the reply unsent for ever.
                    BadValue{{"--chunks", "0"}, "--chunks"}, BadValue{{"--chunks", ""}, "--chunks"},
                    BadValue{{"--reply", "\\xZZ"}, "--reply"},
                    BadValue{{"--reply", "ab\\x4"}, "--reply"},
                    BadValue{{"--reply-file", "/nonexistent/reply"}, "--reply-file"},
                    BadValue{{"--rest-addr", "localhost"}, "--rest-addr"},
                    BadValue{{"--rest-addr", "127.0.0.256"}, "--rest-addr"},
                    BadValue{{"--connections"}, "--connections"},
                    BadValue{{"--verbose"}, "--verbose"}, BadValue{{}, "--local"}),
    [](const auto& info) { return std::to_string(info.index) + e2e::name_of(info.param.args); });

}  // namespace

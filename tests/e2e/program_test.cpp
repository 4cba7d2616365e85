// The program as a whole through the real binary: the start record and the log filter, the
// command line's own exits, standard output that is closed, gone, full or open only for reading,
// standard descriptors that are closed with no /dev/null to stand in for them, and a standard
// error that takes nothing.

#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "harness.h"
#include "quamorsc/process/version.h"

namespace {

using e2e::Outcome;
using e2e::Scenario;

const std::string kBuiltVersion(quamorsc::kVersion);
const std::string kVersionLine = "quamorsc " + kBuiltVersion + "\n";
const std::string kBgpVersionLine = "quamorsc-bgp " + kBuiltVersion + "\n";

Outcome run_bgp(std::vector<std::string> env) {
  return e2e::run(
      Scenario{{"bgp"}, std::move(env), std::vector<std::string>{"--local", "--reply", "r"}});
}

const std::string kTxBgp =
    "[TIME DEBUG quamorsc] Tx Op Cmd 'OpCmd { flags: JSON_LINES | SORT, target: Bgp(Overview) }'\n";

enum class Logged { StartAndTx, Nothing };

struct LogCase {
  std::string rust_log;
  Logged logged;
};

void PrintTo(const LogCase& c, std::ostream* os) {
  *os << c.rust_log;
}

class LogFilter : public testing::TestWithParam<LogCase> {};

TEST_P(LogFilter, DecidesWhetherTheDebugRecordsAreWritten) {
  E2E_REQUIRE_NAMESPACES();
  Outcome o = run_bgp({"RUST_LOG=" + GetParam().rust_log});
  EXPECT_EQ(o.err, GetParam().logged == Logged::StartAndTx ? e2e::start_line(o.pid) + kTxBgp : "");
  EXPECT_EQ(o.out, "r\n");
  EXPECT_EQ(o.status, 0);
}

INSTANTIATE_TEST_SUITE_P(Directives, LogFilter,
                         testing::Values(LogCase{"debug", Logged::StartAndTx},
                                         LogCase{"quamorsc=debug", Logged::StartAndTx},
                                         LogCase{"quamors=debug", Logged::StartAndTx},
                                         LogCase{"quamorsc::x=debug", Logged::Nothing},
                                         LogCase{"info", Logged::Nothing},
                                         LogCase{"warn", Logged::Nothing},
                                         LogCase{"error", Logged::Nothing},
                                         LogCase{"", Logged::Nothing}),
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST(Logging, UnsetWritesNothing) {
  E2E_REQUIRE_NAMESPACES();
  Outcome o = run_bgp({});
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.out, "r\n");
}

TEST(Logging, InvalidLevelIsWarnedAboutAndOnlyErrorsPass) {
  E2E_REQUIRE_NAMESPACES();
  Outcome o = run_bgp({"RUST_LOG=quamorsc=verbose"});
  EXPECT_EQ(o.err, "warning: invalid logging spec 'verbose', ignoring it\n");
  EXPECT_EQ(o.out, "r\n");
  EXPECT_EQ(o.status, 0);
}

TEST(Logging, AlwaysColoursAFile) {
  E2E_REQUIRE_NAMESPACES();
  Outcome o = run_bgp({"RUST_LOG=debug", "RUST_LOG_STYLE=always"});
  const std::string open = "\x1b[0m\x1b[38;5;8m[\x1b[0m";
  const std::string close = "\x1b[0m\x1b[38;5;8m]\x1b[0m";
  const std::string debug = "\x1b[0m\x1b[37mDEBUG\x1b[0m";
  EXPECT_EQ(o.err, open + "TIME " + debug + " quamorsc" + close +
                       " START: Version: " + kBuiltVersion + ", Pid " + std::to_string(o.pid) +
                       " Mode 'release'\n" + open + "TIME " + debug + " quamorsc" + close +
                       " Tx Op Cmd 'OpCmd { flags: JSON_LINES | SORT, target: Bgp(Overview) }'\n");
}

struct CliCase {
  std::vector<std::string> args;
  std::string out;
  std::string err_after_start;
  int status;
};

void PrintTo(const CliCase& c, std::ostream* os) {
  *os << e2e::name_of(c.args);
}

class CommandLineExit : public testing::TestWithParam<CliCase> {};

// The start record comes before the command line is parsed, so it is written by runs that end
// inside parsing too; no "Cmd from Args" record follows.
TEST_P(CommandLineExit, ComesAfterTheStartRecord) {
  E2E_REQUIRE_NAMESPACES();
  Outcome o = e2e::run(Scenario{GetParam().args, {"RUST_LOG=trace"}, std::nullopt});
  EXPECT_EQ(o.out, GetParam().out);
  EXPECT_EQ(o.err, e2e::start_line(o.pid) + GetParam().err_after_start);
  EXPECT_EQ(o.status, GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(
    Exits, CommandLineExit,
    testing::Values(
        CliCase{{"--version"}, kVersionLine, "", 0}, CliCase{{"bgp", "-V"}, kBgpVersionLine, "", 0},
        CliCase{{"help", "ospfv2"}, e2e::fixture("help/ospfv2.txt"), "", 0},
        CliCase{{}, "", e2e::fixture("help/app.txt"), 1},
        CliCase{{"xyz"},
                "",
                "error: Found argument 'xyz' which wasn't expected, or isn't valid in this "
                "context\n\nUSAGE:\n    quamorsc <SUBCOMMAND>\n\nFor more information try --help\n",
                1},
        // The second -i closes on its value, so c is met while reading, before -V.
        CliCase{{"system", "-i", "a", "-i", "b", "c", "-V"},
                "",
                "error: Found argument 'c' which wasn't expected, or isn't valid in this "
                "context\n\nUSAGE:\n    quamorsc system\n\nFor more information try --help\n",
                1}),
    [](const auto& info) { return std::to_string(info.index) + e2e::name_of(info.param.args); });

// Whether the run gets as far as connecting to the daemon and sending its request.
enum class Connection { None, Made };
// Whether start-up finds /dev/null to put on a closed descriptor.
enum class DevNull { Present, Missing };

struct SinkCase {
  std::string name;
  e2e::Stdout sink;
  std::vector<std::string> args;
  std::string err;
  int status;
  Connection connection = Connection::None;
  DevNull dev_null = DevNull::Present;
};

void PrintTo(const SinkCase& c, std::ostream* os) {
  *os << c.name;
}

class StandardOutput : public testing::TestWithParam<SinkCase> {};

TEST_P(StandardOutput, ThatRefusesTheReplyIsReported) {
  E2E_REQUIRE_NAMESPACES();
  Scenario s{GetParam().args, {}, std::vector<std::string>{"--local", "--reply", "r"}};
  s.out = GetParam().sink;
  s.empty_dev = GetParam().dev_null == DevNull::Missing;
  Outcome o = e2e::run(s);
  EXPECT_EQ(o.err, GetParam().err);
  EXPECT_EQ(o.status, GetParam().status);
  EXPECT_EQ(o.signal, 0);
  EXPECT_EQ(o.requests, GetParam().connection == Connection::Made
                            ? R"({"flags":{"bits":9},"target":{"System":"Overview"}})"
                            : "");
}

const std::string kRefusedAsBadDescriptor =
    "Failed to write to standard output: Bad file descriptor (os error 9)\n";

INSTANTIATE_TEST_SUITE_P(
    Sinks, StandardOutput,
    testing::Values(
        // A closed standard output counts as written: nothing printed, status 0.
        SinkCase{"Closed", e2e::Stdout::Closed, {"system"}, "", 0, Connection::Made},
        SinkCase{"ReaderGone",
                 e2e::Stdout::ClosedPipe,
                 {"system"},
                 "Failed to write to standard output: Broken pipe (os error 32)\n",
                 74,
                 Connection::Made},
        SinkCase{"Full",
                 e2e::Stdout::DevFull,
                 {"system"},
                 "Failed to write to standard output: No space left on device (os error 28)\n",
                 74,
                 Connection::Made},
        SinkCase{"UrlToFull",
                 e2e::Stdout::DevFull,
                 {"system", "--host", "h", "--show-url"},
                 "Failed to write to standard output: No space left on device (os error 28)\n",
                 74},
        SinkCase{
            "UrlToClosed", e2e::Stdout::Closed, {"system", "--host", "h", "--show-url"}, "", 0},
        // Open but only for reading: the write fails with the same error number as a write to a
        // closed descriptor, yet this is a refusal like any other.
        SinkCase{"ReadOnly",
                 e2e::Stdout::ReadOnly,
                 {"system"},
                 kRefusedAsBadDescriptor,
                 74,
                 Connection::Made},
        SinkCase{"UrlToReadOnly",
                 e2e::Stdout::ReadOnly,
                 {"system", "--host", "h", "--show-url"},
                 kRefusedAsBadDescriptor,
                 74},
        SinkCase{"VersionToReadOnly", e2e::Stdout::ReadOnly, {"-V"}, kRefusedAsBadDescriptor, 74},
        SinkCase{"HelpToReadOnly",
                 e2e::Stdout::ReadOnly,
                 {"help", "system"},
                 kRefusedAsBadDescriptor,
                 74},
        // With no /dev/null the descriptor stays closed up to the write itself.
        SinkCase{"ClosedWithoutDevNull",
                 e2e::Stdout::Closed,
                 {"system"},
                 "",
                 0,
                 Connection::Made,
                 DevNull::Missing},
        SinkCase{"UrlToClosedWithoutDevNull",
                 e2e::Stdout::Closed,
                 {"system", "--host", "h", "--show-url"},
                 "",
                 0,
                 Connection::None,
                 DevNull::Missing},
        SinkCase{"VersionToClosedWithoutDevNull",
                 e2e::Stdout::Closed,
                 {"-V"},
                 "",
                 0,
                 Connection::None,
                 DevNull::Missing},
        SinkCase{"HelpToClosedWithoutDevNull",
                 e2e::Stdout::Closed,
                 {"system", "--help"},
                 "",
                 0,
                 Connection::None,
                 DevNull::Missing}),
    [](const auto& info) { return info.param.name; });

enum class Road { Local, Rest };

struct ClosedCase {
  std::string name;
  Road road;
  e2e::Stdout out;
  e2e::Stderr err;
};

void PrintTo(const ClosedCase& c, std::ostream* os) {
  *os << c.name;
}

class ClosedStandardDescriptor : public testing::TestWithParam<ClosedCase> {};

// The connection never takes the number of a closed standard descriptor, so neither log lines
// nor the reply reach the daemon; what is written to the closed descriptor is dropped.
TEST_P(ClosedStandardDescriptor, GetsNothingMeantForTheDaemon) {
  E2E_REQUIRE_NAMESPACES();
  const ClosedCase& c = GetParam();
  Scenario s{{"bgp"}, {"RUST_LOG=debug"}, std::vector<std::string>{"--local", "--reply", "r"}};
  std::string request = R"({"flags":{"bits":9},"target":{"Bgp":"Overview"}})";
  std::string tx = kTxBgp;
  if (c.road == Road::Rest) {
    s.args = {"bgp", "--host", "127.0.0.1"};
    s.daemon = std::vector<std::string>{"--rest", "--reply", "HTTP/1.1 200 OK\\r\\n\\r\\nr"};
    request = "GET /bgp HTTP/1.1\r\nHost: 127.0.0.1:8000\r\nUser-Agent: dozuze/" + kBuiltVersion +
              "\r\nAccept: "
              "*/*\r\n\r\n";
    tx = "[TIME DEBUG quamorsc] Tx REST Op Cmd 'OpCmd { flags: JSON_LINES | SORT, target: "
         "Bgp(Overview) }'\n";
  }
  s.out = c.out;
  s.err = c.err;
  s.empty_dev = true;
  Outcome o = e2e::run(s);
  EXPECT_EQ(o.requests, request);
  EXPECT_EQ(o.out, c.out == e2e::Stdout::Captured ? "r\n" : "");
  EXPECT_EQ(o.err, c.err == e2e::Stderr::Closed ? "" : e2e::start_line(o.pid) + tx);
  EXPECT_EQ(o.status, 0);
}

INSTANTIATE_TEST_SUITE_P(
    WithoutDevNull, ClosedStandardDescriptor,
    testing::Values(
        ClosedCase{"StandardError", Road::Local, e2e::Stdout::Captured, e2e::Stderr::Closed},
        ClosedCase{"StandardErrorOnRest", Road::Rest, e2e::Stdout::Captured, e2e::Stderr::Closed},
        ClosedCase{"StandardOutput", Road::Local, e2e::Stdout::Closed, e2e::Stderr::Captured},
        ClosedCase{"StandardOutputOnRest", Road::Rest, e2e::Stdout::Closed, e2e::Stderr::Captured},
        ClosedCase{"Both", Road::Local, e2e::Stdout::Closed, e2e::Stderr::Closed}),
    [](const auto& info) { return info.param.name; });

// Whether a stand-in daemon answers on the local socket.
enum class Daemon { Listening, Absent };

struct ErrCase {
  std::string name;
  std::vector<std::string> args;
  Daemon daemon;
  e2e::Stdout out;
  std::string printed;
  int status;
};

void PrintTo(const ErrCase& c, std::ostream* os) {
  *os << c.name;
}

class UnwritableStandardError : public testing::TestWithParam<std::tuple<ErrCase, e2e::Stderr>> {};

// Log lines and failure lines that standard error will not take have nowhere else to go: they
// are dropped, and every run ends as it would have, with its own output and status. Without
// /dev/null a closed descriptor 2 stays closed, so both kinds of refusal are met.
TEST_P(UnwritableStandardError, LeavesOutputAndStatusAsTheyWere) {
  E2E_REQUIRE_NAMESPACES();
  const ErrCase& c = std::get<0>(GetParam());
  Scenario s{c.args, {"RUST_LOG=trace"}, std::nullopt};
  if (c.daemon == Daemon::Listening) {
    s.daemon = std::vector<std::string>{"--local", "--reply", "r"};
  }
  s.out = c.out;
  s.err = std::get<1>(GetParam());
  s.empty_dev = true;
  Outcome o = e2e::run(s);
  EXPECT_EQ(o.out, c.printed);
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.status, c.status);
  EXPECT_EQ(o.signal, 0);
  EXPECT_EQ(o.requests, c.daemon == Daemon::Listening
                            ? R"({"flags":{"bits":9},"target":{"Bgp":"Overview"}})"
                            : "");
}

INSTANTIATE_TEST_SUITE_P(
    Runs, UnwritableStandardError,
    testing::Combine(
        testing::Values(
            ErrCase{"Reply", {"bgp"}, Daemon::Listening, e2e::Stdout::Captured, "r\n", 0},
            ErrCase{"Version", {"-V"}, Daemon::Absent, e2e::Stdout::Captured, kVersionLine, 0},
            ErrCase{"NoSubcommand", {}, Daemon::Absent, e2e::Stdout::Captured, "", 1},
            ErrCase{"CommandLineError", {"xyz"}, Daemon::Absent, e2e::Stdout::Captured, "", 1},
            ErrCase{
                "RuleConflict", {"bgp", "-j", "-J"}, Daemon::Absent, e2e::Stdout::Captured, "", 65},
            ErrCase{"NoDaemon", {"bgp"}, Daemon::Absent, e2e::Stdout::Captured, "", 68},
            ErrCase{"ReplyRefusedToo", {"bgp"}, Daemon::Listening, e2e::Stdout::ReadOnly, "", 74}),
        testing::Values(e2e::Stderr::ReadOnly, e2e::Stderr::Closed)),
    [](const auto& info) {
      return std::get<0>(info.param).name +
             (std::get<1>(info.param) == e2e::Stderr::Closed ? "Closed" : "ReadOnly");
    });

}  // namespace

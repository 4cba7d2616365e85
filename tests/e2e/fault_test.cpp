// Calls that fail on demand, through the preloaded fault library: interrupted, short and refused
// writes and sends, interrupted and reset receives, receives of one byte at a time, a kernel
// without SOCK_CLOEXEC, connects interrupted before or during the kernel's attempt, and
// interrupted, short and refused writes of standard output and standard error, each with its
// exact message and status.

#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "generated_text.h"
#include "harness.h"
#include "quamorsc/process/version.h"

namespace {

using e2e::Outcome;
using e2e::Scenario;

constexpr const char* kBgpJson = R"({"flags":{"bits":9},"target":{"Bgp":"Overview"}})";
// The request as the write-failure line quotes it.
constexpr const char* kBgpJsonDebug =
    R"("{\"flags\":{\"bits\":9},\"target\":{\"Bgp\":\"Overview\"}}")";
const std::string kBgpGet = "GET /bgp HTTP/1.1\r\nHost: 127.0.0.1:8000\r\nUser-Agent: dozuze/" +
                            std::string(quamorsc::kVersion) + "\r\nAccept: */*\r\n\r\n";
constexpr const char* kOk = "HTTP/1.1 200 OK\\r\\n\\r\\n";
// a, the euro sign, a four-byte emoji and b: characters of every length, so that replies cut into
// single bytes split each of them.
constexpr const char* kMixed = "a\\xe2\\x82\\xac\\xf0\\x9f\\x98\\x80\\xc3\\xa9b";
constexpr const char* kMixedText =
    "a\xe2\x82\xac\xf0\x9f\x98\x80\xc3\xa9"
    "b";

const std::string kWriteZero =
    "Custom { kind: WriteZero, error: \"failed to write whole buffer\" }";
const std::string kBrokenPipe = "Os { code: 32, kind: BrokenPipe, message: \"Broken pipe\" }";
const std::string kReset =
    "Os { code: 104, kind: ConnectionReset, message: \"Connection reset by peer\" }";

// A reply of a page and a few bytes: enough for hundreds of short writes of standard output.
const std::string kPage = e2e::generated_utf8(4100);
const std::string kNotUtf8 =
    "Failed to convert Rx UTF-8 to a string FromUtf8Error { bytes: [255], error: Utf8Error { "
    "valid_up_to: 0, error_len: Some(1) } }\n";
const std::string kStdoutBrokenPipe =
    "Failed to write to standard output: Broken pipe (os error 32)\n";

enum class Road { Local, Rest };

struct FaultCase {
  std::string name;
  Road road;
  std::string faults;
  std::string reply;  // the daemon's reply (for REST, after the status line)
  std::string out;
  std::string err;
  int status;
};

void PrintTo(const FaultCase& c, std::ostream* os) {
  *os << c.name;
}

Scenario scenario(Road road, const std::string& faults, const std::string& reply) {
  Scenario s;
  if (road == Road::Local) {
    s.args = {"bgp"};
    s.daemon = std::vector<std::string>{"--local", "--reply", reply};
  } else {
    s.args = {"bgp", "--host", "127.0.0.1"};
    s.daemon = std::vector<std::string>{"--rest", "--reply", kOk + reply};
  }
  s.faults = faults;
  return s;
}

std::string local_tx_failure(const std::string& error) {
  return "Failed to Tx op_cmd JSON string " + std::string(kBgpJsonDebug) + ": " + error + "\n";
}

std::string rest_tx_failure(const std::string& error) {
  return "Failed to Tx REST Op CMD URL: " + error + "\n";
}

class InjectedFault : public testing::TestWithParam<FaultCase> {};

TEST_P(InjectedFault, ReportsTheFailureAndItsStatus) {
  E2E_REQUIRE_NAMESPACES();
  const FaultCase& c = GetParam();
  Outcome o = e2e::run(scenario(c.road, c.faults, c.reply));
  EXPECT_EQ(o.err, c.err) << o.fault_log;
  EXPECT_EQ(o.out, c.out);
  EXPECT_EQ(o.status, c.status);
  EXPECT_EQ(o.signal, 0);
  if (c.status == 0) {
    // Whatever the writes went through, the daemon got the request whole and in order.
    EXPECT_EQ(o.requests, c.road == Road::Local ? kBgpJson : kBgpGet);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Writes, InjectedFault,
    testing::Values(
        FaultCase{"InterruptedOnce", Road::Local, "write=eintr*1", "ok", "ok\n", "", 0},
        FaultCase{"InterruptedManyTimes", Road::Local, "write=eintr*1000", "ok", "ok\n", "", 0},
        FaultCase{"InterruptedBetweenShortWrites", Road::Local,
                  "write=short5*3;write=eintr*4;write=short7", "ok", "ok\n", "", 0},
        FaultCase{"OneByteAtATime", Road::Local, "write=short1", "ok", "ok\n", "", 0},
        FaultCase{"WriteZero", Road::Local, "write=zero", "ok", "", local_tx_failure(kWriteZero),
                  74},
        FaultCase{"WriteZeroAfterPartOfTheRequest", Road::Local, "write=short10*2;write=zero", "ok",
                  "", local_tx_failure(kWriteZero), 74},
        // The library raises SIGPIPE for the EPIPE as the kernel does: it must be ignored.
        FaultCase{"BrokenPipe", Road::Local, "write=epipe", "ok", "", local_tx_failure(kBrokenPipe),
                  74},
        FaultCase{"BrokenPipeAfterARetry", Road::Local, "write=eintr*2;write=epipe", "ok", "",
                  local_tx_failure(kBrokenPipe), 74},
        FaultCase{"ConnectionReset", Road::Local, "write=econnreset", "ok", "",
                  local_tx_failure(kReset), 74}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Sends, InjectedFault,
    testing::Values(
        FaultCase{"InterruptedOnce", Road::Rest, "send=eintr*1", "body", "body\n", "", 0},
        FaultCase{"InterruptedManyTimes", Road::Rest, "send=eintr*1000", "body", "body\n", "", 0},
        FaultCase{"OneByteAtATime", Road::Rest, "send=short1", "body", "body\n", "", 0},
        FaultCase{"ShortAndInterrupted", Road::Rest, "send=short3*5;send=eintr*3;send=short11",
                  "body", "body\n", "", 0},
        FaultCase{"SendZero", Road::Rest, "send=zero", "body", "", rest_tx_failure(kWriteZero), 74},
        FaultCase{"SendZeroAfterPartOfTheRequest", Road::Rest, "send=short20*1;send=zero", "body",
                  "", rest_tx_failure(kWriteZero), 74},
        FaultCase{"BrokenPipe", Road::Rest, "send=epipe", "body", "", rest_tx_failure(kBrokenPipe),
                  74},
        FaultCase{"ConnectionReset", Road::Rest, "send=econnreset", "body", "",
                  rest_tx_failure(kReset), 74}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Receives, InjectedFault,
    testing::Values(
        FaultCase{"Interrupted", Road::Local, "recv=eintr", "ok", "",
                  "Stream read failed \"operation interrupted\"\n", 74},
        FaultCase{"InterruptedAfterTheFirstBytes", Road::Local, "recv=short1*1;recv=eintr", "ok",
                  "", "Stream read failed \"operation interrupted\"\n", 74},
        FaultCase{"Reset", Road::Local, "recv=econnreset", "ok", "",
                  "Stream read failed \"connection reset\"\n", 74},
        FaultCase{"OtherError", Road::Local, "recv=enobufs", "ok", "",
                  "Stream read failed \"other os error\"\n", 74},
        FaultCase{"OneByteAtATime", Road::Local, "recv=short1", kMixed,
                  std::string(kMixedText) + "\n", "", 0},
        FaultCase{"RestInterrupted", Road::Rest, "recv=eintr", "body", "",
                  "Rx REST Stream read failed \"operation interrupted\"\n", 74},
        FaultCase{"RestInterruptedInsideTheStatusLine", Road::Rest, "recv=short4*1;recv=eintr",
                  "body", "", "Rx REST Stream read failed \"operation interrupted\"\n", 74},
        FaultCase{"RestReset", Road::Rest, "recv=econnreset", "body", "",
                  "Rx REST Stream read failed \"connection reset\"\n", 74},
        // The status line arrives split too, and each character of the body across calls.
        FaultCase{"RestOneByteAtATime", Road::Rest, "recv=short1", kMixed,
                  std::string(kMixedText) + "\n", "", 0},
        FaultCase{"RestTwoBytesAtATime", Road::Rest, "recv=short2", kMixed,
                  std::string(kMixedText) + "\n", "", 0}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Connects, InjectedFault,
    testing::Values(
        // A kernel without SOCK_CLOEXEC: the socket is made without it and the flag set after.
        FaultCase{"LocalWithoutSockCloexec", Road::Local, "socket=cloexec", "ok", "ok\n", "", 0},
        FaultCase{"RestWithoutSockCloexec", Road::Rest, "socket=cloexec", "body", "body\n", "", 0},
        FaultCase{
            "FallbackCannotReadTheFlags", Road::Local, "socket=cloexec;fcntl=einval", "ok", "",
            "Failed to connect to \"/tmp/zurozivo.sock\": Invalid argument (os error 22)\n", 68},
        FaultCase{"SocketRefused", Road::Local, "socket=emfile", "ok", "",
                  "Failed to connect to \"/tmp/zurozivo.sock\": Too many open files (os error "
                  "24)\n",
                  68},
        FaultCase{"LocalInterrupted", Road::Local, "connect=eintr*1", "ok", "",
                  "Failed to connect to \"/tmp/zurozivo.sock\": Interrupted system call (os error "
                  "4)\n",
                  68},
        // The interrupted TCP attempt goes on in the kernel; the run still connects.
        FaultCase{"TcpInterrupted", Road::Rest, "connect=eintr*1", "body", "body\n", "", 0},
        // Interrupted before the kernel started anything: connecting again starts the attempt.
        FaultCase{"TcpInterruptedBeforeTheAttempt", Road::Rest, "connect=eintr_unstarted*1", "body",
                  "body\n", "", 0},
        FaultCase{"TcpInterruptedBeforeTheAttemptAgainAndAgain", Road::Rest,
                  "connect=eintr_unstarted*3", "body", "body\n", "", 0},
        // The kernel's answers to connecting again while the attempt goes on, or after it is
        // done.
        FaultCase{"TcpInterruptedThenAlready", Road::Rest, "connect=eintr*1;connect=ealready*1",
                  "body", "body\n", "", 0},
        FaultCase{"TcpInterruptedThenInProgress", Road::Rest,
                  "connect=eintr*1;connect=einprogress*1", "body", "body\n", "", 0},
        FaultCase{"TcpInterruptedThenConnected", Road::Rest, "connect=eintr*1;connect=eisconn*1",
                  "body", "body\n", "", 0},
        FaultCase{"TcpInterruptedThenFailing", Road::Rest, "connect=eintr*1;connect=enetunreach*1",
                  "body", "",
                  "Failed to connect to \"127.0.0.1:8000\": Network is unreachable (os error "
                  "101)\n",
                  68}),
    [](const auto& info) { return info.param.name; });

// Standard output and standard error are written with writev: the reply and its newline in one
// call where the kernel takes them.
INSTANTIATE_TEST_SUITE_P(
    StandardOutput, InjectedFault,
    testing::Values(
        FaultCase{"InterruptedOnce", Road::Local, "writev:1=eintr*1", "ok", "ok\n", "", 0},
        FaultCase{"InterruptedManyTimes", Road::Local, "writev:1=eintr*1000", kPage, kPage + "\n",
                  "", 0},
        // 4101 bytes in sevens: the last call holds the reply's last bytes and the newline.
        FaultCase{"SevenBytesAtATime", Road::Local, "writev:1=short7", kPage, kPage + "\n", "", 0},
        // The last call holds the newline alone.
        FaultCase{"OneByteAtATime", Road::Local, "writev:1=short1", kPage, kPage + "\n", "", 0},
        FaultCase{"ShortAndInterrupted", Road::Local,
                  "writev:1=short100*3;writev:1=eintr*2;writev:1=short1000", kPage, kPage + "\n",
                  "", 0},
        // A descriptor that would block is waited for, here writable at once.
        FaultCase{"WouldBlock", Road::Local, "writev:1=eagain*3", kPage, kPage + "\n", "", 0},
        // The library raises SIGPIPE for the EPIPE as the kernel does: it must be ignored.
        FaultCase{"BrokenPipe", Road::Local, "writev:1=epipe", kPage, "", kStdoutBrokenPipe, 74},
        FaultCase{"BrokenPipeAfterPartOfTheReply", Road::Local,
                  "writev:1=short1000*1;writev:1=eintr*1;writev:1=epipe", kPage,
                  kPage.substr(0, 1000), kStdoutBrokenPipe, 74},
        FaultCase{"WriteZero", Road::Local, "writev:1=zero", "ok", "",
                  "Failed to write to standard output: Input/output error (os error 5)\n", 74}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    StandardError, InjectedFault,
    testing::Values(FaultCase{"FailureLineInterrupted", Road::Local, "writev:2=eintr*1", "\\xff",
                              "", kNotUtf8, 66},
                    FaultCase{"FailureLineInterruptedThenShort", Road::Local,
                              "writev:2=eintr*5;writev:2=short9", "\\xff", "", kNotUtf8, 66},
                    FaultCase{"FailureLineWouldBlock", Road::Local, "writev:2=eagain*2", "\\xff",
                              "", kNotUtf8, 66},
                    // The report of a refused reply, itself written three bytes at a time.
                    FaultCase{"RefusedReplyReportedInShortWrites", Road::Local,
                              "writev:1=epipe;writev:2=short3", "ok", "", kStdoutBrokenPipe, 74}),
    [](const auto& info) { return info.param.name; });

// The calls the client made on its sockets, from the library's log.
std::vector<std::string> calls(const Outcome& o, const std::string& prefix) {
  std::vector<std::string> out;
  std::istringstream lines(o.fault_log);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with(prefix)) {
      out.push_back(line);
    }
  }
  return out;
}

TEST(FaultLog, InterruptedWritesAreMadeAgainWithTheSameBytes) {
  E2E_REQUIRE_NAMESPACES();
  Outcome o = e2e::run(scenario(Road::Local, "write=eintr*3", "ok"));
  const std::string interrupted = "write(fd, 48) = -1 EINTR [injected]";
  EXPECT_EQ(calls(o, "write("), (std::vector<std::string>{interrupted, interrupted, interrupted,
                                                          "write(fd, 48) = 48"}));
}

TEST(FaultLog, ShortWritesGoOnWithTheRest) {
  E2E_REQUIRE_NAMESPACES();
  Outcome o = e2e::run(scenario(Road::Local, "write=short20", "ok"));
  EXPECT_EQ(calls(o, "write("), (std::vector<std::string>{"write(fd, 48) = 20 [injected]",
                                                          "write(fd, 28) = 20 [injected]",
                                                          "write(fd, 8) = 8 [injected]"}));
  EXPECT_EQ(o.requests, kBgpJson);
}

TEST(FaultLog, EverySendCarriesMsgNosignal) {
  E2E_REQUIRE_NAMESPACES();
  Outcome o = e2e::run(scenario(Road::Rest, "send=short30", "body"));
  EXPECT_EQ(calls(o, "send("), (std::vector<std::string>{
                                   "send(fd, 83, MSG_NOSIGNAL) = 30 [injected]",
                                   "send(fd, 53, MSG_NOSIGNAL) = 30 [injected]",
                                   "send(fd, 23, MSG_NOSIGNAL) = 23 [injected]",
                               }));
  EXPECT_EQ(o.requests, kBgpGet);
}

TEST(FaultLog, OneByteReceivesEndWithTheClose) {
  E2E_REQUIRE_NAMESPACES();
  Outcome o = e2e::run(scenario(Road::Local, "recv=short1", "ab"));
  EXPECT_EQ(calls(o, "recv("), (std::vector<std::string>{"recv(fd, 204800) = 1 [injected]",
                                                         "recv(fd, 204800) = 1 [injected]",
                                                         "recv(fd, 204800) = 0 [injected]"}));
  EXPECT_EQ(o.out, "ab\n");
}

TEST(FaultLog, StandardOutputGetsTheRestOfTheReplyAndTheNewlineTogether) {
  E2E_REQUIRE_NAMESPACES();
  Outcome o = e2e::run(scenario(Road::Local, "writev:1=short4", "abcdefghij"));
  EXPECT_EQ(calls(o, "writev("), (std::vector<std::string>{
                                     "writev(fd, 11, 2 buffers) = 4 [injected]",
                                     "writev(fd, 7, 2 buffers) = 4 [injected]",
                                     "writev(fd, 3, 2 buffers) = 3 [injected]",
                                 }));
  EXPECT_EQ(o.out, "abcdefghij\n");
}

TEST(FaultLog, StandardOutputEndsWithTheNewlineAlone) {
  E2E_REQUIRE_NAMESPACES();
  Outcome o = e2e::run(scenario(Road::Local, "writev:1=eintr*2;writev:1=short5", "abcdefghij"));
  const std::string interrupted = "writev(fd, 11, 2 buffers) = -1 EINTR [injected]";
  EXPECT_EQ(calls(o, "writev("), (std::vector<std::string>{
                                     interrupted,
                                     interrupted,
                                     "writev(fd, 11, 2 buffers) = 5 [injected]",
                                     "writev(fd, 6, 2 buffers) = 5 [injected]",
                                     "writev(fd, 1, 1 buffer) = 1 [injected]",
                                 }));
  EXPECT_EQ(o.out, "abcdefghij\n");
}

struct CloexecCase {
  Road road;
  std::string family;
};

class WithoutSockCloexec : public testing::TestWithParam<CloexecCase> {};

// The refused call, the call without the flag, reading and setting the descriptor flags, and the
// connect on a descriptor that has FD_CLOEXEC.
TEST_P(WithoutSockCloexec, TheDescriptorStillClosesOnExec) {
  E2E_REQUIRE_NAMESPACES();
  const std::string& family = GetParam().family;
  Outcome o = e2e::run(scenario(GetParam().road, "socket=cloexec", "x"));
  std::vector<std::string> setup = calls(o, "socket(" + family);
  for (const std::string& line : calls(o, "fcntl(")) {
    setup.push_back(line);
  }
  for (const std::string& line : calls(o, "connect(")) {
    setup.push_back(line);
  }
  EXPECT_EQ(setup, (std::vector<std::string>{
                       "socket(" + family + ", SOCK_STREAM|SOCK_CLOEXEC) = -1 EINVAL [injected]",
                       "socket(" + family + ", SOCK_STREAM) = fd",
                       "fcntl(fd, F_GETFD) = 0",
                       "fcntl(fd, F_SETFD, 1) = 0",
                       "connect(fd, " + family + ") = 0 [FD_CLOEXEC]",
                   }));
  EXPECT_EQ(o.status, 0);
}

INSTANTIATE_TEST_SUITE_P(Roads, WithoutSockCloexec,
                         testing::Values(CloexecCase{Road::Local, "AF_UNIX"},
                                         CloexecCase{Road::Rest, "AF_INET"}),
                         [](const auto& info) { return info.param.family.substr(3); });

TEST(FaultLog, AnInterruptedLocalConnectIsNotMadeAgain) {
  E2E_REQUIRE_NAMESPACES();
  Outcome o = e2e::run(scenario(Road::Local, "connect=eintr", "ok"));
  EXPECT_EQ(calls(o, "connect("),
            (std::vector<std::string>{"connect(fd, AF_UNIX) = -1 EINTR [injected] [FD_CLOEXEC]"}));
  EXPECT_EQ(o.requests, "");
  EXPECT_EQ(o.status, 68);
}

// Whether the stand-in daemon answers on 127.0.0.1:8000.
enum class Daemon { Listening, Absent };

struct InterruptCase {
  std::string name;
  std::string faults;
  Daemon daemon;
  std::vector<std::string> connects;  // the library's log of connect calls
  std::string err;
  int status;
};

void PrintTo(const InterruptCase& c, std::ostream* os) {
  *os << c.name;
}

class InterruptedTcpConnect : public testing::TestWithParam<InterruptCase> {};

// Connect is called again on the same socket, and its answer is the outcome: a connection, or
// the refusal when nothing listens.
TEST_P(InterruptedTcpConnect, IsMadeAgainOnTheSameSocket) {
  E2E_REQUIRE_NAMESPACES();
  const InterruptCase& c = GetParam();
  Scenario s{{"bgp", "--host", "127.0.0.1"}, {}, std::nullopt};
  if (c.daemon == Daemon::Listening) {
    s.daemon = std::vector<std::string>{"--rest", "--reply", std::string(kOk) + "body"};
  }
  s.faults = c.faults;
  Outcome o = e2e::run(s);
  EXPECT_EQ(calls(o, "connect("), c.connects);
  EXPECT_EQ(calls(o, "socket("),
            std::vector<std::string>{"socket(AF_INET, SOCK_STREAM|SOCK_CLOEXEC) = fd"});
  EXPECT_EQ(o.err, c.err);
  EXPECT_EQ(o.out, c.daemon == Daemon::Listening ? "body\n" : "");
  EXPECT_EQ(o.status, c.status);
}

const std::string kInterrupted = "connect(fd, AF_INET) = -1 EINTR [injected] [FD_CLOEXEC]";
const std::string kRefused =
    "Failed to connect to \"127.0.0.1:8000\": Connection refused (os error 111)\n";

INSTANTIATE_TEST_SUITE_P(
    Kinds, InterruptedTcpConnect,
    testing::Values(
        InterruptCase{"DuringTheAttempt",
                      "connect=eintr*1",
                      Daemon::Listening,
                      {kInterrupted, "connect(fd, AF_INET) = 0 [FD_CLOEXEC]"},
                      "",
                      0},
        InterruptCase{"BeforeTheAttempt",
                      "connect=eintr_unstarted*1",
                      Daemon::Listening,
                      {kInterrupted, "connect(fd, AF_INET) = 0 [FD_CLOEXEC]"},
                      "",
                      0},
        InterruptCase{"DuringARefusedAttempt",
                      "connect=eintr*1",
                      Daemon::Absent,
                      {kInterrupted, "connect(fd, AF_INET) = -1 ECONNREFUSED [FD_CLOEXEC]"},
                      kRefused,
                      68},
        InterruptCase{"BeforeARefusedAttempt",
                      "connect=eintr_unstarted*1",
                      Daemon::Absent,
                      {kInterrupted, "connect(fd, AF_INET) = -1 ECONNREFUSED [FD_CLOEXEC]"},
                      kRefused,
                      68}),
    [](const auto& info) { return info.param.name; });

}  // namespace

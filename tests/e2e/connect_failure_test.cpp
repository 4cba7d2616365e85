// Connections that cannot be made, through the real binary: every answer of the resolver (with
// the fault library standing in for it), several addresses that fail differently, a socket that
// cannot be created, a socket file that nobody listens on, and one the user may not open.

#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "harness.h"

namespace {

using e2e::Outcome;
using e2e::Scenario;

constexpr const char* kOk = "HTTP/1.1 200 OK\\r\\n\\r\\n";
constexpr unsigned kNobody = 65534;

// Whether the stand-in daemon answers on 127.0.0.1:8000.
enum class Daemon { Listening, Absent };

struct TcpCase {
  std::string name;
  std::string faults;
  Daemon daemon;
  std::string err;
  int status;
};

void PrintTo(const TcpCase& c, std::ostream* os) {
  *os << c.name;
}

class TcpConnect : public testing::TestWithParam<TcpCase> {};

TEST_P(TcpConnect, PrintsTheReplyOrReportsTheFailure) {
  E2E_REQUIRE_NAMESPACES();
  const TcpCase& c = GetParam();
  Scenario s{{"bgp", "--host", "daemon.test"}, {}, std::nullopt};
  if (c.daemon == Daemon::Listening) {
    s.daemon =
        std::vector<std::string>{"--rest-addr", "127.0.0.1", "--reply", std::string(kOk) + "up"};
  }
  s.faults = c.faults;
  Outcome o = e2e::run(s);
  EXPECT_EQ(o.err, c.err) << o.fault_log;
  EXPECT_EQ(o.out, c.status == 0 ? "up\n" : "");
  EXPECT_EQ(o.status, c.status);
}

std::string failed(const std::string& error) {
  return "Failed to connect to \"daemon.test:8000\": " + error + "\n";
}

std::string lookup_failed(const std::string& text) {
  return failed("failed to lookup address information: " + text);
}

INSTANTIATE_TEST_SUITE_P(
    Resolver, TcpConnect,
    testing::Values(TcpCase{"Again", "getaddrinfo=eai_again", Daemon::Absent,
                            lookup_failed("Temporary failure in name resolution"), 68},
                    TcpCase{"Fail", "getaddrinfo=eai_fail", Daemon::Absent,
                            lookup_failed("Non-recoverable failure in name resolution"), 68},
                    TcpCase{"NoName", "getaddrinfo=eai_noname", Daemon::Absent,
                            lookup_failed("Name or service not known"), 68},
                    // EAI_SYSTEM is the operating-system error in errno, whatever errno holds.
                    TcpCase{"SystemWithoutErrno", "getaddrinfo=eai_system", Daemon::Absent,
                            failed("Success (os error 0)"), 68},
                    TcpCase{"SystemWithErrno", "getaddrinfo=eai_system/emfile", Daemon::Absent,
                            failed("Too many open files (os error 24)"), 68},
                    TcpCase{"EmptyList", "getaddrinfo=list", Daemon::Listening,
                            failed("could not resolve to any addresses"), 68},
                    TcpCase{"OnlyOtherFamilies", "getaddrinfo=list,unix,unix", Daemon::Listening,
                            failed("could not resolve to any addresses"), 68},
                    TcpCase{"OtherFamiliesAreSkipped", "getaddrinfo=list,unix,127.0.0.1",
                            Daemon::Listening, "", 0}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Candidates, TcpConnect,
    testing::Values(
        // Nothing listens on 127.0.0.2 or ::1; the last address's error is the one reported.
        TcpCase{"LastRefusedAfterUnreachable",
                "getaddrinfo=list,127.0.0.2,::1;connect=enetunreach*1", Daemon::Absent,
                failed("Connection refused (os error 111)"), 68},
        TcpCase{"LastUnreachableAfterRefused",
                "getaddrinfo=list,127.0.0.2,::1;connect=ehostunreach@1", Daemon::Absent,
                failed("No route to host (os error 113)"), 68},
        TcpCase{"ThirdAfterTwoFailures",
                "getaddrinfo=list,127.0.0.2,::1,127.0.0.1;connect=etimedout*1", Daemon::Listening,
                "", 0},
        TcpCase{"SocketRefused", "getaddrinfo=list,127.0.0.1;socket=emfile", Daemon::Listening,
                failed("Too many open files (os error 24)"), 68},
        TcpCase{"SocketRefusedForTheFirstAddressOnly",
                "getaddrinfo=list,::1,127.0.0.1;socket=eafnosupport*1", Daemon::Listening, "", 0},
        TcpCase{"SocketRefusedForTheLastAddress",
                "getaddrinfo=list,127.0.0.2,::1;socket=eafnosupport@1", Daemon::Absent,
                failed("Address family not supported by protocol (os error 97)"), 68}),
    [](const auto& info) { return info.param.name; });

// A literal address is not looked up, and its socket can fail all the same.
TEST(TcpConnect, SocketRefusedForALiteralAddress) {
  E2E_REQUIRE_NAMESPACES();
  Scenario s{{"bgp", "--host", "127.0.0.1"}, {}, std::nullopt};
  s.faults = "socket=enfile;getaddrinfo=eai_fail";
  Outcome o = e2e::run(s);
  EXPECT_EQ(o.err,
            "Failed to connect to \"127.0.0.1:8000\": Too many open files in system (os error "
            "23)\n");
  EXPECT_EQ(o.status, 68);
}

struct LocalCase {
  std::string name;
  std::vector<std::string> daemon;
  std::optional<unsigned> uid;
  std::string err;
};

void PrintTo(const LocalCase& c, std::ostream* os) {
  *os << c.name;
}

class LocalConnect : public testing::TestWithParam<LocalCase> {};

TEST_P(LocalConnect, FailsWithTheOsError) {
  E2E_REQUIRE_NAMESPACES();
  const LocalCase& c = GetParam();
  if (c.uid && !e2e::user_available(*c.uid)) {
    GTEST_SKIP() << "cannot run the client as user " << *c.uid;
  }
  Scenario s{{"system"}, {}, c.daemon};
  s.uid = c.uid;
  Outcome o = e2e::run(s);
  EXPECT_EQ(o.err, "Failed to connect to \"/tmp/zurozivo.sock\": " + c.err + "\n");
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(o.status, 68);
  EXPECT_EQ(o.requests, "");
}

INSTANTIATE_TEST_SUITE_P(Causes, LocalConnect,
                         testing::Values(
                             // The daemon has gone and left its socket file behind.
                             LocalCase{"StaleSocketFile",
                                       {"--stale-local"},
                                       std::nullopt,
                                       "Connection refused (os error 111)"},
                             // The socket file belongs to root and is not writable by others.
                             LocalCase{"NotPermitted",
                                       {"--local", "--reply", "ok"},
                                       kNobody,
                                       "Permission denied (os error 13)"}),
                         [](const auto& info) { return info.param.name; });

}  // namespace

// The REST road through the real binary: the request bytes the server receives, the body after
// the status line, --show-url, connecting by literal address or by name, and every failure.

#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "generated_text.h"
#include "harness.h"
#include "quamorsc/process/version.h"

namespace {

using e2e::Outcome;
using e2e::Scenario;

constexpr const char* kOk = "HTTP/1.1 200 OK\\r\\n\\r\\n";
constexpr const char* kHosts =
    "127.0.0.1 localhost\n::1 localhost\n127.0.0.1 daemon.test\n127.0.0.2 two\n127.0.0.1 two\n";

std::string request(const std::string& path, const std::string& host) {
  return "GET " + path + " HTTP/1.1\r\nHost: " + host + ":8000\r\nUser-Agent: dozuze/" +
         std::string(quamorsc::kVersion) + "\r\nAccept: */*\r\n\r\n";
}

Outcome run_rest(std::vector<std::string> args, std::vector<std::string> daemon,
                 std::vector<std::string> env = {}) {
  Scenario s{std::move(args), std::move(env), std::move(daemon)};
  s.hosts = kHosts;
  return e2e::run(s);
}

struct RequestCase {
  std::vector<std::string> args;
  std::string request;
};

void PrintTo(const RequestCase& c, std::ostream* os) {
  *os << e2e::name_of(c.args);
}

class RestRequest : public testing::TestWithParam<RequestCase> {};

TEST_P(RestRequest, IsTheBytesTheServerReceives) {
  E2E_REQUIRE_NAMESPACES();
  Outcome o = run_rest(GetParam().args, {"--rest", "--reply", std::string(kOk) + "{}"});
  EXPECT_EQ(o.requests, GetParam().request);
  EXPECT_EQ(o.out, "{}\n");
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.status, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, RestRequest,
    testing::Values(RequestCase{{"system", "--host", "127.0.0.1"}, request("/system", "127.0.0.1")},
                    // A name goes into the Host line as typed, never as the address it resolved to.
                    RequestCase{{"bgp", "--host", "daemon.test", "-j"},
                                request("/bgp/json-pretty", "daemon.test")},
                    RequestCase{{"bgp", "--host", "Daemon.Test"}, request("/bgp", "Daemon.Test")},
                    RequestCase{{"ribv4", "-p", "10.1.2.3/8", "-H", "[::1]"},
                                request("/ribv4/prefix", "[::1]")},
                    RequestCase{{"ospfv2", "-l", "--host", "::1"}, request("/ospfv2/lsdb", "::1")},
                    // An area request without an area id has the empty path.
                    RequestCase{{"ospfv2", "-a", "--host", "127.0.0.1"}, request("", "127.0.0.1")}),
    [](const auto& info) { return std::to_string(info.index) + e2e::name_of(info.param.args); });

struct BodyCase {
  std::string name;
  std::vector<std::string> daemon;
  std::string out;
};

void PrintTo(const BodyCase& c, std::ostream* os) {
  *os << c.name;
}

class RestBody : public testing::TestWithParam<BodyCase> {};

TEST_P(RestBody, IsWhatFollowsTheStatusLine) {
  E2E_REQUIRE_NAMESPACES();
  std::vector<std::string> daemon = {"--rest"};
  daemon.insert(daemon.end(), GetParam().daemon.begin(), GetParam().daemon.end());
  Outcome o = run_rest({"system", "--host", "127.0.0.1"}, daemon);
  EXPECT_EQ(o.out, GetParam().out);
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.status, 0);
}

INSTANTIATE_TEST_SUITE_P(Shapes, RestBody,
                         testing::Values(BodyCase{"StatusLineAlone", {"--reply", kOk}, "\n"},
                                         BodyCase{
                                             "Json",
                                             {"--reply", std::string(kOk) + "{\"a\":[1,2]}\\n"},
                                             "{\"a\":[1,2]}\n\n"},
                                         BodyCase{"LargeInChunks",
                                                  {"--reply", kOk, "--reply-utf8", "1000000",
                                                   "--chunks", "5,300000", "--pause-ms", "20"},
                                                  e2e::generated_utf8(1000000) + "\n"}),
                         [](const auto& info) { return info.param.name; });

TEST(RestExchange, TraceRecordsCountTheRequestLineAlone) {
  E2E_REQUIRE_NAMESPACES();
  Outcome o = run_rest({"bgp", "--host", "127.0.0.1"},
                       {"--rest", "--reply", std::string(kOk) + "[]"}, {"RUST_LOG=trace"});
  EXPECT_EQ(o.out, "[]\n");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err,
            e2e::start_line(o.pid) +
                "[TIME TRACE quamorsc] Cmd from Args Bgp(BgpCmdArgs { common: CommonArgs { "
                "detail: false, host: Some(\"127.0.0.1\"), json_format: false, json_pretty: false, "
                "unsorted: false, show_url: false }, neigh_id: None })\n"
                "[TIME TRACE quamorsc] OpCmd from Cmd OpCmd { flags: JSON_LINES | SORT, target: "
                "Bgp(Overview) }\n"
                "[TIME DEBUG quamorsc] Tx REST Op Cmd 'OpCmd { flags: JSON_LINES | SORT, target: "
                "Bgp(Overview) }'\n"
                "[TIME TRACE quamorsc] Tx REST Op Cmd 19 bytes: URL /bgp\n"
                "[TIME TRACE quamorsc] Rx REST 21 bytes\n"
                "[TIME TRACE quamorsc] Rx REST 0 bytes\n"
                "[TIME TRACE quamorsc] Rx reply \"HTTP/1.1 200 OK\\r\\n\\r\\n[]\"\n");
}

TEST(RestExchange, EmptyPathEndsTheTraceRecordAfterUrl) {
  E2E_REQUIRE_NAMESPACES();
  Outcome o = run_rest({"ospfv2", "-a", "--host", "127.0.0.1"}, {"--rest", "--reply", kOk},
                       {"RUST_LOG=quamorsc=trace/Tx REST"});
  EXPECT_EQ(o.err,
            "[TIME DEBUG quamorsc] Tx REST Op Cmd 'OpCmd { flags: JSON_LINES | SORT, target: "
            "OspfV2(Area(OspfV2RequestArea { area_id: None, intf_info_req: false, intf_name: None, "
            "neigh_info_req: false, neigh_id: None })) }'\n"
            "[TIME TRACE quamorsc] Tx REST Op Cmd 15 bytes: URL \n");
  EXPECT_EQ(o.status, 0);
}

struct ConnectCase {
  std::string name;
  std::string host;
  std::vector<std::string> daemon;  // empty: nothing listens
  std::string err;
  int status;
};

void PrintTo(const ConnectCase& c, std::ostream* os) {
  *os << c.name;
}

class RestConnect : public testing::TestWithParam<ConnectCase> {};

TEST_P(RestConnect, PrintsTheReplyOrReportsTheFailure) {
  E2E_REQUIRE_NAMESPACES();
  const ConnectCase& c = GetParam();
  Scenario s{{"bgp", "--host", c.host}, {}, std::nullopt};
  s.hosts = kHosts;
  if (!c.daemon.empty()) {
    s.daemon = c.daemon;
  }
  Outcome o = e2e::run(s);
  EXPECT_EQ(o.err, c.err);
  EXPECT_EQ(o.out, c.status == 0 ? "up\n" : "");
  EXPECT_EQ(o.status, c.status);
}

const std::vector<std::string> kUp = {"--reply", std::string(kOk) + "up"};

std::vector<std::string> listening_on(const std::string& addr) {
  std::vector<std::string> daemon = {"--rest-addr", addr};
  daemon.insert(daemon.end(), kUp.begin(), kUp.end());
  return daemon;
}

INSTANTIATE_TEST_SUITE_P(
    Roads, RestConnect,
    testing::Values(
        ConnectCase{"Refused",
                    "127.0.0.1",
                    {},
                    "Failed to connect to \"127.0.0.1:8000\": Connection refused (os error 111)\n",
                    68},
        ConnectCase{"BracketedIpv6", "[::1]", listening_on("::1"), "", 0},
        ConnectCase{"BareIpv6ThroughTheResolver", "::1", listening_on("::1"), "", 0},
        ConnectCase{"Name", "daemon.test", listening_on("127.0.0.1"), "", 0},
        // "two" has two addresses; whichever the resolver puts first, one refuses and the run
        // goes on silently with the other.
        ConnectCase{"SecondAddressOfTwoA", "two", listening_on("127.0.0.2"), "", 0},
        ConnectCase{"SecondAddressOfTwoB", "two", listening_on("127.0.0.1"), "", 0},
        ConnectCase{"BothAddressesRefuse",
                    "two",
                    {},
                    "Failed to connect to \"two:8000\": Connection refused (os error 111)\n",
                    68},
        ConnectCase{"UnknownName",
                    "nosuch",
                    {},
                    "Failed to connect to \"nosuch:8000\": failed to lookup address information: "
                    "Name or service not known\n",
                    68},
        ConnectCase{"HostWithItsOwnPort",
                    "daemon.test:9000",
                    {},
                    "Failed to connect to \"daemon.test:9000:8000\": failed to lookup address "
                    "information: Name or service not known\n",
                    68}),
    [](const auto& info) { return info.param.name; });

struct RefusedReply {
  std::string name;
  std::vector<std::string> daemon;
  std::string err;
  int status;
};

void PrintTo(const RefusedReply& c, std::ostream* os) {
  *os << c.name;
}

class RestRefusedReply : public testing::TestWithParam<RefusedReply> {};

TEST_P(RestRefusedReply, IsOneLineAndItsStatus) {
  E2E_REQUIRE_NAMESPACES();
  std::vector<std::string> daemon = {"--rest"};
  daemon.insert(daemon.end(), GetParam().daemon.begin(), GetParam().daemon.end());
  Outcome o = run_rest({"system", "--host", "127.0.0.1"}, daemon);
  EXPECT_EQ(o.err, GetParam().err);
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(o.status, GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(
    Causes, RestRefusedReply,
    testing::Values(
        RefusedReply{
            "HeaderLine",
            {"--reply", "HTTP/1.1 200 OK\\r\\nContent-Type: application/json\\r\\n\\r\\n{}"},
            "Rx REST did not Rx Status Code '200 OK' \"HTTP/1.1 200 OK\\r\\nCo\"\n",
            66},
        RefusedReply{"NotFound",
                     {"--reply", "HTTP/1.1 404 Not Found\\r\\n\\r\\n"},
                     "Rx REST did not Rx Status Code '200 OK' \"HTTP/1.1 404 Not Fo\"\n",
                     66},
        RefusedReply{"TenBytes",
                     {"--reply", "HTTP/1.1 2"},
                     "Rx REST did not Rx Status Code '200 OK' \"HTTP/1.1 2\"\n",
                     66},
        RefusedReply{"Empty", {}, "Rx REST did not Rx Status Code '200 OK' \"\"\n", 66},
        // The 19-byte limit would cut the two-byte character: the quoted beginning stops before.
        RefusedReply{"CharacterAtTheLimit",
                     {"--reply", "HTTP/1.1 200 OK\\r\\nX\\xc3\\xa9tc"},
                     "Rx REST did not Rx Status Code '200 OK' \"HTTP/1.1 200 OK\\r\\nX\"\n",
                     66},
        RefusedReply{"NotUtf8AndNoStatusLine",
                     {"--reply", "\\xff"},
                     "Rx REST Failed to convert Rx UTF-8 to a string FromUtf8Error { bytes: [255], "
                     "error: Utf8Error { valid_up_to: 0, error_len: Some(1) } }\n",
                     66},
        RefusedReply{"BadByteInTheBody",
                     {"--reply", std::string(kOk) + "a\\xc0\\xafb"},
                     "Rx REST Failed to convert Rx UTF-8 to a string FromUtf8Error { bytes: [72, "
                     "84, 84, 80, 47, 49, 46, 49, 32, 50, 48, 48, 32, 79, 75, 13, 10, 13, 10, 97, "
                     "192, 175, 98], error: Utf8Error { valid_up_to: 20, error_len: Some(1) } }\n",
                     66},
        RefusedReply{"BodyCutInsideACharacter",
                     {"--reply", std::string(kOk) + "ab\\xe2\\x82"},
                     "Rx REST Failed to convert Rx UTF-8 to a string FromUtf8Error { bytes: [72, "
                     "84, 84, 80, 47, 49, 46, 49, 32, 50, 48, 48, 32, 79, 75, 13, 10, 13, 10, 97, "
                     "98, 226, 130], error: Utf8Error { valid_up_to: 21, error_len: None } }\n",
                     66},
        RefusedReply{"ResetDuringTheReply",
                     {"--reply", kOk, "--reply-utf8", "100000", "--reset-after", "5000"},
                     "Rx REST Stream read failed \"connection reset\"\n",
                     74}),
    [](const auto& info) { return info.param.name; });

struct UrlCase {
  std::vector<std::string> args;
  std::string out;
};

void PrintTo(const UrlCase& c, std::ostream* os) {
  *os << e2e::name_of(c.args);
}

class ShowUrl : public testing::TestWithParam<UrlCase> {};

// No daemon runs: --show-url neither connects nor looks a name up.
TEST_P(ShowUrl, PrintsTheUrlAndConnectsNowhere) {
  E2E_REQUIRE_NAMESPACES();
  std::vector<std::string> args = GetParam().args;
  args.push_back("--show-url");
  Outcome o = e2e::run(Scenario{args, {}, std::nullopt});
  EXPECT_EQ(o.out, GetParam().out);
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.status, 0);
}

std::string url_line(const std::string& address) {
  return "REST API URL would be 'http://" + address + "'\n";
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ShowUrl,
    testing::Values(UrlCase{{"bgp", "--host", "10.0.0.1"}, url_line("10.0.0.1:8000/bgp")},
                    UrlCase{{"bgp", "--host", "no.such.name"}, url_line("no.such.name:8000/bgp")},
                    UrlCase{{"system", "--host", "h"}, url_line("h:8000/system")},
                    UrlCase{{"system", "--json", "--host", "h"}, url_line("h:8000/system/json")},
                    UrlCase{{"bgp", "-n", "10.0.0.2", "--json-pretty", "--host", "h"},
                            url_line("h:8000/bgp/neighs/json-pretty")},
                    UrlCase{{"ospfv2", "-l", "-a", "1", "--host", "h"},
                            url_line("h:8000/ospfv2/area?area_id=0.0.0.1/lsdb")},
                    UrlCase{{"ospfv2", "-a", "0.0.0.2", "-i", "eth0", "-n", "1.1.1.1", "--json",
                             "--host", "h"},
                            url_line("h:8000/ospfv2/area?area_id=0.0.0.2/intf/neigh/json")},
                    UrlCase{{"ospfv2", "-a", "1", "--detail", "--unsorted", "--host", "h"},
                            url_line("h:8000/ospfv2/area?area_id=0.0.0.1")},
                    UrlCase{{"ospfv2", "-a", "--json", "--host", "h"}, url_line("h:8000/json")},
                    UrlCase{{"ribv4", "-p", "10.1.2.3/8", "-o", "kernel", "--host", "h"},
                            url_line("h:8000/ribv4/prefix")},
                    UrlCase{{"ribv4", "--host", "[::1]"}, url_line("[::1]:8000/ribv4")},
                    UrlCase{{"ribv4", "--host", "h:9000"}, url_line("h:9000:8000/ribv4")}),
    [](const auto& info) { return std::to_string(info.index) + e2e::name_of(info.param.args); });

TEST(ShowUrl, OpCmdRecordComesFirst) {
  E2E_REQUIRE_NAMESPACES();
  Outcome o = e2e::run(
      Scenario{{"bgp", "--host", "10.0.0.1", "--show-url"}, {"RUST_LOG=quamorsc=trace/OpCmd"}, {}});
  EXPECT_EQ(o.err,
            "[TIME TRACE quamorsc] OpCmd from Cmd OpCmd { flags: JSON_LINES | SORT, target: "
            "Bgp(Overview) }\n");
  EXPECT_EQ(o.out, url_line("10.0.0.1:8000/bgp"));
  EXPECT_EQ(o.status, 0);
}

}  // namespace

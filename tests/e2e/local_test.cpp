// The local road through the real binary: the exact request the daemon receives, the reply
// printed as received, and every failure of the exchange with its message and status.

#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "generated_text.h"
#include "harness.h"

namespace {

using e2e::Outcome;
using e2e::Scenario;

Outcome run_local(std::vector<std::string> args, std::vector<std::string> daemon,
                  std::vector<std::string> env = {}) {
  daemon.insert(daemon.begin(), "--local");
  return e2e::run(Scenario{std::move(args), std::move(env), std::move(daemon)});
}

struct JsonCase {
  std::vector<std::string> args;
  std::string json;
};

void PrintTo(const JsonCase& c, std::ostream* os) {
  *os << e2e::name_of(c.args);
}

class RequestJson : public testing::TestWithParam<JsonCase> {};

TEST_P(RequestJson, IsTheRequestTheDaemonReceives) {
  E2E_REQUIRE_NAMESPACES();
  const JsonCase& c = GetParam();
  Outcome o = run_local(c.args, {"--reply", "ok"});
  EXPECT_EQ(o.requests, c.json);
  EXPECT_EQ(o.out, "ok\n");
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.status, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, RequestJson,
    testing::Values(
        JsonCase{{"system"}, R"({"flags":{"bits":9},"target":{"System":"Overview"}})"},
        JsonCase{{"system", "-i"}, R"({"flags":{"bits":9},"target":{"System":{"Intfs":null}}})"},
        JsonCase{{"system", "-i", "eth0"},
                 R"({"flags":{"bits":9},"target":{"System":{"Intfs":"eth0"}}})"},
        JsonCase{{"bgp"}, R"({"flags":{"bits":9},"target":{"Bgp":"Overview"}})"},
        JsonCase{{"bgp", "-n"}, R"({"flags":{"bits":9},"target":{"Bgp":{"Neighs":null}}})"},
        JsonCase{{"bgp", "-n", "192.0.2.1"},
                 R"({"flags":{"bits":9},"target":{"Bgp":{"Neighs":"192.0.2.1"}}})"},
        JsonCase{{"ospfv2"}, R"({"flags":{"bits":9},"target":{"OspfV2":"Overview"}})"},
        JsonCase{{"ospfv2", "-l"}, R"({"flags":{"bits":9},"target":{"OspfV2":"AsLsDb"}})"},
        JsonCase{{"ospfv2", "-l", "-a", "1"},
                 R"({"flags":{"bits":9},"target":{"OspfV2":{"LsDb":"0.0.0.1"}}})"},
        JsonCase{
            {"ospfv2", "-a"},
            R"({"flags":{"bits":9},"target":{"OspfV2":{"Area":{"area_id":null,"intf_info_req":false,"intf_name":null,"neigh_info_req":false,"neigh_id":null}}}})"},
        JsonCase{
            {"ospfv2", "-a", "1", "-i"},
            R"({"flags":{"bits":9},"target":{"OspfV2":{"Area":{"area_id":"0.0.0.1","intf_info_req":true,"intf_name":null,"neigh_info_req":false,"neigh_id":null}}}})"},
        JsonCase{
            {"ospfv2", "-a", "0.0.0.1", "-i", "eth0", "-n", "10.0.0.2"},
            R"({"flags":{"bits":9},"target":{"OspfV2":{"Area":{"area_id":"0.0.0.1","intf_info_req":true,"intf_name":"eth0","neigh_info_req":true,"neigh_id":"10.0.0.2"}}}})"},
        JsonCase{{"ospfv2", "-p"},
                 R"({"flags":{"bits":9},"target":{"OspfV2":{"NetworkRoutes":null}}})"},
        JsonCase{{"ospfv2", "-p", "10.1.2.3/8"},
                 R"({"flags":{"bits":9},"target":{"OspfV2":{"NetworkRoutes":"10.1.2.3/8"}}})"},
        JsonCase{{"ospfv2", "-P"},
                 R"({"flags":{"bits":9},"target":{"OspfV2":{"RouterRoutes":null}}})"},
        JsonCase{{"ospfv2", "-P", "10.0.0.1"},
                 R"({"flags":{"bits":9},"target":{"OspfV2":{"RouterRoutes":"10.0.0.1"}}})"},
        JsonCase{{"ribv4"}, R"({"flags":{"bits":9},"target":{"Rib":"Overview"}})"},
        JsonCase{{"ribv4", "-p"},
                 R"({"flags":{"bits":9},"target":{"Rib":{"Routes":[null,{"bits":3}]}}})"},
        JsonCase{{"ribv4", "-p", "10.1.2.3/8", "-o", "kernel"},
                 R"({"flags":{"bits":9},"target":{"Rib":{"Routes":["10.0.0.0/8",{"bits":1}]}}})"},
        JsonCase{{"ribv4", "-p", "10.0.0.0/8", "-o", "ospfv2"},
                 R"({"flags":{"bits":9},"target":{"Rib":{"Routes":["10.0.0.0/8",{"bits":2}]}}})"},
        JsonCase{{"bgp", "-J"}, R"({"flags":{"bits":12},"target":{"Bgp":"Overview"}})"},
        JsonCase{{"bgp", "-j"}, R"({"flags":{"bits":10},"target":{"Bgp":"Overview"}})"},
        JsonCase{{"bgp", "-d"}, R"({"flags":{"bits":25},"target":{"Bgp":"Overview"}})"},
        JsonCase{{"bgp", "-u"}, R"({"flags":{"bits":1},"target":{"Bgp":"Overview"}})"},
        JsonCase{{"bgp", "-J", "-d", "-u"}, R"({"flags":{"bits":20},"target":{"Bgp":"Overview"}})"},
        // Escapes inside a name: the daemon's brace count must skip the braces in the string.
        JsonCase{{"system", "-i", "a\"}{\\\x1b/\x7f\xc3\xa9"},
                 "{\"flags\":{\"bits\":9},\"target\":{\"System\":{\"Intfs\":\"a\\\"}{\\\\\\u001b/"
                 "\x7f\xc3\xa9\"}}}"}),
    [](const auto& info) { return std::to_string(info.index) + e2e::name_of(info.param.args); });

struct ReplyCase {
  std::string name;
  std::vector<std::string> daemon;
  std::string out;
};

void PrintTo(const ReplyCase& c, std::ostream* os) {
  *os << c.name;
}

class LocalReply : public testing::TestWithParam<ReplyCase> {};

TEST_P(LocalReply, IsPrintedAsReceivedWithOneNewline) {
  E2E_REQUIRE_NAMESPACES();
  Outcome o = run_local({"system"}, GetParam().daemon);
  EXPECT_EQ(o.out, GetParam().out);
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.status, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, LocalReply,
    testing::Values(
        ReplyCase{"Empty", {}, "\n"},
        ReplyCase{"EndsInNewline", {"--reply", "a\\nb\\n"}, "a\nb\n\n"},
        ReplyCase{"NoTrailingNewline", {"--reply", "{\"x\":1}"}, "{\"x\":1}\n"},
        // A character split across two receive calls is part of a valid reply.
        ReplyCase{"CharacterAcrossReceives",
                  {"--reply", "ab\\xe2\\x82\\xac", "--chunks", "3", "--pause-ms", "100"},
                  "ab\xe2\x82\xac\n"},
        ReplyCase{"Large",
                  {"--reply-utf8", "3000000", "--chunks", "1000,70000,1", "--pause-ms", "20"},
                  e2e::generated_utf8(3000000) + "\n"}),
    [](const auto& info) { return info.param.name; });

// The whole reply is queued before the client's first receive (the request is too large for the
// client to finish writing before the daemon reads it), so the receive counts are fixed.
TEST(LocalExchange, ReplyOf300000BytesArrivesInTwoReceives) {
  E2E_REQUIRE_NAMESPACES();
  const std::string name(40000, '\x01');
  Outcome o = run_local({"system", "-i", name},
                        {"--reply-utf8", "300000", "--reply-before-request"}, {"RUST_LOG=trace"});
  const std::string reply = e2e::generated_utf8(300000);
  EXPECT_EQ(o.out, reply + "\n");
  EXPECT_EQ(o.status, 0);
  std::string escaped_name;
  for (std::size_t i = 0; i < name.size(); ++i) {
    escaped_name += "\\u{1}";
  }
  std::string json = R"({"flags":{"bits":9},"target":{"System":{"Intfs":")";
  for (std::size_t i = 0; i < name.size(); ++i) {
    json += "\\u0001";
  }
  json += "\"}}}";
  EXPECT_EQ(o.requests, json);
  std::string debug_reply;
  for (char c : reply) {
    if (c == '\n') {
      debug_reply += "\\n";
    } else if (c == '"') {
      debug_reply += "\\\"";
    } else {
      debug_reply += c;
    }
  }
  const std::string expected =
      e2e::start_line(o.pid) +
      "[TIME TRACE quamorsc] Cmd from Args System(SystemCmdArgs { common: CommonArgs { detail: "
      "false, host: None, json_format: false, json_pretty: false, unsorted: false, show_url: "
      "false }, intf_name: Some(Some(\"" +
      escaped_name +
      "\")) })\n"
      "[TIME TRACE quamorsc] OpCmd from Cmd OpCmd { flags: JSON_LINES | SORT, target: "
      "System(Intfs(Some(\"" +
      escaped_name +
      "\"))) }\n"
      "[TIME DEBUG quamorsc] Tx Op Cmd 'OpCmd { flags: JSON_LINES | SORT, target: "
      "System(Intfs(Some(\"" +
      escaped_name + "\"))) }'\n" + "[TIME TRACE quamorsc] Op Cmd Tx " +
      std::to_string(json.size()) +
      " bytes\n"
      "[TIME TRACE quamorsc] Op Cmd Rx 204800 bytes\n"
      "[TIME TRACE quamorsc] Op Cmd Rx 95200 bytes\n"
      "[TIME TRACE quamorsc] Op Cmd Rx 0 bytes\n"
      "[TIME TRACE quamorsc] Rx reply \"" +
      debug_reply + "\"\n";
  EXPECT_EQ(o.err, expected);
}

struct FailureCase {
  std::string name;
  std::vector<std::string> args;
  std::vector<std::string> daemon;  // none: no daemon, so no socket file
  std::string err;
  int status;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
  *os << c.name;
}

class LocalFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(LocalFailure, IsOneLineAndItsStatus) {
  E2E_REQUIRE_NAMESPACES();
  const FailureCase& c = GetParam();
  Scenario s{c.args, {}, std::nullopt};
  if (!c.daemon.empty()) {
    s.daemon = c.daemon;
    s.daemon->insert(s.daemon->begin(), "--local");
  }
  Outcome o = e2e::run(s);
  EXPECT_EQ(o.err, c.err);
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(o.status, c.status);
}

INSTANTIATE_TEST_SUITE_P(
    Causes, LocalFailure,
    testing::Values(
        FailureCase{"NoSocketFile",
                    {"system"},
                    {},
                    "Failed to connect to \"/tmp/zurozivo.sock\": No such file or directory (os "
                    "error 2)\n",
                    68},
        FailureCase{"BadByteInTheMiddle",
                    {"bgp"},
                    {"--reply", "ab\\xffcd"},
                    "Failed to convert Rx UTF-8 to a string FromUtf8Error { bytes: [97, 98, 255, "
                    "99, 100], error: Utf8Error { valid_up_to: 2, error_len: Some(1) } }\n",
                    66},
        FailureCase{"CutAtTheEnd",
                    {"bgp"},
                    {"--reply", "ok\\xe2\\x82"},
                    "Failed to convert Rx UTF-8 to a string FromUtf8Error { bytes: [111, 107, 226, "
                    "130], error: Utf8Error { valid_up_to: 2, error_len: None } }\n",
                    66},
        FailureCase{"BadFirstByte",
                    {"bgp"},
                    {"--reply", "\\xffok"},
                    "Failed to convert Rx UTF-8 to a string FromUtf8Error { bytes: [255, 111, "
                    "107], error: Utf8Error { valid_up_to: 0, error_len: Some(1) } }\n",
                    66},
        FailureCase{"BadLastByte",
                    {"bgp"},
                    {"--reply", "ok\\x80"},
                    "Failed to convert Rx UTF-8 to a string FromUtf8Error { bytes: [111, 107, "
                    "128], error: Utf8Error { valid_up_to: 2, error_len: Some(1) } }\n",
                    66},
        // A lead byte whose character is broken by the next byte, not cut by the end.
        FailureCase{"BrokenBeforeTheEnd",
                    {"bgp"},
                    {"--reply", "\\xf0\\x9f\\x98!"},
                    "Failed to convert Rx UTF-8 to a string FromUtf8Error { bytes: [240, 159, "
                    "152, 33], error: Utf8Error { valid_up_to: 0, error_len: Some(3) } }\n",
                    66},
        FailureCase{"CutInsideAFourByteCharacter",
                    {"bgp"},
                    {"--reply", "\\xf0\\x9f\\x98"},
                    "Failed to convert Rx UTF-8 to a string FromUtf8Error { bytes: [240, 159, "
                    "152], error: Utf8Error { valid_up_to: 0, error_len: None } }\n",
                    66},
        FailureCase{"Surrogate",
                    {"bgp"},
                    {"--reply", "\\xed\\xa0\\x80"},
                    "Failed to convert Rx UTF-8 to a string FromUtf8Error { bytes: [237, 160, "
                    "128], error: Utf8Error { valid_up_to: 0, error_len: Some(1) } }\n",
                    66},
        FailureCase{"ResetDuringTheReply",
                    {"bgp"},
                    {"--reply-utf8", "5000", "--reset-after", "100"},
                    "Stream read failed \"connection reset\"\n",
                    74}),
    [](const auto& info) { return info.param.name; });

// The daemon closes before it has read the request, which is too large to be written before
// that: the write fails with EPIPE and the process is not killed by SIGPIPE.
TEST(LocalExchange, DaemonClosingBeforeTheRequestIsWrittenIsBrokenPipe) {
  E2E_REQUIRE_NAMESPACES();
  const std::string name(60000, '\x01');
  Outcome o = run_local({"system", "-i", name}, {"--close-without-reading-ms", "200"});
  EXPECT_EQ(o.signal, 0);
  EXPECT_EQ(o.status, 74);
  const std::string tail = ": Os { code: 32, kind: BrokenPipe, message: \"Broken pipe\" }\n";
  EXPECT_TRUE(
      o.err.starts_with("Failed to Tx op_cmd JSON string \"{\\\"flags\\\":{\\\"bits\\\":9},"
                        "\\\"target\\\":{\\\"System\\\":{\\\"Intfs\\\":\\\"\\\\u0001"))
      << o.err.substr(0, 200);
  EXPECT_TRUE(o.err.ends_with("\\\\u0001\\\"}}}\"" + tail)) << o.err.substr(o.err.size() - 200);
  EXPECT_EQ(o.err.find('\n'), o.err.size() - 1);
}

}  // namespace

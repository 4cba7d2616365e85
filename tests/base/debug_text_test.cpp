#include "base/debug_text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace base {
namespace {

std::string debug_text_of(std::string_view text) {
  std::string out;
  debug_str(out, text);
  return out;
}

struct EscapeCase {
  std::string_view text;
  std::string_view debug;  // without the surrounding quotes
};

class DebugStrEscapes : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(DebugStrEscapes, WritesTheTextInQuotes) {
  EXPECT_EQ(debug_text_of(GetParam().text), "\"" + std::string(GetParam().debug) + "\"");
}

using namespace std::string_view_literals;

INSTANTIATE_TEST_SUITE_P(
    AsciiRules, DebugStrEscapes,
    ::testing::Values(EscapeCase{"", ""}, EscapeCase{"eth0", "eth0"},
                      EscapeCase{"a b~", "a b~"},  // ASCII space and tilde stay
                      EscapeCase{"a\"b", "a\\\"b"}, EscapeCase{"a'b", "a\\'b"},
                      EscapeCase{"a\\b", "a\\\\b"}, EscapeCase{"\t\n\r", "\\t\\n\\r"},
                      EscapeCase{"\0"sv, "\\u{0}"}, EscapeCase{"\x01", "\\u{1}"},
                      EscapeCase{"\x1b[0m", "\\u{1b}[0m"}, EscapeCase{"\x1f", "\\u{1f}"},
                      EscapeCase{"\x7f", "\\u{7f}"},
                      EscapeCase{"\x08\x0b\x0c", "\\u{8}\\u{b}\\u{c}"},
                      EscapeCase{"x\0y\0"sv, "x\\u{0}y\\u{0}"}));

INSTANTIATE_TEST_SUITE_P(
    Unicode, DebugStrEscapes,
    ::testing::Values(EscapeCase{"caf\u00e9", "caf\u00e9"},
                      EscapeCase{"\u65e5\u672c", "\u65e5\u672c"},
                      EscapeCase{"\U0001F44D", "\U0001F44D"},
                      // A skin-tone modifier extends the cluster but is no combining mark.
                      EscapeCase{"\U0001F44D\U0001F3FB", "\U0001F44D\U0001F3FB"},
                      // A spacing mark outside Grapheme_Extend stays.
                      EscapeCase{"\u0915\u0903", "\u0915\u0903"},
                      // Combining and other extending characters.
                      EscapeCase{"e\u0301", "e\\u{301}"}, EscapeCase{"\u20dd", "\\u{20dd}"},
                      EscapeCase{"\u200c", "\\u{200c}"}, EscapeCase{"\uff9e", "\\u{ff9e}"},
                      // Controls, format characters, separators, private use, unassigned.
                      EscapeCase{"\u0085", "\\u{85}"}, EscapeCase{"\u00ad", "\\u{ad}"},
                      EscapeCase{"\u200b\u200d", "\\u{200b}\\u{200d}"},
                      EscapeCase{"\ufeff", "\\u{feff}"}, EscapeCase{"a\u00a0b", "a\\u{a0}b"},
                      EscapeCase{"\u3000", "\\u{3000}"},
                      EscapeCase{"\u2028\u2029", "\\u{2028}\\u{2029}"},
                      EscapeCase{"\ue000", "\\u{e000}"}, EscapeCase{"\U0010FFFF", "\\u{10ffff}"},
                      EscapeCase{"\xcd\xb8", "\\u{378}"}, EscapeCase{"\U000E0001", "\\u{e0001}"}));

// Broken sequences never stop the text: each maximal broken part becomes one U+FFFD.
INSTANTIATE_TEST_SUITE_P(
    InvalidUtf8, DebugStrEscapes,
    ::testing::Values(EscapeCase{"\xff", "\xEF\xBF\xBD"}, EscapeCase{"a\x80z", "a\xEF\xBF\xBDz"},
                      EscapeCase{"a\xc3", "a\xEF\xBF\xBD"}, EscapeCase{"\xe2\x82", "\xEF\xBF\xBD"},
                      EscapeCase{"\xe2\x82x", "\xEF\xBF\xBDx"},
                      EscapeCase{"\xc0\xaf", "\xEF\xBF\xBD\xEF\xBF\xBD"},
                      EscapeCase{"\xed\xa0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
                      EscapeCase{"\xf4\x90\x80\x80",
                                 "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
                      EscapeCase{"\xf0\x9f\x91\"", "\xEF\xBF\xBD\\\""}));

TEST(DebugStr, AppendsToWhatIsThere) {
  std::string out = "name: ";
  debug_str(out, "a'");
  EXPECT_EQ(out, R"(name: "a\'")");
}

TEST(DebugStr, CopiesLongPlainRunsWhole) {
  const std::string plain(100000, 'x');
  EXPECT_EQ(debug_text_of(plain + "\n" + plain), "\"" + plain + "\\n" + plain + "\"");
}

TEST(DebugForms, RecordTupleAndOptional) {
  std::string out;
  DebugRecord(out, "Empty").finish();
  out += ' ';
  DebugRecord(out, "R").field("a", true).field("b", std::optional<std::string>{"x"}).finish();
  out += ' ';
  DebugTuple(out, "Unit").finish();
  out += ' ';
  DebugTuple(out, "T").value(std::uint8_t{7}).value(std::optional<unsigned>{}).finish();
  out += ' ';
  debug_fmt(out, std::optional<std::optional<bool>>{std::optional<bool>{false}});
  EXPECT_EQ(out, R"(Empty R { a: true, b: Some("x") } Unit T(7, None) Some(Some(false)))");
}

}  // namespace
}  // namespace base

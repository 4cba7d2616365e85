#include "quamorsc/cli/argparse.h"
#include "quamorsc/cli/similarity.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quamorsc::argparse {
namespace {

TEST(Similarity, JaroWinklerOnCharacters) {
  EXPECT_EQ(similarity("", ""), 1.0);
  EXPECT_EQ(similarity("", "a"), 0.0);
  EXPECT_EQ(similarity("a", ""), 0.0);
  EXPECT_EQ(similarity("a", "a"), 1.0);
  EXPECT_EQ(similarity("a", "b"), 0.0);
  EXPECT_EQ(similarity("ab", "ba"), 0.0);  // the match window is empty for two characters
  EXPECT_DOUBLE_EQ(similarity("jsn", "json"), (1.0 + 0.75 + 1.0) / 3 + 0.2 * (1 - 2.75 / 3));
  // One match lies before its predecessor: t is 1, where the half count of out-of-order
  // characters would be 1.5.
  EXPECT_DOUBLE_EQ(similarity("abcxyz", "cabxyz"), (2.0 + 5.0 / 6) / 3);
  // The common prefix counts in full, not only its first four characters.
  EXPECT_DOUBLE_EQ(similarity("abcdefgh", "abcdefgx"), 2.75 / 3 + 0.7 * (1 - 2.75 / 3));
  EXPECT_EQ(similarity("abcdefghijkl", "abcdefghijklm"), 1.0);
  // Characters, not bytes: "aé" has two.
  EXPECT_DOUBLE_EQ(similarity("a\u00e9", "ae"), 2.0 / 3 + 0.1 * (1.0 / 3));
}

tl::expected<void, std::string> refuse_empty(std::string_view value) {
  if (value.empty()) {
    return tl::unexpected(std::string("must not be empty"));
  }
  return {};
}

App tool() {
  return App{"tool",
             "1.2",
             {
                 {"a",
                  "",
                  {
                      Option{"colour", 'c', "colour", Kind::Flag, "Colour it", nullptr},
                      Option{"abe", 'e', "abe", Kind::Value, "", nullptr},
                      Option{"abd", '\0', "abd", Kind::Flag, "", nullptr},
                      Option{"name", 'n', "name", Kind::OptionalValue, "", refuse_empty},
                  }},
                 {"b", "Runs b", {Option{"colr", 'c', "colr", Kind::Flag, "", nullptr}}},
             }};
}

// The match of the option declared under `arg_name`: the matches hold one per declared option,
// in the order of the declaration.
const OptionMatch& match_of(const Matches& matches, std::string_view arg_name) {
  const std::vector<Option>& declared = matches.subcommand->options;
  for (std::size_t i = 0; i < declared.size(); ++i) {
    if (declared[i].arg_name == arg_name) {
      return matches.options.at(i);
    }
  }
  ADD_FAILURE() << "no option " << arg_name;
  static const OptionMatch none;
  return none;
}

Exit exit_of(const App& app, std::vector<std::string> words) {
  words.insert(words.begin(), "tool");
  auto parsed = parse(app, words, false);
  EXPECT_TRUE(std::holds_alternative<Exit>(parsed));
  return std::holds_alternative<Exit>(parsed) ? std::get<Exit>(parsed) : Exit{};
}

TEST(Engine, ScreensFollowTheDeclaration) {
  const App app = tool();
  EXPECT_EQ(exit_of(app, {"-h"}).text,
            "tool 1.2\n\nUSAGE:\n    tool <SUBCOMMAND>\n\nFLAGS:\n"
            "    -h, --help       Prints help information\n"
            "    -V, --version    Prints version information\n\nSUBCOMMANDS:\n"
            "    a       \n    b       Runs b\n"
            "    help    Prints this message or the help of the given subcommand(s)\n");
  EXPECT_EQ(exit_of(app, {"b", "-h"}).text,
            "tool-b 1.2\n\nUSAGE:\n    tool b [FLAGS]\n\nFLAGS:\n"
            "    -c, --colr       \n"
            "    -h, --help       Prints help information\n"
            "    -V, --version    Prints version information\n");
  EXPECT_EQ(exit_of(app, {"a", "--help"}).text,
            "tool-a 1.2\n\nUSAGE:\n    tool a [FLAGS] [OPTIONS]\n\nFLAGS:\n"
            "        --abd        \n"
            "    -c, --colour     Colour it\n"
            "    -h, --help       Prints help information\n"
            "    -V, --version    Prints version information\n\nOPTIONS:\n"
            "    -e, --abe <abe>      \n"
            "    -n, --name <name>    \n");
}

TEST(Engine, SuggestionOrder) {
  const App app = tool();
  // The first subcommand with a close name is named, even if a later one has the very name.
  EXPECT_NE(exit_of(app, {"--colr"})
                .text.find("Did you mean to put '--colour' after the "
                           "subcommand 'a'?"),
            std::string::npos);
  // Equally close names: flags come before value options whatever the declaration order.
  EXPECT_NE(exit_of(app, {"a", "--abc"}).text.find("Did you mean --abd?"), std::string::npos);
}

TEST(Engine, MatchesAndChecks) {
  const App app = tool();
  std::vector<std::string> words = {"tool", "a", "-cc", "--abe", "x", "-n", "y"};
  auto parsed = parse(app, words, false);
  // --colour was given twice.
  ASSERT_TRUE(std::holds_alternative<Exit>(parsed));
  EXPECT_EQ(std::get<Exit>(parsed).status, 1);

  words = {"tool", "a", "-c", "--abe", "", "-n", "y"};
  parsed = parse(app, words, false);
  ASSERT_TRUE(std::holds_alternative<Matches>(parsed));
  const auto& matches = std::get<Matches>(parsed);
  EXPECT_EQ(matches.subcommand->name, "a");
  ASSERT_EQ(matches.options.size(), matches.subcommand->options.size());
  EXPECT_EQ(match_of(matches, "colour").occurrences, 1u);
  EXPECT_EQ(match_of(matches, "abe").values, std::vector<std::string>{""});
  EXPECT_EQ(match_of(matches, "abd").occurrences, 0u);
  EXPECT_EQ(match_of(matches, "name").values, std::vector<std::string>{"y"});

  EXPECT_EQ(exit_of(app, {"a", "--name="}).text,
            "error: Invalid value for '--name <name>': must not be empty\n");
}

}  // namespace
}  // namespace quamorsc::argparse

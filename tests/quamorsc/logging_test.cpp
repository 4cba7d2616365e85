#include "quamorsc/process/logging.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace quamorsc::logging {
namespace {

constexpr std::int64_t kFixedTime = 1580128496;  // 2020-01-27T12:34:56Z

Directive all(Level level) {
  return {std::nullopt, level};
}
Directive named(std::string name, Level level) {
  return {std::move(name), level};
}

std::string invalid_directive(const std::string& text) {
  return "warning: invalid logging spec '" + text + "', ignoring it\n";
}

TEST(ParseLevel, NamesInAnyCaseAndNothingElse) {
  EXPECT_EQ(parse_level("off"), Level::Off);
  EXPECT_EQ(parse_level("ERROR"), Level::Error);
  EXPECT_EQ(parse_level("wArN"), Level::Warn);
  EXPECT_EQ(parse_level("Info"), Level::Info);
  EXPECT_EQ(parse_level("debug"), Level::Debug);
  EXPECT_EQ(parse_level("TRACE"), Level::Trace);
  for (const char* text : {"", "0", "1", "5", "warning", "err", " info", "info ", "verbose"}) {
    EXPECT_EQ(parse_level(text), std::nullopt) << text;
  }
}

TEST(ParseFilter, DirectivesAndWarnings) {
  struct Case {
    std::string text;
    std::vector<Directive> directives;
    std::vector<std::string> warnings;
  };
  const Case cases[] = {
      {"", {all(Level::Error)}, {}},
      {",,", {all(Level::Error)}, {}},
      {"debug", {all(Level::Debug)}, {}},
      {"DeBuG", {all(Level::Debug)}, {}},
      {"off", {all(Level::Off)}, {}},
      {"3", {named("3", Level::Trace)}, {}},
      {"quamorsc", {named("quamorsc", Level::Trace)}, {}},
      {"quamorsc=", {named("quamorsc", Level::Trace)}, {}},
      {"quamorsc= \t", {named("quamorsc", Level::Trace)}, {}},
      {"quamorsc= info ", {named("quamorsc", Level::Info)}, {}},
      {"quamorsc=\xC2\xA0"
       "debug\xE3\x80\x80",
       {named("quamorsc", Level::Debug)},
       {}},
      {"quamorsc=OFF", {named("quamorsc", Level::Off)}, {}},
      {"=warn", {named("", Level::Warn)}, {}},
      {" quamorsc =debug", {named(" quamorsc ", Level::Debug)}, {}},
      {"debug, info", {all(Level::Debug), named(" info", Level::Trace)}, {}},
      {",,debug,,x=info,", {all(Level::Debug), named("x", Level::Info)}, {}},
      {"quamorsc=verbose", {all(Level::Error)}, {invalid_directive("verbose")}},
      {"quamorsc= verbose ", {all(Level::Error)}, {invalid_directive("verbose")}},
      {"quamorsc=3", {all(Level::Error)}, {invalid_directive("3")}},
      {"a=b=c", {all(Level::Error)}, {invalid_directive("a=b=c")}},
      {"a==", {all(Level::Error)}, {invalid_directive("a==")}},
      {"a=b=c,debug", {all(Level::Debug)}, {invalid_directive("a=b=c")}},
      {"x=1,y=2=3,z= bad ,info",
       {all(Level::Info)},
       {invalid_directive("1"), invalid_directive("y=2=3"), invalid_directive("bad")}},
      {"a/b/c",
       {all(Level::Error)},
       {"warning: invalid logging spec 'a/b/c', ignoring it (too many '/'s)\n"}},
      {"x=verbose/b/",
       {all(Level::Error)},
       {"warning: invalid logging spec 'x=verbose/b/', ignoring it (too many '/'s)\n"}},
  };
  for (const Case& c : cases) {
    Filter filter = parse_filter(c.text);
    EXPECT_EQ(filter.directives, c.directives) << c.text;
    EXPECT_EQ(filter.warnings, c.warnings) << c.text;
    EXPECT_EQ(filter.expression, std::nullopt) << c.text;
  }
}

TEST(ParseFilter, MessageExpression) {
  Filter filter = parse_filter("debug/ab+c");
  EXPECT_EQ(filter.directives, std::vector{all(Level::Debug)});
  EXPECT_EQ(filter.expression, "ab+c");
  EXPECT_TRUE(filter.warnings.empty());

  filter = parse_filter("/START");
  EXPECT_EQ(filter.directives, std::vector{all(Level::Error)});
  EXPECT_EQ(filter.expression, "START");

  // A bad expression is dropped; the directives before it stay.
  filter = parse_filter("x=verbose,debug/(ab");
  EXPECT_EQ(filter.directives, std::vector{all(Level::Debug)});
  EXPECT_EQ(filter.expression, std::nullopt);
  EXPECT_EQ(filter.warnings,
            (std::vector<std::string>{invalid_directive("verbose"),
                                      "warning: invalid regex filter - missing ): (ab\n"}));
}

TEST(TargetLevel, LongestPrefixDecidesThenTheLaterOne) {
  struct Case {
    const char* rust_log;
    Level level;
  };
  for (auto c : {
           Case{"", Level::Error},
           Case{"quamorsc=verbose", Level::Error},
           Case{"debug", Level::Debug},
           Case{"quamorsc=debug", Level::Debug},
           Case{"quamors=debug", Level::Debug},
           Case{"=debug", Level::Debug},
           Case{"quamorsc::x=debug", Level::Off},
           Case{"quamorscx=debug", Level::Off},
           Case{"QUAMORSC=debug", Level::Off},
           Case{"other=trace", Level::Off},
           Case{"q=trace,quamorsc=info", Level::Info},
           Case{"quamorsc=info,q=trace", Level::Info},
           Case{"quamorsc=info,quamorsc=debug", Level::Debug},
           Case{"quamorsc=debug,quamorsc=info", Level::Info},
           Case{"info,debug", Level::Debug},
           Case{"debug,info", Level::Info},
           Case{"debug,quamorsc=off", Level::Off},
           Case{"quamorsc=off,trace", Level::Off},
           Case{"trace,quamors=warn,quamorsc", Level::Trace},
           Case{"error,q=DEBUG", Level::Debug},
       }) {
    EXPECT_EQ(target_level(parse_filter(c.rust_log).directives, kTarget), c.level) << c.rust_log;
  }
}

TEST(MaxLevel, HighestOfAllDirectives) {
  struct Case {
    const char* rust_log;
    Level level;
  };
  for (auto c : {Case{"", Level::Error}, Case{"off", Level::Off}, Case{"quamorsc=off", Level::Off},
                 Case{"other=trace", Level::Trace}, Case{"info,x=debug,warn", Level::Debug},
                 Case{"quamorsc", Level::Trace}}) {
    EXPECT_EQ(max_level(parse_filter(c.rust_log).directives), c.level) << c.rust_log;
  }
}

TEST(ColourWanted, StyleTerminalAndTerm) {
  struct Case {
    std::optional<std::string> style;
    bool terminal;
    std::optional<std::string> term;
    bool colour;
  };
  const Case cases[] = {
      {"always", false, std::nullopt, true},
      {"always", false, "dumb", true},
      {"never", true, "xterm", false},
      {std::nullopt, true, "xterm", true},
      {std::nullopt, true, std::nullopt, false},
      {std::nullopt, true, "dumb", false},
      {std::nullopt, false, "xterm", false},
      {"auto", true, "xterm", true},
      {"auto", false, "xterm", false},
      {"Always", false, "xterm", false},
      {"Always", true, "xterm", true},
      {"NEVER", true, "xterm", true},
      {"bogus", true, "dumb", false},
  };
  for (const Case& c : cases) {
    Environment env;
    env.rust_log_style = c.style;
    env.stderr_is_terminal = c.terminal;
    env.term = c.term;
    EXPECT_EQ(colour_wanted(env), c.colour)
        << c.style.value_or("(unset)") << " " << c.terminal << " " << c.term.value_or("(unset)");
  }
}

TEST(UtcTime, CivilDateToTheSecond) {
  struct Case {
    std::int64_t seconds;
    const char* text;
  };
  for (auto c : {Case{kFixedTime, "2020-01-27T12:34:56Z"}, Case{0, "1970-01-01T00:00:00Z"},
                 Case{951782400, "2000-02-29T00:00:00Z"}, Case{1709208000, "2024-02-29T12:00:00Z"},
                 Case{253402300799, "9999-12-31T23:59:59Z"}, Case{-1, "1969-12-31T23:59:59Z"},
                 Case{-62135596800, "0001-01-01T00:00:00Z"}}) {
    EXPECT_EQ(utc_time(c.seconds), c.text) << c.seconds;
  }
}

TEST(UtcTime, IgnoresTheTimeZone) {
  const char* old = std::getenv("TZ");
  std::string saved = old ? old : "";
  ::setenv("TZ", "Asia/Tokyo", 1);
  EXPECT_EQ(utc_time(kFixedTime), "2020-01-27T12:34:56Z");
  if (old) {
    ::setenv("TZ", saved.c_str(), 1);
  } else {
    ::unsetenv("TZ");
  }
}

TEST(FormatLine, EveryLevelPlainAndColoured) {
  struct Case {
    Level level;
    const char* plain;
    const char* coloured;
  };
  const Case cases[] = {
      {Level::Error, "[2020-01-27T12:34:56Z ERROR quamorsc] m\n",
       "\x1b[0m\x1b[38;5;8m[\x1b[0m2020-01-27T12:34:56Z \x1b[0m\x1b[1m\x1b[31mERROR\x1b[0m "
       "quamorsc\x1b[0m\x1b[38;5;8m]\x1b[0m m\n"},
      {Level::Warn, "[2020-01-27T12:34:56Z WARN  quamorsc] m\n",
       "\x1b[0m\x1b[38;5;8m[\x1b[0m2020-01-27T12:34:56Z \x1b[0m\x1b[33mWARN \x1b[0m "
       "quamorsc\x1b[0m\x1b[38;5;8m]\x1b[0m m\n"},
      {Level::Info, "[2020-01-27T12:34:56Z INFO  quamorsc] m\n",
       "\x1b[0m\x1b[38;5;8m[\x1b[0m2020-01-27T12:34:56Z \x1b[0m\x1b[32mINFO \x1b[0m "
       "quamorsc\x1b[0m\x1b[38;5;8m]\x1b[0m m\n"},
      {Level::Debug, "[2020-01-27T12:34:56Z DEBUG quamorsc] m\n",
       "\x1b[0m\x1b[38;5;8m[\x1b[0m2020-01-27T12:34:56Z \x1b[0m\x1b[37mDEBUG\x1b[0m "
       "quamorsc\x1b[0m\x1b[38;5;8m]\x1b[0m m\n"},
      {Level::Trace, "[2020-01-27T12:34:56Z TRACE quamorsc] m\n",
       "\x1b[0m\x1b[38;5;8m[\x1b[0m2020-01-27T12:34:56Z \x1b[0m\x1b[38;5;8mTRACE\x1b[0m "
       "quamorsc\x1b[0m\x1b[38;5;8m]\x1b[0m m\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(format_line(c.level, kFixedTime, "m", false), c.plain) << level_name(c.level);
    EXPECT_EQ(format_line(c.level, kFixedTime, "m", true), c.coloured) << level_name(c.level);
  }
}

TEST(FormatLine, IndentsEveryLineAfterTheFirst) {
  EXPECT_EQ(format_line(Level::Debug, kFixedTime, "a\nb\n\nc", false),
            "[2020-01-27T12:34:56Z DEBUG quamorsc] a\n    b\n    \n    c\n");
  EXPECT_EQ(format_line(Level::Info, kFixedTime, "end\n", false),
            "[2020-01-27T12:34:56Z INFO  quamorsc] end\n    \n");
  EXPECT_EQ(format_line(Level::Info, kFixedTime, "", false),
            "[2020-01-27T12:34:56Z INFO  quamorsc] \n");
  // The message is never coloured, its continuation lines neither.
  EXPECT_EQ(format_line(Level::Trace, kFixedTime, "x\ny", true),
            "\x1b[0m\x1b[38;5;8m[\x1b[0m2020-01-27T12:34:56Z \x1b[0m\x1b[38;5;8mTRACE\x1b[0m "
            "quamorsc\x1b[0m\x1b[38;5;8m]\x1b[0m x\n    y\n");
}

TEST(ProcessEnvironment, VariablesThatAreNotUtf8CountAsUnset) {
  struct Case {
    const char* value;
    bool valid;
  };
  const Case cases[] = {
      {"quamorsc=debug", true},
      {"", true},
      {"\xC3\xA9", true},
      {"\xE2\x82\xAC", true},
      {"\xF0\x9D\x84\x9E", true},
      {"\xEF\xBF\xBF", true},
      {"\xFF", false},
      {"a\x80", false},
      {"\xC0\x80", false},
      {"\xE0\x80\xAF", false},
      {"\xED\xA0\x80", false},
      {"\xF4\x90\x80\x80", false},
      {"\xE2\x82", false},
      {"debug\xC3", false},
  };
  using Field = std::optional<std::string> Environment::*;
  struct Variable {
    const char* name;
    Field field;
  };
  for (auto v : {Variable{"RUST_LOG", &Environment::rust_log},
                 Variable{"RUST_LOG_STYLE", &Environment::rust_log_style},
                 Variable{"TERM", &Environment::term}}) {
    const char* old = std::getenv(v.name);
    std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
    for (const Case& c : cases) {
      ::setenv(v.name, c.value, 1);
      EXPECT_EQ(process_environment().*v.field,
                c.valid ? std::optional<std::string>(c.value) : std::nullopt)
          << v.name << " " << ::testing::PrintToString(std::string(c.value));
    }
    ::unsetenv(v.name);
    EXPECT_EQ(process_environment().*v.field, std::nullopt) << v.name;
    if (saved) {
      ::setenv(v.name, saved->c_str(), 1);
    }
  }
}

// Installs a logger from the given variables and keeps every write.
class Logging : public ::testing::Test {
 protected:
  void install(std::optional<std::string> rust_log,
               std::optional<std::string> style = std::nullopt) {
    Environment env;
    env.rust_log = std::move(rust_log);
    env.rust_log_style = std::move(style);
    env.now = [] { return kFixedTime; };
    env.write = [this](std::string_view bytes) { writes.emplace_back(bytes); };
    init(std::move(env));
  }
  // Leaves a default logger that no longer points at this fixture.
  void TearDown() override {
    Environment env;
    env.now = [] { return kFixedTime; };
    env.write = [](std::string_view) {};
    init(std::move(env));
  }

  std::vector<std::string> writes;
};

TEST_F(Logging, DefaultFilterWritesOnlyErrors) {
  install(std::nullopt);
  EXPECT_TRUE(enabled(Level::Error));
  EXPECT_FALSE(enabled(Level::Warn));
  log(Level::Warn, "w");
  log(Level::Trace, "t");
  log(Level::Error, "e");
  EXPECT_EQ(writes, std::vector<std::string>{"[2020-01-27T12:34:56Z ERROR quamorsc] e\n"});
}

TEST_F(Logging, LevelsAtOrBelowTheDecidingDirective) {
  install("info,quamors=debug");
  for (Level level :
       {Level::Error, Level::Warn, Level::Info, Level::Debug, Level::Trace, Level::Off}) {
    log(level, "x");
  }
  ASSERT_EQ(writes.size(), 4u);
  EXPECT_EQ(writes[3], "[2020-01-27T12:34:56Z DEBUG quamorsc] x\n");
}

TEST_F(Logging, WarningsComeFirstAndInOrder) {
  install("quamorsc=verbose,a=b=c,debug");
  log(Level::Debug, "after");
  EXPECT_EQ(writes,
            (std::vector<std::string>{invalid_directive("verbose"), invalid_directive("a=b=c"),
                                      "[2020-01-27T12:34:56Z DEBUG quamorsc] after\n"}));
}

TEST_F(Logging, OnlyAWarningWhenNoDirectiveIsValid) {
  install("quamorsc=verbose");
  log(Level::Debug, "START");
  EXPECT_EQ(writes, std::vector<std::string>{invalid_directive("verbose")});
}

TEST_F(Logging, ExpressionIsSearchedAnywhereInTheMessage) {
  install("trace/ab+c");
  log(Level::Debug, "xxabbbcx");
  log(Level::Debug, "ac");
  log(Level::Trace, "abc");
  install("debug/^START");
  log(Level::Debug, "START: Version");
  log(Level::Debug, "x START");
  EXPECT_EQ(writes, (std::vector<std::string>{"[2020-01-27T12:34:56Z DEBUG quamorsc] xxabbbcx\n",
                                              "[2020-01-27T12:34:56Z TRACE quamorsc] abc\n",
                                              "[2020-01-27T12:34:56Z DEBUG quamorsc] START: "
                                              "Version\n"}));
}

TEST_F(Logging, RecordAboveTheMaximumIsNeverFormed) {
  install("debug");
  int formed = 0;
  auto message = [&] {
    ++formed;
    return std::string("m");
  };
  if (enabled(Level::Trace)) {
    log(Level::Trace, message());
  }
  EXPECT_EQ(formed, 0);
  if (enabled(Level::Debug)) {
    log(Level::Debug, message());
  }
  EXPECT_EQ(formed, 1);
  EXPECT_EQ(writes.size(), 1u);
}

TEST_F(Logging, MaximumCountsOtherTargetsButTheFilterStillDecides) {
  install("other=trace");
  EXPECT_TRUE(enabled(Level::Trace));
  log(Level::Trace, "t");
  log(Level::Error, "e");
  EXPECT_TRUE(writes.empty());

  install("quamorsc=off");
  EXPECT_FALSE(enabled(Level::Error));
}

TEST_F(Logging, ColourFollowsTheStyle) {
  install("debug", "always");
  log(Level::Debug, "c");
  install("debug", "never");
  log(Level::Debug, "p");
  EXPECT_EQ(writes,
            (std::vector<std::string>{
                "\x1b[0m\x1b[38;5;8m[\x1b[0m2020-01-27T12:34:56Z \x1b[0m\x1b[37mDEBUG\x1b[0m "
                "quamorsc\x1b[0m\x1b[38;5;8m]\x1b[0m c\n",
                "[2020-01-27T12:34:56Z DEBUG quamorsc] p\n"}));
}

TEST_F(Logging, ReinitialisingReplacesTheLogger) {
  install("trace");
  install(std::nullopt);
  EXPECT_FALSE(enabled(Level::Trace));
  log(Level::Debug, "d");
  EXPECT_TRUE(writes.empty());
}

}  // namespace
}  // namespace quamorsc::logging

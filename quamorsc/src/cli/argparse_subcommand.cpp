#include "argparse_subcommand.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "argparse_checks.h"
#include "argparse_words.h"
#include "base/utf8_decode.h"
#include "quamorsc/cli/similarity.h"

namespace quamorsc::argparse {

namespace {

// Records the options that the words after a subcommand's name give, word by word; what is
// wrong with the options as a whole is for the checks at the end.
class SubcommandReader {
 public:
  SubcommandReader(const App& app, const Subcommand& sub, std::string_view display,
                   const text::Paint& paint)
      : app_(app), sub_(sub), display_(display), paint_(paint), matches_(sub.options.size()) {}

  std::variant<Matches, Exit> read(std::span<const std::string> words) {
    for (const std::string& word : words) {
      if (auto exit = read_word(word)) {
        return *std::move(exit);
      }
    }
    if (auto exit = check_matches(sub_, matches_, display_, paint_)) {
      return *std::move(exit);
    }
    return Matches{&sub_, std::move(matches_)};
  }

 private:
  // An option that may take the next word as its value.
  struct Open {
    std::size_t index;
    bool one_more;  // an optional-value option may take one more word as its second value
  };

  std::optional<Exit> read_word(std::string_view word) {
    if (!valid_utf8(word)) {
      return failure(text::invalid_utf8(paint_, usage()));
    }
    if (after_separator_) {
      return unknown(word, "");
    }
    if (open_ && !is_option_like(word)) {
      const Open open = *open_;
      open_.reset();
      auto& values = matches_[open.index].values;
      values.emplace_back(word);
      // Only a second value is taken this way: a word after it would be a third one.
      if (open.one_more && values.size() == 1) {
        open_ = Open{open.index, false};
      }
      return std::nullopt;
    }
    open_.reset();
    if (word == "--") {
      after_separator_ = true;
      return std::nullopt;
    }
    if (is_long(word)) {
      return long_option(word);
    }
    if (is_option_like(word)) {
      return cluster(word);
    }
    return unknown(word, "");
  }

  std::optional<Exit> long_option(std::string_view word) {
    const std::string_view name = long_name_of(word);
    if (name == "help") {
      return output(text::subcommand_help(app_, sub_, display_));
    }
    if (name == "version") {
      return output(text::subcommand_version(app_, sub_, display_));
    }
    auto found = std::find_if(sub_.options.begin(), sub_.options.end(),
                              [&](const Option& o) { return o.long_name == name; });
    if (found == sub_.options.end()) {
      std::string suggestion;
      if (auto best = best_match(name, long_candidates(sub_))) {
        suggestion = text::did_you_mean(paint_, *best);
      }
      return unknown(word, suggestion);
    }
    const auto index = static_cast<std::size_t>(found - sub_.options.begin());
    record(index);
    if (found->kind == Kind::Flag) {
      return std::nullopt;
    }
    if (auto value = attached_value(word)) {
      matches_[index].values.emplace_back(*value);
    } else {
      open_ = Open{index, found->kind == Kind::OptionalValue};
    }
    return std::nullopt;
  }

  // Short names read letter by letter; an option letter takes the rest of the word.
  std::optional<Exit> cluster(std::string_view word) {
    for (std::size_t pos = 1; pos < word.size();) {
      const std::size_t length = base::decode_utf8(word, pos).length;
      const std::string_view letter = word.substr(pos, length);
      pos += length;
      if (letter == "h") {
        return output(text::subcommand_help(app_, sub_, display_));
      }
      if (letter == "V") {
        return output(text::subcommand_version(app_, sub_, display_));
      }
      auto found = std::find_if(sub_.options.begin(), sub_.options.end(), [&](const Option& o) {
        return o.short_name != '\0' && letter.size() == 1 && letter[0] == o.short_name;
      });
      if (found == sub_.options.end()) {
        return unknown("-" + std::string(letter), "");
      }
      const auto index = static_cast<std::size_t>(found - sub_.options.begin());
      record(index);
      if (found->kind == Kind::Flag) {
        continue;
      }
      if (pos == word.size()) {
        open_ = Open{index, found->kind == Kind::OptionalValue};
      } else {
        matches_[index].values.emplace_back(strip_equals(word.substr(pos)));
      }
      break;
    }
    return std::nullopt;
  }

  void record(std::size_t index) {
    ++matches_[index].occurrences;
    any_recorded_ = true;
  }

  std::string usage() const { return text::subcommand_usage(sub_, display_, any_recorded_); }

  Exit unknown(std::string_view word, std::string_view suggestion) const {
    return failure(text::unknown_argument(paint_, word, suggestion, usage()));
  }

  const App& app_;
  const Subcommand& sub_;
  std::string_view display_;
  const text::Paint& paint_;
  std::vector<OptionMatch> matches_;
  bool any_recorded_ = false;
  bool after_separator_ = false;
  std::optional<Open> open_;
};

}  // namespace

std::variant<Matches, Exit> read_subcommand(const App& app, const Subcommand& sub,
                                            std::string_view display, const text::Paint& paint,
                                            std::span<const std::string> words) {
  return SubcommandReader(app, sub, display, paint).read(words);
}

}  // namespace quamorsc::argparse

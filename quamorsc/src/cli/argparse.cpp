#include "quamorsc/cli/argparse.h"

#include <optional>
#include <vector>

#include "argparse_subcommand.h"
#include "argparse_text.h"
#include "argparse_words.h"
#include "base/utf8_decode.h"
#include "quamorsc/cli/similarity.h"

namespace quamorsc::argparse {

namespace {

// Reads the words up to the subcommand's name.
class AppReader {
 public:
  AppReader(const App& app, std::string_view display, bool colour)
      : app_(app), display_(display), paint_(colour) {}

  std::variant<Matches, Exit> read(std::span<const std::string> words) {
    bool after_separator = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
      const std::string_view word = words[i];
      if (!valid_utf8(word)) {
        return failure(text::invalid_utf8(paint_, text::app_usage(display_)));
      }
      if (after_separator) {
        return unknown_word(word);
      }
      if (word == "--") {
        after_separator = true;
      } else if (is_long(word)) {
        return long_option(word);
      } else if (is_option_like(word)) {
        return cluster(word);
      } else if (const Subcommand* sub = find_subcommand(word)) {
        return read_subcommand(app_, *sub, display_, paint_, words.subspan(i + 1));
      } else if (word == "help") {
        return help_subcommand(words.subspan(i + 1));
      } else {
        return unknown_word(word);
      }
    }
    return failure(text::app_help(app_, display_));
  }

 private:
  const Subcommand* find_subcommand(std::string_view name) const {
    for (const Subcommand& sub : app_.subcommands) {
      if (sub.name == name) {
        return &sub;
      }
    }
    return nullptr;
  }

  Exit long_option(std::string_view word) const {
    const std::string_view name = long_name_of(word);
    if (name == "help") {
      return output(text::app_help(app_, display_));
    }
    if (name == "version") {
      return output(text::app_version(app_));
    }
    return failure(
        text::unknown_argument(paint_, word, long_suggestion(name), text::app_usage(display_)));
  }

  // The application's own long names, else the first subcommand that has a close one.
  std::string long_suggestion(std::string_view name) const {
    if (auto best = best_match(name, {"help", "version"})) {
      return text::did_you_mean(paint_, *best);
    }
    for (const Subcommand& sub : app_.subcommands) {
      if (auto best = best_match(name, long_candidates(sub))) {
        return text::did_you_mean_after(paint_, *best, sub.name);
      }
    }
    return "";
  }

  Exit cluster(std::string_view word) const {
    const std::size_t length = base::decode_utf8(word, 1).length;
    const std::string_view letter = word.substr(1, length);
    if (letter == "h") {
      return output(text::app_help(app_, display_));
    }
    if (letter == "V") {
      return output(text::app_version(app_));
    }
    return failure(
        text::unknown_argument(paint_, "-" + std::string(letter), "", text::app_usage(display_)));
  }

  Exit unknown_word(std::string_view word) const {
    std::vector<std::string_view> names;
    for (const Subcommand& sub : app_.subcommands) {
      names.push_back(sub.name);
    }
    names.push_back("help");
    if (auto best = best_match(word, names)) {
      return failure(
          text::unrecognized_subcommand(paint_, word, *best, display_, text::app_usage(display_)));
    }
    return failure(text::unknown_argument(paint_, word, "", text::app_usage(display_)));
  }

  Exit help_subcommand(std::span<const std::string> words) const {
    if (words.empty()) {
      return output(text::app_help(app_, display_));
    }
    const Subcommand* sub = nullptr;
    // Only the subcommand's name and the first word after it are read.
    for (std::size_t i = 0; i < words.size() && i < 2; ++i) {
      if (!valid_utf8(words[i])) {
        return failure(text::invalid_utf8(paint_, text::app_usage(display_)));
      }
      if (i == 1 || (sub = find_subcommand(words[i])) == nullptr) {
        return failure(text::help_unrecognized(paint_, words[i], display_));
      }
    }
    return output(text::subcommand_help(app_, *sub, display_));
  }

  const App& app_;
  std::string_view display_;
  text::Paint paint_;
};

}  // namespace

std::variant<Matches, Exit> parse(const App& app, std::span<const std::string> args, bool colour) {
  const std::string_view display = display_name(args, app.name);
  return AppReader(app, display, colour).read(args.empty() ? args : args.subspan(1));
}

}  // namespace quamorsc::argparse

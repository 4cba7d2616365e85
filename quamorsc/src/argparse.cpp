#include "quamorsc/argparse.h"

#include <algorithm>
#include <optional>

#include "argparse_text.h"

namespace quamorsc::argparse {

namespace {

struct Decoded {
  char32_t code_point;
  std::size_t length;
};

// The character at `pos` by RFC 3629 (no overlong forms, surrogates or values past U+10FFFF).
std::optional<Decoded> decode_at(std::string_view s, std::size_t pos) {
  const auto lead = static_cast<unsigned char>(s[pos]);
  if (lead < 0x80) {
    return Decoded{lead, 1};
  }
  // Sequence length, the bits the lead byte carries, and the least code point of that length.
  struct Form {
    std::size_t length;
    char32_t bits;
    char32_t least;
  };
  Form form{};
  if (lead >= 0xC2 && lead <= 0xDF) {
    form = {2, lead & 0x1Fu, 0x80};
  } else if ((lead & 0xF0u) == 0xE0) {
    form = {3, lead & 0x0Fu, 0x800};
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    form = {4, lead & 0x07u, 0x10000};
  } else {
    return std::nullopt;
  }
  const auto [length, lead_bits, least] = form;
  char32_t cp = lead_bits;
  if (s.size() - pos < length) {
    return std::nullopt;
  }
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(s[pos + k]);
    if ((next & 0xC0u) != 0x80) {
      return std::nullopt;
    }
    cp = (cp << 6) | (next & 0x3Fu);
  }
  if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    return std::nullopt;
  }
  return Decoded{cp, length};
}

bool valid_utf8(std::string_view s) {
  for (std::size_t pos = 0; pos < s.size();) {
    auto c = decode_at(s, pos);
    if (!c) {
      return false;
    }
    pos += c->length;
  }
  return true;
}

std::u32string characters(std::string_view s) {
  std::u32string out;
  for (std::size_t pos = 0; pos < s.size();) {
    if (auto c = decode_at(s, pos)) {
      out += c->code_point;
      pos += c->length;
    } else {
      out += U'\uFFFD';
      ++pos;
    }
  }
  return out;
}

// Jaro similarity. The transposition count t is the number of matches that lie before the
// previous match in `b`, not the usual half count of out-of-order pairs; it decides which of
// two close names is suggested, so it must stay as it is.
double jaro(std::u32string_view a, std::u32string_view b) {
  if (a.empty() && b.empty()) {
    return 1.0;
  }
  if (a.empty() || b.empty()) {
    return 0.0;
  }
  if (a.size() == 1 && b.size() == 1) {
    return a[0] == b[0] ? 1.0 : 0.0;
  }
  const std::size_t range = std::max(a.size(), b.size()) / 2 - 1;
  std::vector<bool> matched(b.size(), false);
  std::size_t matches = 0;
  std::size_t transpositions = 0;
  std::optional<std::size_t> previous;
  // Once every character of b is matched nothing more can match, which keeps a long typed word
  // against a short name linear.
  for (std::size_t i = 0; i < a.size() && matches < b.size(); ++i) {
    const std::size_t low = i > range ? i - range : 0;
    const std::size_t high = std::min(b.size() - 1, i + range);
    for (std::size_t j = low; j <= high; ++j) {
      if (!matched[j] && b[j] == a[i]) {
        matched[j] = true;
        ++matches;
        if (previous && j < *previous) {
          ++transpositions;
        }
        previous = j;
        break;
      }
    }
  }
  if (matches == 0) {
    return 0.0;
  }
  const double m = static_cast<double>(matches);
  return (m / static_cast<double>(a.size()) + m / static_cast<double>(b.size()) +
          (m - static_cast<double>(transpositions)) / m) /
         3.0;
}

double jaro_winkler(std::u32string_view a, std::u32string_view b) {
  const double j = jaro(a, b);
  std::size_t prefix = 0;
  while (prefix < a.size() && prefix < b.size() && a[prefix] == b[prefix]) {
    ++prefix;
  }
  return std::min(1.0, j + 0.1 * static_cast<double>(prefix) * (1.0 - j));
}

// The most similar candidate above 0.8; of equally similar ones the first.
std::optional<std::string_view> best_match(std::string_view word,
                                           const std::vector<std::string_view>& candidates) {
  const std::u32string typed = characters(word);
  std::optional<std::string_view> best;
  double best_score = 0.8;
  for (std::string_view candidate : candidates) {
    const double score = jaro_winkler(typed, characters(candidate));
    if (score > best_score) {
      best = candidate;
      best_score = score;
    }
  }
  return best;
}

// A subcommand's long names in the order suggestions try them.
std::vector<std::string_view> long_candidates(const Subcommand& sub) {
  std::vector<std::string_view> out;
  for (const Option& o : sub.options) {
    if (o.kind == Kind::Flag) {
      out.push_back(o.long_name);
    }
  }
  out.push_back("help");
  out.push_back("version");
  for (const Option& o : sub.options) {
    if (o.kind != Kind::Flag) {
      out.push_back(o.long_name);
    }
  }
  return out;
}

bool is_option_like(std::string_view word) {
  return word.size() > 1 && word[0] == '-';
}

bool is_long(std::string_view word) {
  return word.size() >= 2 && word[0] == '-' && word[1] == '-';
}

// The name of a "--name[=value]" word.
std::string_view long_name_of(std::string_view word) {
  std::string_view rest = word.substr(2);
  return rest.substr(0, rest.find('='));
}

std::string_view strip_equals(std::string_view s) {
  return s.substr(std::min(s.find_first_not_of('='), s.size()));
}

// The value inside a "--name=value" word, when there is one.
std::optional<std::string_view> attached_value(std::string_view word) {
  const std::size_t eq = word.find('=');
  if (eq == std::string_view::npos) {
    return std::nullopt;
  }
  return strip_equals(word.substr(eq + 1));
}

// The last component of the program path, as a path library names a file: empty and "."
// components do not count, and ".." or nothing at all names none.
std::string_view display_name(std::span<const std::string> args, std::string_view fallback) {
  if (args.empty()) {
    return fallback;
  }
  std::string_view path = args[0];
  std::string_view last;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = std::min(path.find('/', start), path.size());
    std::string_view part = path.substr(start, end - start);
    if (!part.empty() && part != ".") {
      last = part;
    }
    start = end + 1;
  }
  if (last.empty() || last == ".." || !valid_utf8(last)) {
    return fallback;
  }
  return last;
}

Exit output(std::string text) {
  return Exit{1, std::move(text), 0};
}

Exit failure(std::string text) {
  return Exit{2, std::move(text), 1};
}

// Reads the words that follow a subcommand's name.
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
    if (auto exit = finish()) {
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
      const std::size_t length = decode_at(word, pos)->length;
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

  // Value counts, then value checks, then repetition, option by option in declaration order.
  std::optional<Exit> finish() const {
    for (std::size_t i = 0; i < sub_.options.size(); ++i) {
      const Option& option = sub_.options[i];
      const OptionMatch& match = matches_[i];
      if (match.occurrences == 0) {
        continue;
      }
      if (option.kind == Kind::Value && match.values.empty()) {
        return failure(text::requires_value(paint_, option, usage()));
      }
      if (option.kind == Kind::OptionalValue && match.values.size() > 1) {
        return failure(text::too_many_values(paint_, option, match.values.back(), usage()));
      }
      if (option.check != nullptr) {
        for (const std::string& value : match.values) {
          if (auto checked = option.check(value); !checked) {
            return failure(text::invalid_value(paint_, option, checked.error()));
          }
        }
      }
      if (match.occurrences > 1) {
        return failure(text::more_than_once(paint_, option, usage()));
      }
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

// Reads the words up to the subcommand's name.
class AppReader {
 public:
  AppReader(const App& app, std::string_view display, bool color)
      : app_(app), display_(display), paint_(color) {}

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
        return SubcommandReader(app_, *sub, display_, paint_).read(words.subspan(i + 1));
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
    const std::size_t length = decode_at(word, 1)->length;
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

const OptionMatch& Matches::option(std::string_view arg_name) const {
  static const OptionMatch none;
  if (subcommand == nullptr) {
    return none;
  }
  for (std::size_t i = 0; i < subcommand->options.size() && i < options.size(); ++i) {
    if (subcommand->options[i].arg_name == arg_name) {
      return options[i];
    }
  }
  return none;
}

std::variant<Matches, Exit> parse(const App& app, std::span<const std::string> args, bool color) {
  const std::string_view display = display_name(args, app.name);
  return AppReader(app, display, color).read(args.empty() ? args : args.subspan(1));
}

double similarity(std::string_view a, std::string_view b) {
  return jaro_winkler(characters(a), characters(b));
}

}  // namespace quamorsc::argparse

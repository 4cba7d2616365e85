#include "argparse_text.h"

#include <algorithm>
#include <vector>

namespace quamorsc::argparse::text {

namespace {

constexpr std::string_view kHelpHelp = "Prints help information";
constexpr std::string_view kVersionHelp = "Prints version information";
constexpr std::string_view kHelpSubcommandAbout =
    "Prints this message or the help of the given subcommand(s)";
constexpr std::string_view kIndent = "    ";

// One line of the FLAGS or OPTIONS section.
struct Entry {
  std::string sort_key;
  char short_name = '\0';
  std::string name;  // "--long" or "--long <arg-name>"
  std::string_view help;
};

Entry entry_of(const Option& option) {
  return Entry{std::string(option.arg_name), option.short_name, display_form(option), option.help};
}

// The automatic flags sort by these keys among the declared argument names.
Entry help_entry() {
  return Entry{"hclap_help", 'h', "--help", kHelpHelp};
}
Entry version_entry() {
  return Entry{"vclap_version", 'V', "--version", kVersionHelp};
}

void append_padded(std::string& out, std::string_view text, std::size_t width) {
  out += text;
  out.append(width > text.size() ? width - text.size() : 0, ' ');
}

// Entries sorted by key; the help texts start four columns after the longest name.
void append_section(std::string& out, std::string_view heading, std::vector<Entry> entries) {
  std::stable_sort(entries.begin(), entries.end(),
                   [](const Entry& a, const Entry& b) { return a.sort_key < b.sort_key; });
  std::size_t longest = 0;
  for (const Entry& e : entries) {
    longest = std::max(longest, e.name.size());
  }
  out += heading;
  out += '\n';
  for (const Entry& e : entries) {
    out += kIndent;
    if (e.short_name != '\0') {
      out += '-';
      out += e.short_name;
      out += ", ";
    } else {
      out += kIndent;
    }
    append_padded(out, e.name, longest + kIndent.size());
    out += e.help;
    out += '\n';
  }
}

void append_subcommands(std::string& out, const App& app) {
  struct Named {
    std::string_view name;
    std::string_view about;
  };
  std::vector<Named> subs;
  for (const Subcommand& sub : app.subcommands) {
    subs.push_back({sub.name, sub.about});
  }
  subs.push_back({"help", kHelpSubcommandAbout});
  std::stable_sort(subs.begin(), subs.end(),
                   [](const Named& a, const Named& b) { return a.name < b.name; });
  std::size_t longest = 0;
  for (const Named& s : subs) {
    longest = std::max(longest, s.name.size());
  }
  out += "SUBCOMMANDS:\n";
  for (const Named& s : subs) {
    out += kIndent;
    append_padded(out, s.name, longest + kIndent.size());
    out += s.about;
    out += '\n';
  }
}

std::string app_title(const App& app) {
  std::string out(app.name);
  out += ' ';
  out += app.version;
  return out;
}

std::string subcommand_title(const App& app, const Subcommand& sub, std::string_view display) {
  std::string out(display);
  out += '-';
  out += sub.name;
  out += ' ';
  out += app.version;
  return out;
}

std::string app_usage_line(std::string_view display) {
  return std::string(display) + " <SUBCOMMAND>";
}

bool has_value_options(const Subcommand& sub) {
  return std::any_of(sub.options.begin(), sub.options.end(),
                     [](const Option& o) { return o.kind != Kind::Flag; });
}

std::string subcommand_usage_line(const Subcommand& sub, std::string_view display) {
  std::string out(display);
  out += ' ';
  out += sub.name;
  out += " [FLAGS]";  // there are always the help and version flags
  if (has_value_options(sub)) {
    out += " [OPTIONS]";
  }
  return out;
}

void append_head(std::string& out, std::string_view title, std::string_view usage_line) {
  out += title;
  out += "\n\nUSAGE:\n";
  out += kIndent;
  out += usage_line;
  out += "\n\n";
}

// The tail every report but the invalid-value one ends with.
std::string more_information(const Paint& paint) {
  return "\n\nFor more information try " + paint.good("--help") + "\n";
}

}  // namespace

std::string Paint::wrap(std::string_view start, std::string_view s) const {
  if (!colour_) {
    return std::string(s);
  }
  std::string out(start);
  out += s;
  out += "\x1b[0m";
  return out;
}

std::string app_help(const App& app, std::string_view display) {
  std::string out;
  append_head(out, app_title(app), app_usage_line(display));
  append_section(out, "FLAGS:", {help_entry(), version_entry()});
  out += '\n';
  append_subcommands(out, app);
  return out;
}

std::string app_version(const App& app) {
  return app_title(app) + "\n";
}

std::string subcommand_help(const App& app, const Subcommand& sub, std::string_view display) {
  std::vector<Entry> flags{help_entry(), version_entry()};
  std::vector<Entry> options;
  for (const Option& option : sub.options) {
    (option.kind == Kind::Flag ? flags : options).push_back(entry_of(option));
  }
  std::string out;
  append_head(out, subcommand_title(app, sub, display), subcommand_usage_line(sub, display));
  append_section(out, "FLAGS:", std::move(flags));
  if (!options.empty()) {
    out += '\n';
    append_section(out, "OPTIONS:", std::move(options));
  }
  return out;
}

std::string subcommand_version(const App& app, const Subcommand& sub, std::string_view display) {
  return subcommand_title(app, sub, display) + "\n";
}

std::string app_usage(std::string_view display) {
  return "USAGE:\n" + std::string(kIndent) + app_usage_line(display);
}

std::string subcommand_usage(const Subcommand& sub, std::string_view display, bool short_form) {
  std::string line = short_form ? std::string(display) + " " + std::string(sub.name)
                                : subcommand_usage_line(sub, display);
  return "USAGE:\n" + std::string(kIndent) + line;
}

std::string display_form(const Option& option) {
  std::string out = "--" + std::string(option.long_name);
  if (option.kind != Kind::Flag) {
    out += " <";
    out += option.arg_name;
    out += '>';
  }
  return out;
}

std::string did_you_mean(const Paint& paint, std::string_view long_name) {
  return "\n\tDid you mean " + paint.good("--") + paint.good(long_name) + "?";
}

std::string did_you_mean_after(const Paint& paint, std::string_view long_name,
                               std::string_view subcommand) {
  return "\n\tDid you mean to put '" + paint.good("--") + paint.good(long_name) +
         "' after the subcommand '" + paint.good(subcommand) + "'?";
}

std::string unknown_argument(const Paint& paint, std::string_view word, std::string_view suggestion,
                             std::string_view usage) {
  return paint.error("error:") + " Found argument '" + paint.warning(word) +
         "' which wasn't expected, or isn't valid in this context" + std::string(suggestion) +
         "\n\n" + std::string(usage) + more_information(paint);
}

std::string unrecognized_subcommand(const Paint& paint, std::string_view word,
                                    std::string_view suggested, std::string_view display,
                                    std::string_view usage) {
  return paint.error("error:") + " The subcommand '" + paint.warning(word) +
         "' wasn't recognized\n\tDid you mean '" + paint.good(suggested) +
         "'?\n\nIf you believe you received this message in error, try re-running with '" +
         std::string(display) + " " + paint.good("--") + " " + std::string(word) + "'\n\n" +
         std::string(usage) + more_information(paint);
}

std::string help_unrecognized(const Paint& paint, std::string_view word, std::string_view display) {
  return paint.error("error:") + " The subcommand '" + paint.warning(word) +
         "' wasn't recognized\n\n" + paint.warning("USAGE:") + "\n\t" + std::string(display) +
         " help <subcommands>..." + more_information(paint);
}

std::string requires_value(const Paint& paint, const Option& option, std::string_view usage) {
  return paint.error("error:") + " The argument '" + paint.warning(display_form(option)) +
         "' requires a value but none was supplied\n\n" + std::string(usage) +
         more_information(paint);
}

std::string too_many_values(const Paint& paint, const Option& option, std::string_view value,
                            std::string_view usage) {
  return paint.error("error:") + " The value '" + paint.warning(value) + "' was provided to '" +
         paint.warning(display_form(option)) + "', but it wasn't expecting any more values\n\n" +
         std::string(usage) + more_information(paint);
}

std::string invalid_value(const Paint& paint, const Option& option, std::string_view error) {
  return paint.error("error:") + " Invalid value for '" + paint.warning(display_form(option)) +
         "': " + std::string(error) + "\n";
}

std::string more_than_once(const Paint& paint, const Option& option, std::string_view usage) {
  return paint.error("error:") + " The argument '" + paint.warning(display_form(option)) +
         "' was provided more than once, but cannot be used multiple times\n\n" +
         std::string(usage) + more_information(paint);
}

std::string invalid_utf8(const Paint& paint, std::string_view usage) {
  return paint.error("error:") + " Invalid UTF-8 was detected in one or more arguments\n\n" +
         std::string(usage) + more_information(paint);
}

}  // namespace quamorsc::argparse::text

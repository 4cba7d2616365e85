#include "argparse_words.h"

#include <algorithm>

#include "base/utf8.h"
#include "quamorsc/process/exit_status.h"

namespace quamorsc::argparse {

bool valid_utf8(std::string_view word) {
  return !base::check_utf8(word).has_value();
}

bool is_option_like(std::string_view word) {
  return word.size() > 1 && word[0] == '-';
}

bool is_long(std::string_view word) {
  return word.size() >= 2 && word[0] == '-' && word[1] == '-';
}

std::string_view long_name_of(std::string_view word) {
  std::string_view rest = word.substr(2);
  return rest.substr(0, rest.find('='));
}

std::string_view strip_equals(std::string_view s) {
  return s.substr(std::min(s.find_first_not_of('='), s.size()));
}

std::optional<std::string_view> attached_value(std::string_view word) {
  const std::size_t eq = word.find('=');
  if (eq == std::string_view::npos) {
    return std::nullopt;
  }
  return strip_equals(word.substr(eq + 1));
}

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

Exit output(std::string text) {
  return Exit{1, std::move(text), exit_status::kSuccess};
}

Exit failure(std::string text) {
  return Exit{2, std::move(text), exit_status::kUsage};
}

}  // namespace quamorsc::argparse

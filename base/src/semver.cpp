#include "base/semver.h"

#include <limits>

namespace base::semver {

namespace {

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

bool is_identifier_char(char c) {
  return is_digit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-';
}

bool all_digits(std::string_view text) {
  for (char c : text) {
    if (!is_digit(c)) {
      return false;
    }
  }
  return true;
}

// A numeric field of the version core: "0" or digits without a leading zero, within 64 bits.
tl::expected<std::uint64_t, std::string> parse_number(std::string_view text,
                                                      std::string_view what) {
  if (text.empty()) {
    return tl::unexpected("empty " + std::string(what) + " version number");
  }
  if (!all_digits(text)) {
    return tl::unexpected("invalid character in " + std::string(what) + " version number '" +
                          std::string(text) + "'");
  }
  if (text.size() > 1 && text[0] == '0') {
    return tl::unexpected("leading zero in " + std::string(what) + " version number '" +
                          std::string(text) + "'");
  }
  std::uint64_t value = 0;
  constexpr std::uint64_t max = std::numeric_limits<std::uint64_t>::max();
  for (char c : text) {
    auto digit = static_cast<std::uint64_t>(c - '0');
    if (value > (max - digit) / 10) {
      return tl::unexpected(std::string(what) + " version number '" + std::string(text) +
                            "' is too large");
    }
    value = value * 10 + digit;
  }
  return value;
}

// A dot-separated list of non-empty [0-9A-Za-z-] identifiers; in a pre-release a numeric one
// may not start with a zero.
tl::expected<std::vector<std::string>, std::string> parse_identifiers(std::string_view text,
                                                                      std::string_view what,
                                                                      bool numeric_strict) {
  std::vector<std::string> ids;
  for (std::size_t start = 0;;) {
    std::size_t dot = text.find('.', start);
    std::string_view id = text.substr(start, dot == std::string_view::npos ? dot : dot - start);
    if (id.empty()) {
      return tl::unexpected("empty " + std::string(what) + " identifier");
    }
    for (char c : id) {
      if (!is_identifier_char(c)) {
        return tl::unexpected("invalid character in " + std::string(what) + " identifier '" +
                              std::string(id) + "'");
      }
    }
    if (numeric_strict && id.size() > 1 && id[0] == '0' && all_digits(id)) {
      return tl::unexpected("leading zero in numeric " + std::string(what) + " identifier '" +
                            std::string(id) + "'");
    }
    ids.emplace_back(id);
    if (dot == std::string_view::npos) {
      return ids;
    }
    start = dot + 1;
  }
}

std::string join(const std::vector<std::string>& ids) {
  std::string out;
  for (const std::string& id : ids) {
    if (!out.empty()) {
      out += '.';
    }
    out += id;
  }
  return out;
}

}  // namespace

tl::expected<Version, std::string> Version::parse(std::string_view text) {
  Version v;
  std::string_view rest = text;
  if (std::size_t plus = rest.find('+'); plus != std::string_view::npos) {
    auto build = parse_identifiers(rest.substr(plus + 1), "build", false);
    if (!build) {
      return tl::unexpected(build.error());
    }
    v.build = std::move(*build);
    rest = rest.substr(0, plus);
  }
  if (std::size_t minus = rest.find('-'); minus != std::string_view::npos) {
    auto pre = parse_identifiers(rest.substr(minus + 1), "pre-release", true);
    if (!pre) {
      return tl::unexpected(pre.error());
    }
    v.pre = std::move(*pre);
    rest = rest.substr(0, minus);
  }
  std::size_t dot1 = rest.find('.');
  std::size_t dot2 = dot1 == std::string_view::npos ? dot1 : rest.find('.', dot1 + 1);
  if (dot2 == std::string_view::npos || rest.find('.', dot2 + 1) != std::string_view::npos) {
    return tl::unexpected("version '" + std::string(text) +
                          "' is not of the form major.minor.patch");
  }
  auto major = parse_number(rest.substr(0, dot1), "major");
  if (!major) {
    return tl::unexpected(major.error());
  }
  auto minor = parse_number(rest.substr(dot1 + 1, dot2 - dot1 - 1), "minor");
  if (!minor) {
    return tl::unexpected(minor.error());
  }
  auto patch = parse_number(rest.substr(dot2 + 1), "patch");
  if (!patch) {
    return tl::unexpected(patch.error());
  }
  v.major = *major;
  v.minor = *minor;
  v.patch = *patch;
  return v;
}

std::string Version::to_string() const {
  std::string out =
      std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(patch);
  if (!pre.empty()) {
    out += "-" + join(pre);
  }
  if (!build.empty()) {
    out += "+" + join(build);
  }
  return out;
}

}  // namespace base::semver

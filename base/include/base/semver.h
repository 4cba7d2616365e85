// Semantic versions (semver 2.0): major, minor and patch numbers with pre-release and build
// identifier lists, parsed from text and written back as text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <tl/expected.hpp>

namespace base::semver {

struct Version {
  std::uint64_t major = 0;
  std::uint64_t minor = 0;
  std::uint64_t patch = 0;
  std::vector<std::string> pre;
  std::vector<std::string> build;

  static tl::expected<Version, std::string> parse(std::string_view text);
  std::string to_string() const;
  friend bool operator==(const Version&, const Version&) = default;
};

}  // namespace base::semver

#include "quamorsc/cli/similarity.h"

#include <algorithm>
#include <string>

#include "base/utf8_decode.h"

namespace quamorsc::argparse {

namespace {

// Each invalid byte becomes one U+FFFD, so that a broken word still compares by its length.
std::u32string characters(std::string_view s) {
  std::u32string out;
  for (std::size_t pos = 0; pos < s.size();) {
    const base::Utf8Char c = base::decode_utf8(s, pos);
    if (c.status == base::Utf8Status::Valid) {
      out += c.code_point;
      pos += c.length;
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

}  // namespace

double similarity(std::string_view a, std::string_view b) {
  return jaro_winkler(characters(a), characters(b));
}

std::optional<std::string_view> best_match(std::string_view word,
                                           const std::vector<std::string_view>& candidates) {
  std::optional<std::string_view> best;
  double best_score = 0.8;
  for (std::string_view candidate : candidates) {
    const double score = similarity(word, candidate);
    if (score > best_score) {
      best = candidate;
      best_score = score;
    }
  }
  return best;
}

}  // namespace quamorsc::argparse

// How alike two names are, for the suggestion that follows a mistyped word: Jaro-Winkler
// similarity by Unicode characters, and the closest of a list of names.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace quamorsc::argparse {

// Jaro-Winkler similarity of two texts, by Unicode characters; an invalid UTF-8 sequence counts
// as one character per byte.
double similarity(std::string_view a, std::string_view b);

// The candidate most similar to `word` when its similarity is above 0.8; of equally similar
// candidates the first.
std::optional<std::string_view> best_match(std::string_view word,
                                           const std::vector<std::string_view>& candidates);

}  // namespace quamorsc::argparse

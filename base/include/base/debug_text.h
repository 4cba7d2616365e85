// One-line debug text of values: records as `Name { a: x, b: y }`, tuple variants as `Name(x, y)`,
// optionals as `None` / `Some(x)`, texts quoted and escaped. Every type of the system appends its
// debug text to a std::string through an overload of `debug_fmt` found by argument-dependent
// lookup.
#pragma once

#include <concepts>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace base {

// Appends `text` in double quotes with backslash escapes; characters that are not printable or
// that extend the previous character are written as \u{hex}.
void debug_str(std::string& out, std::string_view text);

inline void debug_fmt(std::string& out, bool value) {
  out += value ? "true" : "false";
}

template <std::unsigned_integral T>
requires(!std::same_as<T, bool>) void debug_fmt(std::string& out, T value) {
  out += std::to_string(value);
}

inline void debug_fmt(std::string& out, const std::string& text) {
  debug_str(out, text);
}

template <class T>
void debug_fmt(std::string& out, const std::optional<T>& value) {
  if (!value) {
    out += "None";
    return;
  }
  out += "Some(";
  debug_fmt(out, *value);
  out += ')';
}

// Writes `Name { field: value, ... }`.
class DebugRecord {
 public:
  DebugRecord(std::string& out, std::string_view name) : out_(out) { out_.append(name); }
  template <class T>
  DebugRecord& field(std::string_view name, const T& value) {
    out_ += first_ ? " { " : ", ";
    first_ = false;
    out_.append(name);
    out_ += ": ";
    debug_fmt(out_, value);
    return *this;
  }
  void finish() { out_ += first_ ? "" : " }"; }

 private:
  std::string& out_;
  bool first_ = true;
};

// Writes `Name(value, ...)`; a tuple without values is its name alone.
class DebugTuple {
 public:
  DebugTuple(std::string& out, std::string_view name) : out_(out) { out_.append(name); }
  template <class T>
  DebugTuple& value(const T& v) {
    out_ += first_ ? "(" : ", ";
    first_ = false;
    debug_fmt(out_, v);
    return *this;
  }
  void finish() { out_ += first_ ? "" : ")"; }

 private:
  std::string& out_;
  bool first_ = true;
};

template <class T>
std::string to_debug(const T& value) {
  std::string out;
  debug_fmt(out, value);
  return out;
}

}  // namespace base

// The command-line parser on argument vectors cut from the input at NUL bytes (the first piece is
// the program path), judged against a second reader kept deliberately plain: it walks the words by
// the reading rules with its own copy of the grammar and gives either the options it recorded or
// the exact text and status of the exit. A parsed command then goes through the option rules and
// the builders, whose outcome is worked out here from the rules' own tables.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "base/debug_text.h"
#include "check.h"
#include "quamorsc/cli/cli.h"
#include "quamorsc/cli/value_checks.h"
#include "quamorsc/process/version.h"
#include "quamorsc/request/builders.h"
#include "reference_utf8.h"

namespace {

using quamorsc::Cmd;
using quamorsc::TwoLevel;
namespace op = zurozivo::op_cmd;

// The version the build gives the client, which its version lines and help titles show.
const std::string kBuiltVersion(quamorsc::kVersion);

// ---- The grammar, written out once more.

enum class Kind { Flag, Value, Optional };
enum class Check { None, Text, Ipv4, RouterId, AreaId, Ipv4Net, IpNet };

struct Opt {
  std::string_view arg;
  char letter;  // '\0' for none
  std::string_view name;
  Kind kind;
  Check check;
};

struct Sub {
  std::string_view name;
  std::vector<Opt> opts;  // in declaration order
};

std::vector<Opt> with_common(std::vector<Opt> own) {
  std::vector<Opt> opts = {
      {"detail", 'd', "detail", Kind::Flag, Check::None},
      {"host", 'H', "host", Kind::Value, Check::Text},
      {"json-format", 'J', "json", Kind::Flag, Check::None},
      {"json-pretty", 'j', "json-pretty", Kind::Flag, Check::None},
      {"unsorted", 'u', "unsorted", Kind::Flag, Check::None},
      {"show-url", '\0', "show-url", Kind::Flag, Check::None},
  };
  opts.insert(opts.end(), own.begin(), own.end());
  return opts;
}

const std::vector<Sub>& subs() {
  static const std::vector<Sub> all = {
      {"system", with_common({{"intf-name", 'i', "intf", Kind::Optional, Check::Text}})},
      {"bgp", with_common({{"neigh-router-ipv4", 'n', "neigh", Kind::Optional, Check::Ipv4}})},
      {"ospfv2", with_common({
                     {"ls-db", 'l', "lsdb", Kind::Flag, Check::None},
                     {"ipv4-net", 'p', "prefix-network", Kind::Optional, Check::Ipv4Net},
                     {"router-id", 'P', "prefix-router", Kind::Optional, Check::RouterId},
                     {"n", 'a', "area", Kind::Optional, Check::AreaId},
                     {"intf-name", 'i', "intf", Kind::Optional, Check::Text},
                     {"neigh-router-id", 'n', "neigh", Kind::Optional, Check::RouterId},
                 })},
      {"ribv4", with_common({
                    {"network", 'p', "prefix", Kind::Optional, Check::IpNet},
                    {"origin", 'o', "origin", Kind::Value, Check::Text},
                })},
  };
  return all;
}

std::string fixture(const std::string& name) {
  std::ifstream in(std::string(QUAMORSC_FIXTURES) + "/help/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The reference help screens, written for the display name "quamorsc".
const std::string& screen(std::string_view name) {
  static const std::vector<std::pair<std::string, std::string>> screens = [] {
    std::vector<std::pair<std::string, std::string>> out;
    for (const char* n : {"app", "system", "bgp", "ospfv2", "ribv4"}) {
      out.emplace_back(n, fixture(std::string(n) + ".txt"));
      FUZZ_CHECK(!out.back().second.empty());
    }
    return out;
  }();
  for (const auto& [n, text] : screens) {
    if (n == name) {
      return text;
    }
  }
  std::abort();
}

std::string replace_once(std::string text, std::string_view from, std::string_view to) {
  const std::size_t at = text.find(from);
  FUZZ_CHECK(at != std::string::npos);
  return text.replace(at, from.size(), to);
}

// ---- The outcome of a reading.

struct Exit {
  int status;
  std::string text;
};

struct Recorded {
  const Sub* sub = nullptr;
  std::vector<std::size_t> count;
  std::vector<std::vector<std::string>> values;
};

using Outcome = std::variant<Recorded, Exit>;

bool starts_option(std::string_view w) {
  return w.size() > 1 && w[0] == '-';
}

// The characters of valid UTF-8 text.
std::u32string chars(std::string_view s) {
  std::u32string out;
  for (std::size_t i = 0; i < s.size();) {
    const fuzz::Step st = fuzz::decode_at(s, i);
    out += st.cp;
    i += st.len;
  }
  return out;
}

// Jaro-Winkler as the suggestion rule states it; a transposition is a match found left of the
// previous match in the second text.
double similarity(std::string_view x, std::string_view y) {
  const std::u32string a = chars(x);
  const std::u32string b = chars(y);
  double jaro = 0;
  if (a.empty() && b.empty()) {
    jaro = 1;
  } else if (a.empty() || b.empty()) {
    jaro = 0;
  } else if (a.size() == 1 && b.size() == 1) {
    jaro = a == b ? 1 : 0;
  } else {
    const long window = static_cast<long>(std::max(a.size(), b.size()) / 2) - 1;
    std::vector<bool> used(b.size());
    double m = 0;
    double t = 0;
    long last = 0;
    for (long i = 0; i < static_cast<long>(a.size()); ++i) {
      for (long j = std::max(0L, i - window);
           j <= std::min(static_cast<long>(b.size()) - 1, i + window); ++j) {
        if (!used[static_cast<std::size_t>(j)] &&
            a[static_cast<std::size_t>(i)] == b[static_cast<std::size_t>(j)]) {
          used[static_cast<std::size_t>(j)] = true;
          m += 1;
          if (j < last) {
            t += 1;
          }
          last = j;
          break;
        }
      }
    }
    jaro = m == 0 ? 0
                  : (m / static_cast<double>(a.size()) + m / static_cast<double>(b.size()) +
                     (m - t) / m) /
                        3;
  }
  std::size_t prefix = 0;
  while (prefix < a.size() && prefix < b.size() && a[prefix] == b[prefix]) {
    ++prefix;
  }
  return std::min(1.0, jaro + 0.1 * static_cast<double>(prefix) * (1 - jaro));
}

std::optional<std::string_view> suggest(std::string_view word,
                                        const std::vector<std::string_view>& names) {
  std::optional<std::string_view> best;
  double score = 0.8;
  for (std::string_view n : names) {
    const double s = similarity(word, n);
    if (s > score) {
      best = n;
      score = s;
    }
  }
  return best;
}

// A subcommand's long names as suggestions try them: flags, the automatic two, value options.
std::vector<std::string_view> longs(const Sub& sub) {
  std::vector<std::string_view> out;
  for (const Opt& o : sub.opts) {
    if (o.kind == Kind::Flag) {
      out.push_back(o.name);
    }
  }
  out.push_back("help");
  out.push_back("version");
  for (const Opt& o : sub.opts) {
    if (o.kind != Kind::Flag) {
      out.push_back(o.name);
    }
  }
  return out;
}

class Reader {
 public:
  Reader(std::vector<std::string> args, bool colour) : args_(std::move(args)), colour_(colour) {
    display_ = display_name();
  }

  Outcome read() {
    bool skip = false;
    for (std::size_t i = 1; i < args_.size(); ++i) {
      const std::string& w = args_[i];
      if (!fuzz::is_utf8(w)) {
        return bad_utf8(app_usage());
      }
      if (skip) {
        return app_unknown_word(w);
      }
      if (w == "--") {
        skip = true;
      } else if (w.starts_with("--")) {
        const std::string name =
            w.substr(2, w.find('=') == std::string::npos ? std::string::npos : w.find('=') - 2);
        if (name == "help") {
          return Exit{0, app_help()};
        }
        if (name == "version") {
          return Exit{0, "quamorsc " + kBuiltVersion + "\n"};
        }
        std::string hint;
        if (auto s = suggest(name, {"help", "version"})) {
          hint = "\n\tDid you mean " + green("--") + green(*s) + "?";
        } else {
          for (const Sub& sub : subs()) {
            if (auto s2 = suggest(name, longs(sub))) {
              hint = "\n\tDid you mean to put '" + green("--") + green(*s2) +
                     "' after the subcommand '" + green(sub.name) + "'?";
              break;
            }
          }
        }
        return unknown(w, hint, app_usage());
      } else if (starts_option(w)) {
        const std::string letter = first_char(w.substr(1));
        if (letter == "h") {
          return Exit{0, app_help()};
        }
        if (letter == "V") {
          return Exit{0, "quamorsc " + kBuiltVersion + "\n"};
        }
        return unknown("-" + letter, "", app_usage());
      } else if (const Sub* sub = find(w)) {
        return read_sub(*sub, i + 1);
      } else if (w == "help") {
        return help_words(i + 1);
      } else {
        return app_unknown_word(w);
      }
    }
    return Exit{1, app_help()};
  }

 private:
  static const Sub* find(std::string_view name) {
    for (const Sub& s : subs()) {
      if (s.name == name) {
        return &s;
      }
    }
    return nullptr;
  }

  static std::string first_char(std::string_view s) {
    return std::string(s.substr(0, fuzz::decode_at(s, 0).len));
  }

  // The last component of the path as a file name: neither empty, ".", nor "..".
  std::string display_name() const {
    std::string last;
    const std::string path = args_.empty() ? std::string() : args_[0];
    std::size_t start = 0;
    while (true) {
      const std::size_t slash = path.find('/', start);
      const std::string part =
          path.substr(start, slash == std::string::npos ? slash : slash - start);
      if (!part.empty() && part != ".") {
        last = part;
      }
      if (slash == std::string::npos) {
        break;
      }
      start = slash + 1;
    }
    if (last.empty() || last == ".." || !fuzz::is_utf8(last)) {
      return "quamorsc";
    }
    return last;
  }

  std::string paint(std::string_view code, std::string_view s) const {
    return colour_ ? std::string(code) + std::string(s) + "\x1b[0m" : std::string(s);
  }
  std::string red(std::string_view s) const { return paint("\x1b[1;31m", s); }
  std::string yellow(std::string_view s) const { return paint("\x1b[33m", s); }
  std::string green(std::string_view s) const { return paint("\x1b[32m", s); }
  std::string more() const { return "\n\nFor more information try " + green("--help") + "\n"; }

  // The display name goes into the usage line, and into the title of a subcommand's screen.
  std::string app_help() const {
    return replace_once(screen("app"), "USAGE:\n    quamorsc ", "USAGE:\n    " + display_ + " ");
  }
  std::string sub_help(const Sub& sub) const {
    const std::string& text = screen(sub.name);
    const std::string rest = text.substr(text.find('\n'));
    return display_ + "-" + std::string(sub.name) + " " + kBuiltVersion +
           replace_once(rest, "USAGE:\n    quamorsc ", "USAGE:\n    " + display_ + " ");
  }
  std::string app_usage() const { return "USAGE:\n    " + display_ + " <SUBCOMMAND>"; }
  std::string sub_usage(const Sub& sub, bool any) const {
    return "USAGE:\n    " + display_ + " " + std::string(sub.name) +
           (any ? "" : " [FLAGS] [OPTIONS]");
  }

  Exit unknown(std::string_view word, std::string_view hint, std::string_view usage) const {
    return Exit{1, red("error:") + " Found argument '" + yellow(word) +
                       "' which wasn't expected, or isn't valid in this context" +
                       std::string(hint) + "\n\n" + std::string(usage) + more()};
  }
  Exit bad_utf8(std::string_view usage) const {
    return Exit{1, red("error:") + " Invalid UTF-8 was detected in one or more arguments\n\n" +
                       std::string(usage) + more()};
  }

  Exit app_unknown_word(std::string_view w) const {
    if (auto s = suggest(w, {"system", "bgp", "ospfv2", "ribv4", "help"})) {
      return Exit{1, red("error:") + " The subcommand '" + yellow(w) +
                         "' wasn't recognized\n\tDid you mean '" + green(*s) +
                         "'?\n\nIf you believe you received this message in error, try "
                         "re-running with '" +
                         display_ + " " + green("--") + " " + std::string(w) + "'\n\n" +
                         app_usage() + more()};
    }
    return unknown(w, "", app_usage());
  }

  Outcome help_words(std::size_t i) const {
    if (i == args_.size()) {
      return Exit{0, app_help()};
    }
    const auto refuse = [&](std::string_view w) {
      return Exit{1, red("error:") + " The subcommand '" + yellow(w) + "' wasn't recognized\n\n" +
                         yellow("USAGE:") + "\n\t" + display_ + " help <subcommands>..." + more()};
    };
    if (!fuzz::is_utf8(args_[i])) {
      return bad_utf8(app_usage());
    }
    const Sub* sub = find(args_[i]);
    if (sub == nullptr) {
      return refuse(args_[i]);
    }
    if (i + 1 < args_.size()) {
      if (!fuzz::is_utf8(args_[i + 1])) {
        return bad_utf8(app_usage());
      }
      return refuse(args_[i + 1]);
    }
    return Exit{0, sub_help(*sub)};
  }

  std::string form(const Opt& o) const {
    return "--" + std::string(o.name) +
           (o.kind == Kind::Flag ? "" : " <" + std::string(o.arg) + ">");
  }

  static tl::expected<void, std::string> run_check(Check c, std::string_view v) {
    switch (c) {
      case Check::None:
      case Check::Text:
        return {};
      case Check::Ipv4:
        return quamorsc::check_ipv4_addr(v);
      case Check::RouterId:
        return quamorsc::check_router_id(v);
      case Check::AreaId:
        return quamorsc::check_area_id(v);
      case Check::Ipv4Net:
        return quamorsc::check_ipv4_network(v);
      case Check::IpNet:
        return quamorsc::check_ip_network(v);
    }
    return {};
  }

  Outcome read_sub(const Sub& sub, std::size_t first) const {
    Recorded r{&sub, std::vector<std::size_t>(sub.opts.size()),
               std::vector<std::vector<std::string>>(sub.opts.size())};
    bool any = false;
    bool skip = false;
    // The option that the next word is a value of; none is kNoOpen (a plain index rather than an
    // optional, which g++ 12 takes for uninitialized on some paths).
    constexpr std::size_t kNoOpen = static_cast<std::size_t>(-1);
    std::size_t open = kNoOpen;
    const auto record = [&](std::size_t k) {
      ++r.count[k];
      any = true;
    };
    for (std::size_t i = first; i < args_.size(); ++i) {
      const std::string& w = args_[i];
      if (!fuzz::is_utf8(w)) {
        return bad_utf8(sub_usage(sub, any));
      }
      if (skip) {
        return unknown(w, "", sub_usage(sub, any));
      }
      if (open != kNoOpen && !starts_option(w)) {
        auto& vals = r.values[open];
        vals.push_back(w);
        // It stays open only while the next word would be its second value.
        if (!(sub.opts[open].kind == Kind::Optional && vals.size() == 1)) {
          open = kNoOpen;
        }
        continue;
      }
      open = kNoOpen;
      if (w == "--") {
        skip = true;
        continue;
      }
      if (w.starts_with("--")) {
        const std::size_t eq = w.find('=');
        const std::string name = w.substr(2, eq == std::string::npos ? eq : eq - 2);
        if (name == "help") {
          return Exit{0, sub_help(sub)};
        }
        if (name == "version") {
          return Exit{0, display_ + "-" + std::string(sub.name) + " " + kBuiltVersion + "\n"};
        }
        std::optional<std::size_t> k;
        for (std::size_t j = 0; j < sub.opts.size(); ++j) {
          if (sub.opts[j].name == name) {
            k = j;
          }
        }
        if (!k) {
          std::string hint;
          if (auto s = suggest(name, longs(sub))) {
            hint = "\n\tDid you mean " + green("--") + green(*s) + "?";
          }
          return unknown(w, hint, sub_usage(sub, any));
        }
        record(*k);
        if (sub.opts[*k].kind == Kind::Flag) {
          continue;
        }
        if (eq == std::string::npos) {
          open = *k;
        } else {
          std::string v = w.substr(eq + 1);
          v.erase(0, v.find_first_not_of('=') == std::string::npos ? v.size()
                                                                   : v.find_first_not_of('='));
          r.values[*k].push_back(v);
        }
        continue;
      }
      if (starts_option(w)) {
        std::size_t pos = 1;
        while (pos < w.size()) {
          const std::string letter = first_char(std::string_view(w).substr(pos));
          pos += letter.size();
          if (letter == "h") {
            return Exit{0, sub_help(sub)};
          }
          if (letter == "V") {
            return Exit{0, display_ + "-" + std::string(sub.name) + " " + kBuiltVersion + "\n"};
          }
          std::optional<std::size_t> k;
          for (std::size_t j = 0; j < sub.opts.size(); ++j) {
            if (sub.opts[j].letter != '\0' && letter == std::string(1, sub.opts[j].letter)) {
              k = j;
            }
          }
          if (!k) {
            return unknown("-" + letter, "", sub_usage(sub, any));
          }
          record(*k);
          if (sub.opts[*k].kind == Kind::Flag) {
            continue;
          }
          if (pos == w.size()) {
            open = *k;
          } else {
            std::string v = w.substr(pos);
            while (!v.empty() && v[0] == '=') {
              v.erase(0, 1);
            }
            r.values[*k].push_back(v);
          }
          break;
        }
        continue;
      }
      return unknown(w, "", sub_usage(sub, any));
    }
    // At the end, option by option in declaration order.
    for (std::size_t k = 0; k < sub.opts.size(); ++k) {
      const Opt& o = sub.opts[k];
      if (r.count[k] == 0) {
        continue;
      }
      if (o.kind == Kind::Value && r.values[k].empty()) {
        return Exit{1, red("error:") + " The argument '" + yellow(form(o)) +
                           "' requires a value but none was supplied\n\n" + sub_usage(sub, any) +
                           more()};
      }
      if (o.kind == Kind::Optional && r.values[k].size() >= 2) {
        return Exit{1, red("error:") + " The value '" + yellow(r.values[k].back()) +
                           "' was provided to '" + yellow(form(o)) +
                           "', but it wasn't expecting any more values\n\n" + sub_usage(sub, any) +
                           more()};
      }
      for (const std::string& v : r.values[k]) {
        if (auto c = run_check(o.check, v); !c) {
          return Exit{1, red("error:") + " Invalid value for '" + yellow(form(o)) +
                             "': " + c.error() + "\n"};
        }
      }
      if (r.count[k] > 1) {
        return Exit{1, red("error:") + " The argument '" + yellow(form(o)) +
                           "' was provided more than once, but cannot be used multiple times\n\n" +
                           sub_usage(sub, any) + more()};
      }
    }
    return r;
  }

  std::vector<std::string> args_;
  bool colour_;
  std::string display_;
};

// ---- From recorded options to the record.

struct Given {
  const Recorded& r;
  std::size_t index(std::string_view arg) const {
    for (std::size_t k = 0; k < r.sub->opts.size(); ++k) {
      if (r.sub->opts[k].arg == arg) {
        return k;
      }
    }
    std::abort();
  }
  bool flag(std::string_view arg) const { return r.count[index(arg)] > 0; }
  std::optional<std::string> text(std::string_view arg) const {
    const std::size_t k = index(arg);
    if (r.count[k] == 0) {
      return std::nullopt;
    }
    return r.values[k].at(0);
  }
  template <class T, class Parse>
  TwoLevel<T> two(std::string_view arg, Parse parse) const {
    const std::size_t k = index(arg);
    if (r.count[k] == 0) {
      return std::nullopt;
    }
    if (r.values[k].empty()) {
      return std::optional<T>();
    }
    auto v = parse(r.values[k][0]);
    FUZZ_CHECK(v.has_value());
    return std::optional<T>(*v);
  }
};

tl::expected<std::string, std::string> as_text(std::string_view v) {
  return std::string(v);
}

Cmd record_of(const Recorded& r) {
  const Given g{r};
  quamorsc::CommonArgs c;
  c.detail = g.flag("detail");
  c.host = g.text("host");
  c.json_format = g.flag("json-format");
  c.json_pretty = g.flag("json-pretty");
  c.unsorted = g.flag("unsorted");
  c.show_url = g.flag("show-url");
  if (r.sub->name == "system") {
    return Cmd{Cmd::System{{c, g.two<std::string>("intf-name", as_text)}}};
  }
  if (r.sub->name == "bgp") {
    return Cmd{
        Cmd::Bgp{{c, g.two<base::Ipv4Addr>("neigh-router-ipv4", quamorsc::parse_ipv4_addr)}}};
  }
  if (r.sub->name == "ospfv2") {
    quamorsc::OspfV2CmdArgs o;
    o.common = c;
    o.ls_db = g.flag("ls-db");
    o.network_routes = g.two<base::Ipv4Network>("ipv4-net", base::parse_ipv4_network);
    o.router_routes = g.two<packet::ospf::RouterId>("router-id", quamorsc::parse_router_id);
    o.area_id = g.two<packet::ospf::AreaId>("n", quamorsc::parse_area_id);
    o.intf_name = g.two<std::string>("intf-name", as_text);
    o.neigh_id = g.two<packet::ospf::RouterId>("neigh-router-id", quamorsc::parse_router_id);
    return Cmd{Cmd::OspfV2{o}};
  }
  quamorsc::RibCmdArgs rib;
  rib.common = c;
  rib.network = g.two<base::IpNetwork>("network", base::parse_ip_network);
  rib.origin = g.text("origin");
  return Cmd{Cmd::Rib{rib}};
}

// ---- The option rules and builders, from their tables.

template <class T>
bool given(const TwoLevel<T>& v) {
  return v.has_value();
}
template <class T>
bool bare(const TwoLevel<T>& v) {
  return v.has_value() && !v->has_value();
}
template <class T>
std::optional<T> value(const TwoLevel<T>& v) {
  return v && *v ? std::optional<T>(**v) : std::nullopt;
}

std::optional<std::string> common_rule(const quamorsc::CommonArgs& c) {
  if (c.json_format && c.json_pretty) {
    return "Output cannot be formatted to --json *and* --json-pretty";
  }
  if (c.show_url && !c.host) {
    return "Requested to show a URL, but --host option is not set";
  }
  return std::nullopt;
}

op::Flags flags_of(const quamorsc::CommonArgs& c) {
  std::uint8_t bits = 0;
  bits |= c.detail ? 16 : 0;
  bits |= c.json_format ? 4 : c.json_pretty ? 2 : 1;
  bits |= c.unsorted ? 0 : 8;
  return op::Flags{bits};
}

std::optional<std::string> ospf_rule(const quamorsc::OspfV2CmdArgs& o) {
  if (auto e = common_rule(o.common)) {
    return e;
  }
  int kinds = 0;
  if (o.ls_db) {
    ++kinds;
    if (bare(o.area_id)) {
      return "Missing Area Id to lookup Area LS DB";
    }
  } else if (given(o.area_id)) {
    ++kinds;
  }
  kinds += given(o.network_routes) ? 1 : 0;
  kinds += given(o.router_routes) ? 1 : 0;
  if (kinds > 1) {
    return "Specify one of LsDb, Area, Network Routes OR Router Routes";
  }
  if (given(o.neigh_id)) {
    if (!given(o.intf_name)) {
      return "Neigh information requires an Interface";
    }
    if (!given(o.area_id)) {
      return "Neigh information requires an Area";
    }
  } else if (!given(o.area_id) && given(o.intf_name)) {
    return "Interface information requires an Area";
  }
  return std::nullopt;
}

std::optional<std::string> rib_rule(const quamorsc::RibCmdArgs& r) {
  if (auto e = common_rule(r.common)) {
    return e;
  }
  if (!given(r.network) && r.origin) {
    return "RIB: No prefixes requested, but prefix origin has been specified";
  }
  return std::nullopt;
}

template <class Args>
void expect_rules(const Args& args, const std::optional<std::string>& rule) {
  const auto checked = quamorsc::sanity_check(args);
  FUZZ_CHECK(checked.has_value() == !rule.has_value());
  FUZZ_CHECK(checked.has_value() || checked.error() == *rule);
  FUZZ_CHECK(quamorsc::get_flags(args) == flags_of(args.common));
}

void expect_built(const tl::expected<op::OpCmd, std::string>& built,
                  const std::optional<std::string>& rule, const std::optional<op::OpCmd>& want) {
  if (rule) {
    FUZZ_CHECK(!built.has_value() && built.error() == *rule);
    return;
  }
  FUZZ_CHECK(built.has_value() && want.has_value() && *built == *want);
}

void check_builders(const Cmd& cmd) {
  if (const auto* s = std::get_if<Cmd::System>(&cmd.value)) {
    const auto& a = s->args;
    const auto rule = common_rule(a.common);
    expect_rules(a, rule);
    op::SystemRequest req{op::SystemRequest::Overview{}};
    if (given(a.intf_name)) {
      req.value = op::SystemRequest::Intfs{value(a.intf_name)};
    }
    expect_built(quamorsc::op_cmd_system(a), rule,
                 op::OpCmd{flags_of(a.common), op::Target{op::Target::System{req}}});
  } else if (const auto* b = std::get_if<Cmd::Bgp>(&cmd.value)) {
    const auto& a = b->args;
    const auto rule = common_rule(a.common);
    expect_rules(a, rule);
    op::BgpRequest req{op::BgpRequest::Overview{}};
    if (given(a.neigh_id)) {
      req.value = op::BgpRequest::Neighs{value(a.neigh_id)};
    }
    expect_built(quamorsc::op_cmd_bgp(a), rule,
                 op::OpCmd{flags_of(a.common), op::Target{op::Target::Bgp{req}}});
  } else if (const auto* o = std::get_if<Cmd::OspfV2>(&cmd.value)) {
    const auto& a = o->args;
    const auto rule = ospf_rule(a);
    expect_rules(a, rule);
    op::OspfV2Request req{op::OspfV2Request::Overview{}};
    if (a.ls_db && !given(a.area_id)) {
      req.value = op::OspfV2Request::AsLsDb{};
    } else if (a.ls_db && value(a.area_id)) {
      req.value = op::OspfV2Request::LsDb{*value(a.area_id)};
    } else if (given(a.area_id)) {
      req.value = op::OspfV2Request::Area{
          op::OspfV2RequestArea{value(a.area_id), given(a.intf_name), value(a.intf_name),
                                given(a.neigh_id), value(a.neigh_id)}};
    } else if (given(a.network_routes)) {
      req.value = op::OspfV2Request::NetworkRoutes{value(a.network_routes)};
    } else if (given(a.router_routes)) {
      req.value = op::OspfV2Request::RouterRoutes{value(a.router_routes)};
    }
    expect_built(quamorsc::op_cmd_ospfv2(a), rule,
                 op::OpCmd{flags_of(a.common), op::Target{op::Target::OspfV2{req}}});
  } else {
    const auto& a = std::get<Cmd::Rib>(cmd.value).args;
    const auto rule = rib_rule(a);
    expect_rules(a, rule);
    op::RequestOrigin origin{3};
    if (a.origin) {
      if (*a.origin == "kernel") {
        origin = op::RequestOrigin{1};
      } else if (*a.origin == "ospfv2") {
        origin = op::RequestOrigin{2};
      } else if (!rule) {
        return;  // the builder ends the process over it
      }
    }
    op::RibRequest req{op::RibRequest::Overview{}};
    if (given(a.network)) {
      std::optional<base::Ipv4Network> net;
      if (auto v = value(a.network)) {
        const auto* v4 = std::get_if<base::Ipv4Network>(&*v);
        if (v4 == nullptr) {
          if (!rule) {
            return;  // likewise for an IPv6 prefix
          }
        } else {
          std::uint32_t addr = 0;
          for (std::uint8_t octet : v4->addr.octets) {
            addr = (addr << 8) | octet;
          }
          const std::uint32_t mask = v4->prefix == 0 ? 0 : ~std::uint32_t{0} << (32 - v4->prefix);
          net = base::Ipv4Network{base::Ipv4Addr::from_u32(addr & mask), v4->prefix};
        }
      }
      req.value = op::RibRequest::Routes{net, origin};
    }
    expect_built(quamorsc::op_cmd_rib(a), rule,
                 op::OpCmd{flags_of(a.common), op::Target{op::Target::Rib{req}}});
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> args;
  for (std::size_t start = 0;;) {
    const std::size_t nul = input.find('\0', start);
    args.emplace_back(input.substr(start, nul == std::string_view::npos ? nul : nul - start));
    if (nul == std::string_view::npos) {
      break;
    }
    start = nul + 1;
  }
  const bool colour = size > 0 && (data[0] & 1) != 0;

  const auto parsed = quamorsc::parse_args(args, colour);
  const Outcome want = Reader(args, colour).read();
  if (const auto* exit = std::get_if<Exit>(&want)) {
    const auto* got = std::get_if<quamorsc::argparse::Exit>(&parsed);
    FUZZ_CHECK(got != nullptr);
    FUZZ_CHECK(got->status == exit->status);
    FUZZ_CHECK(got->fd == (exit->status == 0 ? 1 : 2));
    FUZZ_CHECK(got->text == exit->text);
    return 0;
  }
  const auto* cmd = std::get_if<Cmd>(&parsed);
  FUZZ_CHECK(cmd != nullptr);
  FUZZ_CHECK(*cmd == record_of(std::get<Recorded>(want)));
  const std::string debug = base::to_debug(*cmd);
  FUZZ_CHECK(fuzz::is_utf8(debug) && debug.find('\n') == std::string::npos);
  check_builders(*cmd);
  return 0;
}

// The command-line parser on argument vectors cut from the input at NUL bytes (the first piece is
// the program path). Every run ends in a `Cmd` or in an exit whose stream matches its status and
// whose text is UTF-8 and ends its line; a `Cmd` has a one-line debug text, and written back out
// as canonical words ("--name=value" or "--name" "value") it parses into the same `Cmd`.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "base/debug_text.h"
#include "base/ip_network.h"
#include "base/ipv4.h"
#include "check.h"
#include "quamorsc/cli.h"
#include "reference_utf8.h"

namespace {

using quamorsc::Cmd;
using quamorsc::TwoLevel;

std::string text_of(const std::string& s) {
  return s;
}
std::string text_of(base::Ipv4Addr a) {
  return base::to_dotted(a);
}
std::string text_of(const packet::ospf::RouterId& id) {
  return base::to_dotted(id.addr);
}
std::string text_of(const packet::ospf::AreaId& id) {
  return base::to_dotted(id.addr);
}
std::string text_of(const base::Ipv4Network& net) {
  return base::to_string(net);
}
std::string text_of(const base::IpNetwork& net) {
  if (const auto* v4 = std::get_if<base::Ipv4Network>(&net)) {
    return base::to_string(*v4);
  }
  const auto& v6 = std::get<base::Ipv6Network>(net);
  std::string out;
  base::append_ipv6(out, v6.addr);
  return out + "/" + std::to_string(v6.prefix);
}

class Words {
 public:
  explicit Words(std::string_view subcommand) : words_{"quamorsc", std::string(subcommand)} {}

  void flag(std::string_view name, bool given) {
    if (given) {
      words_.push_back("--" + std::string(name));
    }
  }
  // A value that looks like an option cannot stand as a word of its own, and one that starts with
  // "=" cannot follow "=" (leading "=" are dropped there).
  void value(std::string_view name, const std::string& v) {
    if (v.size() > 1 && v[0] == '-') {
      words_.push_back("--" + std::string(name) + "=" + v);
    } else {
      words_.push_back("--" + std::string(name));
      words_.push_back(v);
    }
  }
  template <class T>
  void optional(std::string_view name, const std::optional<T>& v) {
    if (v) {
      value(name, text_of(*v));
    }
  }
  template <class T>
  void two_level(std::string_view name, const TwoLevel<T>& v) {
    if (!v) {
      return;
    }
    if (*v) {
      value(name, text_of(**v));
    } else {
      words_.push_back("--" + std::string(name));
    }
  }
  void common(const quamorsc::CommonArgs& c) {
    flag("detail", c.detail);
    optional("host", c.host);
    flag("json", c.json_format);
    flag("json-pretty", c.json_pretty);
    flag("unsorted", c.unsorted);
    flag("show-url", c.show_url);
  }
  const std::vector<std::string>& words() const { return words_; }

 private:
  std::vector<std::string> words_;
};

std::vector<std::string> canonical(const Cmd& cmd) {
  if (const auto* s = std::get_if<Cmd::System>(&cmd.value)) {
    Words w("system");
    w.common(s->args.common);
    w.two_level("intf", s->args.intf_name);
    return w.words();
  }
  if (const auto* b = std::get_if<Cmd::Bgp>(&cmd.value)) {
    Words w("bgp");
    w.common(b->args.common);
    w.two_level("neigh", b->args.neigh_id);
    return w.words();
  }
  if (const auto* o = std::get_if<Cmd::OspfV2>(&cmd.value)) {
    Words w("ospfv2");
    w.common(o->args.common);
    w.flag("lsdb", o->args.ls_db);
    w.two_level("prefix-network", o->args.network_routes);
    w.two_level("prefix-router", o->args.router_routes);
    w.two_level("area", o->args.area_id);
    w.two_level("intf", o->args.intf_name);
    w.two_level("neigh", o->args.neigh_id);
    return w.words();
  }
  const auto& r = std::get<Cmd::Rib>(cmd.value);
  Words w("ribv4");
  w.common(r.args.common);
  w.two_level("prefix", r.args.network);
  w.optional("origin", r.args.origin);
  return w.words();
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
  const bool color = size > 0 && (data[0] & 1) != 0;

  const auto parsed = quamorsc::parse_args(args, color);
  if (const auto* exit = std::get_if<quamorsc::argparse::Exit>(&parsed)) {
    FUZZ_CHECK((exit->status == 0 && exit->fd == 1) || (exit->status == 1 && exit->fd == 2));
    FUZZ_CHECK(exit->text.ends_with('\n'));
    FUZZ_CHECK(fuzz::is_utf8(exit->text));
    if (!color) {
      // Only the words themselves can bring an escape character into an uncoloured report.
      bool escape_in_words = false;
      for (const std::string& a : args) {
        escape_in_words = escape_in_words || a.find('\x1b') != std::string::npos;
      }
      FUZZ_CHECK(escape_in_words || exit->text.find('\x1b') == std::string::npos);
    }
    return 0;
  }

  const Cmd& cmd = std::get<Cmd>(parsed);
  const std::string debug = base::to_debug(cmd);
  FUZZ_CHECK(fuzz::is_utf8(debug) && debug.find('\n') == std::string::npos);
  const auto again = quamorsc::parse_args(canonical(cmd), color);
  FUZZ_CHECK(std::holds_alternative<Cmd>(again) && std::get<Cmd>(again) == cmd);
  return 0;
}

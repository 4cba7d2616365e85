// The rules between options and the builders that turn a subcommand's record into the one
// operational command, or into the text that says why none can be built. The rules live apart
// from the grammar because they look at several options at once; the caller reports a broken
// rule's text, so only the routing-table builder ends the process itself.
#pragma once

#include <string>

#include <tl/expected.hpp>

#include "quamorsc/cli/cmd.h"
#include "zurozivo/op_cmd.h"

namespace quamorsc {

using zurozivo::op_cmd::Flags;
using zurozivo::op_cmd::OpCmd;

// The text of the first broken rule shared by every subcommand (--json with --json-pretty,
// --show-url without --host); never ends the process.
tl::expected<void, std::string> sanity_check(const CommonArgs& args);
// The shared rules alone; system has none of its own.
tl::expected<void, std::string> sanity_check(const SystemCmdArgs& args);
// The shared rules alone; bgp has none of its own.
tl::expected<void, std::string> sanity_check(const BgpCmdArgs& args);
// The shared rules, then: a value for an area beside --lsdb, one kind of request at most, and
// the area or interface that interface or neighbour information needs.
tl::expected<void, std::string> sanity_check(const OspfV2CmdArgs& args);
// The shared rules, then no origin without a prefix.
tl::expected<void, std::string> sanity_check(const RibCmdArgs& args);

// The output format (SORT unless --unsorted, DETAIL with --detail, and one of JSON_MACHINE,
// JSON_PRETTY or JSON_LINES) from the shared options; never fails.
Flags get_flags(const CommonArgs& args);
// The flags of the subcommand's shared options.
Flags get_flags(const SystemCmdArgs& args);
// The flags of the subcommand's shared options.
Flags get_flags(const BgpCmdArgs& args);
// The flags of the subcommand's shared options.
Flags get_flags(const OspfV2CmdArgs& args);
// The flags of the subcommand's shared options.
Flags get_flags(const RibCmdArgs& args);

// The system command (overview, or the interfaces, by name if given), or the broken rule's text.
tl::expected<OpCmd, std::string> op_cmd_system(const SystemCmdArgs& args);
// The BGP command (overview, or the neighbours, by address if given), or the broken rule's text.
tl::expected<OpCmd, std::string> op_cmd_bgp(const BgpCmdArgs& args);
// The OSPFv2 command for the one kind of request the options ask for (the overview when none),
// or the broken rule's text.
tl::expected<OpCmd, std::string> op_cmd_ospfv2(const OspfV2CmdArgs& args);
// The routing-table command, or the broken rule's text. Ends the process with
// `exit_status::kOptionRule` for an unrecognised origin or an IPv6 prefix, after writing its one
// line on standard error.
tl::expected<OpCmd, std::string> op_cmd_rib(const RibCmdArgs& args);

// The command that the builder of `cmd`'s subcommand makes of its record, as above.
tl::expected<OpCmd, std::string> op_cmd_of(const Cmd& cmd);

}  // namespace quamorsc

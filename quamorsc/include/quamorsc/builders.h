// The rules between options and the builders that turn a subcommand's record into the one
// operational command, or into the text that says why none can be built.
#pragma once

#include <string>

#include <tl/expected.hpp>

#include "quamorsc/cmd.h"
#include "zurozivo/op_cmd.h"

namespace quamorsc {

using zurozivo::op_cmd::Flags;
using zurozivo::op_cmd::OpCmd;

tl::expected<void, std::string> sanity_check(const CommonArgs& args);
tl::expected<void, std::string> sanity_check(const SystemCmdArgs& args);
tl::expected<void, std::string> sanity_check(const BgpCmdArgs& args);
tl::expected<void, std::string> sanity_check(const OspfV2CmdArgs& args);
tl::expected<void, std::string> sanity_check(const RibCmdArgs& args);

Flags get_flags(const CommonArgs& args);
Flags get_flags(const SystemCmdArgs& args);
Flags get_flags(const BgpCmdArgs& args);
Flags get_flags(const OspfV2CmdArgs& args);
Flags get_flags(const RibCmdArgs& args);

tl::expected<OpCmd, std::string> op_cmd_system(const SystemCmdArgs& args);
tl::expected<OpCmd, std::string> op_cmd_bgp(const BgpCmdArgs& args);
tl::expected<OpCmd, std::string> op_cmd_ospfv2(const OspfV2CmdArgs& args);
// Ends the process with status 65 for an unrecognised origin or an IPv6 prefix, after writing
// its one line on standard error.
tl::expected<OpCmd, std::string> op_cmd_rib(const RibCmdArgs& args);

}  // namespace quamorsc

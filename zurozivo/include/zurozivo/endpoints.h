// Where the daemon listens: its local Unix socket, and the TCP port of its REST interface on the
// host that --host names. The client connects to nothing else.
#pragma once

#include <string_view>

namespace zurozivo {

inline constexpr char kLocalSocketPath[] = "/tmp/zurozivo.sock";

// The port as the connection address and the Host line write it.
inline constexpr std::string_view kRestPort = "8000";

}  // namespace zurozivo

// The statuses a run of the client ends with, named by what ended it. They are part of what an
// operator and a calling script see, so each number stays as it is.
#pragma once

namespace quamorsc::exit_status {

// The reply was printed, or help, the version or the REST URL was asked for.
inline constexpr int kSuccess = 0;
// The command line could not be read: an unknown word, a bad value, a missing subcommand.
inline constexpr int kUsage = 1;
// The options break a rule of the request: a conflict, an unknown route origin, an IPv6 prefix.
inline constexpr int kOptionRule = 65;
// The daemon's reply cannot be used: not UTF-8, or no REST status line.
inline constexpr int kBadReply = 66;
// No connection to the daemon could be made.
inline constexpr int kNoConnection = 68;
// A write or a read failed: the request, the reply or standard output.
inline constexpr int kIo = 74;
// A fault of the client itself: an exception or a broken built-in value.
inline constexpr int kInternalFault = 101;

}  // namespace quamorsc::exit_status

// Writing a whole byte sequence to a connected stream socket, restarting interrupted calls, and
// the debug text of its two errors: an operating-system error or the write-zero error.
#pragma once

#include <string>
#include <string_view>
#include <variant>

#include <tl/expected.hpp>

#include "base/os_error.h"

namespace quamorsc {

// `Write` is write(2), for the Unix socket; `Send` is send(2) with MSG_NOSIGNAL, for TCP.
enum class WriteCall { Write, Send };

// A write call that returned 0: the peer takes no more bytes.
struct WriteZero {
  friend bool operator==(const WriteZero&, const WriteZero&) = default;
};

struct WriteError {
  std::variant<base::OsError, WriteZero> error;
  friend bool operator==(const WriteError&, const WriteError&) = default;
};

// Writes every byte of `bytes` to `fd`, calling again after an interruption or a short write;
// the first other failure is returned. Never ends the process.
tl::expected<void, WriteError> write_all(int fd, std::string_view bytes, WriteCall call);

// Os { code: .., kind: .., message: ".." } or Custom { kind: WriteZero, error: ".." }
void debug_fmt(std::string& out, const WriteError& error);

}  // namespace quamorsc

// A test-only library preloaded into the client (LD_PRELOAD) that stands between it and the C
// library for socket, fcntl, connect, write, send and recv, and makes the calls fail the way a
// test asks, so that failures a real daemon cannot cause on demand are met end to end.
//
// QUAMORSC_FAULTS holds entries separated by ";", each "call[:fd]=action[*count][@skip]":
//   call    socket, fcntl, connect, write, send or recv
//   :fd     only calls on that descriptor number; without it only calls on sockets are touched,
//           so standard output and standard error go on as usual
//   action  an errno name in lower case (eintr, epipe, econnreset, einval, ...): the call fails
//           with it; "zero": write, send or recv return 0; "short<N>": at most N bytes per
//           write, send or recv; "cloexec": socket fails with EINVAL when asked for SOCK_CLOEXEC
//           (a kernel that does not know the flag)
//   *count  how many calls the fault hits (default: every one)
//   @skip   how many matching calls pass untouched first (default 0)
// Calls are matched against the entries in order; the first that still applies decides.
//
// The kernel's own side effects are kept: a write that fails with EPIPE raises SIGPIPE unless
// send was given MSG_NOSIGNAL, and an interrupted connect on a TCP socket has already started the
// connection, which goes on and ends as it would have (only a Unix-socket connect is interrupted
// before anything happens).
//
// QUAMORSC_FAULTS_LOG names a file that receives one line per intercepted call on a socket, with
// its result, "[injected]" for faults, and for connect whether the descriptor has FD_CLOEXEC.

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

enum class Call { Socket, Fcntl, Connect, Write, Send, Recv };

enum class Action { Errno, Zero, Short, Cloexec };

struct Entry {
  Call call = Call::Write;
  int fd = -1;  // -1: sockets only
  Action action = Action::Errno;
  int error = 0;            // for Action::Errno
  unsigned long limit = 0;  // bytes per call for Action::Short
  long count = -1;          // -1: every call
  unsigned long skip = 0;
  unsigned long seen = 0;
  long fired = 0;
};

constexpr int kMaxEntries = 32;
Entry g_entries[kMaxEntries];
int g_entry_count = 0;
int g_log_fd = -1;
bool g_ready = false;

using socket_fn = int (*)(int, int, int);
using fcntl_fn = int (*)(int, int, ...);
using connect_fn = int (*)(int, const sockaddr*, socklen_t);
using write_fn = ssize_t (*)(int, const void*, size_t);
using send_fn = ssize_t (*)(int, const void*, size_t, int);
using recv_fn = ssize_t (*)(int, void*, size_t, int);

socket_fn real_socket;
fcntl_fn real_fcntl;
fcntl_fn real_fcntl64;
connect_fn real_connect;
write_fn real_write;
send_fn real_send;
recv_fn real_recv;

struct ErrnoName {
  const char* name;
  int value;
};

constexpr ErrnoName kErrnos[] = {
    {"eperm", EPERM},
    {"enoent", ENOENT},
    {"eintr", EINTR},
    {"eio", EIO},
    {"ebadf", EBADF},
    {"eagain", EAGAIN},
    {"enomem", ENOMEM},
    {"eacces", EACCES},
    {"einval", EINVAL},
    {"enfile", ENFILE},
    {"emfile", EMFILE},
    {"enospc", ENOSPC},
    {"epipe", EPIPE},
    {"eafnosupport", EAFNOSUPPORT},
    {"eaddrinuse", EADDRINUSE},
    {"eaddrnotavail", EADDRNOTAVAIL},
    {"enetunreach", ENETUNREACH},
    {"econnaborted", ECONNABORTED},
    {"econnreset", ECONNRESET},
    {"enobufs", ENOBUFS},
    {"enotconn", ENOTCONN},
    {"etimedout", ETIMEDOUT},
    {"econnrefused", ECONNREFUSED},
    {"ehostunreach", EHOSTUNREACH},
};

const char* errno_name(int value) {
  for (const ErrnoName& e : kErrnos) {
    if (e.value == value) {
      return e.name;
    }
  }
  return nullptr;
}

[[noreturn]] void bad_spec(const char* what, const char* text) {
  char line[512];
  int n = std::snprintf(line, sizeof line, "fault: bad QUAMORSC_FAULTS %s: %s\n", what, text);
  if (n > 0) {
    (void)real_write(2, line, static_cast<size_t>(n) < sizeof line ? n : sizeof line - 1);
  }
  ::_exit(125);
}

bool parse_number(const char*& p, unsigned long& out) {
  if (*p < '0' || *p > '9') {
    return false;
  }
  char* end = nullptr;
  out = std::strtoul(p, &end, 10);
  p = end;
  return true;
}

bool parse_call(const char* name, std::size_t len, Call& call) {
  static constexpr struct {
    const char* name;
    Call call;
  } kCalls[] = {{"socket", Call::Socket}, {"fcntl", Call::Fcntl}, {"connect", Call::Connect},
                {"write", Call::Write},   {"send", Call::Send},   {"recv", Call::Recv}};
  for (const auto& c : kCalls) {
    if (std::strlen(c.name) == len && std::strncmp(c.name, name, len) == 0) {
      call = c.call;
      return true;
    }
  }
  return false;
}

// One "call[:fd]=action[*count][@skip]" of `text`, `len` bytes long.
void parse_entry(const char* text, std::size_t len) {
  char buf[128];
  if (len >= sizeof buf) {
    bad_spec("entry too long", text);
  }
  std::memcpy(buf, text, len);
  buf[len] = '\0';
  if (g_entry_count == kMaxEntries) {
    bad_spec("too many entries", buf);
  }
  Entry e;
  const char* eq = std::strchr(buf, '=');
  if (eq == nullptr) {
    bad_spec("entry without '='", buf);
  }
  const char* colon = std::strchr(buf, ':');
  std::size_t name_len =
      static_cast<std::size_t>((colon != nullptr && colon < eq ? colon : eq) - buf);
  if (!parse_call(buf, name_len, e.call)) {
    bad_spec("unknown call", buf);
  }
  if (colon != nullptr && colon < eq) {
    const char* p = colon + 1;
    unsigned long fd = 0;
    if (!parse_number(p, fd) || p != eq) {
      bad_spec("bad descriptor", buf);
    }
    e.fd = static_cast<int>(fd);
  }
  const char* p = eq + 1;
  const char* action = p;
  while (*p != '\0' && *p != '*' && *p != '@') {
    ++p;
  }
  std::size_t action_len = static_cast<std::size_t>(p - action);
  if (action_len == 4 && std::strncmp(action, "zero", 4) == 0) {
    e.action = Action::Zero;
  } else if (action_len == 7 && std::strncmp(action, "cloexec", 7) == 0) {
    e.action = Action::Cloexec;
  } else if (action_len > 5 && std::strncmp(action, "short", 5) == 0) {
    e.action = Action::Short;
    const char* q = action + 5;
    if (!parse_number(q, e.limit) || q != p || e.limit == 0) {
      bad_spec("bad short length", buf);
    }
  } else {
    e.action = Action::Errno;
    bool found = false;
    for (const ErrnoName& n : kErrnos) {
      if (std::strlen(n.name) == action_len && std::strncmp(n.name, action, action_len) == 0) {
        e.error = n.value;
        found = true;
      }
    }
    if (!found) {
      bad_spec("unknown action", buf);
    }
  }
  while (*p != '\0') {
    const char kind = *p++;
    unsigned long value = 0;
    if (!parse_number(p, value)) {
      bad_spec("bad count or skip", buf);
    }
    if (kind == '*') {
      e.count = static_cast<long>(value);
    } else {
      e.skip = value;
    }
  }
  g_entries[g_entry_count++] = e;
}

void init() {
  if (g_ready) {
    return;
  }
  real_socket = reinterpret_cast<socket_fn>(::dlsym(RTLD_NEXT, "socket"));
  real_fcntl = reinterpret_cast<fcntl_fn>(::dlsym(RTLD_NEXT, "fcntl"));
  real_fcntl64 = reinterpret_cast<fcntl_fn>(::dlsym(RTLD_NEXT, "fcntl64"));
  if (real_fcntl64 == nullptr) {
    real_fcntl64 = real_fcntl;
  }
  real_connect = reinterpret_cast<connect_fn>(::dlsym(RTLD_NEXT, "connect"));
  real_write = reinterpret_cast<write_fn>(::dlsym(RTLD_NEXT, "write"));
  real_send = reinterpret_cast<send_fn>(::dlsym(RTLD_NEXT, "send"));
  real_recv = reinterpret_cast<recv_fn>(::dlsym(RTLD_NEXT, "recv"));
  g_ready = true;

  if (const char* spec = std::getenv("QUAMORSC_FAULTS")) {
    const char* start = spec;
    for (const char* p = spec;; ++p) {
      if (*p == ';' || *p == '\0') {
        if (p > start) {
          parse_entry(start, static_cast<std::size_t>(p - start));
        }
        if (*p == '\0') {
          break;
        }
        start = p + 1;
      }
    }
  }
  if (const char* path = std::getenv("QUAMORSC_FAULTS_LOG")) {
    g_log_fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  }
}

// Runs before main, so that the descriptor of the log is taken before the client opens anything.
__attribute__((constructor)) void init_early() {
  init();
}

bool is_socket(int fd) {
  struct stat st;
  return ::fstat(fd, &st) == 0 && S_ISSOCK(st.st_mode);
}

// The entry that decides for this call on `fd` (-1 for socket, which has no descriptor yet), or
// none. Every matching entry counts the call, so skips are counted in calls, not in faults.
Entry* decide(Call call, int fd, bool on_socket) {
  Entry* chosen = nullptr;
  for (int i = 0; i < g_entry_count; ++i) {
    Entry& e = g_entries[i];
    if (e.call != call) {
      continue;
    }
    if (call != Call::Socket && (e.fd >= 0 ? e.fd != fd : !on_socket)) {
      continue;
    }
    ++e.seen;
    if (chosen == nullptr && e.seen > e.skip && (e.count < 0 || e.fired < e.count)) {
      chosen = &e;
    }
  }
  if (chosen != nullptr) {
    ++chosen->fired;
  }
  return chosen;
}

void log_line(const char* format, ...) __attribute__((format(printf, 1, 2)));

void log_line(const char* format, ...) {
  if (g_log_fd < 0) {
    return;
  }
  const int saved = errno;
  char line[256];
  va_list ap;
  va_start(ap, format);
  int n = std::vsnprintf(line, sizeof line - 1, format, ap);
  va_end(ap);
  if (n > 0) {
    std::size_t len = static_cast<std::size_t>(n) < sizeof line - 1 ? static_cast<std::size_t>(n)
                                                                    : sizeof line - 2;
    line[len++] = '\n';
    (void)real_write(g_log_fd, line, len);
  }
  errno = saved;
}

// " = N" or " = -1 ENAME", and " [injected]" for a fault.
const char* result_text(long result, int error, bool injected, char* buf, std::size_t size) {
  if (result >= 0) {
    std::snprintf(buf, size, "= %ld%s", result, injected ? " [injected]" : "");
  } else {
    const char* name = errno_name(error);
    if (name != nullptr) {
      char upper[32];
      std::size_t i = 0;
      for (; name[i] != '\0' && i + 1 < sizeof upper; ++i) {
        upper[i] = static_cast<char>(name[i] - 'a' + 'A');
      }
      upper[i] = '\0';
      std::snprintf(buf, size, "= -1 %s%s", upper, injected ? " [injected]" : "");
    } else {
      std::snprintf(buf, size, "= -1 errno %d%s", error, injected ? " [injected]" : "");
    }
  }
  return buf;
}

const char* family_name(int family, char* buf, std::size_t size) {
  switch (family) {
    case AF_UNIX:
      return "AF_UNIX";
    case AF_INET:
      return "AF_INET";
    case AF_INET6:
      return "AF_INET6";
    default:
      std::snprintf(buf, size, "family %d", family);
      return buf;
  }
}

template <class T>
T fail_with(int error) {
  errno = error;
  return static_cast<T>(-1);
}

// write, send and recv share their faults; `real` makes the call itself with a byte count.
template <class Real>
ssize_t transfer(const char* name, Call call, int fd, size_t n, const char* flags_text,
                 bool raises_sigpipe, Real real) {
  init();
  const bool on_socket = is_socket(fd);
  Entry* e = decide(call, fd, on_socket);
  ssize_t result = 0;
  int error = 0;
  bool injected = e != nullptr;
  if (e == nullptr) {
    result = real(n);
    error = errno;
  } else if (e->action == Action::Zero) {
    result = 0;
  } else if (e->action == Action::Short) {
    result = real(n < e->limit ? n : e->limit);
    error = errno;
  } else {
    if (e->error == EPIPE && raises_sigpipe) {
      ::raise(SIGPIPE);
    }
    result = -1;
    error = e->action == Action::Errno ? e->error : EINVAL;
  }
  if (on_socket || e != nullptr) {
    char text[64];
    log_line("%s(fd%d, %zu%s) %s", name, fd, n, flags_text,
             result_text(result, error, injected, text, sizeof text));
  }
  errno = error;
  return result;
}

int fcntl_common(fcntl_fn real, int fd, int cmd, void* arg) {
  init();
  const bool on_socket = is_socket(fd);
  Entry* e = decide(Call::Fcntl, fd, on_socket);
  int result = 0;
  int error = 0;
  if (e != nullptr && e->action == Action::Errno) {
    result = -1;
    error = e->error;
  } else {
    e = nullptr;
    result = real(fd, cmd, arg);
    error = errno;
  }
  if (on_socket) {
    char text[64];
    const char* what = cmd == F_GETFD ? "F_GETFD" : cmd == F_SETFD ? "F_SETFD" : nullptr;
    if (what != nullptr && cmd == F_SETFD) {
      log_line("fcntl(fd%d, F_SETFD, %ld) %s", fd, reinterpret_cast<long>(arg),
               result_text(result, error, e != nullptr, text, sizeof text));
    } else if (what != nullptr) {
      log_line("fcntl(fd%d, F_GETFD) %s", fd,
               result_text(result, error, e != nullptr, text, sizeof text));
    } else {
      log_line("fcntl(fd%d, cmd %d) %s", fd, cmd,
               result_text(result, error, e != nullptr, text, sizeof text));
    }
  }
  errno = error;
  return result;
}

}  // namespace

extern "C" {

int socket(int domain, int type, int protocol) noexcept {
  init();
  Entry* e = decide(Call::Socket, -1, true);
  if (e != nullptr && e->action == Action::Cloexec && (type & SOCK_CLOEXEC) == 0) {
    // Only calls that ask for the flag are refused; the fallback without it goes through.
    --e->fired;
    e = nullptr;
  }
  int result = 0;
  int error = 0;
  if (e != nullptr && (e->action == Action::Cloexec || e->action == Action::Errno)) {
    result = -1;
    error = e->action == Action::Cloexec ? EINVAL : e->error;
  } else {
    e = nullptr;
    result = real_socket(domain, type, protocol);
    error = errno;
  }
  char family[32];
  char text[64];
  const int base_type = type & ~(SOCK_CLOEXEC | SOCK_NONBLOCK);
  char fd_text[64];
  if (result >= 0) {
    std::snprintf(fd_text, sizeof fd_text, "= fd%d", result);
  }
  log_line("socket(%s, %s%s%s) %s", family_name(domain, family, sizeof family),
           base_type == SOCK_STREAM  ? "SOCK_STREAM"
           : base_type == SOCK_DGRAM ? "SOCK_DGRAM"
                                     : "other",
           (type & SOCK_CLOEXEC) != 0 ? "|SOCK_CLOEXEC" : "",
           (type & SOCK_NONBLOCK) != 0 ? "|SOCK_NONBLOCK" : "",
           result >= 0 ? fd_text : result_text(result, error, e != nullptr, text, sizeof text));
  errno = error;
  return result;
}

int fcntl(int fd, int cmd, ...) {
  va_list ap;
  va_start(ap, cmd);
  void* arg = va_arg(ap, void*);
  va_end(ap);
  return fcntl_common(real_fcntl, fd, cmd, arg);
}

int fcntl64(int fd, int cmd, ...) {
  va_list ap;
  va_start(ap, cmd);
  void* arg = va_arg(ap, void*);
  va_end(ap);
  return fcntl_common(real_fcntl64, fd, cmd, arg);
}

int connect(int fd, const sockaddr* addr, socklen_t len) {
  init();
  const bool on_socket = is_socket(fd);
  Entry* e = decide(Call::Connect, fd, on_socket);
  const int family = addr != nullptr ? addr->sa_family : AF_UNSPEC;
  int result = 0;
  int error = 0;
  if (e != nullptr && e->action == Action::Errno && e->error == EINTR && family != AF_UNIX) {
    // The kernel has sent the SYN before the signal arrives, and the attempt goes on: start it
    // without waiting and report the interruption. An attempt that fails at once is not
    // interrupted; its own error stands.
    const int fl = real_fcntl(fd, F_GETFL, nullptr);
    real_fcntl(fd, F_SETFL, static_cast<long>(fl | O_NONBLOCK));
    result = real_connect(fd, addr, len);
    error = errno;
    real_fcntl(fd, F_SETFL, static_cast<long>(fl));
    if (result == 0 || error == EINPROGRESS) {
      result = -1;
      error = EINTR;
    } else {
      e = nullptr;
    }
  } else if (e != nullptr && e->action == Action::Errno) {
    result = -1;
    error = e->error;
  } else {
    e = nullptr;
    result = real_connect(fd, addr, len);
    error = errno;
  }
  if (on_socket) {
    const int flags = real_fcntl(fd, F_GETFD, nullptr);
    char name[32];
    char text[64];
    log_line("connect(fd%d, %s) %s [%s]", fd, family_name(family, name, sizeof name),
             result_text(result, error, e != nullptr, text, sizeof text),
             flags >= 0 && (flags & FD_CLOEXEC) != 0 ? "FD_CLOEXEC" : "no FD_CLOEXEC");
  }
  errno = error;
  return result;
}

ssize_t write(int fd, const void* buf, size_t n) {
  return transfer("write", Call::Write, fd, n, "", true,
                  [&](size_t count) { return real_write(fd, buf, count); });
}

ssize_t send(int fd, const void* buf, size_t n, int flags) {
  return transfer("send", Call::Send, fd, n, (flags & MSG_NOSIGNAL) != 0 ? ", MSG_NOSIGNAL" : "",
                  (flags & MSG_NOSIGNAL) == 0,
                  [&](size_t count) { return real_send(fd, buf, count, flags); });
}

ssize_t recv(int fd, void* buf, size_t n, int flags) {
  return transfer("recv", Call::Recv, fd, n, "", false,
                  [&](size_t count) { return real_recv(fd, buf, count, flags); });
}

}  // extern "C"

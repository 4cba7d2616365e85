// A test-only library preloaded into the client (LD_PRELOAD) that stands between it and the C
// library for socket, fcntl, connect, write, writev, send, recv and getaddrinfo, and makes the
// calls fail (or the resolver answer) the way a test asks, so that failures a real daemon,
// resolver or terminal cannot give on demand are met end to end.
//
// QUAMORSC_FAULTS holds entries separated by ";", each "call[:fd]=action[*count][@skip]":
//   call    socket, fcntl, connect, write, writev, send, recv or getaddrinfo
//   :fd     only calls on that descriptor number (writev:1 for standard output, writev:2 for
//           standard error, which the client writes with writev); without it only calls on
//           sockets are touched, so standard output and standard error go on as usual
//   action  an errno name in lower case (eintr, epipe, econnreset, einval, ...): the call fails
//           with it; "zero": write, writev, send or recv return 0; "short<N>": at most N bytes per
//           write, send or recv, and per writev across all its buffers, as the kernel would cut
//           it; "cloexec": socket fails with EINVAL when asked for SOCK_CLOEXEC
//           (a kernel that does not know the flag); "eintr_unstarted": connect fails with EINTR
//           before the kernel has started anything, on any socket
//   *count  how many calls the fault hits (default: every one)
//   @skip   how many matching calls pass untouched first (default 0)
// Calls are matched against the entries in order; the first that still applies decides.
//
// getaddrinfo takes the resolver's answer as its action instead:
//   eai_again, eai_fail, eai_noname   the lookup fails with that code
//   eai_system[/errno name]           it fails with EAI_SYSTEM and errno set to that error, or 0
//   list[,address]...                 it succeeds with these entries in this order: dotted IPv4,
//                                     IPv6 (any text with a ':'), or "unix" for an entry of
//                                     family AF_UNIX; "list" alone is an empty list
//
// The kernel's own side effects are kept: a write or writev that fails with EPIPE raises SIGPIPE
// unless send was given MSG_NOSIGNAL, and an interrupted connect on a TCP socket ("eintr") has
// already started the connection, which goes on and ends as it would have (a Unix-socket connect is
// interrupted before anything happens).
//
// QUAMORSC_FAULTS_LOG names a file that receives one line per intercepted call on a socket, and
// per write, writev, send or recv on a descriptor that an entry names, with its result,
// "[injected]" for faults, for writev the number of buffers, and for connect whether the
// descriptor has FD_CLOEXEC.

#include <arpa/inet.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

enum class Call { Socket, Fcntl, Connect, Write, Writev, Send, Recv, Getaddrinfo };

enum class Action { Errno, Zero, Short, Cloexec, EintrUnstarted, Resolver };

constexpr int kMaxAddrs = 8;

// What a getaddrinfo entry answers: a code, or (code 0) the list of `addrs`.
struct Resolver {
  int code = 0;
  int error = 0;  // errno for EAI_SYSTEM
  int count = 0;
  sockaddr_storage addrs[kMaxAddrs]{};
  socklen_t lengths[kMaxAddrs]{};
};

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
  Resolver resolver;  // for Action::Resolver
};

constexpr int kMaxEntries = 32;
// Constant-initialised: the entries are read by a constructor that may run before any dynamic
// initialisation of this library.
constinit Entry g_entries[kMaxEntries];
int g_entry_count = 0;
int g_log_fd = -1;
bool g_ready = false;

using socket_fn = int (*)(int, int, int);
using fcntl_fn = int (*)(int, int, ...);
using connect_fn = int (*)(int, const sockaddr*, socklen_t);
using write_fn = ssize_t (*)(int, const void*, size_t);
using writev_fn = ssize_t (*)(int, const iovec*, int);
using send_fn = ssize_t (*)(int, const void*, size_t, int);
using recv_fn = ssize_t (*)(int, void*, size_t, int);
using getaddrinfo_fn = int (*)(const char*, const char*, const addrinfo*, addrinfo**);

socket_fn real_socket;
fcntl_fn real_fcntl;
fcntl_fn real_fcntl64;
connect_fn real_connect;
write_fn real_write;
writev_fn real_writev;
send_fn real_send;
recv_fn real_recv;
getaddrinfo_fn real_getaddrinfo;

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
    {"ealready", EALREADY},
    {"einprogress", EINPROGRESS},
    {"eisconn", EISCONN},
};

int errno_value(const char* name, std::size_t len) {
  for (const ErrnoName& n : kErrnos) {
    if (std::strlen(n.name) == len && std::strncmp(n.name, name, len) == 0) {
      return n.value;
    }
  }
  return -1;
}

const char* errno_name(int value) {
  for (const ErrnoName& e : kErrnos) {
    if (e.value == value) {
      return e.name;
    }
  }
  return nullptr;
}

[[noreturn]] void bad_faults(const char* what, const char* text) {
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
  } kCalls[] = {{"socket", Call::Socket},   {"fcntl", Call::Fcntl},
                {"connect", Call::Connect}, {"write", Call::Write},
                {"writev", Call::Writev},   {"send", Call::Send},
                {"recv", Call::Recv},       {"getaddrinfo", Call::Getaddrinfo}};
  for (const auto& c : kCalls) {
    if (std::strlen(c.name) == len && std::strncmp(c.name, name, len) == 0) {
      call = c.call;
      return true;
    }
  }
  return false;
}

// One address of a "list" answer.
void parse_address(const char* text, std::size_t len, Resolver& r, const char* entry) {
  if (r.count == kMaxAddrs) {
    bad_faults("too many addresses", entry);
  }
  char addr[64];
  if (len >= sizeof addr) {
    bad_faults("address too long", entry);
  }
  std::memcpy(addr, text, len);
  addr[len] = '\0';
  sockaddr_storage& storage = r.addrs[r.count];
  std::memset(&storage, 0, sizeof storage);
  if (std::strcmp(addr, "unix") == 0) {
    auto* sun = reinterpret_cast<sockaddr_un*>(&storage);
    sun->sun_family = AF_UNIX;
    r.lengths[r.count] = sizeof(sockaddr_un);
  } else if (std::strchr(addr, ':') != nullptr) {
    auto* sin6 = reinterpret_cast<sockaddr_in6*>(&storage);
    sin6->sin6_family = AF_INET6;
    if (::inet_pton(AF_INET6, addr, &sin6->sin6_addr) != 1) {
      bad_faults("bad address", entry);
    }
    r.lengths[r.count] = sizeof(sockaddr_in6);
  } else {
    auto* sin = reinterpret_cast<sockaddr_in*>(&storage);
    sin->sin_family = AF_INET;
    if (::inet_pton(AF_INET, addr, &sin->sin_addr) != 1) {
      bad_faults("bad address", entry);
    }
    r.lengths[r.count] = sizeof(sockaddr_in);
  }
  ++r.count;
}

// The answer of a getaddrinfo entry, `len` bytes at `action`.
void parse_resolver(const char* action, std::size_t len, Resolver& r, const char* entry) {
  static constexpr struct {
    const char* name;
    int code;
  } kCodes[] = {{"eai_again", EAI_AGAIN}, {"eai_fail", EAI_FAIL}, {"eai_noname", EAI_NONAME}};
  for (const auto& c : kCodes) {
    if (std::strlen(c.name) == len && std::strncmp(c.name, action, len) == 0) {
      r.code = c.code;
      return;
    }
  }
  constexpr std::size_t kSystem = sizeof "eai_system" - 1;
  if (len >= kSystem && std::strncmp(action, "eai_system", kSystem) == 0) {
    r.code = EAI_SYSTEM;
    if (len > kSystem) {
      if (action[kSystem] != '/' ||
          (r.error = errno_value(action + kSystem + 1, len - kSystem - 1)) < 0) {
        bad_faults("bad errno of eai_system", entry);
      }
    }
    return;
  }
  constexpr std::size_t kList = sizeof "list" - 1;
  if (len < kList || std::strncmp(action, "list", kList) != 0 ||
      (len > kList && action[kList] != ',')) {
    bad_faults("unknown getaddrinfo answer", entry);
  }
  const char* end = action + len;
  for (const char* p = action + kList; p < end;) {
    const char* start = p + 1;
    const char* comma = start;
    while (comma < end && *comma != ',') {
      ++comma;
    }
    parse_address(start, static_cast<std::size_t>(comma - start), r, entry);
    p = comma;
  }
}

// One "call[:fd]=action[*count][@skip]" of `text`, `len` bytes long.
void parse_entry(const char* text, std::size_t len) {
  char buf[128];
  if (len >= sizeof buf) {
    bad_faults("entry too long", text);
  }
  std::memcpy(buf, text, len);
  buf[len] = '\0';
  if (g_entry_count == kMaxEntries) {
    bad_faults("too many entries", buf);
  }
  Entry e;
  const char* eq = std::strchr(buf, '=');
  if (eq == nullptr) {
    bad_faults("entry without '='", buf);
  }
  const char* colon = std::strchr(buf, ':');
  std::size_t name_len =
      static_cast<std::size_t>((colon != nullptr && colon < eq ? colon : eq) - buf);
  if (!parse_call(buf, name_len, e.call)) {
    bad_faults("unknown call", buf);
  }
  if (colon != nullptr && colon < eq) {
    const char* p = colon + 1;
    unsigned long fd = 0;
    if (!parse_number(p, fd) || p != eq) {
      bad_faults("bad descriptor", buf);
    }
    e.fd = static_cast<int>(fd);
  }
  const char* p = eq + 1;
  const char* action = p;
  while (*p != '\0' && *p != '*' && *p != '@') {
    ++p;
  }
  std::size_t action_len = static_cast<std::size_t>(p - action);
  if (e.call == Call::Getaddrinfo) {
    e.action = Action::Resolver;
    parse_resolver(action, action_len, e.resolver, buf);
  } else if (action_len == 4 && std::strncmp(action, "zero", 4) == 0) {
    e.action = Action::Zero;
  } else if (action_len == 7 && std::strncmp(action, "cloexec", 7) == 0) {
    e.action = Action::Cloexec;
  } else if (action_len == 15 && std::strncmp(action, "eintr_unstarted", 15) == 0) {
    e.action = Action::EintrUnstarted;
  } else if (action_len > 5 && std::strncmp(action, "short", 5) == 0) {
    e.action = Action::Short;
    const char* q = action + 5;
    if (!parse_number(q, e.limit) || q != p || e.limit == 0) {
      bad_faults("bad short length", buf);
    }
  } else {
    e.action = Action::Errno;
    e.error = errno_value(action, action_len);
    if (e.error < 0) {
      bad_faults("unknown action", buf);
    }
  }
  while (*p != '\0') {
    const char kind = *p++;
    unsigned long value = 0;
    if (!parse_number(p, value)) {
      bad_faults("bad count or skip", buf);
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
  real_writev = reinterpret_cast<writev_fn>(::dlsym(RTLD_NEXT, "writev"));
  real_send = reinterpret_cast<send_fn>(::dlsym(RTLD_NEXT, "send"));
  real_recv = reinterpret_cast<recv_fn>(::dlsym(RTLD_NEXT, "recv"));
  real_getaddrinfo = reinterpret_cast<getaddrinfo_fn>(::dlsym(RTLD_NEXT, "getaddrinfo"));
  g_ready = true;

  if (const char* faults = std::getenv("QUAMORSC_FAULTS")) {
    const char* start = faults;
    for (const char* p = faults;; ++p) {
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
    if (g_log_fd >= 0 && g_log_fd <= 2) {
      // A closed standard descriptor stays closed for the client, as it would be without us.
      const int moved = real_fcntl(g_log_fd, F_DUPFD_CLOEXEC, 3);
      ::close(g_log_fd);
      g_log_fd = moved;
    }
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

// Whether an entry for `call` names descriptor `fd`: its calls are logged as a socket's are, so
// that the log shows how the faults on it were met.
bool named(Call call, int fd) {
  for (int i = 0; i < g_entry_count; ++i) {
    if (g_entries[i].call == call && g_entries[i].fd == fd) {
      return true;
    }
  }
  return false;
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

// write, writev, send and recv share their faults; `real` makes the call itself with at most the
// byte count it is given.
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
  if (on_socket || e != nullptr || named(call, fd)) {
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
  if (e != nullptr && e->action == Action::EintrUnstarted) {
    result = -1;
    error = EINTR;
  } else if (e != nullptr && e->action == Action::Errno && e->error == EINTR && family != AF_UNIX) {
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

// A short writev takes the buffers in order up to the limit, the last of them cut, as the kernel
// does when it runs out of room.
ssize_t writev(int fd, const iovec* iov, int count) {
  size_t total = 0;
  for (int i = 0; i < count; ++i) {
    total += iov[i].iov_len;
  }
  char buffers[32];
  std::snprintf(buffers, sizeof buffers, ", %d buffer%s", count, count == 1 ? "" : "s");
  return transfer("writev", Call::Writev, fd, total, buffers, true, [&](size_t limit) {
    if (limit >= total) {
      return real_writev(fd, iov, count);
    }
    constexpr int kMaxCut = 16;  // a shorter write still, should the limit span more
    iovec cut[kMaxCut];
    int used = 0;
    for (int i = 0; i < count && used < kMaxCut && limit > 0; ++i) {
      cut[used] = iov[i];
      if (cut[used].iov_len > limit) {
        cut[used].iov_len = limit;
      }
      limit -= cut[used].iov_len;
      ++used;
    }
    return real_writev(fd, cut, used);
  });
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

int getaddrinfo(const char* node, const char* service, const addrinfo* hints, addrinfo** res) {
  init();
  Entry* e = decide(Call::Getaddrinfo, -1, true);
  if (e == nullptr) {
    const int code = real_getaddrinfo(node, service, hints, res);
    log_line("getaddrinfo(%s) = %d", node != nullptr ? node : "NULL", code);
    return code;
  }
  const Resolver& r = e->resolver;
  if (r.code != 0) {
    log_line("getaddrinfo(%s) = %d [injected]", node != nullptr ? node : "NULL", r.code);
    errno = r.error;
    return r.code;
  }
  addrinfo* head = nullptr;
  addrinfo** tail = &head;
  for (int i = 0; i < r.count; ++i) {
    // One block per entry, its address included and no name, as the C library makes them: its
    // freeaddrinfo releases the list.
    void* block = std::calloc(1, sizeof(addrinfo) + sizeof(sockaddr_storage));
    if (block == nullptr) {
      ::abort();
    }
    auto* ai = static_cast<addrinfo*>(block);
    auto* addr = reinterpret_cast<sockaddr*>(static_cast<char*>(block) + sizeof(addrinfo));
    std::memcpy(addr, &r.addrs[i], r.lengths[i]);
    ai->ai_family = r.addrs[i].ss_family;
    ai->ai_socktype = SOCK_STREAM;
    ai->ai_addrlen = r.lengths[i];
    ai->ai_addr = addr;
    *tail = ai;
    tail = &ai->ai_next;
  }
  log_line("getaddrinfo(%s) = 0, %d entries [injected]", node != nullptr ? node : "NULL", r.count);
  *res = head;
  return 0;
}

}  // extern "C"

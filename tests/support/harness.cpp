#include "harness.h"

#include <fcntl.h>
#include <grp.h>
#include <net/if.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "blocked_writer.h"
#include "generated_text.h"
#include "quamorsc/process/version.h"

namespace e2e {

namespace {

constexpr int kSetupFailed = 120;

int memfd(const char* name) {
  int fd = ::memfd_create(name, MFD_CLOEXEC);
  if (fd < 0) {
    throw std::runtime_error(std::string("memfd_create: ") + std::strerror(errno));
  }
  return fd;
}

void write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n <= 0) {
      return;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

// Reports a failed step of the child and ends it.
[[noreturn]] void setup_failed(int result_fd, const std::string& what) {
  write_all(result_fd, "setup " + what + ": " + std::strerror(errno));
  ::_exit(kSetupFailed);
}

void write_file(int result_fd, const std::string& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary);
  file << text;
  if (!file) {
    setup_failed(result_fd, "write " + path);
  }
}

void bind_over(int result_fd, const std::string& source, const char* target) {
  if (::mount(source.c_str(), target, nullptr, MS_BIND, nullptr) != 0) {
    setup_failed(result_fd, std::string("bind over ") + target);
  }
}

void make_dirs(int result_fd, const std::string& path) {
  for (std::size_t at = path.find('/', 1);; at = path.find('/', at + 1)) {
    std::string prefix = path.substr(0, at);
    if (::mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST) {
      setup_failed(result_fd, "mkdir " + prefix);
    }
    if (at == std::string::npos) {
      return;
    }
  }
}

// The kernel reads these maps from a single write, and refuses a bad one at that write.
void write_proc(int result_fd, const char* path, const std::string& text) {
  int fd = ::open(path, O_WRONLY | O_CLOEXEC);
  if (fd < 0 || ::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
    setup_failed(result_fd, std::string("write ") + path);
  }
  ::close(fd);
}

// Without root, a user namespace of the run's own lends the rights that mounting and bringing up
// loopback need: the user becomes root inside it, and nothing outside changes.
void unshare_as_user(int result_fd) {
  std::string uid = std::to_string(::geteuid());
  std::string gid = std::to_string(::getegid());
  if (::unshare(CLONE_NEWUSER | CLONE_NEWNS | CLONE_NEWNET) != 0) {
    setup_failed(result_fd, "unshare with a user namespace");
  }
  // The kernel takes a group map from an unprivileged writer only once setgroups is denied.
  write_proc(result_fd, "/proc/self/setgroups", "deny");
  write_proc(result_fd, "/proc/self/uid_map", "0 " + uid + " 1");
  write_proc(result_fd, "/proc/self/gid_map", "0 " + gid + " 1");
}

// The private world of one run: its own /tmp, loopback and name lookup by files alone.
void enter_namespaces(int result_fd, const std::string& hosts) {
  // Root without the right to mount (in a container, say) fares as any other user.
  if (::geteuid() != 0 || ::unshare(CLONE_NEWNS | CLONE_NEWNET) != 0) {
    unshare_as_user(result_fd);
  }
  if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
    // Without a private root every mount of the run would show up outside it. In a chroot whose
    // directory is not a mount point the root cannot be made private, and the kernel refuses
    // user namespaces to chrooted processes, so there is no other way in.
    setup_failed(result_fd, errno == EINVAL ? "make / private (the root directory is not a mount "
                                              "point: bind-mount a chroot's directory onto itself "
                                              "before entering it)"
                                            : "make / private");
  }
  // A checkout under /tmp (a CI clone, say) would vanish under the new tmpfs along with the
  // programs and fixtures the run needs, so those trees are bound back at their own paths.
  std::vector<std::pair<std::string, int>> kept;
  for (const char* dir : {E2E_SOURCE_DIR, E2E_BINARY_DIR}) {
    if (std::string_view(dir).starts_with("/tmp/")) {
      int fd = ::open(dir, O_PATH | O_DIRECTORY | O_CLOEXEC);
      if (fd < 0) {
        setup_failed(result_fd, std::string("open ") + dir);
      }
      kept.emplace_back(dir, fd);
    }
  }
  if (::mount("tmpfs", "/tmp", "tmpfs", 0, "mode=1777") != 0) {
    setup_failed(result_fd, "tmpfs on /tmp");
  }
  for (const auto& [dir, fd] : kept) {
    make_dirs(result_fd, dir);
    bind_over(result_fd, "/proc/self/fd/" + std::to_string(fd), dir.c_str());
    ::close(fd);
  }
  int sock = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  ifreq ifr{};
  std::strcpy(ifr.ifr_name, "lo");
  if (sock < 0 || ::ioctl(sock, SIOCGIFFLAGS, &ifr) != 0) {
    setup_failed(result_fd, "read loopback flags");
  }
  ifr.ifr_flags = static_cast<short>(ifr.ifr_flags | IFF_UP);
  if (::ioctl(sock, SIOCSIFFLAGS, &ifr) != 0) {
    setup_failed(result_fd, "bring loopback up");
  }
  ::close(sock);
  ::mkdir("/tmp/.e2e-etc", 0755);
  write_file(result_fd, "/tmp/.e2e-etc/hosts", hosts);
  write_file(result_fd, "/tmp/.e2e-etc/nsswitch.conf", "hosts: files\n");
  bind_over(result_fd, "/tmp/.e2e-etc/hosts", "/etc/hosts");
  bind_over(result_fd, "/tmp/.e2e-etc/nsswitch.conf", "/etc/nsswitch.conf");
}

std::vector<char*> c_strings(std::vector<std::string>& strings) {
  std::vector<char*> out;
  out.reserve(strings.size() + 1);
  for (std::string& s : strings) {
    out.push_back(s.data());
  }
  out.push_back(nullptr);
  return out;
}

pid_t start_daemon(int result_fd, int err_fd, std::vector<std::string> args) {
  int ready[2];
  if (::pipe2(ready, O_CLOEXEC) != 0) {
    setup_failed(result_fd, "pipe");
  }
  args.insert(args.begin(), FAKE_DAEMON_BIN);
  args.insert(args.end(), {"--record", "/tmp/.e2e-requests"});
  pid_t pid = ::fork();
  if (pid == 0) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The socket file is not writable by other users, whatever the test's own umask.
    ::umask(022);
    ::dup2(ready[1], 1);
    ::dup2(err_fd, 2);
    auto argv = c_strings(args);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(ready[1]);
  pollfd pfd{ready[0], POLLIN, 0};
  char buf[16] = {};
  if (::poll(&pfd, 1, 10000) != 1 || ::read(ready[0], buf, sizeof buf) <= 0) {
    errno = ETIMEDOUT;
    setup_failed(result_fd, "stand-in daemon did not start");
  }
  ::close(ready[0]);
  return pid;
}

// Puts the run's own hosts file, opened only for reading, on descriptor `fd`: open, but refusing
// every write with EBADF, as a closed descriptor would. Failing here is reported on descriptor 2
// with status 120.
void put_read_only_file(int fd) {
  int file = ::open("/etc/hosts", O_RDONLY);
  if (file < 0 || ::dup2(file, fd) < 0) {
    std::string line = std::string("setup read-only descriptor: ") + std::strerror(errno) + "\n";
    write_all(2, line);
    ::_exit(kSetupFailed);
  }
  ::close(file);
}

void redirect_stdout(Stdout mode, int out_fd) {
  switch (mode) {
    case Stdout::Captured:
      ::dup2(out_fd, 1);
      break;
    case Stdout::Closed:
      ::close(1);
      break;
    case Stdout::ClosedPipe: {
      int p[2];
      if (::pipe(p) == 0) {
        ::close(p[0]);
        ::dup2(p[1], 1);
        ::close(p[1]);
      }
      break;
    }
    case Stdout::DevFull: {
      int fd = ::open("/dev/full", O_WRONLY);
      ::dup2(fd, 1);
      ::close(fd);
      break;
    }
    case Stdout::Counted:
    case Stdout::NonBlockingLateReader:
    case Stdout::NonBlockingReaderLeaves:
      ::dup2(out_fd, 1);  // the write end of the reader's pipe
      break;
    case Stdout::ReadOnly:
      put_read_only_file(1);
      break;
  }
}

constexpr const char* kFaultLog = "/tmp/.e2e-faults";
// The loader splits LD_PRELOAD at blanks and colons, which a checkout's path may hold: the client
// preloads the fault library by this path of the run's own /tmp, bound to the built one.
constexpr const char* kFaultLib = "/tmp/.e2e-fault.so";

// A client run as another user may not reach the checkout (under /root, say): it is started from
// this path of the run's own /tmp, bound to the built client.
constexpr const char* kPlacedClient = "/tmp/.e2e-quamorsc";

// Makes the built file `source` reachable at `target` in the run's own /tmp.
void place(int result_fd, const char* source, const char* target) {
  int fd = ::open(target, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) {
    setup_failed(result_fd, std::string("create ") + target);
  }
  ::close(fd);
  bind_over(result_fd, source, target);
}

// What the client's environment gets besides the scenario's own: the fault library when asked
// for, and the sanitizer settings of the test run, so that a report in the client fails the same
// way as one in the tests.
void add_run_environment(const Scenario& scenario, std::vector<std::string>& env) {
  if (!scenario.faults.empty()) {
    env.push_back(std::string("LD_PRELOAD=") + kFaultLib);
    env.push_back("QUAMORSC_FAULTS=" + scenario.faults);
    env.push_back(std::string("QUAMORSC_FAULTS_LOG=") + kFaultLog);
  }
  for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
    if (const char* value = std::getenv(name)) {
      env.push_back(std::string(name) + "=" + value);
    }
  }
}

void limit_client(const Scenario& scenario) {
  if (!scenario.address_space) {
    return;
  }
  // An abort under the limit must not leave a core file of the whole reply behind.
  rlimit no_core{0, 0};
  ::setrlimit(RLIMIT_CORE, &no_core);
  rlimit limit{*scenario.address_space, *scenario.address_space};
  ::setrlimit(RLIMIT_AS, &limit);
}

// The client's world when it is narrower than the test's: no devices, another user, no standard
// error. A step that fails is reported on the client's standard error with status 120.
void narrow_client(const Scenario& scenario) {
  auto failed = [](const char* what) {
    std::string line = std::string("setup ") + what + ": " + std::strerror(errno) + "\n";
    write_all(2, line);
    ::_exit(kSetupFailed);
  };
  if (scenario.empty_dev && ::mount("tmpfs", "/dev", "tmpfs", MS_NOSUID, "mode=755") != 0) {
    failed("empty /dev");
  }
  if (scenario.uid && (::setgroups(0, nullptr) != 0 || ::setgid(*scenario.uid) != 0 ||
                       ::setuid(*scenario.uid) != 0)) {
    failed("switch user");
  }
  switch (scenario.err) {
    case Stderr::Captured:
    case Stderr::NonBlockingLateReader:  // on descriptor 2 already
      break;
    case Stderr::Closed:
      ::close(2);
      break;
    case Stderr::ReadOnly:
      put_read_only_file(2);
      break;
  }
}

pid_t start_client(const Scenario& scenario, int out_fd, int err_fd) {
  std::vector<std::string> args = scenario.args;
  args.insert(args.begin(), QUAMORSC_BIN);
  std::vector<std::string> env = scenario.env;
  add_run_environment(scenario, env);
  pid_t pid = ::fork();
  if (pid == 0) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    int null_fd = ::open("/dev/null", O_RDONLY);
    ::dup2(null_fd, 0);
    ::dup2(err_fd, 2);
    redirect_stdout(scenario.out, out_fd);
    limit_client(scenario);
    narrow_client(scenario);
    auto argv = c_strings(args);
    auto envp = c_strings(env);
    ::execve(scenario.uid ? kPlacedClient : argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  return pid;
}

// Waits for `pid`, killing it when it takes longer than `limit`; its wait status, or -1. `usage`
// receives what it used.
int wait_for(pid_t pid, std::chrono::milliseconds limit, rusage& usage) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  while (::wait4(pid, &status, WNOHANG, &usage) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return status;
}

std::string read_file(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Descriptor numbers depend on what the process had open; the tests compare the calls alone.
std::string without_fd_numbers(const std::string& log) {
  static const std::regex fd(R"(fd\d+)");
  return std::regex_replace(log, fd, "fd");
}

// Reads `fd` until its end or an error, `buffer` bytes at a time at most, handing each piece to
// `take` as it arrives.
template <class Take>
void read_to_end(int fd, std::size_t buffer, Take take) {
  std::vector<char> buf(buffer);
  for (;;) {
    ssize_t n = ::read(fd, buf.data(), buf.size());
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      return;
    }
    take(std::string_view(buf.data(), static_cast<std::size_t>(n)));
  }
}

// Reads standard output of the client as it comes, keeping only its length and digest.
class CountingReader {
 public:
  explicit CountingReader(int result_fd) {
    int p[2];
    if (::pipe2(p, O_CLOEXEC) != 0) {
      setup_failed(result_fd, "pipe");
    }
    read_end_ = p[0];
    write_end_ = p[1];
    thread_ = std::thread([this] {
      read_to_end(read_end_, std::size_t{1} << 20,
                  [this](std::string_view piece) { digest_.update(piece); });
    });
  }
  int write_end() const { return write_end_; }
  // After the client has been started: only the client holds the write end then.
  void close_write_end() { ::close(write_end_); }
  StreamDigest finish() {
    thread_.join();
    ::close(read_end_);
    return digest_;
  }

 private:
  int read_end_ = -1;
  int write_end_ = -1;
  StreamDigest digest_;
  std::thread thread_;
};

// A pipe handed to the client in non-blocking mode. Its reader waits until the client is stuck on
// it, then reads it to the end into a sink or, when it is not to read, closes it unread.
class LateReader {
 public:
  LateReader(int result_fd, bool reads) : reads_(reads) {
    int p[2];
    if (::pipe2(p, O_CLOEXEC) != 0) {
      setup_failed(result_fd, "pipe");
    }
    read_end_ = p[0];
    write_end_ = p[1];
    // The client's end alone: the reader's own end blocks as usual.
    const int flags = ::fcntl(write_end_, F_GETFL);
    if (flags < 0 || ::fcntl(write_end_, F_SETFL, flags | O_NONBLOCK) != 0) {
      setup_failed(result_fd, "non-blocking pipe");
    }
  }
  int write_end() const { return write_end_; }
  // Once `client` has been started, so that only the client holds the write end. Waiting ends at
  // the latest when the client does, which `limit` bounds.
  void start(pid_t client, int sink, std::chrono::milliseconds limit) {
    ::close(write_end_);
    thread_ = std::thread([this, client, sink, limit] {
      wait_for_blocked_writer(read_end_, "/proc/" + std::to_string(client) + "/stat", limit);
      if (!reads_) {
        ::close(read_end_);
        read_end_ = -1;
        return;
      }
      read_to_end(read_end_, std::size_t{1} << 16,
                  [sink](std::string_view piece) { write_all(sink, piece); });
    });
  }
  void finish() {
    thread_.join();
    if (read_end_ >= 0) {
      ::close(read_end_);
    }
  }

 private:
  bool reads_;
  int read_end_ = -1;
  int write_end_ = -1;
  std::thread thread_;
};

[[noreturn]] void run_child(const Scenario& scenario, int out_fd, int err_fd, int requests_fd,
                            int result_fd, int daemon_err_fd, int faults_fd) {
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  enter_namespaces(result_fd, scenario.hosts);
  if (!scenario.faults.empty()) {
    place(result_fd, FAULT_LIB, kFaultLib);
  }
  if (scenario.uid) {
    place(result_fd, QUAMORSC_BIN, kPlacedClient);
  }
  pid_t daemon = 0;
  if (scenario.daemon) {
    daemon = start_daemon(result_fd, daemon_err_fd, *scenario.daemon);
  }
  std::optional<CountingReader> counter;
  if (scenario.out == Stdout::Counted) {
    counter.emplace(result_fd);
  }
  std::optional<LateReader> out_reader;
  if (scenario.out == Stdout::NonBlockingLateReader ||
      scenario.out == Stdout::NonBlockingReaderLeaves) {
    out_reader.emplace(result_fd, scenario.out == Stdout::NonBlockingLateReader);
  }
  std::optional<LateReader> err_reader;
  if (scenario.err == Stderr::NonBlockingLateReader) {
    err_reader.emplace(result_fd, true);
  }
  const int client_out = counter      ? counter->write_end()
                         : out_reader ? out_reader->write_end()
                                      : out_fd;
  pid_t client = start_client(scenario, client_out, err_reader ? err_reader->write_end() : err_fd);
  if (counter) {
    counter->close_write_end();
  }
  // A little past the client's own limit: by then it has been killed, and its pipes have ended.
  const auto reader_limit = scenario.timeout + std::chrono::seconds(5);
  if (out_reader) {
    out_reader->start(client, out_fd, reader_limit);
  }
  if (err_reader) {
    err_reader->start(client, err_fd, reader_limit);
  }
  rusage usage{};
  int status = wait_for(client, scenario.timeout, usage);
  if (out_reader) {
    out_reader->finish();
  }
  if (err_reader) {
    err_reader->finish();
  }
  std::ostringstream counted;
  if (counter) {
    // The client has ended, and with it the only writer: the reader is at the end of the stream.
    StreamDigest digest = counter->finish();
    counted << ' ' << digest.count() << ' ' << digest.digest();
  }
  if (!scenario.faults.empty()) {
    write_all(faults_fd, without_fd_numbers(read_file(kFaultLog)));
  }
  if (daemon != 0) {
    // The daemon records a request before it answers, so it is on file by now.
    ::kill(daemon, SIGKILL);
    ::waitpid(daemon, nullptr, 0);
    std::ifstream in("/tmp/.e2e-requests", std::ios::binary);
    write_all(requests_fd,
              std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
  }
  std::ostringstream result;
  if (status == -1) {
    result << "timeout " << client;
  } else if (WIFEXITED(status)) {
    result << "exit " << WEXITSTATUS(status) << ' ' << client;
  } else {
    result << "signal " << WTERMSIG(status) << ' ' << client;
  }
  result << ' ' << usage.ru_maxrss << counted.str();
  write_all(result_fd, result.str());
  ::_exit(0);
}

// Replaces every time stamp (digits as in 2020-01-27T12:34:56Z) by "TIME"; in linear time, since
// a failure line may run to hundreds of megabytes.
std::string normalise_times(const std::string& text) {
  static constexpr std::string_view kShape = "dddd-dd-ddTdd:dd:ddZ";
  auto stamp_at = [&](std::size_t at) {
    for (std::size_t i = 0; i < kShape.size(); ++i) {
      const char c = text[at + i];
      if (kShape[i] == 'd' ? std::isdigit(static_cast<unsigned char>(c)) == 0 : c != kShape[i]) {
        return false;
      }
    }
    return true;
  };
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    if (i + kShape.size() <= text.size() && stamp_at(i)) {
      out += "TIME";
      i += kShape.size();
    } else {
      out += text[i++];
    }
  }
  return out;
}

}  // namespace

std::string read_all(int fd) {
  std::string bytes;
  char buf[65536];
  for (off_t at = 0;;) {
    ssize_t n = ::pread(fd, buf, sizeof buf, at);
    if (n <= 0) {
      return bytes;
    }
    bytes.append(buf, static_cast<std::size_t>(n));
    at += n;
  }
}

std::optional<std::string> namespaces_unavailable() {
  static const std::optional<std::string> why = []() -> std::optional<std::string> {
    int result_fd = memfd("probe");
    pid_t pid = ::fork();
    if (pid == 0) {
      enter_namespaces(result_fd, "127.0.0.1 localhost\n");
      ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    std::string reason = read_all(result_fd);
    ::close(result_fd);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
      return std::nullopt;
    }
    return reason.empty() ? std::string("the probe failed") : reason;
  }();
  return why;
}

bool user_available(unsigned uid) {
  // Asked where the run will be: a user namespace of the harness's own maps only one user.
  int result_fd = memfd("user-probe");
  pid_t pid = ::fork();
  if (pid == 0) {
    enter_namespaces(result_fd, "127.0.0.1 localhost\n");
    place(result_fd, QUAMORSC_BIN, kPlacedClient);
    const bool switched = ::setgroups(0, nullptr) == 0 && ::setgid(uid) == 0 && ::setuid(uid) == 0;
    ::_exit(switched && ::access(kPlacedClient, X_OK) == 0 ? 0 : 1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  ::close(result_fd);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

Outcome run(const Scenario& scenario) {
  int out_fd = memfd("out");
  int err_fd = memfd("err");
  int requests_fd = memfd("requests");
  int result_fd = memfd("result");
  int daemon_err_fd = memfd("daemon-err");
  int faults_fd = memfd("faults");
  pid_t child = ::fork();
  if (child == 0) {
    run_child(scenario, out_fd, err_fd, requests_fd, result_fd, daemon_err_fd, faults_fd);
  }
  int status = 0;
  ::waitpid(child, &status, 0);

  Outcome outcome;
  outcome.out = read_all(out_fd);
  outcome.err = normalise_times(read_all(err_fd));
  outcome.requests = read_all(requests_fd);
  outcome.daemon_err = read_all(daemon_err_fd);
  outcome.fault_log = read_all(faults_fd);
  std::istringstream result(read_all(result_fd));
  std::string how;
  int value = 0;
  result >> how >> value >> outcome.pid >> outcome.max_rss_kib;
  if (scenario.out == Stdout::Counted) {
    result >> outcome.out_count >> outcome.out_digest;
  }
  for (int fd : {out_fd, err_fd, requests_fd, result_fd, daemon_err_fd, faults_fd}) {
    ::close(fd);
  }
  if (how == "exit") {
    outcome.status = value;
  } else if (how == "signal") {
    outcome.signal = value;
  } else {
    // Status and signal stay as they are (-1 and 0), which no expectation accepts; this says why.
    const std::string why = "run did not finish: " + result.str() + outcome.daemon_err + "\n";
    std::fputs(why.c_str(), stderr);
  }
  return outcome;
}

std::string start_line(pid_t pid) {
  return "[TIME DEBUG quamorsc] START: Version: " + std::string(quamorsc::kVersion) + ", Pid " +
         std::to_string(pid) + " Mode 'release'\n";
}

std::string fixture(const std::string& name) {
  return read_file((std::string(E2E_SOURCE_DIR) + "/tests/fixtures/" + name).c_str());
}

}  // namespace e2e

namespace e2e {

std::string name_of(const std::vector<std::string>& words) {
  std::string name;
  for (const std::string& word : words) {
    bool upper = true;
    for (char c : word) {
      if (std::isalnum(static_cast<unsigned char>(c)) == 0) {
        upper = true;
        continue;
      }
      name += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
      upper = false;
    }
  }
  return name.empty() ? "None" : name;
}

}  // namespace e2e

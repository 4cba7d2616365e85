// Runs the real client against the stand-in daemon inside private mount and network namespaces
// made for each run: a tmpfs on /tmp (so /tmp/zurozivo.sock is the run's own), loopback up (so
// port 8000 is the run's own), and the run's own hosts file. Runs are independent and may go on
// in parallel; the host's socket and port are never touched.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

// Counted: a pipe whose reader keeps only the length and digest of what arrives (replies of
// gigabytes), see Outcome::out_count and StreamDigest. ReadOnly: open, on a file opened only for
// reading, so that every write is refused. NonBlockingLateReader: a pipe in non-blocking mode
// whose reader starts only once the client is stuck on it (something written and the client
// asleep, see blocked_writer.h), then reads it to the end into Outcome::out;
// NonBlockingReaderLeaves: the same, but the reader closes it then without reading anything.
enum class Stdout {
  Captured,
  Closed,
  ClosedPipe,
  DevFull,
  Counted,
  ReadOnly,
  NonBlockingLateReader,
  NonBlockingReaderLeaves
};

// What the client's descriptor 2 is; Closed and ReadOnly leave Outcome::err empty, and
// NonBlockingLateReader is the pipe of Stdout::NonBlockingLateReader, read into Outcome::err.
enum class Stderr { Captured, Closed, ReadOnly, NonBlockingLateReader };

struct Scenario {
  std::vector<std::string> args;                   // the client's, after the program name
  std::vector<std::string> env;                    // "NAME=value", nothing else is set
  std::optional<std::vector<std::string>> daemon;  // the stand-in daemon's options, if any
  std::string hosts = "127.0.0.1 localhost\n::1 localhost\n";
  Stdout out = Stdout::Captured;
  // Faults for the preloaded fault library (tests/fault/fault.cpp); none when empty.
  std::string faults{};
  std::optional<std::uint64_t> address_space{};  // the client's RLIMIT_AS, when limited
  std::chrono::seconds timeout{30};              // the client is killed after this long
  Stderr err = Stderr::Captured;
  bool empty_dev = false;         // the client sees an empty /dev (a minimal container)
  std::optional<unsigned> uid{};  // the client runs as this user and group instead of root
};

struct Outcome {
  std::string out;
  std::string err;  // log timestamps replaced by "TIME"
  int status = -1;  // exit status, or -1 when the client ended by a signal
  int signal = 0;
  pid_t pid = 0;         // the client's process id
  std::string requests;  // every request byte the daemon received, in order
  std::string daemon_err;
  std::string fault_log;        // the fault library's line per socket call, descriptors as "fd"
  std::uint64_t out_count = 0;  // Stdout::Counted: bytes written to standard output
  std::uint64_t out_digest = 0;
  // The client's peak resident memory, as the kernel counts it from the fork on: what the test
  // process held when the client was forked counts too.
  std::uint64_t max_rss_kib = 0;
};

// Why namespaces cannot be made here, or nothing when they can.
std::optional<std::string> namespaces_unavailable();

// Whether a client can be run as the unprivileged user `uid` (see Scenario::uid).
bool user_available(unsigned uid);

Outcome run(const Scenario& scenario);

// Every byte of the file behind `fd`, from its start, whatever its offset.
std::string read_all(int fd);

// The start record of a client run with process id `pid`.
std::string start_line(pid_t pid);

// The bytes of `name`, a file below tests/fixtures/ (the expected help screens and version lines).
std::string fixture(const std::string& name);

}  // namespace e2e

// For test bodies: skips the test, with the reason, where namespaces cannot be made.
#define E2E_REQUIRE_NAMESPACES()                      \
  do {                                                \
    if (auto why = ::e2e::namespaces_unavailable()) { \
      GTEST_SKIP() << "private namespaces: " << *why; \
    }                                                 \
  } while (0)

namespace e2e {

// A test name made of the letters and digits of `words`.
std::string name_of(const std::vector<std::string>& words);

}  // namespace e2e

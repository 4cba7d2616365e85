// The reading side of a pipe waiting for its writer to be stuck on it: something written and the
// writing task asleep. For a writer that sleeps on nothing else once it has begun to write (the
// client printing its reply, a thread that only writes), that means waiting for room: in its wait
// for the descriptor when the pipe is in non-blocking mode. A test of that wait must reach it
// before it reads the pipe or closes it; waiting for this rather than for some time makes sure the
// wait is met however slow the machine is.
#pragma once

#include <poll.h>
#include <sys/ioctl.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace e2e {

// The scheduler state of the task whose stat file is `stat_path` ('S': asleep), or 0 when the task
// is gone.
inline char task_state(const std::string& stat_path) {
  std::ifstream in(stat_path);
  const std::string stat(std::istreambuf_iterator<char>(in), {});
  // The command name in parentheses may hold blanks and parentheses of its own.
  const std::size_t close = stat.rfind(')');
  return close != std::string::npos && close + 2 < stat.size() ? stat[close + 2] : '\0';
}

// Waits until the pipe of `read_end` holds bytes while the task of `stat_path` sleeps, and returns
// true then. Returns false when every write end has been closed first (the writer has ended), or
// when `limit` passes, which only a writer that never waits (one spinning on the full pipe, say)
// lets happen.
inline bool wait_for_blocked_writer(int read_end, const std::string& stat_path,
                                    std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd pfd{read_end, POLLIN, 0};
    if (::poll(&pfd, 1, 0) == 1 && (pfd.revents & POLLHUP) != 0) {
      return false;
    }
    int held = 0;
    if (::ioctl(read_end, FIONREAD, &held) == 0 && held > 0 && task_state(stat_path) == 'S') {
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

}  // namespace e2e

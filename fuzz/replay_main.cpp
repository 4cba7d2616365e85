// A main for a fuzz target outside libFuzzer: it feeds every file named on the command line, and
// every file of every directory named there, to the target once, in name order, so that the test
// trees run each seed corpus as a test with any compiler. An input that fails a check, trips a
// sanitizer or ends the process by itself is named on standard error, and the run fails.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
// Optional in a target, as under libFuzzer; the sanitizer hook exists only in a sanitized build,
// so both are weak and null where nothing defines them.
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);
// NOLINTNEXTLINE(bugprone-reserved-identifier): the sanitizer runtime's own name for it.
extern "C" __attribute__((weak)) void __sanitizer_set_death_callback(void (*callback)());

namespace {

// What the failure handlers print, kept in place before each step so that a signal handler only
// has to write it out.
std::string program = "fuzz target";
std::string step;
volatile sig_atomic_t running = 0;

void say(const std::string& text) {
  const char* at = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    const ssize_t n = write(STDERR_FILENO, at, left);
    if (n <= 0) {
      return;
    }
    at += n;
    left -= static_cast<std::size_t>(n);
  }
}

// The texts are built before anything can fail, so that the handlers allocate nothing.
const std::string kSignalled = " failed (the report above says how)\n";
const std::string kSanitizer = " failed (the sanitizer report above says how)\n";
const std::string kExited = " ended the process before its checks were done\n";

void on_signal(int sig) {
  if (running != 0) {
    say(program);
    say(": ");
    say(step);
    say(kSignalled);
  }
  signal(sig, SIG_DFL);
  raise(sig);
}

void on_sanitizer_death() {
  if (running != 0) {
    say(program);
    say(": ");
    say(step);
    say(kSanitizer);
  }
}

// A target that calls exit() would otherwise end the run with status 0 after this input, and the
// inputs after it would pass unread.
void on_early_exit() {
  if (running != 0) {
    say(program);
    say(": ");
    say(step);
    say(kExited);
    _exit(1);
  }
}

void catch_failures() {
  // A failed FUZZ_CHECK aborts. The fault signals are taken only where nothing handles them yet,
  // so that a sanitizer keeps its own, fuller report.
  for (int sig : {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL}) {
    struct sigaction old {};
    if (sigaction(sig, nullptr, &old) != 0 || old.sa_handler != SIG_DFL) {
      continue;
    }
    struct sigaction act {};
    act.sa_handler = on_signal;
    sigemptyset(&act.sa_mask);
    sigaction(sig, &act, nullptr);
  }
  if (__sanitizer_set_death_callback != nullptr) {
    __sanitizer_set_death_callback(on_sanitizer_death);
  }
  std::atexit(on_early_exit);
}

// The inputs named by one argument: the file itself, or a directory's regular files by name.
bool add_inputs(const std::string& arg, std::vector<std::string>& inputs) {
  std::error_code ec;
  if (!std::filesystem::is_directory(arg, ec)) {
    if (!std::filesystem::is_regular_file(arg, ec)) {
      std::fprintf(stderr, "%s: %s is neither a file nor a directory\n", program.c_str(),
                   arg.c_str());
      return false;
    }
    inputs.push_back(arg);
    return true;
  }
  std::vector<std::string> found;
  for (std::filesystem::directory_iterator it(arg, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_regular_file(ec)) {
      found.push_back(it->path().string());
    }
  }
  if (ec) {
    std::fprintf(stderr, "%s: cannot list %s: %s\n", program.c_str(), arg.c_str(),
                 ec.message().c_str());
    return false;
  }
  // An empty corpus would pass without having checked anything.
  if (found.empty()) {
    std::fprintf(stderr, "%s: %s holds no input\n", program.c_str(), arg.c_str());
    return false;
  }
  std::sort(found.begin(), found.end());
  inputs.insert(inputs.end(), found.begin(), found.end());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  program = std::filesystem::path(argv[0]).filename().string();
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE_OR_DIRECTORY...\n", program.c_str());
    return 2;
  }
  std::vector<std::string> inputs;
  for (int i = 1; i < argc; ++i) {
    if (!add_inputs(argv[i], inputs)) {
      return 1;
    }
  }
  catch_failures();
  if (LLVMFuzzerInitialize != nullptr) {
    step = "LLVMFuzzerInitialize";
    running = 1;
    LLVMFuzzerInitialize(&argc, &argv);
    running = 0;
  }
  for (const std::string& input : inputs) {
    std::ifstream in(input, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!in.good() && !in.eof()) {
      std::fprintf(stderr, "%s: cannot read %s\n", program.c_str(), input.c_str());
      return 1;
    }
    // A buffer of exactly the input's size, as libFuzzer hands over, so that a sanitizer catches a
    // read past its end.
    const auto data = std::make_unique<std::uint8_t[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), data.get());
    step = "input " + input;
    running = 1;
    LLVMFuzzerTestOneInput(data.get(), bytes.size());
    running = 0;
  }
  std::printf("%s: %zu input%s, no failure\n", program.c_str(), inputs.size(),
              inputs.size() == 1 ? "" : "s");
  return 0;
}

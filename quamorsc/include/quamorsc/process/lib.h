// The program entry: start-up, command line, request execution and printing of the reply, in
// that order. Neither function returns; every run ends in a process exit.
#pragma once

namespace quamorsc {

[[noreturn]] void main(int argc, char** argv);
[[noreturn]] void lib_main(int argc, char** argv);

}  // namespace quamorsc

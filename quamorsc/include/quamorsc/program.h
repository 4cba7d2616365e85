// The program entry: start-up, command line, request execution and printing of the reply, in
// that order. It sits above the rest of the library (cli, request and exchange over process), so
// that nothing below it reaches back up. Neither function returns; every run ends in a process
// exit.
#pragma once

namespace quamorsc {

[[noreturn]] void main(int argc, char** argv);
[[noreturn]] void lib_main(int argc, char** argv);

}  // namespace quamorsc

#include "quamorsc/lib.h"

#include "quamorsc/io.h"

namespace quamorsc {

void main(int argc, char** argv) {
  lib_main(argc, argv);
}

void lib_main(int, char**) {
  io::exit(0);
}

}  // namespace quamorsc

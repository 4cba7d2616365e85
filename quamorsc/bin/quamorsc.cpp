#include "quamorsc/program.h"

int main(int argc, char** argv) {
  quamorsc::main(argc, argv);
}

#include "quamorsc/process/lib.h"

int main(int argc, char** argv) {
  quamorsc::main(argc, argv);
}

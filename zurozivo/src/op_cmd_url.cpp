#include "zurozivo/op_cmd.h"

namespace zurozivo::op_cmd {

std::string nothing_found() {
  return {};
}

}  // namespace zurozivo::op_cmd

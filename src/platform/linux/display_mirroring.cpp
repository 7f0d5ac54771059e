#include "platform/linux/display_mirroring.h"

bool tonnixOutputsMirrored(const std::vector<QRect>& outputs) {
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    for (std::size_t j = i + 1; j < outputs.size(); ++j) {
      if (outputs[i].intersects(outputs[j])) return true;
    }
  }
  return false;
}

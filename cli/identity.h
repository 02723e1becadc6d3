// What a board says about itself: product and revision codes of its two FPGAs
// and its hardware revision.
#pragma once

#include <cstdint>

#include "zemtra.h"

namespace zemtra::cli {

struct BoardIdentity {
  uint32_t fpga1Product = 0;
  uint32_t fpga1Revision = 0;
  uint32_t fpga2Product = 0;
  uint32_t fpga2Revision = 0;
  uint16_t hardwareRevision = 0;
};

BoardIdentity ReadIdentity(DeviceHandle board);

}  // namespace zemtra::cli

// What the library keeps for one open board: the access layer's device number
// and the board's mapped windows. Nothing else lives here: no copy of the
// location, no cached register values.
#pragma once

#include <cstdint>

#include "pci/pci_access.h"

namespace zemtra {

struct DeviceRecord {
  uint32_t device = 0;
  pci::Window windows[pci::kBaseAddressCount];

  const pci::Window& Registers() const { return windows[pci::kRegisterBar]; }
  const pci::Window& Revision() const { return windows[pci::kRevisionBar]; }
};

}  // namespace zemtra

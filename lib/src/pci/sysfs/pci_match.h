// The PCI identity by which the real-board backend knows a board: vendor and
// device ID, and the BARs of the register and revision windows. For board
// variants and bring-up, ZEMTRA_PCI_MATCH=VVVV:DDDD[,regs=N][,rev=M] (hex
// IDs, BAR numbers 0 to 5, spaces around items ignored) replaces the default
// 1f3c:0a00,regs=2,rev=3. One BAR may serve both windows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "pci/pci_access.h"

namespace zemtra::pci {

struct PciMatch {
  uint32_t vendor = kVendorId;
  uint32_t device = kDeviceId;
  int registerBar = kRegisterBar;
  int revisionBar = kRevisionBar;
};

// Reads a ZEMTRA_PCI_MATCH value. On a bad one returns false, leaves *match
// alone and says why in *error (bytes escaped as sim::Printable does).
bool ParsePciMatch(std::string_view text, PciMatch* match, std::string* error);

// The identity in force: ZEMTRA_PCI_MATCH (secure_getenv), read at the first
// call. Unset or empty gives the default; a bad value gives one message on
// standard error and the default.
PciMatch CurrentPciMatch();

// Tests only: ZEMTRA_PCI_MATCH is read again at the next call.
void ReloadPciMatch();

}  // namespace zemtra::pci

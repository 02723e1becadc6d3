// Real boards through Linux sysfs and UIO.
//
// Boards are the entries of <sysfs>/bus/pci/devices whose vendor and device
// files name the PCI identity in force (pci_match.h; 0x1f3c and 0x0a00),
// sorted by domain:bus:device.function. Its BARs (2 and 3) are mapped from
// resource<N> (shared, read/write, the file's size). Interrupts go through
// uio_pci_generic: <sysfs>/bus/pci/devices/<name>/uio/uioN names the node
// <dev>/uioN; its interrupt is masked in config space (UioControl).
//
// <sysfs> is /sys and <dev> is /dev, unless ZEMTRA_SYSFS_ROOT or
// ZEMTRA_DEV_ROOT name other directories (for tests; secure_getenv, so never
// in a set-uid or set-gid process).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pci/pci_access.h"
#include "pci/sysfs/pci_match.h"

namespace zemtra::pci::sysfs {

struct Board {
  uint32_t domain = 0, bus = 0, device = 0, function = 0;
  std::string name;  // e.g. 0000:03:00.0
};

std::string SysfsRoot();
std::string DevRoot();

// The boards of that identity present, in ascending domain:bus:device.function
// order.
std::vector<Board> Enumerate(const PciMatch& match);
// Whether the board's entry is there and reads that identity's IDs.
bool Matches(const Board& board, const PciMatch& match);

struct Mapping {
  volatile uint8_t* base = nullptr;
  std::size_t length = 0;
};

// Maps resource<bar> of the board with the file's length. Failures: 551 the
// board is gone, 553 out of memory or descriptors, 552 anything else (no
// permission, not a memory BAR).
Result Map(const Board& board, int bar, Mapping* mapping);
void Unmap(Mapping* mapping);

// The board's UIO node (<dev>/uioN); 552 when no UIO driver is bound, 553
// when no descriptor is left to look.
Result UioNode(const Board& board, std::string* path);
// Enables (re-arms) or disables the interrupt of a board bound to UIO: clears
// or sets INTx Disable in its PCI command register through <sysfs>/bus/pci/
// devices/<name>/config. uio_pci_generic masks the interrupt that way when one
// arrives and has no irqcontrol (a write to the node fails with ENOSYS).
// 552 when no UIO driver is bound.
Result UioControl(const Board& board, bool enable);
// Opens the UIO node read/write; the descriptor is the caller's.
Result UioOpen(const Board& board, int* fd);

}  // namespace zemtra::pci::sysfs

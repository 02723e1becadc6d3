// The boards the latest find counted. A count request walks sysfs and the
// simulated boards once and keeps what matched here; the index requests that
// follow it, and the opens of the boards it listed, read this list instead of
// walking again. A find is then linear in the number of boards, and an open
// by location costs the same whatever their number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include "pci/pci_access.h"
#include "pci/sysfs/pci_match.h"
#include "pci/sysfs/sysfs.h"

namespace zemtra::pci {

// A board as DeviceFind and DeviceOpen see it.
struct Candidate {
  bool real = false;
  sysfs::Board board;                    // real boards
  std::shared_ptr<RegisterModel> model;  // simulated boards
  int32_t bus = 0, slot = 0;
};

// The boards that match one location, real ones of one PCI identity, in the
// order a find lists them.
struct BoardList {
  Location location;
  PciMatch pci;
  std::vector<Candidate> boards;
  std::unordered_map<uint64_t, std::size_t> firstAt;  // bus and slot -> the first board there
};

class FoundBoards {
 public:
  // Keeps `boards`, all that match `location` and `pci`, as the latest list.
  std::shared_ptr<const BoardList> Keep(const Location& location, const PciMatch& pci,
                                        std::vector<Candidate> boards);
  // The latest list when it was made for the same location and identity, else null.
  std::shared_ptr<const BoardList> For(const Location& location, const PciMatch& pci) const;
  // The first board of the latest list at the location's bus and slot; none
  // when the location does not name one bus and one slot of a Zemtra board,
  // or when the latest list has no board there.
  std::optional<Candidate> At(const Location& location) const;
  // Drops the latest list: the boards it names may no longer exist.
  void Forget();

 private:
  mutable std::mutex mutex_;
  std::shared_ptr<const BoardList> latest_;
};

}  // namespace zemtra::pci

#include "pci/found_boards.h"

namespace zemtra::pci {
namespace {

uint64_t Key(int32_t bus, int32_t slot) {
  return uint64_t{static_cast<uint32_t>(bus)} << 32 | static_cast<uint32_t>(slot);
}

bool SameList(const BoardList& list, const Location& location, const PciMatch& pci) {
  const Location& a = list.location;
  return a.deviceId == location.deviceId && a.vendorId == location.vendorId && a.bus == location.bus &&
         a.slot == location.slot && list.pci.vendor == pci.vendor && list.pci.device == pci.device;
}

}  // namespace

std::shared_ptr<const BoardList> FoundBoards::Keep(const Location& location, const PciMatch& pci,
                                                   std::vector<Candidate> boards) {
  auto list = std::make_shared<BoardList>();
  list->location = location;
  list->pci = pci;
  list->boards = std::move(boards);
  for (std::size_t i = 0; i < list->boards.size(); ++i) {
    list->firstAt.emplace(Key(list->boards[i].bus, list->boards[i].slot), i);  // keeps the first
  }
  std::lock_guard lock(mutex_);
  latest_ = list;
  return list;
}

std::shared_ptr<const BoardList> FoundBoards::For(const Location& location, const PciMatch& pci) const {
  std::lock_guard lock(mutex_);
  return latest_ && SameList(*latest_, location, pci) ? latest_ : nullptr;
}

std::optional<Candidate> FoundBoards::At(const Location& location) const {
  if (location.deviceId != kDeviceId || location.vendorId != kVendorId || location.bus == -1 ||
      location.slot == -1) {
    return std::nullopt;
  }
  std::shared_ptr<const BoardList> list;
  {
    std::lock_guard lock(mutex_);
    list = latest_;
  }
  if (!list) return std::nullopt;
  const auto it = list->firstAt.find(Key(location.bus, location.slot));
  if (it == list->firstAt.end()) return std::nullopt;
  return list->boards[it->second];
}

void FoundBoards::Forget() {
  std::lock_guard lock(mutex_);
  latest_.reset();
}

}  // namespace zemtra::pci

// One call's hold on an open board: locks the handle's record on
// construction and gives access to its windows until Unlock.
#pragma once

#include <cstdint>
#include <utility>

#include "handle_table.h"

namespace zemtra {

class BoardLock {
 public:
  explicit BoardLock(DeviceHandle handle) : slot_(g_handles.Lock(handle)) {}
  ~BoardLock() {
    if (slot_ != nullptr) {
      g_handles.Unlock(*slot_);
    }
  }
  BoardLock(const BoardLock&) = delete;
  BoardLock& operator=(const BoardLock&) = delete;

  // False when the handle names no open board.
  explicit operator bool() const { return slot_ != nullptr; }

  const DeviceRecord& Record() const { return slot_->record; }
  uint16_t Read16(uint32_t offset) const { return Record().Registers().Read16(offset); }
  uint32_t Read32(uint32_t offset) const { return Record().Registers().Read32(offset); }
  void Write16(uint32_t offset, uint16_t value) const { Record().Registers().Write16(offset, value); }
  void Write32(uint32_t offset, uint32_t value) const { Record().Registers().Write32(offset, value); }

  // Ends the hold; false when the unlock failed (the call then reports 23).
  bool Unlock() { return g_handles.Unlock(*std::exchange(slot_, nullptr)); }

 private:
  HandleTable::Slot* slot_;
};

}  // namespace zemtra

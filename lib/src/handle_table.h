// The table behind every DeviceHandle.
//
// A handle is (generation << 16) | slot index. Generations are never 0, so a
// handle is never 0. Each slot's generations start at a random point, so that
// a made-up value is unlikely to name an open board, and each close advances
// them; a slot is retired after its last generation, so that a closed value
// never names a board again in this process. Slots live in fixed chunks that
// never move once allocated, so a lookup is two loads and a compare-and-swap
// whatever the number of open boards, and a record is never freed under a
// caller: close turns new callers away, then waits for the ones inside.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "device_record.h"
#include "zemtra.h"

namespace zemtra {

class HandleTable {
 public:
  // One board's record and its lock state: generation in the top 16 bits,
  // an open flag, and the number of calls currently inside in the low 32.
  struct alignas(64) Slot {
    std::atomic<uint64_t> state{0};
    DeviceRecord record;
    int32_t nextFree = -1;
  };

  constexpr HandleTable() = default;
  // Every slot's generations start at `firstGeneration` (not 0) instead of a
  // random point: tests of a slot's last generations.
  constexpr explicit HandleTable(uint16_t firstGeneration) : firstGeneration_(firstGeneration) {}
  ~HandleTable();
  HandleTable(const HandleTable&) = delete;
  HandleTable& operator=(const HandleTable&) = delete;

  // Counts the caller into the record of an open handle; null when the value
  // names no open board (0, closed, forged) or when the lock hook fires.
  Slot* Lock(DeviceHandle handle);
  // Counts the caller out; false when the unlock hook fires.
  bool Unlock(Slot& slot);

  // Opening: a fresh slot that no lookup finds yet. Reserve gives 0 when no
  // memory or no unused handle value is left; LockReserved fails only by the
  // lock hook.
  DeviceHandle Reserve();
  Slot* LockReserved(DeviceHandle handle);
  void Publish(Slot& slot);
  // Gives a reserved or closed slot back under its next generation, or
  // retires it after its last.
  void Discard(DeviceHandle handle);

  // Closing, by a caller that holds the slot's lock: turns away new callers
  // and waits until the caller is the only one inside. False when another
  // close of the same handle got there first.
  bool BeginClose(Slot& slot);
  // Opens the slot to callers again after a close that failed.
  void AbortClose(Slot& slot);

 private:
  static constexpr unsigned kIndexBits = 16;
  static constexpr uint32_t kIndexMask = (1u << kIndexBits) - 1;
  static constexpr unsigned kChunkSlots = 64;
  static constexpr unsigned kChunkCount = (kIndexMask + 1) / kChunkSlots;

  Slot* Find(uint32_t index) const;
  bool GrowLocked();
  uint64_t FirstGenerationLocked();

  std::array<std::atomic<Slot*>, kChunkCount> chunks_{};
  std::mutex freeMutex_;  // guards the free list and growth, never a lookup
  unsigned chunksInUse_ = 0;
  int32_t freeHead_ = -1;
  int32_t freeTail_ = -1;
  uint16_t firstGeneration_ = 0;  // 0: a random one per slot
  uint64_t random_ = 0;           // seeded when the first chunk is made
};

// The one table of the process.
extern HandleTable g_handles;

}  // namespace zemtra

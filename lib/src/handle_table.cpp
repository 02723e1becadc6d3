#include "handle_table.h"

#include <sys/random.h>
#include <unistd.h>

#include <chrono>
#include <new>
#include <thread>

#include "handle_faults.h"

namespace zemtra {

namespace {

constexpr unsigned kGenerationShift = 48;
constexpr uint64_t kLastGeneration = 0xFFFF;  // as many bits as a handle has above the index
// Random starts lie in the lower half, so every slot hands out at least
// 32,768 values before it retires.
constexpr uint64_t kRandomStarts = (kLastGeneration + 1) / 2;
constexpr uint64_t kOpen = uint64_t{1} << 32;
constexpr uint64_t kUsers = kOpen - 1;

uint64_t GenerationOf(uint64_t state) { return state >> kGenerationShift; }

// The clock stands in while the kernel's generator is not ready this early
// after boot: the start only has to differ between processes.
uint64_t Seed() {
  uint64_t seed = 0;
  if (::getrandom(&seed, sizeof seed, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof seed)) {
    seed = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
           static_cast<uint64_t>(::getpid()) << 32;
  }
  return seed;
}

// splitmix64: one well-mixed value per step of a counter.
uint64_t NextRandom(uint64_t* state) {
  uint64_t z = (*state += 0x9E3779B97F4A7C15u);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
  return z ^ (z >> 31);
}

}  // namespace

constinit HandleTable g_handles;

HandleTable::~HandleTable() {
  for (auto& chunk : chunks_) {
    delete[] chunk.load(std::memory_order_relaxed);
  }
}

HandleTable::Slot* HandleTable::Find(uint32_t index) const {
  Slot* chunk = chunks_[index / kChunkSlots].load(std::memory_order_acquire);
  return chunk == nullptr ? nullptr : &chunk[index % kChunkSlots];
}

HandleTable::Slot* HandleTable::Lock(DeviceHandle handle) {
  const uint64_t generation = handle >> kIndexBits;
  Slot* slot = Find(handle & kIndexMask);
  if (generation == 0 || slot == nullptr || faults::Take(faults::Fault::kLock)) {
    return nullptr;
  }
  uint64_t state = slot->state.load(std::memory_order_acquire);
  do {
    if (GenerationOf(state) != generation || (state & kOpen) == 0) {
      return nullptr;
    }
  } while (!slot->state.compare_exchange_weak(state, state + 1, std::memory_order_acquire,
                                              std::memory_order_acquire));
  return slot;
}

bool HandleTable::Unlock(Slot& slot) {
  const bool failed = faults::Take(faults::Fault::kUnlock);
  slot.state.fetch_sub(1, std::memory_order_release);
  return !failed;
}

uint64_t HandleTable::FirstGenerationLocked() {
  if (firstGeneration_ != 0) {
    return firstGeneration_;
  }
  if (chunksInUse_ == 0) {
    random_ = Seed();
  }
  return 1 + NextRandom(&random_) % kRandomStarts;
}

bool HandleTable::GrowLocked() {
  if (chunksInUse_ == kChunkCount) {
    return false;
  }
  Slot* chunk = new (std::nothrow) Slot[kChunkSlots];
  if (chunk == nullptr) {
    return false;
  }
  const uint32_t first = chunksInUse_ * kChunkSlots;
  for (uint32_t i = 0; i < kChunkSlots; ++i) {
    chunk[i].state.store(FirstGenerationLocked() << kGenerationShift, std::memory_order_relaxed);
    chunk[i].nextFree = i + 1 < kChunkSlots ? static_cast<int32_t>(first + i + 1) : -1;
  }
  chunks_[chunksInUse_].store(chunk, std::memory_order_release);
  ++chunksInUse_;
  freeHead_ = static_cast<int32_t>(first);
  freeTail_ = static_cast<int32_t>(first + kChunkSlots - 1);
  return true;
}

DeviceHandle HandleTable::Reserve() {
  if (faults::Take(faults::Fault::kAllocate)) {
    return 0;
  }
  std::lock_guard guard(freeMutex_);
  if (freeHead_ < 0 && !GrowLocked()) {
    return 0;
  }
  const auto index = static_cast<uint32_t>(freeHead_);
  Slot& slot = *Find(index);
  freeHead_ = slot.nextFree;
  if (freeHead_ < 0) {
    freeTail_ = -1;
  }
  slot.nextFree = -1;
  const uint64_t generation = GenerationOf(slot.state.load(std::memory_order_relaxed));
  return static_cast<DeviceHandle>(generation << kIndexBits | index);
}

HandleTable::Slot* HandleTable::LockReserved(DeviceHandle handle) {
  if (faults::Take(faults::Fault::kLock)) {
    return nullptr;
  }
  Slot* slot = Find(handle & kIndexMask);
  slot->state.fetch_add(1, std::memory_order_acquire);
  return slot;
}

void HandleTable::Publish(Slot& slot) {
  slot.state.fetch_or(kOpen, std::memory_order_release);
}

// Freed slots join the tail, so a slot comes back only after every other free
// slot has been used. A slot whose last generation was handed out keeps it,
// closed, and never joins the list again: wrapping round would let a closed
// value name a new board.
void HandleTable::Discard(DeviceHandle handle) {
  const uint32_t index = handle & kIndexMask;
  Slot& slot = *Find(index);
  slot.record = DeviceRecord{};
  const uint64_t generation = GenerationOf(slot.state.load(std::memory_order_relaxed));
  const bool retired = generation == kLastGeneration;
  slot.state.store((retired ? generation : generation + 1) << kGenerationShift,
                   std::memory_order_release);
  if (retired) {
    return;
  }
  std::lock_guard guard(freeMutex_);
  if (freeTail_ < 0) {
    freeHead_ = static_cast<int32_t>(index);
  } else {
    Find(static_cast<uint32_t>(freeTail_))->nextFree = static_cast<int32_t>(index);
  }
  freeTail_ = static_cast<int32_t>(index);
}

bool HandleTable::BeginClose(Slot& slot) {
  uint64_t state = slot.state.load(std::memory_order_acquire);
  do {
    if ((state & kOpen) == 0) {
      return false;
    }
  } while (!slot.state.compare_exchange_weak(state, state & ~kOpen, std::memory_order_acq_rel,
                                             std::memory_order_acquire));
  // Calls on the board never wait, so the ones inside leave quickly.
  while ((slot.state.load(std::memory_order_acquire) & kUsers) != 1) {
    std::this_thread::yield();
  }
  return true;
}

void HandleTable::AbortClose(Slot& slot) {
  slot.state.fetch_or(kOpen, std::memory_order_release);
}

}  // namespace zemtra

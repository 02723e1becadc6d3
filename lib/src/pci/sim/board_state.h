// What a simulated board is made of and what it holds, as plain data: the
// state lives in the process's own memory or, for boards that processes share
// (ZEMTRA_SIM share=NAME), in shared memory mapped by each of them.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace zemtra::pci {

// The four measurement signals of a board.
enum class Signal : uint8_t { kA1 = 0, kA2 = 1, kA3 = 2, kRef = 3 };
inline constexpr int kSignalCount = 4;

enum class SignalState : uint8_t {
  kPresent,    // a good signal
  kMissing,    // No Sig latches again at once after every clear
  kGlitching,  // Glitch latches again at every sample command
};

// What a simulated board is made of (ZEMTRA_SIM, see sim_config.h).
struct BoardConfig {
  bool motion = true;                      // motion=on|off
  uint32_t fpga1Product = 0x4D27B;         // id=0xHEX
  std::array<SignalState, kSignalCount> signals{};  // nosig=, glitch=
  unsigned index = 0;                      // which simulated board (varies the motion)
};

inline constexpr std::size_t kRegisterWindowLength = 0x200;
inline constexpr std::size_t kRevisionWindowLength = 0x100;

// Everything one board holds. Only the register model changes it, under the
// board's lock; reads take the published words without a lock.
struct BoardState {
  static constexpr std::size_t kRegWords = kRegisterWindowLength / 4;
  static constexpr std::size_t kRevWords = kRevisionWindowLength / 4;

  struct Axis {
    int64_t base = 0;        // counter value at the last preset, Dir or motion change
    int64_t baseTravel = 0;  // the axis's travel (board_motion.h) at that moment
    int32_t sign = 1;        // -1 while the Dir bit is set
  };

  BoardConfig config;  // motion may change at run time
  std::array<SignalState, kSignalCount> signals{};
  uint16_t ctrl3 = 0, mask = 0, filter = 0, ctrl12 = 0;
  std::array<Axis, 3> axes{};
  bool bridgeEnabled = false;
  bool frozen = false;
  double frozenTime = 0;
  // Whether the clock runs, for commands that work out the motion before
  // they take the lock; under the lock, motion and frozen decide.
  std::atomic<bool> clockRuns{false};
  double phase = 0;
  // The origin of the model's clock on CLOCK_MONOTONIC, which is one clock for
  // the whole system: every process sharing the board counts the same motion.
  int64_t startNs = 0;
  uint64_t interrupts = 0;

  // What every sample command changes, in one cache line of its own: on a
  // shared board it is the one line of the state that moves between the
  // processes sampling it.
  alignas(64) uint16_t sample = 0;
  uint16_t status3 = 0, status12 = 0;
  uint16_t newlyLatched3 = 0, newlyLatched12 = 0;
  double latestTime = 0;  // the latest moment a command took from the running clock
  std::array<uint32_t, 3> position{}, velocity{};  // latched by the last valid sample

  // What reads see: little-endian words of each window.
  alignas(64) std::array<std::atomic<uint32_t>, kRegWords> regImage{};
  std::array<std::atomic<uint32_t>, kRevWords> revImage{};
};

// Lock-free in every process, so that the words may live in shared memory.
static_assert(std::atomic<uint32_t>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

}  // namespace zemtra::pci

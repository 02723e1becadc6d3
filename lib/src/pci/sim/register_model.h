// The simulated Zemtra board: a model of the board's two windows, not a
// memory array. See README "Simulated boards" for what it does.
//
// Reads are lock-free: every write (and every fault injected at run time)
// updates the board state under the board's lock and then republishes the
// words a read sees, so a read is one atomic load. Writes, commands and
// interrupts are serialised per board: by a mutex of the process for its own
// boards, by a robust mutex in the shared memory for boards that processes
// share (shared_boards.h), whose events are FIFOs (shared_events.h).
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "pci/sim/board_state.h"
#include "pci/pci_access.h"

namespace zemtra::pci {

namespace sim {
class SharedBoards;
struct SharedBoard;
}  // namespace sim

// One access as the model saw it (the model's access log).
struct Access {
  char op = 'R';  // 'R' or 'W'
  uint8_t width = 16;
  WindowKind kind = WindowKind::kRegister;
  uint32_t offset = 0;
  uint32_t value = 0;
  bool operator==(const Access&) const = default;
};

// What zemtra sim status shows of a board.
struct BoardReport {
  bool motion = true;
  bool frozen = false;
  double clock = 0;  // seconds on the model's clock
  std::array<SignalState, kSignalCount> signals{};
  uint16_t status3 = 0, status12 = 0, mask = 0, ctrl3 = 0;
  bool bridgeEnabled = false;
  uint64_t interrupts = 0;
  std::vector<int32_t> eventProcesses;  // one per attached event
};

class RegisterModel {
 public:
  static constexpr std::size_t kRegisterWindowLength = pci::kRegisterWindowLength;
  static constexpr std::size_t kRevisionWindowLength = pci::kRevisionWindowLength;
  static constexpr uint32_t kFpga1Revision = 0x00020104;
  static constexpr uint32_t kFpga2Product = 0x0004D27C;
  static constexpr uint32_t kFpga2Revision = 0x00020103;
  static constexpr uint16_t kHardwareRevision = 0x0312;
  static constexpr int kMaxAttachedEvents = 8;
  // Velocity registers count position counts per this many seconds.
  static constexpr double kVelocityPeriod = 204.8e-6;

  // A board of this process alone.
  explicit RegisterModel(const BoardConfig& config);
  // Board `index` of boards that processes share; `boards` stays mapped
  // while the model lives.
  RegisterModel(std::shared_ptr<sim::SharedBoards> boards, int index);
  ~RegisterModel();
  RegisterModel(const RegisterModel&) = delete;
  RegisterModel& operator=(const RegisterModel&) = delete;

  // A new board made from `config`, its clock starting at `startNs` on
  // CLOCK_MONOTONIC: what the constructor of a board of this process does,
  // and what the process that creates shared boards does for each of them.
  static void Initialize(BoardState* state, const BoardConfig& config, int64_t startNs);

  // One access of the given width; out-of-window offsets read 0 and ignore
  // writes. Little-endian byte lanes as on the PCI bus.
  uint16_t Read16(WindowKind kind, uint32_t offset) noexcept;
  uint32_t Read32(WindowKind kind, uint32_t offset) noexcept;
  void Write16(WindowKind kind, uint32_t offset, uint16_t value) noexcept;
  void Write32(WindowKind kind, uint32_t offset, uint32_t value) noexcept;

  // Faults at run time. Missing latches No Sig now (for the reference: every
  // axis's too), glitching latches Glitch now; either may interrupt.
  void SetSignal(Signal signal, SignalState state);
  SignalState GetSignal(Signal signal);
  // motion=on|off at run time: every counter goes on from where it is.
  void SetMotion(bool on);

  // The model's clock: seconds since the board was made, or a frozen time.
  void FreezeClock(double seconds);
  void ThawClock();

  // The bridge: interrupt source enable and attached events.
  void SetBridgeEnabled(bool enabled);
  bool BridgeEnabled();
  // Stores in *fd a new dup of `owner`'s board-owned event, made at its
  // first attach. 553 when kMaxAttachedEvents owners already have one or when
  // no descriptor can be made.
  Result AttachEvent(uint32_t owner, int* fd);
  // Closes the board-owned events of `owner` (DeviceClose).
  void ReleaseEvents(uint32_t owner);
  // Attached events of every process (a shared board's of ended processes
  // are dropped first).
  int AttachedEventCount();
  // How many times the board's interrupt fired (all attached events written).
  uint64_t InterruptCount();

  BoardReport Report();

  // The access log of this process: off by default; Take returns and empties it.
  void SetAccessLog(bool on);
  std::vector<Access> TakeAccessLog();

 private:
  class Guard;
  struct Event {
    uint32_t owner;
    int fd;
    std::string path;  // a shared board's FIFO
  };

  void Write(uint32_t offset, unsigned width, uint32_t value) noexcept;
  bool Lock();
  void Unlock();
  void FinishLocked();  // publish, then fire the interrupt for new latches
  void Release(const Event& event);  // its slot on a shared board, its FIFO and descriptor
  Result AttachShared(uint32_t owner, int* fd);
  void Log(char op, unsigned width, WindowKind kind, uint32_t offset, uint32_t value);

  std::unique_ptr<BoardState> own_;               // a board of this process
  std::shared_ptr<sim::SharedBoards> boards_;     // or a shared one
  sim::SharedBoard* shared_ = nullptr;
  int index_ = 0;
  BoardState* s_;                                 // own_ or shared_->state
  std::mutex mutex_;  // the lock of a board of this process; for any board, events_
  std::vector<Event> events_;                     // this process's events
  // Access log.
  std::atomic<bool> logOn_{false};
  std::mutex logMutex_;
  std::vector<Access> log_;
};

}  // namespace zemtra::pci

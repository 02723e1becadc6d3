// The simulated Zemtra board: a model of the board's two windows, not a
// memory array. See README "Simulated boards" for what it does.
//
// Reads are lock-free: every write (and every fault injected at run time)
// updates the board state under the board's mutex and then republishes the
// words a read sees, so a read is one atomic load. Writes, commands and
// interrupts are serialised per board.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "pci/pci_access.h"

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

// One access as the model saw it (the model's access log).
struct Access {
  char op = 'R';  // 'R' or 'W'
  uint8_t width = 16;
  WindowKind kind = WindowKind::kRegister;
  uint32_t offset = 0;
  uint32_t value = 0;
  bool operator==(const Access&) const = default;
};

class RegisterModel {
 public:
  static constexpr std::size_t kRegisterWindowLength = 0x200;
  static constexpr std::size_t kRevisionWindowLength = 0x100;
  static constexpr uint32_t kFpga1Revision = 0x00020104;
  static constexpr uint32_t kFpga2Product = 0x0004D27C;
  static constexpr uint32_t kFpga2Revision = 0x00020103;
  static constexpr uint16_t kHardwareRevision = 0x0312;
  static constexpr int kMaxAttachedEvents = 8;
  // Velocity registers count position counts per this many seconds.
  static constexpr double kVelocityPeriod = 204.8e-6;

  explicit RegisterModel(const BoardConfig& config);
  ~RegisterModel();
  RegisterModel(const RegisterModel&) = delete;
  RegisterModel& operator=(const RegisterModel&) = delete;

  // One access of the given width; out-of-window offsets read 0 and ignore
  // writes. Little-endian byte lanes as on the PCI bus.
  uint16_t Read16(WindowKind kind, uint32_t offset) noexcept;
  uint32_t Read32(WindowKind kind, uint32_t offset) noexcept;
  void Write16(WindowKind kind, uint32_t offset, uint16_t value) noexcept;
  void Write32(WindowKind kind, uint32_t offset, uint32_t value) noexcept;

  const BoardConfig& Config() const { return config_; }

  // Faults at run time. Missing latches No Sig now (for the reference: every
  // axis's too), glitching latches Glitch now; either may interrupt.
  void SetSignal(Signal signal, SignalState state);
  SignalState GetSignal(Signal signal);

  // The model's clock: seconds since the board was made, or a frozen time.
  void FreezeClock(double seconds);
  void ThawClock();

  // The bridge: interrupt source enable and attached events.
  void SetBridgeEnabled(bool enabled);
  bool BridgeEnabled();
  // Stores in *fd a new dup of `owner`'s board-owned eventfd, made at its
  // first attach. 553 when kMaxAttachedEvents owners already have one or when
  // no descriptor can be made.
  Result AttachEvent(uint32_t owner, int* fd);
  // Closes the board-owned eventfds of `owner` (DeviceClose).
  void ReleaseEvents(uint32_t owner);
  int AttachedEventCount();
  // How many times the board's interrupt fired (all attached events written).
  uint64_t InterruptCount();

  // The access log: off by default; Take returns and empties it.
  void SetAccessLog(bool on);
  std::vector<Access> TakeAccessLog();

 private:
  struct Axis {
    int64_t base = 0;      // counter value at baseTime
    double baseTime = 0;   // model time of the last preset or Dir change
    int sign = 1;          // -1 while the Dir bit is set
    uint32_t position = 0; // latched by the last valid sample
    uint32_t velocity = 0;
  };
  static constexpr std::size_t kRegWords = kRegisterWindowLength / 4;
  static constexpr std::size_t kRevWords = kRevisionWindowLength / 4;

  double NowLocked() const;
  double Travel(int axis, double t) const;     // motion in counts
  double Speed(int axis, double t) const;      // counts per second
  int64_t CountLocked(int axis, double t) const;
  bool HasSignalLocked(int axis) const;
  void WriteLocked(uint32_t offset, unsigned width, uint32_t value);
  void WriteRegisterLocked(int reg, uint32_t data, uint32_t byteMask);
  void CommandLocked(uint16_t command);
  void SetDirLocked(int axis, bool reversed, double t);
  void LatchLocked(int statusReg, uint16_t bits);
  void LatchMissingLocked();
  void LatchGlitchingLocked();
  void FinishLocked();  // publish, then fire the interrupt for new latches
  void PublishLocked();
  void PutLocked(int reg, uint32_t value);
  void Log(char op, unsigned width, WindowKind kind, uint32_t offset, uint32_t value);
  uint32_t ReadBytes(const std::atomic<uint32_t>* words, std::size_t length, uint32_t offset,
                     unsigned width) const noexcept;

  const BoardConfig config_;
  std::mutex mutex_;
  // Board state (under mutex_).
  std::array<SignalState, kSignalCount> signals_{};
  uint16_t ctrl3_ = 0, status3_ = 0, mask_ = 0, filter_ = 0, sample_ = 0;
  uint16_t ctrl12_ = 0, status12_ = 0;
  std::array<uint32_t, 3> preset_{};
  std::array<Axis, 3> axes_{};
  uint16_t newlyLatched3_ = 0, newlyLatched12_ = 0;
  bool bridgeEnabled_ = false;
  bool frozen_ = false;
  double frozenTime_ = 0;
  double phase_ = 0;
  int64_t startNs_ = 0;
  struct Event {
    uint32_t owner;
    int fd;
  };
  std::vector<Event> events_;
  uint64_t interrupts_ = 0;
  // What reads see: little-endian words of each window; shadow_ is the
  // register window's copy under mutex_.
  std::array<uint32_t, kRegWords> shadow_{};
  std::array<std::atomic<uint32_t>, kRegWords> regImage_{};
  std::array<std::atomic<uint32_t>, kRevWords> revImage_{};
  // Access log.
  std::atomic<bool> logOn_{false};
  std::mutex logMutex_;
  std::vector<Access> log_;
};

}  // namespace zemtra::pci

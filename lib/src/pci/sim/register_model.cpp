#include "pci/sim/register_model.h"

#include <fcntl.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include "pci/sim/board_motion.h"
#include "pci/sim/robust_mutex.h"
#include "pci/sim/shared_boards.h"
#include "pci/sim/shared_events.h"
#include "zemtra_registers.h"

namespace zemtra::pci {
namespace {

// The board's descriptors are never 0, 1 or 2: with those closed at start,
// they would take the place of a program's standard streams.
int AboveStandardStreams(int fd) { return ::fcntl(fd, F_DUPFD_CLOEXEC, 3); }

// The registers of the register window, by offset.
enum Reg : int8_t {
  kA3Pos, kA3Vel, kCtrl3, kStatus3, kMask, kA3Preset, kFilter, kSample, kFpga1Rev, kFpga1Prod,
  kA2Pos, kA2Vel, kCtrl12, kStatus12, kA2Preset, kA1Preset, kA1Pos, kA1Vel, kFpga2Rev,
  kFpga2Prod, kRegCount
};

struct RegInfo {
  uint16_t offset;
  uint8_t bytes;
};

constexpr RegInfo kRegs[kRegCount] = {
    {ZEMTRA_REG_A3_POSITION, 4},    {ZEMTRA_REG_A3_VELOCITY, 4},   {ZEMTRA_REG_A3_IRQ_CONTROL, 2},
    {ZEMTRA_REG_A3_REF_STATUS, 2},  {ZEMTRA_REG_INTERRUPT_MASK, 2}, {ZEMTRA_REG_A3_PRESET, 4},
    {ZEMTRA_REG_FILTER, 2},         {ZEMTRA_REG_SAMPLE, 2},        {ZEMTRA_REG_FPGA1_REVISION, 4},
    {ZEMTRA_REG_FPGA1_PRODUCT, 4},  {ZEMTRA_REG_A2_POSITION, 4},   {ZEMTRA_REG_A2_VELOCITY, 4},
    {ZEMTRA_REG_A1_A2_CONTROL, 2},  {ZEMTRA_REG_A1_A2_STATUS, 2},  {ZEMTRA_REG_A2_PRESET, 4},
    {ZEMTRA_REG_A1_PRESET, 4},      {ZEMTRA_REG_A1_POSITION, 4},   {ZEMTRA_REG_A1_VELOCITY, 4},
    {ZEMTRA_REG_FPGA2_REVISION, 4}, {ZEMTRA_REG_FPGA2_PRODUCT, 4},
};

constexpr uint32_t kMapEnd = ZEMTRA_REG_WINDOW_MIN_LENGTH;

struct ByteMap {
  int8_t reg[kMapEnd];
};

constexpr ByteMap MakeByteMap() {
  ByteMap map{};
  for (uint32_t b = 0; b < kMapEnd; ++b) map.reg[b] = -1;
  for (int r = 0; r < kRegCount; ++r) {
    for (uint32_t i = 0; i < kRegs[r].bytes; ++i) map.reg[kRegs[r].offset + i] = static_cast<int8_t>(r);
  }
  return map;
}
constexpr ByteMap kByteMap = MakeByteMap();

// Bits each writable register keeps. 0x010 keeps bit 4 besides IRQ Enable
// (bit 12) and A3 Dir, because the library writes bit 12 of the
// configuration word there too.
constexpr uint16_t kCtrl3Bits = ZEMTRA_CTL3_IRQ_ENABLE | ZEMTRA_CTL3_IRQ_ENABLE_LOW | ZEMTRA_CTL3_A3_DIR;
constexpr uint16_t kCtrl12Bits = ZEMTRA_CTL12_A1_DIR | ZEMTRA_CTL12_A2_DIR;
constexpr uint16_t kStatus3Bits =
    ZEMTRA_ST3_REF_GLITCH | ZEMTRA_ST3_REF_NOSIG | ZEMTRA_ST3_A3_GLITCH | ZEMTRA_ST3_A3_NOSIG;
constexpr uint16_t kStatus12Bits =
    ZEMTRA_ST12_A1_GLITCH | ZEMTRA_ST12_A1_NOSIG | ZEMTRA_ST12_A2_GLITCH | ZEMTRA_ST12_A2_NOSIG;
constexpr uint16_t kMaskBits = ZEMTRA_IM_REF_GLITCH | ZEMTRA_IM_REF_NOSIG | ZEMTRA_IM_A1_GLITCH |
                               ZEMTRA_IM_A1_NOSIG | ZEMTRA_IM_A3_GLITCH | ZEMTRA_IM_A3_NOSIG |
                               ZEMTRA_IM_A2_GLITCH | ZEMTRA_IM_A2_NOSIG;
constexpr uint16_t kFilterBits = ZEMTRA_FILTER_ENABLE | ZEMTRA_FILTER_KV_MASK | ZEMTRA_FILTER_KP_MASK;
constexpr uint16_t kSampleBits = ZEMTRA_SMP_ALL_SAMPLE | ZEMTRA_SMP_ALL_PRESET;

// Per axis (0 = A1, 1 = A2, 2 = A3): where its error bits live.
struct AxisBits {
  bool inStatus3;  // false: register 0x112
  uint16_t noSig, glitch;
};
constexpr AxisBits kAxisBits[3] = {
    {false, ZEMTRA_ST12_A1_NOSIG, ZEMTRA_ST12_A1_GLITCH},
    {false, ZEMTRA_ST12_A2_NOSIG, ZEMTRA_ST12_A2_GLITCH},
    {true, ZEMTRA_ST3_A3_NOSIG, ZEMTRA_ST3_A3_GLITCH},
};
constexpr int kRef = static_cast<int>(Signal::kRef);

uint32_t Expand(uint32_t byteMask) {
  uint32_t bits = 0;
  for (int i = 0; i < 4; ++i) {
    if (byteMask & (1u << i)) bits |= 0xFFu << (8 * i);
  }
  return bits;
}

int64_t NowNs() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1'000'000'000LL + now.tv_nsec;
}

// ---- The board's rules, as functions of its state (the caller holds its lock) ----

// The counter of an axis that has travelled `travel` (board_motion.h).
int64_t Count(const BoardState& s, int axis, int64_t travel) {
  const BoardState::Axis& a = s.axes[axis];
  return a.base + a.sign * (travel - a.baseTravel);
}

// The axis counts on from where it is at `at`, with a new direction or motion.
void Rebase(BoardState& s, int axis, const MotionAt& at) {
  s.axes[axis].base = Count(s, axis, at.travel[axis]);
  s.axes[axis].baseTravel = at.travel[axis];
}

// The axes whose preset or sample command bit is in `command`.
unsigned CommandAxes(uint16_t command) {
  unsigned axes = 0;
  for (int a = 0; a < 3; ++a) {
    const ZemtraAxisRegisterSet& row = ZemtraAxisRegisters[a];
    if (command & (row.presetCommand | row.sampleCommand)) axes |= 1u << a;
  }
  return axes;
}

bool HasSignal(const BoardState& s, int axis) {
  return s.signals[axis] != SignalState::kMissing && s.signals[kRef] != SignalState::kMissing;
}

void Latch(BoardState& s, int statusReg, uint16_t bits) {
  if (statusReg == kStatus3) {
    s.newlyLatched3 |= static_cast<uint16_t>(bits & ~s.status3);
    s.status3 |= bits;
  } else {
    s.newlyLatched12 |= static_cast<uint16_t>(bits & ~s.status12);
    s.status12 |= bits;
  }
}

void LatchMissing(BoardState& s) {
  const bool noRef = s.signals[kRef] == SignalState::kMissing;
  if (noRef) Latch(s, kStatus3, ZEMTRA_ST3_REF_NOSIG);
  for (int a = 0; a < 3; ++a) {
    if (noRef || s.signals[a] == SignalState::kMissing) {
      Latch(s, kAxisBits[a].inStatus3 ? kStatus3 : kStatus12, kAxisBits[a].noSig);
    }
  }
}

void LatchGlitching(BoardState& s) {
  if (s.signals[kRef] == SignalState::kGlitching) Latch(s, kStatus3, ZEMTRA_ST3_REF_GLITCH);
  for (int a = 0; a < 3; ++a) {
    if (s.signals[a] == SignalState::kGlitching) {
      Latch(s, kAxisBits[a].inStatus3 ? kStatus3 : kStatus12, kAxisBits[a].glitch);
    }
  }
}

void Command(BoardState& s, uint16_t command, const MotionAt& ready) {
  const unsigned axes = CommandAxes(command);
  const MotionAt at = Usable(s, ready, axes) ? ready : Clock(s, axes);
  if (ClockRuns(s)) s.latestTime = at.t;
  for (int a = 0; a < 3; ++a) {  // presets first, so a sample in the same write sees them
    const ZemtraAxisRegisterSet& row = ZemtraAxisRegisters[a];
    if (!(command & row.presetCommand)) continue;
    s.axes[a].base = static_cast<int32_t>(s.regImage[row.presetRegister >> 2].load(std::memory_order_acquire));
    s.axes[a].baseTravel = at.travel[a];
    if (HasSignal(s, a)) {
      s.sample = static_cast<uint16_t>(s.sample & ~row.presetCommand);
    } else {
      s.sample = static_cast<uint16_t>(s.sample | row.presetCommand);
    }
  }
  if (!(command & ZEMTRA_SMP_ALL_SAMPLE)) return;
  LatchGlitching(s);
  for (int a = 0; a < 3; ++a) {
    const ZemtraAxisRegisterSet& row = ZemtraAxisRegisters[a];
    if (!(command & row.sampleCommand)) continue;
    if (!HasSignal(s, a)) {
      s.sample = static_cast<uint16_t>(s.sample & ~row.sampleValid);
      continue;
    }
    s.position[a] = static_cast<uint32_t>(Count(s, a, at.travel[a]));
    double velocity = s.axes[a].sign * at.speed[a] * RegisterModel::kVelocityPeriod;
    s.velocity[a] = static_cast<uint32_t>(static_cast<int32_t>(std::llround(velocity)));
    s.sample = static_cast<uint16_t>(s.sample | row.sampleValid);
  }
}

void SetDir(BoardState& s, int axis, bool reversed) {
  Rebase(s, axis, Clock(s, 1u << axis));
  s.axes[axis].sign = reversed ? -1 : 1;
}

// Stores only a change: a shared board's cache line that is not written stays
// with every process that reads it, instead of moving to the writer.
template <typename T>
void Keep(T& field, T value) {
  if (field != value) field = value;
}

// A preset register holds what was written until a preset command reads it:
// it lives only in its published word, so a write needs no lock and two
// processes writing presets do not queue behind each other.
void MergePreset(BoardState& s, int reg, uint32_t data, uint32_t bits) {
  std::atomic<uint32_t>& word = s.regImage[kRegs[reg].offset >> 2];
  uint32_t old = word.load(std::memory_order_relaxed);
  while (old != ((old & ~bits) | (data & bits)) &&
         !word.compare_exchange_weak(old, (old & ~bits) | (data & bits), std::memory_order_release,
                                     std::memory_order_relaxed)) {
  }
}

void WriteRegister(BoardState& s, int reg, uint32_t data, uint32_t byteMask, const MotionAt& ready) {
  const uint32_t bits = Expand(byteMask);
  auto merge16 = [&](uint16_t old, uint16_t keep) {
    return static_cast<uint16_t>(((old & ~bits) | (data & bits)) & keep);
  };
  switch (reg) {
    case kCtrl3: {
      uint16_t next = merge16(s.ctrl3, kCtrl3Bits);
      if ((next ^ s.ctrl3) & ZEMTRA_CTL3_A3_DIR) SetDir(s, 2, next & ZEMTRA_CTL3_A3_DIR);
      s.ctrl3 = next;
      break;
    }
    case kCtrl12: {
      uint16_t next = merge16(s.ctrl12, kCtrl12Bits);
      const uint16_t changed = static_cast<uint16_t>(next ^ s.ctrl12);
      if (changed & ZEMTRA_CTL12_A1_DIR) SetDir(s, 0, next & ZEMTRA_CTL12_A1_DIR);
      if (changed & ZEMTRA_CTL12_A2_DIR) SetDir(s, 1, next & ZEMTRA_CTL12_A2_DIR);
      s.ctrl12 = next;
      break;
    }
    case kStatus3:  // write 1 to clear; a missing signal latches again at once
      s.status3 = static_cast<uint16_t>(s.status3 & ~(data & bits & kStatus3Bits));
      LatchMissing(s);
      break;
    case kStatus12:
      s.status12 = static_cast<uint16_t>(s.status12 & ~(data & bits & kStatus12Bits));
      LatchMissing(s);
      break;
    case kMask: Keep(s.mask, merge16(s.mask, kMaskBits)); break;
    case kFilter: Keep(s.filter, merge16(s.filter, kFilterBits)); break;
    case kSample: Command(s, static_cast<uint16_t>(data & bits & kSampleBits), ready); break;
    case kA1Preset:
    case kA2Preset:
    case kA3Preset: MergePreset(s, reg, data, bits); break;
    default: break;  // read-only: positions, velocities, identification
  }
}

// A write access split into the registers whose bytes it covers, lowest first.
struct Parts {
  int count = 0;
  int regs[4];
  uint32_t data[4] = {}, masks[4] = {};
};

Parts Split(uint32_t offset, unsigned width, uint32_t value) {
  Parts p;
  for (unsigned i = 0; i < width; ++i) {
    uint64_t b = static_cast<uint64_t>(offset) + i;
    if (b >= kMapEnd) continue;  // unused offsets ignore writes
    int reg = kByteMap.reg[b];
    if (reg < 0) continue;
    if (p.count == 0 || p.regs[p.count - 1] != reg) p.regs[p.count++] = reg;
    unsigned lane = static_cast<unsigned>(b - kRegs[reg].offset);
    p.data[p.count - 1] |= ((value >> (8 * i)) & 0xFFu) << (8 * lane);
    p.masks[p.count - 1] |= 1u << lane;
  }
  return p;
}

// The axes a write commands (its bytes of 0x020).
unsigned CommandedAxes(const Parts& p) {
  for (int k = 0; k < p.count; ++k) {
    if (p.regs[k] == kSample) return CommandAxes(static_cast<uint16_t>(p.data[k] & Expand(p.masks[k]) & kSampleBits));
  }
  return 0;
}

bool OnlyPresets(const Parts& p) {
  for (int k = 0; k < p.count; ++k) {
    if (p.regs[k] != kA1Preset && p.regs[k] != kA2Preset && p.regs[k] != kA3Preset) return false;
  }
  return true;
}

void Put(BoardState& s, int reg, uint32_t value) {
  const RegInfo& info = kRegs[reg];
  const std::size_t w = info.offset >> 2;
  // Only the lock holder stores the words: a relaxed load sees the last store.
  const uint32_t old = s.regImage[w].load(std::memory_order_relaxed);
  uint32_t word = value;
  if (info.bytes == 2) {  // every 16-bit register lies in one half of a word
    const unsigned shift = (info.offset & 2) * 8;
    word = (old & ~(0xFFFFu << shift)) | ((value & 0xFFFFu) << shift);
  }
  if (word != old) s.regImage[w].store(word, std::memory_order_release);
}

void Publish(BoardState& s) {
  Put(s, kA1Pos, s.position[0]);
  Put(s, kA1Vel, s.velocity[0]);
  Put(s, kA2Pos, s.position[1]);
  Put(s, kA2Vel, s.velocity[1]);
  Put(s, kA3Pos, s.position[2]);
  Put(s, kA3Vel, s.velocity[2]);
  Put(s, kCtrl3, s.ctrl3);
  Put(s, kStatus3, s.status3);
  Put(s, kMask, s.mask);
  Put(s, kFilter, s.filter);
  Put(s, kSample, s.sample);
  Put(s, kFpga1Rev, RegisterModel::kFpga1Revision);
  Put(s, kFpga1Prod, s.config.fpga1Product);
  Put(s, kCtrl12, s.ctrl12);
  Put(s, kStatus12, s.status12);
  Put(s, kFpga2Rev, RegisterModel::kFpga2Revision);
  Put(s, kFpga2Prod, RegisterModel::kFpga2Product);
}

// Publishes the state and takes the newly latched errors: true when they
// interrupt (interrupt mask, IRQ Enable and the bridge all on).
bool PublishAndTakeInterrupt(BoardState& s) {
  Publish(s);
  if ((s.newlyLatched3 | s.newlyLatched12) == 0) return false;
  // Status bits to interrupt mask bits (the two layouts differ).
  uint16_t sources = 0;
  if (s.newlyLatched12 & ZEMTRA_ST12_A2_NOSIG) sources |= ZEMTRA_IM_A2_NOSIG;
  if (s.newlyLatched12 & ZEMTRA_ST12_A2_GLITCH) sources |= ZEMTRA_IM_A2_GLITCH;
  if (s.newlyLatched12 & ZEMTRA_ST12_A1_NOSIG) sources |= ZEMTRA_IM_A1_NOSIG;
  if (s.newlyLatched12 & ZEMTRA_ST12_A1_GLITCH) sources |= ZEMTRA_IM_A1_GLITCH;
  if (s.newlyLatched3 & ZEMTRA_ST3_A3_NOSIG) sources |= ZEMTRA_IM_A3_NOSIG;
  if (s.newlyLatched3 & ZEMTRA_ST3_A3_GLITCH) sources |= ZEMTRA_IM_A3_GLITCH;
  if (s.newlyLatched3 & ZEMTRA_ST3_REF_NOSIG) sources |= ZEMTRA_IM_REF_NOSIG;
  if (s.newlyLatched3 & ZEMTRA_ST3_REF_GLITCH) sources |= ZEMTRA_IM_REF_GLITCH;
  s.newlyLatched3 = s.newlyLatched12 = 0;
  if ((sources & s.mask) == 0 || !(s.ctrl3 & ZEMTRA_CTL3_IRQ_ENABLE) || !s.bridgeEnabled) return false;
  ++s.interrupts;
  return true;
}

// One read of the published words: a single atomic load when aligned.
uint32_t ReadBytes(const std::atomic<uint32_t>* words, std::size_t length, uint32_t offset,
                   unsigned width) noexcept {
  if (static_cast<uint64_t>(offset) + width > length) return 0;
  if (width == 4 && (offset & 3) == 0) return words[offset >> 2].load(std::memory_order_acquire);
  if (width == 2 && (offset & 1) == 0) {
    return (words[offset >> 2].load(std::memory_order_acquire) >> ((offset & 2) * 8)) & 0xFFFF;
  }
  uint32_t value = 0;  // an unaligned access: byte by byte, little-endian
  for (unsigned i = 0; i < width; ++i) {
    uint32_t b = offset + i;
    uint32_t byte = (words[b >> 2].load(std::memory_order_acquire) >> ((b & 3) * 8)) & 0xFF;
    value |= byte << (8 * i);
  }
  return value;
}

}  // namespace

// ---- The board's lock ----------------------------------------------------------------

class RegisterModel::Guard {
 public:
  explicit Guard(RegisterModel& model) : model_(model), held_(model.Lock()) {}
  ~Guard() {
    if (held_) model_.Unlock();
  }
  Guard(const Guard&) = delete;
  Guard& operator=(const Guard&) = delete;
  explicit operator bool() const { return held_; }

 private:
  RegisterModel& model_;
  const bool held_;
};

bool RegisterModel::Lock() {
  if (shared_ == nullptr) {
    mutex_.lock();
    return true;
  }
  const char* failure = nullptr;
  switch (sim::LockRobust(&shared_->lock)) {
    case sim::Locked::kYes:
      return true;
    case sim::Locked::kOwnerDied:
      // Its owner died somewhere in an access: the state's values are whole
      // (each a single aligned store), but what reads see may lag behind them
      // and an interrupt may be owed.
      FinishLocked();
      sim::MarkConsistent(&shared_->lock);
      return true;
    case sim::Locked::kTimedOut:
      failure = "another process has held the board for over a second";
      break;
    case sim::Locked::kBroken:
      failure = "the board's lock cannot be recovered (remove the boards with 'zemtra sim reset')";
      break;
  }
  std::fprintf(stderr, "libZemtra: shared simulated board %d of '%s': %s; the access is dropped\n",
               index_, boards_->Name().c_str(), failure);
  return false;
}

void RegisterModel::Unlock() {
  if (shared_ == nullptr) {
    mutex_.unlock();
  } else {
    sim::Unlock(&shared_->lock);
  }
}

// ---- Making a board ------------------------------------------------------------------

void RegisterModel::Initialize(BoardState* state, const BoardConfig& config, int64_t startNs) {
  BoardState& s = *state;
  s.config = config;
  s.signals = config.signals;
  s.phase = 0.7 * config.index;
  s.startNs = startNs;
  const MotionAt origin = MotionOf(s, 0, kAllAxes);
  for (int a = 0; a < 3; ++a) s.axes[a].baseTravel = origin.travel[a];
  s.clockRuns.store(ClockRuns(s), std::memory_order_relaxed);
  s.revImage[ZEMTRA_REV_HARDWARE / 4].store(kHardwareRevision, std::memory_order_relaxed);
  LatchMissing(s);
  LatchGlitching(s);
  s.newlyLatched3 = s.newlyLatched12 = 0;
  Publish(s);
}

RegisterModel::RegisterModel(const BoardConfig& config)
    : own_(std::make_unique<BoardState>()), s_(own_.get()) {
  Initialize(s_, config, NowNs());
}

RegisterModel::RegisterModel(std::shared_ptr<sim::SharedBoards> boards, int index)
    : boards_(std::move(boards)), shared_(&boards_->Board(index)), index_(index), s_(&shared_->state) {}

RegisterModel::~RegisterModel() {
  for (const Event& event : events_) Release(event);
}

void RegisterModel::Release(const Event& event) {
  if (shared_ != nullptr) {
    Guard guard(*this);
    if (guard) sim::ReleaseEventSlot(shared_->events, event.path);
    ::unlink(event.path.c_str());
  }
  ::close(event.fd);
}

// ---- Reads: one atomic load of the published words --------------------------

uint16_t RegisterModel::Read16(WindowKind kind, uint32_t offset) noexcept {
  uint16_t value = static_cast<uint16_t>(
      kind == WindowKind::kRegister ? ReadBytes(s_->regImage.data(), kRegisterWindowLength, offset, 2)
                                    : ReadBytes(s_->revImage.data(), kRevisionWindowLength, offset, 2));
  if (logOn_.load(std::memory_order_relaxed)) [[unlikely]] Log('R', 16, kind, offset, value);
  return value;
}

uint32_t RegisterModel::Read32(WindowKind kind, uint32_t offset) noexcept {
  uint32_t value =
      kind == WindowKind::kRegister ? ReadBytes(s_->regImage.data(), kRegisterWindowLength, offset, 4)
                                    : ReadBytes(s_->revImage.data(), kRevisionWindowLength, offset, 4);
  if (logOn_.load(std::memory_order_relaxed)) [[unlikely]] Log('R', 32, kind, offset, value);
  return value;
}

// ---- Writes --------------------------------------------------------------------

void RegisterModel::Write16(WindowKind kind, uint32_t offset, uint16_t value) noexcept {
  if (logOn_.load(std::memory_order_relaxed)) [[unlikely]] Log('W', 16, kind, offset, value);
  if (kind == WindowKind::kRegister) Write(offset, 2, value);  // the revision window is read-only
}

void RegisterModel::Write32(WindowKind kind, uint32_t offset, uint32_t value) noexcept {
  if (logOn_.load(std::memory_order_relaxed)) [[unlikely]] Log('W', 32, kind, offset, value);
  if (kind == WindowKind::kRegister) Write(offset, 4, value);
}

// The motion a command needs is worked out before the lock: the lock is held
// only to apply it.
void RegisterModel::Write(uint32_t offset, unsigned width, uint32_t value) noexcept {
  const Parts parts = Split(offset, width, value);
  if (parts.count == 0) return;
  if (OnlyPresets(parts)) {
    for (int k = 0; k < parts.count; ++k) MergePreset(*s_, parts.regs[k], parts.data[k], Expand(parts.masks[k]));
    return;
  }
  const MotionAt ready = Prepare(*s_, CommandedAxes(parts));
  Guard guard(*this);
  if (!guard) return;
  for (int k = 0; k < parts.count; ++k) WriteRegister(*s_, parts.regs[k], parts.data[k], parts.masks[k], ready);
  FinishLocked();
}

void RegisterModel::FinishLocked() {
  if (!PublishAndTakeInterrupt(*s_)) return;
  if (shared_ != nullptr) {
    sim::SignalEvents(shared_->events);
    return;
  }
  const uint64_t one = 1;
  for (const Event& event : events_) {
    // The board's own descriptor: the caller holds only a dup of it.
    [[maybe_unused]] ssize_t n = ::write(event.fd, &one, sizeof one);
  }
}

// ---- Faults, motion and the clock at run time ---------------------------------------

void RegisterModel::SetSignal(Signal signal, SignalState state) {
  Guard guard(*this);
  if (!guard) return;
  s_->signals[static_cast<int>(signal)] = state;
  LatchMissing(*s_);
  if (state == SignalState::kGlitching) LatchGlitching(*s_);
  FinishLocked();
}

SignalState RegisterModel::GetSignal(Signal signal) {
  Guard guard(*this);
  return s_->signals[static_cast<int>(signal)];
}

void RegisterModel::SetMotion(bool on) {
  Guard guard(*this);
  if (!guard || s_->config.motion == on) return;
  if (on) {
    s_->config.motion = true;
    const MotionAt at = Clock(*s_, kAllAxes);
    for (int a = 0; a < 3; ++a) s_->axes[a].baseTravel = at.travel[a];
  } else {
    const MotionAt at = Clock(*s_, kAllAxes);
    for (int a = 0; a < 3; ++a) Rebase(*s_, a, at);
    s_->config.motion = false;
    for (BoardState::Axis& axis : s_->axes) axis.baseTravel = 0;  // still axes travel nowhere
  }
  s_->clockRuns.store(ClockRuns(*s_), std::memory_order_relaxed);
}

void RegisterModel::FreezeClock(double seconds) {
  Guard guard(*this);
  if (!guard) return;
  s_->frozen = true;
  s_->frozenTime = seconds;
  s_->clockRuns.store(false, std::memory_order_relaxed);
}

void RegisterModel::ThawClock() {
  Guard guard(*this);
  if (!guard) return;
  s_->frozen = false;
  s_->clockRuns.store(ClockRuns(*s_), std::memory_order_relaxed);
}

// ---- The bridge and its events ---------------------------------------------------

void RegisterModel::SetBridgeEnabled(bool enabled) {
  Guard guard(*this);
  if (guard) s_->bridgeEnabled = enabled;
}

bool RegisterModel::BridgeEnabled() {
  Guard guard(*this);
  return s_->bridgeEnabled;
}

Result RegisterModel::AttachEvent(uint32_t owner, int* fd) {
  if (shared_ != nullptr) return AttachShared(owner, fd);
  Guard guard(*this);
  // A device that attaches again shares the event it has, so that a caller
  // attaching for every wait never runs out of events.
  auto attached = std::ranges::find(events_, owner, &Event::owner);
  if (attached == events_.end()) {
    if (events_.size() >= static_cast<std::size_t>(kMaxAttachedEvents)) return kInsufficientResources;
    const int made = ::eventfd(0, EFD_CLOEXEC);
    if (made < 0) return kInsufficientResources;
    const int own = AboveStandardStreams(made);
    ::close(made);
    if (own < 0) return kInsufficientResources;
    try {
      attached = events_.insert(events_.end(), Event{owner, own, {}});
    } catch (...) {
      ::close(own);
      return kInsufficientResources;
    }
  }
  const int given = AboveStandardStreams(attached->fd);
  if (given < 0) return kInsufficientResources;  // the device keeps its event all the same
  *fd = given;
  return kSuccess;
}

// The events of a shared board: a FIFO per device of this process, registered
// in the board's shared state for every process to signal.
Result RegisterModel::AttachShared(uint32_t owner, int* fd) {
  std::lock_guard local(mutex_);
  auto attached = std::ranges::find(events_, owner, &Event::owner);
  if (attached == events_.end()) {
    try {
      Event event{owner, -1, {}};
      event.fd = sim::MakeEventFifo(boards_->EventPrefix(index_), &event.path);
      if (event.fd < 0) return kInsufficientResources;
      bool claimed = false;
      {
        Guard guard(*this);
        claimed = guard && sim::ClaimEventSlot(shared_->events, event.path);
      }
      if (claimed) {
        attached = events_.insert(events_.end(), event);
      } else {
        ::close(event.fd);
        ::unlink(event.path.c_str());
        return kInsufficientResources;
      }
    } catch (const std::bad_alloc&) {
      return kInsufficientResources;
    }
  }
  const int given = AboveStandardStreams(attached->fd);
  if (given < 0) return kInsufficientResources;
  *fd = given;
  return kSuccess;
}

void RegisterModel::ReleaseEvents(uint32_t owner) {
  std::vector<Event> released;
  {
    std::unique_lock local(mutex_, std::defer_lock);
    std::optional<Guard> guard;
    if (shared_ == nullptr) {
      guard.emplace(*this);
    } else {
      local.lock();
    }
    std::erase_if(events_, [&](const Event& event) {
      if (event.owner != owner) return false;
      released.push_back(event);
      return true;
    });
  }
  for (const Event& event : released) Release(event);
}

int RegisterModel::AttachedEventCount() {
  Guard guard(*this);
  if (shared_ == nullptr) return static_cast<int>(events_.size());
  return guard ? static_cast<int>(sim::LiveEventProcesses(shared_->events).size()) : 0;
}

uint64_t RegisterModel::InterruptCount() {
  Guard guard(*this);
  return s_->interrupts;
}

BoardReport RegisterModel::Report() {
  BoardReport report;
  Guard guard(*this);
  report.motion = s_->config.motion;
  report.frozen = s_->frozen;
  report.clock = s_->frozen ? s_->frozenTime : static_cast<double>(NowNs() - s_->startNs) * 1e-9;
  report.signals = s_->signals;
  report.status3 = s_->status3;
  report.status12 = s_->status12;
  report.mask = s_->mask;
  report.ctrl3 = s_->ctrl3;
  report.bridgeEnabled = s_->bridgeEnabled;
  report.interrupts = s_->interrupts;
  if (shared_ != nullptr && guard) report.eventProcesses = sim::LiveEventProcesses(shared_->events);
  return report;
}

// ---- Access log -------------------------------------------------------------------

void RegisterModel::SetAccessLog(bool on) {
  std::lock_guard lock(logMutex_);
  logOn_.store(on, std::memory_order_relaxed);
  if (!on) log_.clear();
}

std::vector<Access> RegisterModel::TakeAccessLog() {
  std::lock_guard lock(logMutex_);
  std::vector<Access> taken;
  taken.swap(log_);
  return taken;
}

void RegisterModel::Log(char op, unsigned width, WindowKind kind, uint32_t offset, uint32_t value) {
  try {
    std::lock_guard lock(logMutex_);
    if (logOn_.load(std::memory_order_relaxed)) {
      log_.push_back(Access{op, static_cast<uint8_t>(width), kind, offset, value});
    }
  } catch (...) {
    // The log is a test aid: losing an entry beats failing an access.
  }
}

namespace detail {
uint16_t ModelRead16(RegisterModel* model, WindowKind kind, uint32_t offset) noexcept {
  return model->Read16(kind, offset);
}
uint32_t ModelRead32(RegisterModel* model, WindowKind kind, uint32_t offset) noexcept {
  return model->Read32(kind, offset);
}
void ModelWrite16(RegisterModel* model, WindowKind kind, uint32_t offset, uint16_t value) noexcept {
  model->Write16(kind, offset, value);
}
void ModelWrite32(RegisterModel* model, WindowKind kind, uint32_t offset, uint32_t value) noexcept {
  model->Write32(kind, offset, value);
}
}  // namespace detail

}  // namespace zemtra::pci

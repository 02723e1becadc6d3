#include "pci/sim/register_model.h"

#include <fcntl.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <numbers>

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

// Motion of each axis: a sum of two sines and a drift, in counts.
struct Motion {
  double amplitude, period, amplitude2, period2, drift;
};
constexpr Motion kMotion[3] = {
    {300000.0, 12.0, 4000.0, 1.7, 0.0},     // A1: a long stroke
    {80000.0, 5.0, 0.0, 1.0, 2500.0},       // A2: short stroke with a slow drift
    {1200000.0, 40.0, 30000.0, 3.1, 0.0},   // A3: slow and wide with a wobble
};

uint32_t Expand(uint32_t byteMask) {
  uint32_t bits = 0;
  for (int i = 0; i < 4; ++i) {
    if (byteMask & (1u << i)) bits |= 0xFFu << (8 * i);
  }
  return bits;
}

int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

RegisterModel::RegisterModel(const BoardConfig& config) : config_(config) {
  std::lock_guard lock(mutex_);
  signals_ = config_.signals;
  phase_ = 0.7 * config_.index;
  startNs_ = NowNs();
  for (auto& word : regImage_) word.store(0, std::memory_order_relaxed);
  shadow_.fill(0);
  for (auto& word : revImage_) word.store(0, std::memory_order_relaxed);
  revImage_[ZEMTRA_REV_HARDWARE / 4].store(kHardwareRevision, std::memory_order_relaxed);
  LatchMissingLocked();
  LatchGlitchingLocked();
  newlyLatched3_ = newlyLatched12_ = 0;
  PublishLocked();
}

RegisterModel::~RegisterModel() {
  for (const Event& event : events_) ::close(event.fd);
}

// ---- Reads: one atomic load of the published words --------------------------

uint32_t RegisterModel::ReadBytes(const std::atomic<uint32_t>* words, std::size_t length,
                                  uint32_t offset, unsigned width) const noexcept {
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

uint16_t RegisterModel::Read16(WindowKind kind, uint32_t offset) noexcept {
  uint16_t value = static_cast<uint16_t>(
      kind == WindowKind::kRegister ? ReadBytes(regImage_.data(), kRegisterWindowLength, offset, 2)
                                    : ReadBytes(revImage_.data(), kRevisionWindowLength, offset, 2));
  if (logOn_.load(std::memory_order_relaxed)) [[unlikely]] Log('R', 16, kind, offset, value);
  return value;
}

uint32_t RegisterModel::Read32(WindowKind kind, uint32_t offset) noexcept {
  uint32_t value =
      kind == WindowKind::kRegister ? ReadBytes(regImage_.data(), kRegisterWindowLength, offset, 4)
                                    : ReadBytes(revImage_.data(), kRevisionWindowLength, offset, 4);
  if (logOn_.load(std::memory_order_relaxed)) [[unlikely]] Log('R', 32, kind, offset, value);
  return value;
}

// ---- Writes --------------------------------------------------------------------

void RegisterModel::Write16(WindowKind kind, uint32_t offset, uint16_t value) noexcept {
  if (logOn_.load(std::memory_order_relaxed)) [[unlikely]] Log('W', 16, kind, offset, value);
  if (kind != WindowKind::kRegister) return;  // the revision window is read-only
  std::lock_guard lock(mutex_);
  WriteLocked(offset, 2, value);
  FinishLocked();
}

void RegisterModel::Write32(WindowKind kind, uint32_t offset, uint32_t value) noexcept {
  if (logOn_.load(std::memory_order_relaxed)) [[unlikely]] Log('W', 32, kind, offset, value);
  if (kind != WindowKind::kRegister) return;
  std::lock_guard lock(mutex_);
  WriteLocked(offset, 4, value);
  FinishLocked();
}

void RegisterModel::WriteLocked(uint32_t offset, unsigned width, uint32_t value) {
  // Split the access into the registers whose bytes it covers, lowest first.
  int regs[4];
  uint32_t data[4] = {}, masks[4] = {};
  int count = 0;
  for (unsigned i = 0; i < width; ++i) {
    uint64_t b = static_cast<uint64_t>(offset) + i;
    if (b >= kMapEnd) continue;  // unused offsets ignore writes
    int reg = kByteMap.reg[b];
    if (reg < 0) continue;
    if (count == 0 || regs[count - 1] != reg) regs[count++] = reg;
    unsigned lane = static_cast<unsigned>(b - kRegs[reg].offset);
    data[count - 1] |= ((value >> (8 * i)) & 0xFFu) << (8 * lane);
    masks[count - 1] |= 1u << lane;
  }
  for (int k = 0; k < count; ++k) WriteRegisterLocked(regs[k], data[k], masks[k]);
}

void RegisterModel::WriteRegisterLocked(int reg, uint32_t data, uint32_t byteMask) {
  const uint32_t bits = Expand(byteMask);
  auto merge16 = [&](uint16_t old, uint16_t keep) {
    return static_cast<uint16_t>(((old & ~bits) | (data & bits)) & keep);
  };
  switch (reg) {
    case kCtrl3: {
      uint16_t next = merge16(ctrl3_, kCtrl3Bits);
      if ((next ^ ctrl3_) & ZEMTRA_CTL3_A3_DIR) SetDirLocked(2, next & ZEMTRA_CTL3_A3_DIR, NowLocked());
      ctrl3_ = next;
      break;
    }
    case kCtrl12: {
      uint16_t next = merge16(ctrl12_, kCtrl12Bits);
      const uint16_t changed = static_cast<uint16_t>(next ^ ctrl12_);
      const double t = changed ? NowLocked() : 0;
      if ((next ^ ctrl12_) & ZEMTRA_CTL12_A1_DIR) SetDirLocked(0, next & ZEMTRA_CTL12_A1_DIR, t);
      if ((next ^ ctrl12_) & ZEMTRA_CTL12_A2_DIR) SetDirLocked(1, next & ZEMTRA_CTL12_A2_DIR, t);
      ctrl12_ = next;
      break;
    }
    case kStatus3:  // write 1 to clear; a missing signal latches again at once
      status3_ = static_cast<uint16_t>(status3_ & ~(data & bits & kStatus3Bits));
      LatchMissingLocked();
      break;
    case kStatus12:
      status12_ = static_cast<uint16_t>(status12_ & ~(data & bits & kStatus12Bits));
      LatchMissingLocked();
      break;
    case kMask: mask_ = merge16(mask_, kMaskBits); break;
    case kFilter: filter_ = merge16(filter_, kFilterBits); break;
    case kSample: CommandLocked(static_cast<uint16_t>(data & bits & kSampleBits)); break;
    case kA1Preset: preset_[0] = (preset_[0] & ~bits) | (data & bits); break;
    case kA2Preset: preset_[1] = (preset_[1] & ~bits) | (data & bits); break;
    case kA3Preset: preset_[2] = (preset_[2] & ~bits) | (data & bits); break;
    default: break;  // read-only: positions, velocities, identification
  }
}

void RegisterModel::CommandLocked(uint16_t command) {
  const double t = NowLocked();
  for (int a = 0; a < 3; ++a) {  // presets first, so a sample in the same write sees them
    const ZemtraAxisRegisterSet& row = ZemtraAxisRegisters[a];
    if (!(command & row.presetCommand)) continue;
    axes_[a].base = static_cast<int32_t>(preset_[a]);
    axes_[a].baseTime = t;
    if (HasSignalLocked(a)) {
      sample_ = static_cast<uint16_t>(sample_ & ~row.presetCommand);
    } else {
      sample_ = static_cast<uint16_t>(sample_ | row.presetCommand);
    }
  }
  if (!(command & ZEMTRA_SMP_ALL_SAMPLE)) return;
  LatchGlitchingLocked();
  for (int a = 0; a < 3; ++a) {
    const ZemtraAxisRegisterSet& row = ZemtraAxisRegisters[a];
    if (!(command & row.sampleCommand)) continue;
    if (!HasSignalLocked(a)) {
      sample_ = static_cast<uint16_t>(sample_ & ~row.sampleValid);
      continue;
    }
    Axis& axis = axes_[a];
    axis.position = static_cast<uint32_t>(CountLocked(a, t));
    double velocity = axis.sign * Speed(a, t) * kVelocityPeriod;
    axis.velocity = static_cast<uint32_t>(static_cast<int32_t>(std::llround(velocity)));
    sample_ = static_cast<uint16_t>(sample_ | row.sampleValid);
  }
}

void RegisterModel::SetDirLocked(int axis, bool reversed, double t) {
  axes_[axis].base = CountLocked(axis, t);
  axes_[axis].baseTime = t;
  axes_[axis].sign = reversed ? -1 : 1;
}

// ---- Motion ----------------------------------------------------------------------

double RegisterModel::NowLocked() const {
  if (!config_.motion) return 0;  // nothing moves: time does not matter
  if (frozen_) return frozenTime_;
  return static_cast<double>(NowNs() - startNs_) * 1e-9;
}

double RegisterModel::Travel(int axis, double t) const {
  if (!config_.motion) return 0;
  const Motion& m = kMotion[axis];
  constexpr double kTwoPi = 2 * std::numbers::pi;
  return m.amplitude * std::sin(kTwoPi * t / m.period + phase_ + axis) +
         m.amplitude2 * std::sin(kTwoPi * t / m.period2 + 2 * phase_) + m.drift * t;
}

double RegisterModel::Speed(int axis, double t) const {
  if (!config_.motion) return 0;
  const Motion& m = kMotion[axis];
  constexpr double kTwoPi = 2 * std::numbers::pi;
  return m.amplitude * kTwoPi / m.period * std::cos(kTwoPi * t / m.period + phase_ + axis) +
         m.amplitude2 * kTwoPi / m.period2 * std::cos(kTwoPi * t / m.period2 + 2 * phase_) + m.drift;
}

int64_t RegisterModel::CountLocked(int axis, double t) const {
  const Axis& a = axes_[axis];
  return a.base + a.sign * (std::llround(Travel(axis, t)) - std::llround(Travel(axis, a.baseTime)));
}

bool RegisterModel::HasSignalLocked(int axis) const {
  return signals_[axis] != SignalState::kMissing && signals_[kRef] != SignalState::kMissing;
}

void RegisterModel::FreezeClock(double seconds) {
  std::lock_guard lock(mutex_);
  frozen_ = true;
  frozenTime_ = seconds;
}

void RegisterModel::ThawClock() {
  std::lock_guard lock(mutex_);
  frozen_ = false;
}

// ---- Errors and interrupts -------------------------------------------------------

void RegisterModel::LatchLocked(int statusReg, uint16_t bits) {
  if (statusReg == kStatus3) {
    newlyLatched3_ |= static_cast<uint16_t>(bits & ~status3_);
    status3_ |= bits;
  } else {
    newlyLatched12_ |= static_cast<uint16_t>(bits & ~status12_);
    status12_ |= bits;
  }
}

void RegisterModel::LatchMissingLocked() {
  const bool noRef = signals_[kRef] == SignalState::kMissing;
  if (noRef) LatchLocked(kStatus3, ZEMTRA_ST3_REF_NOSIG);
  for (int a = 0; a < 3; ++a) {
    if (noRef || signals_[a] == SignalState::kMissing) {
      LatchLocked(kAxisBits[a].inStatus3 ? kStatus3 : kStatus12, kAxisBits[a].noSig);
    }
  }
}

void RegisterModel::LatchGlitchingLocked() {
  if (signals_[kRef] == SignalState::kGlitching) LatchLocked(kStatus3, ZEMTRA_ST3_REF_GLITCH);
  for (int a = 0; a < 3; ++a) {
    if (signals_[a] == SignalState::kGlitching) {
      LatchLocked(kAxisBits[a].inStatus3 ? kStatus3 : kStatus12, kAxisBits[a].glitch);
    }
  }
}

void RegisterModel::FinishLocked() {
  PublishLocked();
  // Status bits to interrupt mask bits (the two layouts differ).
  uint16_t sources = 0;
  if (newlyLatched12_ & ZEMTRA_ST12_A2_NOSIG) sources |= ZEMTRA_IM_A2_NOSIG;
  if (newlyLatched12_ & ZEMTRA_ST12_A2_GLITCH) sources |= ZEMTRA_IM_A2_GLITCH;
  if (newlyLatched12_ & ZEMTRA_ST12_A1_NOSIG) sources |= ZEMTRA_IM_A1_NOSIG;
  if (newlyLatched12_ & ZEMTRA_ST12_A1_GLITCH) sources |= ZEMTRA_IM_A1_GLITCH;
  if (newlyLatched3_ & ZEMTRA_ST3_A3_NOSIG) sources |= ZEMTRA_IM_A3_NOSIG;
  if (newlyLatched3_ & ZEMTRA_ST3_A3_GLITCH) sources |= ZEMTRA_IM_A3_GLITCH;
  if (newlyLatched3_ & ZEMTRA_ST3_REF_NOSIG) sources |= ZEMTRA_IM_REF_NOSIG;
  if (newlyLatched3_ & ZEMTRA_ST3_REF_GLITCH) sources |= ZEMTRA_IM_REF_GLITCH;
  newlyLatched3_ = newlyLatched12_ = 0;
  if ((sources & mask_) == 0 || !(ctrl3_ & ZEMTRA_CTL3_IRQ_ENABLE) || !bridgeEnabled_) return;
  ++interrupts_;
  const uint64_t one = 1;
  for (const Event& event : events_) {
    // The board's own descriptor: the caller holds only a dup of it.
    [[maybe_unused]] ssize_t n = ::write(event.fd, &one, sizeof one);
  }
}

void RegisterModel::PutLocked(int reg, uint32_t value) {
  const RegInfo& info = kRegs[reg];
  const std::size_t w = info.offset >> 2;
  uint32_t word = value;
  if (info.bytes == 2) {  // every 16-bit register lies in one half of a word
    const unsigned shift = (info.offset & 2) * 8;
    word = (shadow_[w] & ~(0xFFFFu << shift)) | ((value & 0xFFFFu) << shift);
  }
  if (word != shadow_[w]) {
    shadow_[w] = word;
    regImage_[w].store(word, std::memory_order_release);
  }
}

void RegisterModel::PublishLocked() {
  PutLocked(kA1Pos, axes_[0].position);
  PutLocked(kA1Vel, axes_[0].velocity);
  PutLocked(kA2Pos, axes_[1].position);
  PutLocked(kA2Vel, axes_[1].velocity);
  PutLocked(kA3Pos, axes_[2].position);
  PutLocked(kA3Vel, axes_[2].velocity);
  PutLocked(kCtrl3, ctrl3_);
  PutLocked(kStatus3, status3_);
  PutLocked(kMask, mask_);
  PutLocked(kA3Preset, preset_[2]);
  PutLocked(kFilter, filter_);
  PutLocked(kSample, sample_);
  PutLocked(kFpga1Rev, kFpga1Revision);
  PutLocked(kFpga1Prod, config_.fpga1Product);
  PutLocked(kCtrl12, ctrl12_);
  PutLocked(kStatus12, status12_);
  PutLocked(kA2Preset, preset_[1]);
  PutLocked(kA1Preset, preset_[0]);
  PutLocked(kFpga2Rev, kFpga2Revision);
  PutLocked(kFpga2Prod, kFpga2Product);
}

void RegisterModel::SetSignal(Signal signal, SignalState state) {
  std::lock_guard lock(mutex_);
  signals_[static_cast<int>(signal)] = state;
  LatchMissingLocked();
  if (state == SignalState::kGlitching) LatchGlitchingLocked();
  FinishLocked();
}

SignalState RegisterModel::GetSignal(Signal signal) {
  std::lock_guard lock(mutex_);
  return signals_[static_cast<int>(signal)];
}

void RegisterModel::SetBridgeEnabled(bool enabled) {
  std::lock_guard lock(mutex_);
  bridgeEnabled_ = enabled;
}

bool RegisterModel::BridgeEnabled() {
  std::lock_guard lock(mutex_);
  return bridgeEnabled_;
}

Result RegisterModel::AttachEvent(uint32_t owner, int* fd) {
  std::lock_guard lock(mutex_);
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
      attached = events_.insert(events_.end(), Event{owner, own});
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

void RegisterModel::ReleaseEvents(uint32_t owner) {
  std::lock_guard lock(mutex_);
  std::erase_if(events_, [owner](const Event& event) {
    if (event.owner != owner) return false;
    ::close(event.fd);
    return true;
  });
}

int RegisterModel::AttachedEventCount() {
  std::lock_guard lock(mutex_);
  return static_cast<int>(events_.size());
}

uint64_t RegisterModel::InterruptCount() {
  std::lock_guard lock(mutex_);
  return interrupts_;
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

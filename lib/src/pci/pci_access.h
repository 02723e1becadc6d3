// The PCI access layer: the only way the library reaches a board.
//
// Seven operations with the bridge vendor's result codes, so that the callers
// map results exactly as the device functions document them. Two backends sit
// behind it: real boards through Linux sysfs (listed first, in ascending
// domain:bus:device.function order) and simulated boards (ZEMTRA_SIM, listed
// after the real ones). Device numbers handed out by DeviceOpen are only ever
// passed back to this layer.
//
// Semantics the callers rely on:
// - DeviceFind(loc, &req): loc->deviceId/vendorId must be 0x0A00/0x1F3C (else
//   nothing matches); loc->bus/slot filter, -1 = any; loc->serial is ignored.
//   req == kCountRequest: the number of matching boards comes back in req
//   (512 also when it is 0). req == i: bus and slot of the i-th matching board
//   come back in loc (551 when there is no i-th board), the i-th of those the
//   latest count with the same loc found (one walk of the bus for a count and
//   its index requests), or of a fresh walk when there was no such count.
// - DeviceOpen(loc, &dev): opens the first matching board (551 when none),
//   writes its bus and slot into loc and an opaque non-zero device number into
//   dev. For one bus and slot that is the board the latest find listed there
//   while its sysfs entry still reads the IDs of the PCI identity in force,
//   else the first of a fresh walk. A real board is mapped here; a board the process may not open gives
//   552 (permissions, driver), 553 (out of memory or descriptors) or 551 (gone).
//   The same board may be opened any number of times.
// - BaseAddressesGet(dev, &w): entry 2 the register window (BAR 2), entry 3 the
//   revision window (BAR 3; a real board's BARs as pci_match.h sets them); the
//   others unmapped. 572 for an unknown dev.
// - DeviceClose(dev): unmaps and forgets dev (551 for an unknown dev). Windows
//   obtained for it must not be used afterwards. Attached events of a simulated
//   board handed out for this dev are never signalled again.
// - IntrEnable/IntrDisable(dev, &src): the board's interrupt source at the
//   bridge (572 unknown dev).
// - IntrAttach(dev, src, &event): event is a new file descriptor, owned by the
//   caller (close it), that becomes readable when the board interrupts: a dup
//   of an eventfd for a simulated board, of a FIFO for a shared one (read 8
//   bytes to reset either), the board's /dev/uioN for a real one (read the
//   4-byte count, then IntrEnable to re-arm). A simulated board hands every
//   attach of one dev a dup of the same descriptor; 553 when too many devs
//   have events (simulated board: 8, over all processes sharing it).
// Every operation is thread-safe, also on one board from several threads.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace zemtra::pci {

class RegisterModel;  // a simulated board's registers (sim backend)

// Result codes of the bridge vendor's library.
enum Result : uint32_t {
  kSuccess = 512,
  kNullParameter = 531,
  kDeviceNotFound = 551,
  kDriverNotFound = 552,
  kInsufficientResources = 553,
  kInvalidHandle = 572,
};

inline constexpr uint32_t kDeviceId = 0x0A00;
inline constexpr uint32_t kVendorId = 0x1F3C;
inline constexpr uint32_t kCountRequest = 80001;
inline constexpr int kBaseAddressCount = 7;
inline constexpr int kRegisterBar = 2;
inline constexpr int kRevisionBar = 3;

// Vendor location record, filled by the caller before each find or open.
struct Location {
  uint32_t deviceId = kDeviceId;
  uint32_t vendorId = kVendorId;
  int32_t bus = -1;   // -1 = any; filled in on success
  int32_t slot = -1;  // -1 = any; filled in on success
  char serial[16] = {};
};

// Interrupt-source record: the board's local interrupt.
struct InterruptSource {
  uint32_t bits = 0x02000000;
  uint32_t reserved = 0;
};

enum class WindowKind : uint8_t { kRegister, kRevision };

namespace detail {
// Register trace (trace.cpp): true while ZEMTRA_TRACE names an open file.
extern std::atomic<bool> g_traceOn;
void TraceAccess(char op, unsigned width, WindowKind kind, uint32_t offset,
                 uint32_t value) noexcept;
// One access to a simulated board's model (register_model.cpp).
uint16_t ModelRead16(RegisterModel* model, WindowKind kind, uint32_t offset) noexcept;
uint32_t ModelRead32(RegisterModel* model, WindowKind kind, uint32_t offset) noexcept;
void ModelWrite16(RegisterModel* model, WindowKind kind, uint32_t offset, uint16_t value) noexcept;
void ModelWrite32(RegisterModel* model, WindowKind kind, uint32_t offset, uint32_t value) noexcept;
}  // namespace detail

// One mapped window of a board. Every access is exactly one access of exactly
// the requested width: a volatile load/store on real hardware, one call into
// the model on a simulated board. Offsets are checked by the caller against
// Length(); the accessor itself does not check them. Each access is written to
// the register trace when ZEMTRA_TRACE is set. A Window is a plain value: copy
// it freely; it stays usable until DeviceClose of the device it came from.
class Window {
 public:
  Window() = default;
  Window(volatile uint8_t* base, std::size_t length, WindowKind kind)
      : base_(base), length_(length), kind_(kind) {}
  Window(RegisterModel* model, std::size_t length, WindowKind kind)
      : model_(model), length_(length), kind_(kind) {}

  bool Mapped() const { return length_ != 0; }
  std::size_t Length() const { return length_; }
  WindowKind Kind() const { return kind_; }

  uint16_t Read16(uint32_t offset) const {
    uint16_t value;
    if (model_ != nullptr) {
      value = detail::ModelRead16(model_, kind_, offset);
    } else {
      value = *reinterpret_cast<const volatile uint16_t*>(base_ + offset);
    }
    if (detail::g_traceOn.load(std::memory_order_relaxed)) [[unlikely]] {
      detail::TraceAccess('R', 16, kind_, offset, value);
    }
    return value;
  }

  uint32_t Read32(uint32_t offset) const {
    uint32_t value;
    if (model_ != nullptr) {
      value = detail::ModelRead32(model_, kind_, offset);
    } else {
      value = *reinterpret_cast<const volatile uint32_t*>(base_ + offset);
    }
    if (detail::g_traceOn.load(std::memory_order_relaxed)) [[unlikely]] {
      detail::TraceAccess('R', 32, kind_, offset, value);
    }
    return value;
  }

  void Write16(uint32_t offset, uint16_t value) const {
    if (model_ != nullptr) {
      detail::ModelWrite16(model_, kind_, offset, value);
    } else {
      *reinterpret_cast<volatile uint16_t*>(base_ + offset) = value;
    }
    if (detail::g_traceOn.load(std::memory_order_relaxed)) [[unlikely]] {
      detail::TraceAccess('W', 16, kind_, offset, value);
    }
  }

  void Write32(uint32_t offset, uint32_t value) const {
    if (model_ != nullptr) {
      detail::ModelWrite32(model_, kind_, offset, value);
    } else {
      *reinterpret_cast<volatile uint32_t*>(base_ + offset) = value;
    }
    if (detail::g_traceOn.load(std::memory_order_relaxed)) [[unlikely]] {
      detail::TraceAccess('W', 32, kind_, offset, value);
    }
  }

 private:
  volatile uint8_t* base_ = nullptr;
  RegisterModel* model_ = nullptr;
  std::size_t length_ = 0;
  WindowKind kind_ = WindowKind::kRegister;
};

// The seven operations. A null pointer argument gives kNullParameter.
Result DeviceFind(Location* location, uint32_t* request);
Result DeviceOpen(Location* location, uint32_t* device);
Result BaseAddressesGet(uint32_t device, Window (*windows)[kBaseAddressCount]);
Result DeviceClose(uint32_t device);
Result IntrEnable(uint32_t device, const InterruptSource* source);
Result IntrDisable(uint32_t device, const InterruptSource* source);
Result IntrAttach(uint32_t device, InterruptSource source, uint32_t* event);

}  // namespace zemtra::pci

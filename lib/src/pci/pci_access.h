// The PCI access layer: the only way the library reaches a board.
//
// Seven operations with the bridge vendor's result codes, so that the callers
// map results exactly as the device functions document them. Two backends sit
// behind it: real boards through Linux sysfs (listed first, in ascending
// domain:bus:device.function order) and simulated boards (ZEMTRA_SIM, listed
// after the real ones). Device numbers handed out by DeviceOpen are only ever
// passed back to this layer.
#pragma once

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

// One mapped window of a board. Every access is exactly one access of exactly
// the requested width: a volatile load/store on real hardware, one call into
// the model on a simulated board. Offsets are checked by the caller against
// Length(); the accessor itself does not check them.
class Window {
 public:
  Window() = default;
  Window(volatile uint8_t* base, std::size_t length, WindowKind kind);
  Window(RegisterModel* model, std::size_t length, WindowKind kind);

  bool Mapped() const { return length_ != 0; }
  std::size_t Length() const { return length_; }

  uint16_t Read16(uint32_t offset) const;
  uint32_t Read32(uint32_t offset) const;
  void Write16(uint32_t offset, uint16_t value) const;
  void Write32(uint32_t offset, uint32_t value) const;

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

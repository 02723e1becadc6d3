// Internal control of the PCI access layer, for tests (the library's and the
// monitor's) and benchmarks: simulated boards, faults, forced result codes.
// Not part of the product interface. Board numbers count the simulated boards
// from 0 in the order they are listed (after the real boards); a board number
// out of range makes a setter do nothing and a getter return a neutral value.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "pci/pci_access.h"
#include "pci/sim/register_model.h"

namespace zemtra::pci::sim {

// ---- Simulated boards --------------------------------------------------------

// Makes the simulated boards as if ZEMTRA_SIM had this value ("" = none) and
// resets all state: fresh boards, no forced results. Devices already open
// keep their old boards until DeviceClose. A bad value prints the message on
// standard error, leaves no simulated board and returns false.
bool Configure(std::string_view value);

// The same from the current environment (ZEMTRA_SIM, unset = none).
bool ConfigureFromEnvironment();

// Number of simulated boards, and where board i is listed (bus 240 + i / 32,
// slot i % 32).
int BoardCount();
bool BoardLocation(int board, int32_t* bus, int32_t* slot);

// The model of board i (shared: it stays valid while held), or null.
std::shared_ptr<RegisterModel> Model(int board);

// ---- Faults and observation, per board -----------------------------------------

void SetSignal(int board, Signal signal, SignalState state);
SignalState GetSignal(int board, Signal signal);

// The model's access log: every access to the board's windows, in order.
void SetAccessLog(int board, bool on);
std::vector<Access> TakeAccessLog(int board);

int AttachedEventCount(int board);
bool BridgeEnabled(int board);
uint64_t InterruptCount(int board);

// Freezes the board's motion clock at `seconds` after the board was made
// (deterministic motion tests), or lets it run again.
void FreezeClock(int board, double seconds);
void ThawClock(int board);

// ---- Forced result codes ----------------------------------------------------------

enum class Operation : uint8_t {
  kDeviceFind,
  kDeviceOpen,
  kBaseAddressesGet,
  kDeviceClose,
  kIntrEnable,
  kIntrDisable,
  kIntrAttach,
};
inline constexpr int kOperationCount = 7;

// After `after` further calls of `op` that run normally, the next `times`
// calls (times < 0: every call until cleared) return `result` at once and do
// nothing else: no argument is read or written, nothing is opened or closed.
// Applies to real and simulated boards alike.
void ForceResult(Operation op, Result result, int times = 1, int after = 0);
void ClearForcedResult(Operation op);
void ClearForcedResults();

// ---- Register trace -----------------------------------------------------------------

// Closes the register trace and reads ZEMTRA_TRACE again.
void ReloadTrace();

}  // namespace zemtra::pci::sim

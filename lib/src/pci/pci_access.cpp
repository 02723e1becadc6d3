// The seven operations: one registry of open devices over two backends, real
// boards (sysfs.h) listed first, then the simulated boards (register_model.h).
#include "pci/pci_access.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "pci/found_boards.h"
#include "pci/sysfs/pci_match.h"
#include "pci/sim/register_model.h"
#include "pci/sim/sim_boards.h"
#include "pci/sim/sim_config.h"
#include "pci/sim/sim_control.h"
#include "pci/sysfs/sysfs.h"
#include "pci/trace.h"

namespace zemtra::pci {
namespace {

using sim::kSimBusBase;
using sim::kSimSlotsPerBus;

struct SimBoard {
  std::shared_ptr<RegisterModel> model;
  int32_t bus = 0, slot = 0;
};

struct OpenDevice {
  bool real = false;
  sysfs::Board board;
  sysfs::Mapping registers, revision;  // real boards
  std::shared_ptr<RegisterModel> model;

  OpenDevice() = default;
  OpenDevice(const OpenDevice&) = delete;
  OpenDevice& operator=(const OpenDevice&) = delete;
  ~OpenDevice() {
    sysfs::Unmap(&registers);
    sysfs::Unmap(&revision);
  }
};

struct Forced {
  bool active = false;
  Result result = kSuccess;
  int after = 0;
  int times = 0;  // < 0: until cleared
};

class Registry {
 public:
  static Registry& Get() {
    static Registry* registry = new Registry;  // never destroyed: safe at exit
    return *registry;
  }

  // A forced result for this call of `op`, if any.
  bool TakeForced(sim::Operation op, Result* result) {
    if (!anyForced_.load(std::memory_order_acquire)) return false;
    std::lock_guard lock(mutex_);
    Forced& f = forced_[static_cast<int>(op)];
    if (!f.active) return false;
    if (f.after > 0) {
      --f.after;
      return false;
    }
    *result = f.result;
    if (f.times > 0 && --f.times == 0) f.active = false;
    return true;
  }

  void Force(sim::Operation op, Result result, int times, int after) {
    std::lock_guard lock(mutex_);
    forced_[static_cast<int>(op)] = Forced{times != 0, result, after < 0 ? 0 : after, times};
    anyForced_.store(true, std::memory_order_release);
  }

  void ClearForced(sim::Operation op) {
    std::lock_guard lock(mutex_);
    forced_[static_cast<int>(op)] = Forced{};
  }

  void ClearAllForced() {
    std::lock_guard lock(mutex_);
    for (Forced& f : forced_) f = Forced{};
    anyForced_.store(false, std::memory_order_release);
  }

  // Replaces the simulated boards. Open devices keep their models.
  bool Configure(std::string_view value) {
    sim::SimConfig config;
    std::string error;
    bool ok = sim::ParseSimConfig(value, &config, &error);
    if (!ok) {
      std::fprintf(stderr, "libZemtra: ZEMTRA_SIM: cannot read %s; no simulated board\n",
                   error.c_str());
    }
    std::vector<std::shared_ptr<RegisterModel>> models = sim::MakeSimBoards(config, &error);
    if (ok && models.empty() && config.boards > 0) {
      std::fprintf(stderr, "libZemtra: ZEMTRA_SIM: %s; no simulated board\n", error.c_str());
      ok = false;
    }
    std::vector<SimBoard> boards;
    for (std::size_t i = 0; i < models.size(); ++i) {
      const auto n = static_cast<int32_t>(i);
      boards.push_back(SimBoard{std::move(models[i]), kSimBusBase + n / kSimSlotsPerBus, n % kSimSlotsPerBus});
    }
    std::lock_guard lock(mutex_);
    sim_.swap(boards);
    simLoaded_ = true;
    found_.Forget();
    for (Forced& f : forced_) f = Forced{};
    anyForced_.store(false, std::memory_order_release);
    return ok;
  }

  bool ConfigureFromEnvironment() {
    // A set-uid or file-capability program must not be handed simulated boards.
    const char* value = ::secure_getenv("ZEMTRA_SIM");
    return Configure(value != nullptr ? value : "");
  }

  std::vector<SimBoard> SimBoards() {
    {
      std::lock_guard lock(mutex_);
      if (simLoaded_) return sim_;
    }
    std::lock_guard once(loadMutex_);
    bool loaded;
    {
      std::lock_guard lock(mutex_);
      loaded = simLoaded_;
    }
    if (!loaded) ConfigureFromEnvironment();
    std::lock_guard lock(mutex_);
    return sim_;
  }

  std::shared_ptr<RegisterModel> SimModel(int board) {
    std::vector<SimBoard> boards = SimBoards();
    if (board < 0 || static_cast<std::size_t>(board) >= boards.size()) return nullptr;
    return boards[static_cast<std::size_t>(board)].model;
  }

  // Every board that matches the location, real ones first (those of the PCI
  // identity `pci`).
  std::vector<Candidate> Matching(const Location& location, const PciMatch& pci) {
    std::vector<Candidate> found;
    if (location.deviceId != kDeviceId || location.vendorId != kVendorId) return found;
    auto matches = [&](int32_t bus, int32_t slot) {
      return (location.bus == -1 || location.bus == bus) && (location.slot == -1 || location.slot == slot);
    };
    for (sysfs::Board& board : sysfs::Enumerate(pci)) {
      auto bus = static_cast<int32_t>(board.bus);
      auto slot = static_cast<int32_t>(board.device);
      if (!matches(bus, slot)) continue;
      Candidate c;
      c.real = true;
      c.board = std::move(board);
      c.bus = bus;
      c.slot = slot;
      found.push_back(std::move(c));
    }
    for (const SimBoard& board : SimBoards()) {
      if (!matches(board.bus, board.slot)) continue;
      Candidate c;
      c.model = board.model;
      c.bus = board.bus;
      c.slot = board.slot;
      found.push_back(std::move(c));
    }
    return found;
  }

  // The boards matching `location`. A count walks the bus; an index request
  // reads the list the count before it made, or walks when there is none.
  std::shared_ptr<const BoardList> Found(const Location& location, const PciMatch& pci, bool count) {
    if (!count) {
      if (auto list = found_.For(location, pci)) return list;
    }
    return found_.Keep(location, pci, Matching(location, pci));
  }

  // The board an open of `location` takes: the one the latest find listed
  // there while it is still there, else the first one a walk finds.
  std::optional<Candidate> ToOpen(const Location& location, const PciMatch& pci) {
    std::optional<Candidate> listed = found_.At(location);
    if (listed && (!listed->real || sysfs::Matches(listed->board, pci))) return listed;
    std::vector<Candidate> found = Matching(location, pci);
    if (found.empty()) return std::nullopt;
    return std::move(found.front());
  }

  uint32_t Add(std::shared_ptr<OpenDevice> device) {
    std::lock_guard lock(mutex_);
    uint32_t number;
    do {
      number = next_++;
    } while (number == 0 || open_.count(number) != 0);
    open_.emplace(number, std::move(device));
    return number;
  }

  std::shared_ptr<OpenDevice> Find(uint32_t number) {
    std::lock_guard lock(mutex_);
    auto it = open_.find(number);
    return it == open_.end() ? nullptr : it->second;
  }

  std::shared_ptr<OpenDevice> Remove(uint32_t number) {
    std::lock_guard lock(mutex_);
    auto it = open_.find(number);
    if (it == open_.end()) return nullptr;
    std::shared_ptr<OpenDevice> device = std::move(it->second);
    open_.erase(it);
    return device;
  }

 private:
  std::mutex mutex_;      // everything below
  std::mutex loadMutex_;  // the first reading of ZEMTRA_SIM
  std::atomic<bool> anyForced_{false};
  Forced forced_[sim::kOperationCount];
  bool simLoaded_ = false;
  std::vector<SimBoard> sim_;
  FoundBoards found_;
  std::unordered_map<uint32_t, std::shared_ptr<OpenDevice>> open_;
  uint32_t next_ = 0x2A000001;  // device numbers: never 0, not reused soon
};

Result SetInterrupt(uint32_t device, const InterruptSource* source, bool enable) {
  if (source == nullptr) return kNullParameter;
  std::shared_ptr<OpenDevice> open = Registry::Get().Find(device);
  if (!open) return kInvalidHandle;
  if (!open->real) {
    open->model->SetBridgeEnabled(enable);
    return kSuccess;
  }
  return sysfs::UioControl(open->board, enable);
}

}  // namespace

// ---- The seven operations -------------------------------------------------------

Result DeviceFind(Location* location, uint32_t* request) {
  Registry& registry = Registry::Get();
  Result forced;
  if (registry.TakeForced(sim::Operation::kDeviceFind, &forced)) return forced;
  if (location == nullptr || request == nullptr) return kNullParameter;
  trace::EnsureLoaded();
  try {
    const std::shared_ptr<const BoardList> list =
        registry.Found(*location, CurrentPciMatch(), *request == kCountRequest);
    const std::vector<Candidate>& found = list->boards;
    if (*request == kCountRequest) {
      *request = static_cast<uint32_t>(found.size());
      return kSuccess;
    }
    if (*request >= found.size()) return kDeviceNotFound;
    location->bus = found[*request].bus;
    location->slot = found[*request].slot;
    return kSuccess;
  } catch (const std::bad_alloc&) {
    return kInsufficientResources;
  }
}

Result DeviceOpen(Location* location, uint32_t* device) {
  Registry& registry = Registry::Get();
  Result forced;
  if (registry.TakeForced(sim::Operation::kDeviceOpen, &forced)) return forced;
  if (location == nullptr || device == nullptr) return kNullParameter;
  trace::EnsureLoaded();
  try {
    const PciMatch pci = CurrentPciMatch();
    const std::optional<Candidate> first = registry.ToOpen(*location, pci);
    if (!first) return kDeviceNotFound;
    auto open = std::make_shared<OpenDevice>();
    if (first->real) {
      open->real = true;
      open->board = first->board;
      Result result = sysfs::Map(first->board, pci.registerBar, &open->registers);
      if (result != kSuccess) return result;
      result = sysfs::Map(first->board, pci.revisionBar, &open->revision);
      if (result != kSuccess) return result;  // the destructor unmaps BAR 2
    } else {
      open->model = first->model;
    }
    *device = registry.Add(std::move(open));
    location->bus = first->bus;
    location->slot = first->slot;
    return kSuccess;
  } catch (const std::bad_alloc&) {
    return kInsufficientResources;
  }
}

Result BaseAddressesGet(uint32_t device, Window (*windows)[kBaseAddressCount]) {
  Registry& registry = Registry::Get();
  Result forced;
  if (registry.TakeForced(sim::Operation::kBaseAddressesGet, &forced)) return forced;
  if (windows == nullptr) return kNullParameter;
  std::shared_ptr<OpenDevice> open = registry.Find(device);
  if (!open) return kInvalidHandle;
  trace::EnsureLoaded();
  for (Window& window : *windows) window = Window();
  if (open->real) {
    (*windows)[kRegisterBar] = Window(open->registers.base, open->registers.length, WindowKind::kRegister);
    (*windows)[kRevisionBar] = Window(open->revision.base, open->revision.length, WindowKind::kRevision);
  } else {
    RegisterModel* model = open->model.get();
    (*windows)[kRegisterBar] = Window(model, RegisterModel::kRegisterWindowLength, WindowKind::kRegister);
    (*windows)[kRevisionBar] = Window(model, RegisterModel::kRevisionWindowLength, WindowKind::kRevision);
  }
  return kSuccess;
}

Result DeviceClose(uint32_t device) {
  Registry& registry = Registry::Get();
  Result forced;
  if (registry.TakeForced(sim::Operation::kDeviceClose, &forced)) return forced;
  std::shared_ptr<OpenDevice> open = registry.Remove(device);
  if (!open) return kDeviceNotFound;
  if (!open->real) open->model->ReleaseEvents(device);
  return kSuccess;  // the last reference unmaps
}

Result IntrEnable(uint32_t device, const InterruptSource* source) {
  Result forced;
  if (Registry::Get().TakeForced(sim::Operation::kIntrEnable, &forced)) return forced;
  return SetInterrupt(device, source, true);
}

Result IntrDisable(uint32_t device, const InterruptSource* source) {
  Result forced;
  if (Registry::Get().TakeForced(sim::Operation::kIntrDisable, &forced)) return forced;
  return SetInterrupt(device, source, false);
}

Result IntrAttach(uint32_t device, InterruptSource source, uint32_t* event) {
  (void)source;  // the board has one interrupt source
  Registry& registry = Registry::Get();
  Result forced;
  if (registry.TakeForced(sim::Operation::kIntrAttach, &forced)) return forced;
  if (event == nullptr) return kNullParameter;
  std::shared_ptr<OpenDevice> open = registry.Find(device);
  if (!open) return kInvalidHandle;
  int fd = -1;
  Result result = open->real ? sysfs::UioOpen(open->board, &fd) : open->model->AttachEvent(device, &fd);
  if (result == kSuccess) *event = static_cast<uint32_t>(fd);
  return result;
}

// ---- Internal control (sim_control.h) ------------------------------------------------

namespace sim {

bool Configure(std::string_view value) { return Registry::Get().Configure(value); }
bool ConfigureFromEnvironment() { return Registry::Get().ConfigureFromEnvironment(); }

int BoardCount() { return static_cast<int>(Registry::Get().SimBoards().size()); }

bool BoardLocation(int board, int32_t* bus, int32_t* slot) {
  std::vector<SimBoard> boards = Registry::Get().SimBoards();
  if (board < 0 || static_cast<std::size_t>(board) >= boards.size()) return false;
  if (bus != nullptr) *bus = boards[static_cast<std::size_t>(board)].bus;
  if (slot != nullptr) *slot = boards[static_cast<std::size_t>(board)].slot;
  return true;
}

std::shared_ptr<RegisterModel> Model(int board) { return Registry::Get().SimModel(board); }

void SetSignal(int board, Signal signal, SignalState state) {
  if (auto model = Model(board)) model->SetSignal(signal, state);
}

SignalState GetSignal(int board, Signal signal) {
  auto model = Model(board);
  return model ? model->GetSignal(signal) : SignalState::kPresent;
}

void SetAccessLog(int board, bool on) {
  if (auto model = Model(board)) model->SetAccessLog(on);
}

std::vector<Access> TakeAccessLog(int board) {
  auto model = Model(board);
  return model ? model->TakeAccessLog() : std::vector<Access>{};
}

int AttachedEventCount(int board) {
  auto model = Model(board);
  return model ? model->AttachedEventCount() : 0;
}

bool BridgeEnabled(int board) {
  auto model = Model(board);
  return model && model->BridgeEnabled();
}

uint64_t InterruptCount(int board) {
  auto model = Model(board);
  return model ? model->InterruptCount() : 0;
}

void FreezeClock(int board, double seconds) {
  if (auto model = Model(board)) model->FreezeClock(seconds);
}

void ThawClock(int board) {
  if (auto model = Model(board)) model->ThawClock();
}

void ForceResult(Operation op, Result result, int times, int after) {
  Registry::Get().Force(op, result, times, after);
}
void ClearForcedResult(Operation op) { Registry::Get().ClearForced(op); }
void ClearForcedResults() { Registry::Get().ClearAllForced(); }

void ReloadTrace() { trace::Reload(); }

}  // namespace sim
}  // namespace zemtra::pci

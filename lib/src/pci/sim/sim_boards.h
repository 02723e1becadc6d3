// The simulated boards of a ZEMTRA_SIM configuration: boards of this process
// alone, or the boards that every process naming share=NAME shares.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pci/sim/register_model.h"
#include "pci/sim/sim_config.h"

namespace zemtra::pci::sim {

// Board i is listed at PCI bus kSimBusBase + i / kSimSlotsPerBus, slot i % kSimSlotsPerBus.
inline constexpr int32_t kSimBusBase = 240;
inline constexpr int32_t kSimSlotsPerBus = 32;

// Empty, with one sentence in *error, when shared boards cannot be had.
std::vector<std::shared_ptr<RegisterModel>> MakeSimBoards(const SimConfig& config, std::string* error);

}  // namespace zemtra::pci::sim

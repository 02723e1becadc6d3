#include "pci/sim/shared_control.h"

namespace zemtra::pci::sim {

std::unique_ptr<SharedControl> SharedControl::Open(const SimConfig& config, std::string* error) {
  auto control = std::make_unique<SharedControl>();
  control->boards_ = SharedBoards::Open(config, error);
  if (!control->boards_) return nullptr;
  for (int i = 0; i < control->boards_->Count(); ++i) {
    control->models_.push_back(std::make_unique<RegisterModel>(control->boards_, i));
  }
  return control;
}

}  // namespace zemtra::pci::sim

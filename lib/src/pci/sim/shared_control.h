// Drives shared simulated boards from outside the programs that use them:
// the small control interface of the simulated backend behind `zemtra sim`,
// a tool that otherwise reaches boards only through the public C interface.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "pci/sim/register_model.h"
#include "pci/sim/shared_boards.h"
#include "pci/sim/sim_config.h"

namespace zemtra::pci::sim {

class SharedControl {
 public:
  // The shared boards of config.share, made from `config` if there are none
  // yet, as any process naming them would; null with one sentence in *error.
  static std::unique_ptr<SharedControl> Open(const SimConfig& config, std::string* error);

  const std::string& Name() const { return boards_->Name(); }
  const std::string& Path() const { return boards_->Path(); }
  std::string Config() const { return boards_->Config(); }
  int BoardCount() const { return static_cast<int>(models_.size()); }
  // The other processes that use the boards.
  std::vector<ProcessUse> Users() const { return SharedBoardUsers(Name()); }

  BoardReport Report(int board) { return models_.at(board)->Report(); }
  // As a signal of the board would change: latches and interrupts in every
  // process that attached an event.
  void SetSignal(int board, Signal signal, SignalState state) { models_.at(board)->SetSignal(signal, state); }
  void SetMotion(int board, bool on) { models_.at(board)->SetMotion(on); }

 private:
  std::shared_ptr<SharedBoards> boards_;
  std::vector<std::unique_ptr<RegisterModel>> models_;
};

}  // namespace zemtra::pci::sim

#include "pci/sim/sim_boards.h"

#include "pci/sim/shared_boards.h"

namespace zemtra::pci::sim {

std::vector<std::shared_ptr<RegisterModel>> MakeSimBoards(const SimConfig& config, std::string* error) {
  error->clear();
  std::vector<std::shared_ptr<RegisterModel>> models;
  if (config.share.empty()) {
    for (int i = 0; i < config.boards; ++i) {
      BoardConfig board = config.board;
      board.index = static_cast<unsigned>(i);
      models.push_back(std::make_shared<RegisterModel>(board));
    }
    return models;
  }
  std::shared_ptr<SharedBoards> shared = SharedBoards::Open(config, error);
  if (!shared) return models;
  for (int i = 0; i < shared->Count(); ++i) models.push_back(std::make_shared<RegisterModel>(shared, i));
  return models;
}

}  // namespace zemtra::pci::sim

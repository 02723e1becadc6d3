// Commands a subscriber may send to a board over DCMD, as JSON:
//   {"command": "clear_status"}                      clears every latched error
//   {"command": "preset", "positions": [A1, A2, A3]} loads raw counts
#pragma once

#include <optional>
#include <string>

#include "zemtra.h"

namespace zemtra::cli {

// Carries out the command; the reason when it is refused or fails.
std::optional<std::string> CarryOutCommand(DeviceHandle board, const std::string& payload);

}  // namespace zemtra::cli

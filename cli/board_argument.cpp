#include "board.h"
#include "commands.h"
#include "failures.h"

namespace zemtra::cli {

void AddBoardArgument(CLI::App& command, std::string& board) {
  command.add_option("BOARD", board, "Board as BUS:SLOT (default: the first board found)");
}

std::optional<DeviceLocation> BoardFromArgument(const std::string& board) {
  if (board.empty()) return std::nullopt;
  const auto location = ParseBoardAddress(board);
  if (!location) throw UsageError("bad board \"" + board + "\": expected BUS:SLOT, e.g. 0:5");
  return location;
}

std::optional<DeviceLocation> TakeBoardArgument(std::vector<std::string>& words) {
  // Offsets, values and assignments never contain a colon; a board always does.
  if (words.empty() || words.front().find(':') == std::string::npos) return std::nullopt;
  const auto location = BoardFromArgument(words.front());
  words.erase(words.begin());
  return location;
}

}  // namespace zemtra::cli

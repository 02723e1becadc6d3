// Finding and opening boards: the BUS:SLOT argument, the list of boards the
// library finds, and an open board that is closed again on every way out.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "zemtra.h"

namespace zemtra::cli {

// "BUS:SLOT" with two non-negative decimal numbers; nullopt for anything else.
std::optional<DeviceLocation> ParseBoardAddress(std::string_view text);
std::string FormatBoardAddress(const DeviceLocation& location);

// Every board the library finds, in its order (empty when there is none),
// from one walk of the bus as long as there are fewer than 256.
std::vector<DeviceLocation> FindBoards();

class OpenBoard {
 public:
  // The board at `where`, or the first board found. Throws NoBoardError when
  // there is no board at all, BoardError when none sits at `where`.
  explicit OpenBoard(const std::optional<DeviceLocation>& where);
  // A board that FindBoards listed, opened without finding the boards again.
  explicit OpenBoard(const DeviceLocation& listed);
  ~OpenBoard();
  OpenBoard(const OpenBoard&) = delete;
  OpenBoard& operator=(const OpenBoard&) = delete;

  DeviceHandle handle() const { return handle_; }
  const DeviceLocation& location() const { return location_; }

 private:
  void Open();

  DeviceHandle handle_ = 0;
  DeviceLocation location_{};
};

}  // namespace zemtra::cli

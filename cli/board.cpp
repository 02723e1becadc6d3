#include "board.h"

#include <charconv>
#include <cstdio>

#include "failures.h"

namespace zemtra::cli {

namespace {

std::optional<int32_t> ParseNonNegative(std::string_view text) {
  int32_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end || value < 0) return std::nullopt;
  return value;
}

bool SameLocation(const DeviceLocation& a, const DeviceLocation& b) {
  return a.bus == b.bus && a.slot == b.slot;
}

}  // namespace

std::optional<DeviceLocation> ParseBoardAddress(std::string_view text) {
  const size_t colon = text.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const auto bus = ParseNonNegative(text.substr(0, colon));
  const auto slot = ParseNonNegative(text.substr(colon + 1));
  if (!bus || !slot) return std::nullopt;
  return DeviceLocation{*bus, *slot};
}

std::string FormatBoardAddress(const DeviceLocation& location) {
  return std::to_string(location.bus) + ":" + std::to_string(location.slot);
}

std::vector<DeviceLocation> FindBoards() {
  // Each find walks the bus once, so one find with room for every board: a
  // list that comes back full is asked for again with twice the room.
  std::vector<DeviceLocation> boards(256);
  for (;;) {
    uint32_t count = 0;
    const ErrorCode code = ZemtraFind(nullptr, &count, boards.data(), static_cast<uint32_t>(boards.size()));
    // 18: none found, or one went away while it was being listed.
    if (code != ZEMTRA_ERR_DEVICE_NOT_FOUND) Check("ZemtraFind", code);
    if (count < boards.size()) {
      boards.resize(count);
      return boards;
    }
    boards.resize(2 * boards.size());
  }
}

OpenBoard::OpenBoard(const std::optional<DeviceLocation>& where) {
  const std::vector<DeviceLocation> boards = FindBoards();
  if (boards.empty()) throw NoBoardError();
  location_ = where.value_or(boards.front());
  bool present = false;
  for (const DeviceLocation& board : boards) present = present || SameLocation(board, location_);
  if (!present) {
    std::string known;
    for (const DeviceLocation& board : boards) known += " " + FormatBoardAddress(board);
    throw BoardError("no board at " + FormatBoardAddress(location_) + "; boards found:" + known);
  }
  Open();
}

OpenBoard::OpenBoard(const DeviceLocation& listed) : location_(listed) { Open(); }

void OpenBoard::Open() {
  int32_t boardId = 0;
  Check("ZemtraOpen", ZemtraOpen(&location_, &handle_, &boardId));
  if (boardId != ZEMTRA_BOARD_ID) {
    std::fprintf(stderr, "zemtra: warning: board %s identifies as 0x%X, not 0x%X\n",
                 FormatBoardAddress(location_).c_str(), static_cast<unsigned>(boardId),
                 static_cast<unsigned>(ZEMTRA_BOARD_ID));
  }
}

OpenBoard::~OpenBoard() {
  // A failing close cannot be acted upon here; the process ends soon after.
  ZemtraClose(&handle_);
}

}  // namespace zemtra::cli

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
  uint32_t count = 0;
  const ErrorCode counted = ZemtraFind(nullptr, &count, nullptr, 0);
  if (counted == ZEMTRA_ERR_DEVICE_NOT_FOUND) return {};
  Check("ZemtraFind", counted);
  std::vector<DeviceLocation> boards(count);
  if (count == 0) return boards;
  Check("ZemtraFind", ZemtraFind(nullptr, &count, boards.data(), count));
  // A board that went away between the two calls is simply not listed.
  boards.resize(count);
  return boards;
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

#include <cstdio>
#include <memory>
#include <optional>

#include "board.h"
#include "commands.h"
#include "failures.h"
#include "hex_text.h"
#include "identity.h"

namespace zemtra::cli {

namespace {

// What list learned of one board: its identification, or why it could not be read.
struct ListedBoard {
  DeviceLocation where;
  std::optional<BoardIdentity> identity;
  std::string error;
};

ListedBoard Inspect(const DeviceLocation& where) {
  try {
    const OpenBoard board(where);  // a listed board: no second find
    return {where, ReadIdentity(board.handle()), {}};
  } catch (const BoardError& error) {
    return {where, std::nullopt, error.what()};
  }
}

void PrintText(const ListedBoard& board) {
  const std::string address = FormatBoardAddress(board.where);
  if (!board.identity) {
    std::printf("%-7s cannot be read: %s\n", address.c_str(), board.error.c_str());
    return;
  }
  const BoardIdentity& id = *board.identity;
  std::printf("%-7s FPGA1 %s rev %s  FPGA2 %s rev %s  hardware rev %s\n", address.c_str(),
              Hex(id.fpga1Product, 8).c_str(), Hex(id.fpga1Revision, 8).c_str(), Hex(id.fpga2Product, 8).c_str(),
              Hex(id.fpga2Revision, 8).c_str(), Hex(id.hardwareRevision, 4).c_str());
}

// A JSON string literal: quotes and backslashes escaped, control characters dropped.
std::string JsonString(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    if (static_cast<unsigned char>(c) >= 0x20) quoted += c;
  }
  return quoted + "\"";
}

void PrintJson(const ListedBoard& board, bool last) {
  std::printf("  {\"bus\": %d, \"slot\": %d, ", board.where.bus, board.where.slot);
  if (board.identity) {
    const BoardIdentity& id = *board.identity;
    std::printf(
        "\"fpga1_product\": %u, \"fpga1_revision\": %u, \"fpga2_product\": %u, \"fpga2_revision\": %u, "
        "\"hardware_revision\": %u}",
        id.fpga1Product, id.fpga1Revision, id.fpga2Product, id.fpga2Revision,
        static_cast<unsigned>(id.hardwareRevision));
  } else {
    std::printf("\"error\": %s}", JsonString(board.error).c_str());
  }
  std::printf("%s\n", last ? "" : ",");
}

// Every board found is listed, also one that cannot be opened (no permission,
// say); the exit status then tells a script that something is missing.
int RunList(bool json) {
  const std::vector<DeviceLocation> boards = FindBoards();
  bool allRead = true;
  if (json) std::printf("[\n");
  for (size_t i = 0; i < boards.size(); ++i) {
    const ListedBoard board = Inspect(boards[i]);
    allRead = allRead && board.identity.has_value();
    if (json) {
      PrintJson(board, i + 1 == boards.size());
    } else {
      PrintText(board);
    }
  }
  if (json) std::printf("]\n");
  if (boards.empty()) throw NoBoardError();
  return allRead ? kExitSuccess : kExitBoardError;
}

}  // namespace

Command AddListCommand(CLI::App& tool) {
  auto json = std::make_shared<bool>(false);
  CLI::App* list = tool.add_subcommand(
      "list", "One line per board found: BUS:SLOT, FPGA product and revision codes, hardware revision");
  list->add_flag("--json", *json,
                 "A JSON array of objects with the same fields as numbers, or \"error\" for a board that "
                 "cannot be read");
  return {list, [json] { return RunList(*json); }};
}

}  // namespace zemtra::cli

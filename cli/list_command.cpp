#include <cstdio>
#include <memory>

#include "board.h"
#include "commands.h"
#include "failures.h"
#include "hex_text.h"
#include "identity.h"

namespace zemtra::cli {

namespace {

void PrintText(const DeviceLocation& where, const BoardIdentity& id) {
  std::printf("%-7s FPGA1 %s rev %s  FPGA2 %s rev %s  hardware rev %s\n",
              FormatBoardAddress(where).c_str(), Hex(id.fpga1Product, 8).c_str(),
              Hex(id.fpga1Revision, 8).c_str(), Hex(id.fpga2Product, 8).c_str(),
              Hex(id.fpga2Revision, 8).c_str(), Hex(id.hardwareRevision, 4).c_str());
}

void PrintJson(const DeviceLocation& where, const BoardIdentity& id, bool last) {
  std::printf(
      "  {\"bus\": %d, \"slot\": %d, \"fpga1_product\": %u, \"fpga1_revision\": %u, "
      "\"fpga2_product\": %u, \"fpga2_revision\": %u, \"hardware_revision\": %u}%s\n",
      where.bus, where.slot, id.fpga1Product, id.fpga1Revision, id.fpga2Product,
      id.fpga2Revision, static_cast<unsigned>(id.hardwareRevision), last ? "" : ",");
}

int RunList(bool json) {
  const std::vector<DeviceLocation> boards = FindBoards();
  if (json) std::printf("[\n");
  for (size_t i = 0; i < boards.size(); ++i) {
    const OpenBoard board(boards[i]);
    const BoardIdentity id = ReadIdentity(board.handle());
    if (json) {
      PrintJson(board.location(), id, i + 1 == boards.size());
    } else {
      PrintText(board.location(), id);
    }
  }
  if (json) std::printf("]\n");
  if (boards.empty()) throw NoBoardError();
  return kExitSuccess;
}

}  // namespace

Command AddListCommand(CLI::App& tool) {
  auto json = std::make_shared<bool>(false);
  CLI::App* list = tool.add_subcommand(
      "list", "One line per board found: BUS:SLOT, FPGA product and revision codes, hardware revision");
  list->add_flag("--json", *json, "A JSON array of objects with the same fields, as numbers");
  return {list, [json] { return RunList(*json); }};
}

}  // namespace zemtra::cli

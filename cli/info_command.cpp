#include <cstdio>
#include <memory>

#include "board.h"
#include "commands.h"
#include "failures.h"
#include "hex_text.h"
#include "identity.h"
#include "register_names.h"

namespace zemtra::cli {

namespace {

// One decoded 16-bit word of the board: how to read it and how to name its bits.
struct WordRow {
  const char* label;
  const char* function;
  ErrorCode (*read)(DeviceHandle, uint16_t*);
  std::vector<std::string> (*names)(uint16_t);
};

ErrorCode ReadSampleStatus(DeviceHandle board, uint16_t* value) {
  return ZemtraReadRegisterWord(board, ZEMTRA_REG_SAMPLE, value);
}

// Words that are one register unchanged take the names of that register's bits.
template <int32_t kRegister>
std::vector<std::string> BitsOf(uint16_t value) {
  return RegisterBitNames(kRegister, value);
}

constexpr WordRow kWordRows[] = {
    {"Status", "ZemtraGetStatus", ZemtraGetStatus, StatusWordBitNames},
    {"Configuration", "ZemtraGetConfig", ZemtraGetConfig, ConfigWordBitNames},
    {"Interrupt mask", "ZemtraGetInterruptMask", ZemtraGetInterruptMask, BitsOf<ZEMTRA_REG_INTERRUPT_MASK>},
    {"Filter", "ZemtraGetFilter", ZemtraGetFilter, BitsOf<ZEMTRA_REG_FILTER>},
    {"Sample status", "ZemtraReadRegisterWord", ReadSampleStatus, BitsOf<ZEMTRA_REG_SAMPLE>},
};

int RunInfo(const std::string& boardArgument) {
  const OpenBoard board(BoardFromArgument(boardArgument));
  const BoardIdentity id = ReadIdentity(board.handle());
  std::printf("%-18s %s\n", "Board", FormatBoardAddress(board.location()).c_str());
  std::printf("%-18s product %s  revision %s\n", "FPGA 1", Hex(id.fpga1Product, 8).c_str(),
              Hex(id.fpga1Revision, 8).c_str());
  std::printf("%-18s product %s  revision %s\n", "FPGA 2", Hex(id.fpga2Product, 8).c_str(),
              Hex(id.fpga2Revision, 8).c_str());
  std::printf("%-18s %s\n", "Hardware revision", Hex(id.hardwareRevision, 4).c_str());
  std::printf("%-18s %s\n", "Library revision",
              Hex(static_cast<uint32_t>(ZemtraGetLibraryRev()), 2).c_str());
  for (const WordRow& row : kWordRows) {
    uint16_t value = 0;
    Check(row.function, row.read(board.handle(), &value));
    std::printf("%-18s %s  %s\n", row.label, Hex(value, 4).c_str(), JoinNames(row.names(value)).c_str());
  }
  return kExitSuccess;
}

}  // namespace

Command AddInfoCommand(CLI::App& tool) {
  auto board = std::make_shared<std::string>();
  CLI::App* info = tool.add_subcommand(
      "info",
      "Identification, library revision, and the status, configuration, interrupt mask, filter "
      "and sample status words with their set bits named");
  AddBoardArgument(*info, *board);
  return {info, [board] { return RunInfo(*board); }};
}

}  // namespace zemtra::cli

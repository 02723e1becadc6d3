#include <cstdio>
#include <memory>

#include "board.h"
#include "commands.h"
#include "failures.h"
#include "hex_text.h"
#include "presets.h"
#include "register_names.h"

namespace zemtra::cli {

namespace {

int RunPreset(std::vector<std::string> words) {
  const auto where = TakeBoardArgument(words);
  const AxisPresets presets = ParsePresets(words);
  const OpenBoard board(where);
  ApplyPresets(board.handle(), presets);
  return kExitSuccess;
}

int RunClear(const std::string& boardArgument) {
  const OpenBoard board(BoardFromArgument(boardArgument));
  uint16_t status = 0;
  Check("ZemtraClearStatusAll", ZemtraClearStatusAll(board.handle(), &status));
  // An error whose cause persists latches again at once; say so.
  std::printf("Status after clearing %s  %s\n", Hex(status, 4).c_str(),
              JoinNames(StatusWordBitNames(status)).c_str());
  return kExitSuccess;
}

}  // namespace

Command AddPresetCommand(CLI::App& tool) {
  auto words = std::make_shared<std::vector<std::string>>();
  CLI::App* preset = tool.add_subcommand(
      "preset", "Load positions: zemtra preset [BUS:SLOT] A1=COUNT A2=COUNT A3=COUNT (raw counts, any of the axes)");
  preset->add_option("ARGS", *words, "[BUS:SLOT] and one to three AXIS=COUNT")->required();
  return {preset, [words] { return RunPreset(*words); }};
}

Command AddClearCommand(CLI::App& tool) {
  auto board = std::make_shared<std::string>();
  CLI::App* clear = tool.add_subcommand(
      "clear", "Clear every latched Glitch and No Sig error; prints the status left afterwards");
  AddBoardArgument(*clear, *board);
  return {clear, [board] { return RunClear(*board); }};
}

}  // namespace zemtra::cli

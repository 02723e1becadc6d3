// The subcommands of the tool. Each Add...Command registers its options on the
// tool's parser and returns what to run once the command line has been parsed.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include <CLI/CLI.hpp>

#include "zemtra.h"

namespace zemtra::cli {

struct Command {
  CLI::App* app;
  std::function<int()> run;  // returns the exit status
};

Command AddListCommand(CLI::App& tool);
Command AddInfoCommand(CLI::App& tool);
Command AddReadCommand(CLI::App& tool);
Command AddPeekCommand(CLI::App& tool);
Command AddPokeCommand(CLI::App& tool);
Command AddPresetCommand(CLI::App& tool);
Command AddClearCommand(CLI::App& tool);
Command AddWaitIrqCommand(CLI::App& tool);
Command AddPublishCommand(CLI::App& tool);
Command AddSubscribeCommand(CLI::App& tool);
Command AddSimCommand(CLI::App& tool);

// The optional BUS:SLOT positional of the commands that take only a board.
void AddBoardArgument(CLI::App& command, std::string& board);
// Empty text = the first board; anything else must be BUS:SLOT (UsageError).
std::optional<DeviceLocation> BoardFromArgument(const std::string& board);
// Takes a leading BUS:SLOT off positional words that may start with one.
std::optional<DeviceLocation> TakeBoardArgument(std::vector<std::string>& words);

}  // namespace zemtra::cli

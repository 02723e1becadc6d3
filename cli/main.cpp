// zemtra: the board's functions for scripts and terminals, one subcommand each.
#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <CLI/CLI.hpp>

#include "commands.h"
#include "failures.h"

namespace {

using namespace zemtra::cli;

int Fail(int status, const char* message) {
  std::fflush(stdout);
  std::fprintf(stderr, "zemtra: %s\n", message);
  return status;
}

// Output that never reached its file is a failure, not a success.
int FinishOutput(int status) {
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    if (errno == EPIPE) return status;
    return Fail(kExitBoardError, (std::string("cannot write the output: ") + std::strerror(errno)).c_str());
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  // A reader that goes away (zemtra read | head) ends the output, not the process.
  signal(SIGPIPE, SIG_IGN);

  CLI::App tool{"Lists, inspects, samples, presets and pokes Zemtra interferometer boards.\n"
                "Set ZEMTRA_SIM=1 to work with a simulated board."};
  tool.name("zemtra");
  tool.require_subcommand(1);
  const Command commands[] = {AddListCommand(tool),    AddInfoCommand(tool),   AddReadCommand(tool),
                              AddPeekCommand(tool),    AddPokeCommand(tool),   AddPresetCommand(tool),
                              AddClearCommand(tool),   AddWaitIrqCommand(tool),
                              AddPublishCommand(tool), AddSubscribeCommand(tool), AddSimCommand(tool)};
  tool.footer("Exit status: 0 success, 1 board or library error, 2 bad usage. See zemtra(1).");

  try {
    tool.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    const int status = tool.exit(error);
    return status == 0 ? kExitSuccess : kExitUsage;
  }

  try {
    for (const Command& command : commands) {
      if (command.app->parsed()) return FinishOutput(command.run());
    }
  } catch (const UsageError& error) {
    return Fail(kExitUsage, error.what());
  } catch (const std::exception& error) {
    // Board and library errors, output errors, and anything unforeseen.
    return Fail(kExitBoardError, error.what());
  }
  return kExitUsage;
}

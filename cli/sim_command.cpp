// zemtra sim: drives the shared simulated boards that ZEMTRA_SIM names
// (share=NAME) from outside the programs using them, through the simulated
// backend's control interface.
#include <stdlib.h>
#include <strings.h>

#include <cstdio>
#include <memory>

#include "board.h"
#include "commands.h"
#include "failures.h"
#include "hex_text.h"
#include "pci/sim/shared_control.h"
#include "pci/sim/sim_boards.h"
#include "register_names.h"

namespace zemtra::cli {

namespace {

using pci::Signal;
using pci::SignalState;
using pci::sim::SharedControl;
using pci::sim::SimConfig;

constexpr const char* kSignalNames[pci::kSignalCount] = {"A1", "A2", "A3", "REF"};
constexpr const char* kStateNames[] = {"present", "missing", "glitch"};

struct SimWords {
  std::vector<std::string> words;  // [BOARD] and what the command takes
  bool force = false;
};

// ZEMTRA_SIM as the library reads it, naming shared boards.
SimConfig SharedConfig() {
  const char* value = ::secure_getenv("ZEMTRA_SIM");
  SimConfig config;
  std::string error;
  if (!pci::sim::ParseSimConfig(value != nullptr ? value : "", &config, &error)) {
    throw UsageError("ZEMTRA_SIM: cannot read " + error);
  }
  if (config.share.empty()) {
    throw UsageError(
        "ZEMTRA_SIM names no shared boards (share=NAME): every program has simulated boards of its "
        "own, so there is nothing outside this process to drive");
  }
  return config;
}

std::unique_ptr<SharedControl> OpenShared(const SimConfig& config) {
  std::string error;
  std::unique_ptr<SharedControl> control = SharedControl::Open(config, &error);
  if (!control) throw BoardError(error);
  return control;
}

std::string Location(int board) {
  return FormatBoardAddress({pci::sim::kSimBusBase + board / pci::sim::kSimSlotsPerBus,
                             board % pci::sim::kSimSlotsPerBus});
}

// The board at the optional BUS:SLOT leading `words` (default: the first).
int TakeBoard(std::vector<std::string>& words, const SharedControl& control) {
  const std::optional<DeviceLocation> where = TakeBoardArgument(words);
  if (!where) return 0;
  for (int board = 0; board < control.BoardCount(); ++board) {
    if (Location(board) == FormatBoardAddress(*where)) return board;
  }
  throw BoardError("no shared simulated board at " + FormatBoardAddress(*where) + "; boards: " + Location(0) +
                   (control.BoardCount() > 1 ? " to " + Location(control.BoardCount() - 1) : ""));
}

template <std::size_t N>
int Choice(const std::string& word, const char* const (&names)[N], const char* what) {
  for (std::size_t i = 0; i < N; ++i) {
    if (strcasecmp(word.c_str(), names[i]) == 0) return static_cast<int>(i);
  }
  std::string known;
  for (const char* name : names) known += (known.empty() ? "" : ", ") + std::string(name);
  throw UsageError("bad " + std::string(what) + " \"" + word + "\": expected " + known);
}

void PrintBoard(SharedControl& control, int board) {
  const pci::BoardReport report = control.Report(board);
  std::printf("%s  clock %.3f s%s, motion %s\n", Location(board).c_str(), report.clock,
              report.frozen ? " (frozen)" : "", report.motion ? "on" : "off");
  std::printf("  signals    ");
  for (int s = 0; s < pci::kSignalCount; ++s) {
    std::printf("%s%s %s", s ? ", " : "", kSignalNames[s], kStateNames[static_cast<int>(report.signals[s])]);
  }
  const auto status = static_cast<uint16_t>(report.status3 << 8 | (report.status12 & 0xFF));
  std::printf("\n  latched    %s  %s\n", Hex(status, 4).c_str(), JoinNames(StatusWordBitNames(status)).c_str());
  std::printf("  interrupt  mask %s  %s; IRQ Enable %s; bridge %s; fired %llu times\n", Hex(report.mask, 4).c_str(),
              JoinNames(RegisterBitNames(ZEMTRA_REG_INTERRUPT_MASK, report.mask)).c_str(),
              report.ctrl3 & ZEMTRA_CTL3_IRQ_ENABLE ? "on" : "off", report.bridgeEnabled ? "on" : "off",
              static_cast<unsigned long long>(report.interrupts));
  std::printf("  events     %zu attached", report.eventProcesses.size());
  for (std::size_t i = 0; i < report.eventProcesses.size(); ++i) {
    std::printf("%s%d", i ? ", " : " by process ", static_cast<int>(report.eventProcesses[i]));
  }
  std::printf("\n");
}

std::string Users(const std::vector<pci::sim::ProcessUse>& users) {
  std::string text;
  for (const pci::sim::ProcessUse& user : users) {
    text += (text.empty() ? "" : ", ") + std::to_string(user.pid) + " " + user.command;
  }
  return text.empty() ? "no other process" : text;
}

int RunStatus(SimWords& args) {
  const std::unique_ptr<SharedControl> control = OpenShared(SharedConfig());
  const bool one = !args.words.empty();
  const int first = TakeBoard(args.words, *control);
  if (!args.words.empty()) throw UsageError("status takes at most a board, not \"" + args.words.front() + "\"");
  std::printf("shared boards '%s': %s (%s)\nused by    %s\n", control->Name().c_str(), control->Config().c_str(),
              control->Path().c_str(), Users(control->Users()).c_str());
  for (int board = first; board < (one ? first + 1 : control->BoardCount()); ++board) PrintBoard(*control, board);
  return kExitSuccess;
}

// `count` words, after an optional leading BUS:SLOT.
void ExpectWords(const std::vector<std::string>& words, std::size_t count, const char* usage) {
  const bool leadingBoard = !words.empty() && words.front().find(':') != std::string::npos;
  if (words.size() != count + (leadingBoard ? 1 : 0)) throw UsageError(usage);
}

int RunSignal(SimWords& args) {
  const SimConfig config = SharedConfig();
  std::vector<std::string>& words = args.words;
  ExpectWords(words, 2, "expected [BOARD] A1|A2|A3|REF present|missing|glitch");
  const int signal = Choice(words[words.size() - 2], kSignalNames, "signal");
  const int state = Choice(words.back(), kStateNames, "signal state");
  const std::unique_ptr<SharedControl> control = OpenShared(config);
  control->SetSignal(TakeBoard(words, *control), static_cast<Signal>(signal), static_cast<SignalState>(state));
  return kExitSuccess;
}

int RunMotion(SimWords& args) {
  const SimConfig config = SharedConfig();
  std::vector<std::string>& words = args.words;
  ExpectWords(words, 1, "expected [BOARD] on|off");
  constexpr const char* kOnOff[] = {"off", "on"};
  const bool on = Choice(words.back(), kOnOff, "motion") == 1;
  const std::unique_ptr<SharedControl> control = OpenShared(config);
  control->SetMotion(TakeBoard(words, *control), on);
  return kExitSuccess;
}

int RunReset(const SimWords& args) {
  const SimConfig config = SharedConfig();
  std::vector<pci::sim::ProcessUse> users;
  std::string error;
  switch (pci::sim::RemoveSharedBoards(config.share, args.force, &users, &error)) {
    case pci::sim::Removal::kRemoved:
      std::printf("removed shared boards '%s'%s\n", config.share.c_str(),
                  users.empty() ? "" : ("; still used by " + Users(users)).c_str());
      return kExitSuccess;
    case pci::sim::Removal::kAbsent:
      std::printf("no shared boards '%s' to remove\n", config.share.c_str());
      return kExitSuccess;
    case pci::sim::Removal::kInUse:
      throw BoardError("shared boards '" + config.share + "' are in use by " + Users(users) +
                       ": not removed (--force removes them all the same; those programs keep the boards they have)");
    case pci::sim::Removal::kFailed:
      break;
  }
  throw BoardError(error);
}

}  // namespace

Command AddSimCommand(CLI::App& tool) {
  auto args = std::make_shared<SimWords>();
  CLI::App* sim = tool.add_subcommand(
      "sim", "Drives the shared simulated boards of ZEMTRA_SIM (share=NAME) from outside the programs using them");
  sim->require_subcommand(1);
  CLI::App* status = sim->add_subcommand(
      "status", "Signals, latched errors, clock, interrupt settings, attached events and the processes using the boards");
  status->add_option("BOARD", args->words, "Board as BUS:SLOT (default: every board)");
  CLI::App* signal = sim->add_subcommand("signal", "Makes a signal present, missing or glitching, as if the board saw it");
  signal->add_option("WORDS", args->words, "[BOARD] A1|A2|A3|REF present|missing|glitch")->required();
  CLI::App* motion = sim->add_subcommand("motion", "Starts or stops the motion of a board's axes where they are");
  motion->add_option("WORDS", args->words, "[BOARD] on|off")->required();
  CLI::App* reset = sim->add_subcommand("reset", "Removes the shared boards, refused while other programs use them");
  reset->add_flag("--force", args->force, "Remove them even while other programs use them");
  return {sim, [=] {
            if (status->parsed()) return RunStatus(*args);
            if (signal->parsed()) return RunSignal(*args);
            if (motion->parsed()) return RunMotion(*args);
            return RunReset(*args);
          }};
}

}  // namespace zemtra::cli

#include <strings.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "armed_interrupt.h"

#include "board.h"
#include "commands.h"
#include "failures.h"
#include "hex_text.h"
#include "option_checks.h"
#include "pacing.h"
#include "register_names.h"
#include "stop_signal.h"

namespace zemtra::cli {

namespace {

struct InterruptSource {
  const char* name;
  uint16_t maskBit;    // in the interrupt mask
  uint16_t statusBit;  // in the status word
};

constexpr InterruptSource kSources[] = {
    {"A1.nosig", ZEMTRA_IM_A1_NOSIG, ZEMTRA_STATUS_A1_NOSIG},
    {"A1.glitch", ZEMTRA_IM_A1_GLITCH, ZEMTRA_STATUS_A1_GLITCH},
    {"A2.nosig", ZEMTRA_IM_A2_NOSIG, ZEMTRA_STATUS_A2_NOSIG},
    {"A2.glitch", ZEMTRA_IM_A2_GLITCH, ZEMTRA_STATUS_A2_GLITCH},
    {"A3.nosig", ZEMTRA_IM_A3_NOSIG, ZEMTRA_STATUS_A3_NOSIG},
    {"A3.glitch", ZEMTRA_IM_A3_GLITCH, ZEMTRA_STATUS_A3_GLITCH},
    {"REF.nosig", ZEMTRA_IM_REF_NOSIG, ZEMTRA_STATUS_REF_NOSIG},
    {"REF.glitch", ZEMTRA_IM_REF_GLITCH, ZEMTRA_STATUS_REF_GLITCH},
};

struct WaitOptions {
  std::string board;
  std::vector<std::string> sources;
  double timeoutSeconds = 0;  // 0 = no limit
};

struct SourceBits {
  uint16_t mask = 0;
  uint16_t status = 0;
};

SourceBits ParseSources(const std::vector<std::string>& names) {
  SourceBits bits;
  for (const std::string& name : names) {
    const InterruptSource* found = nullptr;
    for (const InterruptSource& source : kSources) {
      if (strcasecmp(name.c_str(), source.name) == 0) found = &source;
    }
    if (found == nullptr) {
      throw UsageError("bad source \"" + name + "\": expected A1, A2, A3 or REF, then .nosig or .glitch");
    }
    bits.mask |= found->maskBit;
    bits.status |= found->statusBit;
  }
  return bits;
}

enum class WaitOutcome { kSignalled, kTimedOut, kStopped };

WaitOutcome WaitForInterrupt(const interrupts::ArmedInterrupt& armed, double timeoutSeconds) {
  const int64_t endNs = MonotonicNs() + std::llround(timeoutSeconds * 1e9);
  for (;;) {
    int timeoutMs = -1;
    if (timeoutSeconds > 0) {
      const int64_t leftNs = endNs - MonotonicNs();
      if (leftNs <= 0) return WaitOutcome::kTimedOut;
      timeoutMs = static_cast<int>((leftNs + 999'999) / 1'000'000);
    }
    switch (armed.PollOnce(timeoutMs)) {
      case interrupts::Poll::kSignalled:
        return WaitOutcome::kSignalled;
      case interrupts::Poll::kFailed:
        throw BoardError(std::string("waiting for the interrupt event: ") + std::strerror(errno));
      case interrupts::Poll::kQuiet:
      case interrupts::Poll::kInterrupted:
        break;
    }
    if (StopRequested()) return WaitOutcome::kStopped;
  }
}

int RunWaitIrq(const WaitOptions& options) {
  const SourceBits bits = ParseSources(options.sources);
  const OpenBoard board(BoardFromArgument(options.board));
  CatchStopSignals();
  const interrupts::ArmedInterrupt armed(board.handle(), bits.mask, bits.status, Check);
  switch (WaitForInterrupt(armed, options.timeoutSeconds)) {
    case WaitOutcome::kTimedOut:
      throw BoardError("no interrupt within " + CLI::detail::to_string(options.timeoutSeconds) + " s");
    case WaitOutcome::kStopped:
      std::fprintf(stderr, "zemtra wait-irq: stopped before any interrupt\n");
      return kExitInterrupted;
    case WaitOutcome::kSignalled:
      break;
  }
  uint16_t status = 0;
  Check("ZemtraGetStatus", ZemtraGetStatus(board.handle(), &status));
  std::printf("Interrupt: %s\n", JoinNames(StatusWordBitNames(status & bits.status)).c_str());
  std::printf("Status %s  %s\n", Hex(status, 4).c_str(), JoinNames(StatusWordBitNames(status)).c_str());
  return kExitSuccess;
}

}  // namespace

Command AddWaitIrqCommand(CLI::App& tool) {
  auto options = std::make_shared<WaitOptions>();
  CLI::App* wait = tool.add_subcommand(
      "wait-irq",
      "Enable the chosen interrupt sources, clear their latched errors, wait for the board's interrupt "
      "and print what latched; the interrupt mask and IRQ Enable are put back afterwards");
  AddBoardArgument(*wait, options->board);
  wait->add_option("-s,--source", options->sources,
                   "A1, A2, A3 or REF, then .nosig or .glitch (e.g. A2.nosig); repeat or separate with commas")
      ->required()
      ->delimiter(',')
      ->allow_extra_args(false);
  // Bounded so that the deadline stays a finite number of nanoseconds.
  wait->add_option("-t,--timeout", options->timeoutSeconds, "Give up after this many seconds (exit 1)")
      ->check(RealBetween(0.001, 1e7));
  return {wait, [options] { return RunWaitIrq(*options); }};
}

}  // namespace zemtra::cli

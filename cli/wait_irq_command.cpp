#include <poll.h>
#include <strings.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

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

// The interrupt mask and configuration word as they were, written back when it
// goes, whatever happened in between.
class SavedInterruptSettings {
 public:
  explicit SavedInterruptSettings(DeviceHandle board) : board_(board) {
    Check("ZemtraGetInterruptMask", ZemtraGetInterruptMask(board_, &mask_));
    Check("ZemtraGetConfig", ZemtraGetConfig(board_, &config_));
  }
  ~SavedInterruptSettings() {
    // Best effort on the way out: a failure here has nothing better to do.
    ZemtraSetInterruptMask(board_, mask_);
    ZemtraSetConfig(board_, config_);
  }
  SavedInterruptSettings(const SavedInterruptSettings&) = delete;
  SavedInterruptSettings& operator=(const SavedInterruptSettings&) = delete;

  uint16_t mask() const { return mask_; }
  uint16_t config() const { return config_; }

 private:
  DeviceHandle board_;
  uint16_t mask_ = 0;
  uint16_t config_ = 0;
};

// The interrupt event the library hands out: a descriptor that is ours to close.
class InterruptEvent {
 public:
  explicit InterruptEvent(DeviceHandle board) {
    uint32_t event = 0;
    Check("ZemtraPciInterruptAttach", ZemtraPciInterruptAttach(board, &event));
    fd_ = static_cast<int>(event);
  }
  ~InterruptEvent() { ::close(fd_); }
  InterruptEvent(const InterruptEvent&) = delete;
  InterruptEvent& operator=(const InterruptEvent&) = delete;

  enum class Outcome { kSignalled, kTimedOut, kStopped };
  Outcome Wait(double timeoutSeconds) const;

 private:
  int fd_ = -1;
};

InterruptEvent::Outcome InterruptEvent::Wait(double timeoutSeconds) const {
  const int64_t endNs = MonotonicNs() + std::llround(timeoutSeconds * 1e9);
  for (;;) {
    int timeoutMs = -1;
    if (timeoutSeconds > 0) {
      const int64_t leftNs = endNs - MonotonicNs();
      if (leftNs <= 0) return Outcome::kTimedOut;
      timeoutMs = static_cast<int>((leftNs + 999'999) / 1'000'000);
    }
    pollfd event{fd_, POLLIN, 0};
    const int ready = ::poll(&event, 1, timeoutMs);
    if (ready > 0) return Outcome::kSignalled;
    if (ready < 0 && errno != EINTR) {
      throw BoardError(std::string("waiting for the interrupt event: ") + std::strerror(errno));
    }
    if (StopRequested()) return Outcome::kStopped;
  }
}

int RunWaitIrq(const WaitOptions& options) {
  const SourceBits bits = ParseSources(options.sources);
  const OpenBoard board(BoardFromArgument(options.board));
  CatchStopSignals();
  const SavedInterruptSettings saved(board.handle());
  Check("ZemtraSetInterruptMask", ZemtraSetInterruptMask(board.handle(), saved.mask() | bits.mask));
  Check("ZemtraSetConfig", ZemtraSetConfig(board.handle(), saved.config() | ZEMTRA_CONFIG_IRQ_ENABLE));
  Check("ZemtraPciInterruptEnable", ZemtraPciInterruptEnable(board.handle(), 1));
  const InterruptEvent event(board.handle());
  // Wait for the next occurrence: an error latched before now would not
  // interrupt again, so clear the chosen ones and let them latch anew.
  uint16_t status = 0;
  Check("ZemtraClearStatusBits", ZemtraClearStatusBits(board.handle(), bits.status, &status));

  switch (event.Wait(options.timeoutSeconds)) {
    case InterruptEvent::Outcome::kTimedOut:
      throw BoardError("no interrupt within " + CLI::detail::to_string(options.timeoutSeconds) + " s");
    case InterruptEvent::Outcome::kStopped:
      std::fprintf(stderr, "zemtra wait-irq: stopped before any interrupt\n");
      return kExitInterrupted;
    case InterruptEvent::Outcome::kSignalled:
      break;
  }
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

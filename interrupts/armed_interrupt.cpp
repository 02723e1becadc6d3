#include "armed_interrupt.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "zemtra_registers.h"

namespace zemtra::interrupts {

ArmedInterrupt::SavedSettings::SavedSettings(DeviceHandle board, CheckFunction check) : board_(board) {
  check("ZemtraGetInterruptMask", ZemtraGetInterruptMask(board_, &mask));
  check("ZemtraGetConfig", ZemtraGetConfig(board_, &config));
}

ArmedInterrupt::SavedSettings::~SavedSettings() {
  // Best effort on the way out: a failure here has nothing better to do.
  ZemtraSetInterruptMask(board_, mask);
  ZemtraSetConfig(board_, config);
}

ArmedInterrupt::Event::~Event() {
  if (fd >= 0) ::close(fd);
}

ArmedInterrupt::ArmedInterrupt(DeviceHandle board, uint16_t maskBits, uint16_t statusBits,
                               CheckFunction check)
    : saved_(board, check) {
  check("ZemtraSetInterruptMask", ZemtraSetInterruptMask(board, saved_.mask | maskBits));
  check("ZemtraSetConfig", ZemtraSetConfig(board, saved_.config | ZEMTRA_CONFIG_IRQ_ENABLE));
  check("ZemtraPciInterruptEnable", ZemtraPciInterruptEnable(board, 1));
  uint32_t event = 0;
  check("ZemtraPciInterruptAttach", ZemtraPciInterruptAttach(board, &event));
  event_.fd = static_cast<int>(event);
  uint16_t latched = 0;
  check("ZemtraClearStatusBits", ZemtraClearStatusBits(board, statusBits, &latched));
}

Poll PollEvent(int fd, int timeoutMs) {
  pollfd event{fd, POLLIN, 0};
  const int ready = ::poll(&event, 1, timeoutMs);
  if (ready == 0) return Poll::kQuiet;
  if (ready < 0) return errno == EINTR ? Poll::kInterrupted : Poll::kFailed;
  if ((event.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
    errno = ENODEV;
    return Poll::kFailed;
  }
  return Poll::kSignalled;
}

}  // namespace zemtra::interrupts

// Waiting for a board's interrupt from chosen error sources, as the clients
// (the command-line tool, the Python module) do: the settings it changes are
// put back on every way out, and the event is closed.
#pragma once

#include <cstdint>

#include "zemtra.h"

namespace zemtra::interrupts {

// Reports a failed library call in the client's own way; it throws, so that
// what was set up so far is undone.
using CheckFunction = void (*)(const char* function, ErrorCode code);

enum class Poll { kSignalled, kQuiet, kInterrupted, kFailed };

// Waits up to `timeoutMs` (-1: no limit) for the event `fd` to become
// readable. kInterrupted: a signal came (EINTR); kFailed leaves errno set,
// ENODEV when the event is in error, as a board removed from the bus leaves
// its UIO event: no interrupt came then.
Poll PollEvent(int fd, int timeoutMs);

class ArmedInterrupt {
 public:
  // Enables `maskBits` in the interrupt mask, sets IRQ Enable and the bridge
  // source, attaches the event and clears `statusBits`: an error latched
  // before now would not interrupt again, so the next occurrence latches anew.
  ArmedInterrupt(DeviceHandle board, uint16_t maskBits, uint16_t statusBits, CheckFunction check);
  ArmedInterrupt(const ArmedInterrupt&) = delete;
  ArmedInterrupt& operator=(const ArmedInterrupt&) = delete;

  Poll PollOnce(int timeoutMs) const { return PollEvent(event_.fd, timeoutMs); }

 private:
  // The interrupt mask and configuration word as they were, written back
  // when it goes, whatever happened in between.
  class SavedSettings {
   public:
    SavedSettings(DeviceHandle board, CheckFunction check);
    ~SavedSettings();
    SavedSettings(const SavedSettings&) = delete;
    SavedSettings& operator=(const SavedSettings&) = delete;
    uint16_t mask = 0;
    uint16_t config = 0;

   private:
    DeviceHandle board_;
  };
  // The descriptor the library hands out, ours to close.
  struct Event {
    ~Event();
    int fd = -1;
  };

  SavedSettings saved_;
  Event event_;
};

}  // namespace zemtra::interrupts

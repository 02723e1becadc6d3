// Interrupt events of a shared board, with no thread in any process. An
// attach makes a FIFO of the attaching process beside the boards' shared
// memory object (mode 0600), keeps it open for reading and writing, and
// registers its path in the board's shared state. Whichever process latches
// an error writes 8 bytes into every registered FIFO that holds none yet, so
// that reading 8 bytes resets the event, as with an eventfd. A FIFO that no
// process holds any more gives a writer ENXIO: its registration is dropped and
// the file removed, so a dead attacher never blocks the board.
//
// Every function but MakeEventFifo runs under the board's lock.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zemtra::pci::sim {

struct EventSlot {
  uint32_t used = 0;  // written last when claimed, first when released
  int32_t pid = 0;    // the attaching process, for zemtra sim status
  char path[120] = {};
};

// A new FIFO named from `prefix`: its descriptor (read-write, close-on-exec,
// never 0, 1 or 2) and *path, or -1.
int MakeEventFifo(const std::string& prefix, std::string* path);

// Registers `path` in a free slot after dropping dead registrations; false
// when every slot holds a live event.
bool ClaimEventSlot(std::span<EventSlot> slots, const std::string& path);
void ReleaseEventSlot(std::span<EventSlot> slots, const std::string& path);

// Makes every registered event readable.
void SignalEvents(std::span<EventSlot> slots);

// The processes of the live registrations, one per registration.
std::vector<int32_t> LiveEventProcesses(std::span<EventSlot> slots);

}  // namespace zemtra::pci::sim

// Simulated boards that processes share (ZEMTRA_SIM share=NAME): one POSIX
// shared memory object per user and NAME, /dev/shm/zemtra-UID-NAME, mode
// 0600, holding a header (magic, layout version, the configuration the boards
// were made with) and each board's state with its robust lock and its
// attached events. The first process to name NAME makes the object complete
// under a temporary name and links it into place, so no process ever sees one
// half made. It outlives the processes; `zemtra sim reset` removes it.
#pragma once

#include <pthread.h>
#include <sys/types.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pci/sim/board_state.h"
#include "pci/sim/shared_events.h"
#include "pci/sim/sim_config.h"

namespace zemtra::pci::sim {

// Raise with every change of the structures below: a library of another
// layout refuses the object instead of misreading it.
inline constexpr uint32_t kLayoutVersion = 3;
inline constexpr int kSharedEventSlots = 8;

struct alignas(64) SharedBoard {
  pthread_mutex_t lock;  // robust, process-shared: every change of state and events
  std::array<EventSlot, kSharedEventSlots> events;
  BoardState state;
};

struct alignas(64) SharedHeader {
  char magic[8];           // magic and layoutVersion stay where they are in
  uint32_t layoutVersion;  // every layout, so that any version can tell them
  uint32_t boardCount;
  uint64_t size;           // of the whole object
  char config[128];        // DescribeBoards() of what the boards were made with
};

inline constexpr char kSharedMagic[8] = {'Z', 'e', 'm', 't', 'r', 'a', 'S', 'B'};

// Where NAME's object lies; the names of its event FIFOs and temporary files
// start with this and a dot.
std::string SharedObjectPath(std::string_view name);

class SharedBoards {
 public:
  // The boards of config.share, made from `config` if there are none yet.
  // Null, with one sentence in *error, when they were made with other items
  // or by a library of another layout, or cannot be made or opened.
  static std::shared_ptr<SharedBoards> Open(const SimConfig& config, std::string* error);
  ~SharedBoards();
  SharedBoards(const SharedBoards&) = delete;
  SharedBoards& operator=(const SharedBoards&) = delete;

  const std::string& Name() const { return name_; }
  const std::string& Path() const { return path_; }
  std::string Config() const;
  int Count() const;
  SharedBoard& Board(int index) const;
  // The start of the names of board `index`'s event FIFOs.
  std::string EventPrefix(int index) const;

 private:
  SharedBoards(std::string name, void* base, std::size_t size);
  static std::shared_ptr<SharedBoards> Make(const SimConfig& config, std::string* error);
  static std::shared_ptr<SharedBoards> Attach(int fd, const SimConfig& config, std::string* error);

  std::string name_, path_;
  void* base_;
  std::size_t size_;
};

// A process that has an object mapped.
struct ProcessUse {
  int pid = 0;
  std::string command;  // its name (/proc/PID/comm)
};

// The other processes that have NAME's object mapped, whatever its layout.
std::vector<ProcessUse> SharedBoardUsers(std::string_view name);

enum class Removal { kRemoved, kAbsent, kInUse, kFailed };

// Removes NAME's object with its event FIFOs and leftovers: refused while
// other processes have it mapped (*users names them) unless `force`; they keep
// their boards, and the next process makes new ones.
Removal RemoveSharedBoards(std::string_view name, bool force, std::vector<ProcessUse>* users,
                           std::string* error);

}  // namespace zemtra::pci::sim

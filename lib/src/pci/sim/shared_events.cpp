#include "pci/sim/shared_events.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "pci/own_descriptors.h"

namespace zemtra::pci::sim {
namespace {

constexpr uint64_t kOne = 1;

// One of ours: a FIFO of this user.
bool OwnFifo(int fd) {
  struct stat info {};
  return ::fstat(fd, &info) == 0 && S_ISFIFO(info.st_mode) && info.st_uid == ::geteuid();
}

// A writer's descriptor for the slot's FIFO; -1 when nobody holds the FIFO
// (the slot is then dropped and the file removed).
int OpenWriter(EventSlot& slot) {
  const int fd = OpenOwn(slot.path, O_WRONLY | O_NONBLOCK | O_NOFOLLOW);
  if (fd >= 0 && OwnFifo(fd)) return fd;
  const int err = errno;
  struct stat info {};
  if (fd >= 0) {
    ::close(fd);
  } else if (err == ENXIO) {  // a FIFO of ours without a reader, or a socket: remove only the former
    if (::lstat(slot.path, &info) == 0 && S_ISFIFO(info.st_mode) && info.st_uid == ::geteuid()) ::unlink(slot.path);
  } else if (err != ENOENT && err != ELOOP) {
    return -1;  // EMFILE and the like say nothing about the slot
  }
  slot.used = 0;
  return -1;
}

}  // namespace

int MakeEventFifo(const std::string& prefix, std::string* path) {
  static std::atomic<uint32_t> made{0};
  for (int attempt = 0; attempt < 8; ++attempt) {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    std::string name = prefix + std::to_string(::getpid()) + "-" + std::to_string(made++) + "-" +
                       std::to_string(now.tv_nsec % 100000);
    if (name.size() >= sizeof EventSlot::path) return -1;
    if (::mkfifo(name.c_str(), 0600) != 0) {
      if (errno == EEXIST) continue;
      return -1;
    }
    // Read-write: the FIFO always has a writer, so that poll never reports a
    // hang-up between interrupts and a read waits as on an eventfd.
    const int fd = OpenOwn(name.c_str(), O_RDWR | O_NOFOLLOW);
    if (fd >= 0 && OwnFifo(fd)) {
      *path = std::move(name);
      return fd;
    }
    if (fd >= 0) ::close(fd);
    ::unlink(name.c_str());
    return -1;
  }
  return -1;
}

bool ClaimEventSlot(std::span<EventSlot> slots, const std::string& path) {
  for (EventSlot& slot : slots) {
    if (slot.used) {
      const int fd = OpenWriter(slot);
      if (fd >= 0) ::close(fd);
    }
  }
  for (EventSlot& slot : slots) {
    if (slot.used) continue;
    slot.pid = ::getpid();
    std::memset(slot.path, 0, sizeof slot.path);
    path.copy(slot.path, sizeof slot.path - 1);
    slot.used = 1;
    return true;
  }
  return false;
}

void ReleaseEventSlot(std::span<EventSlot> slots, const std::string& path) {
  for (EventSlot& slot : slots) {
    if (slot.used && path == slot.path) slot.used = 0;
  }
}

void SignalEvents(std::span<EventSlot> slots) {
  for (EventSlot& slot : slots) {
    if (!slot.used) continue;
    const int fd = OpenWriter(slot);
    if (fd < 0) continue;
    // At most one interrupt waits in a FIFO: one read of 8 bytes resets it.
    int waiting = 0;
    if (::ioctl(fd, FIONREAD, &waiting) == 0 && waiting < static_cast<int>(sizeof kOne)) {
      [[maybe_unused]] ssize_t n = ::write(fd, &kOne, sizeof kOne);
    }
    ::close(fd);
  }
}

std::vector<int32_t> LiveEventProcesses(std::span<EventSlot> slots) {
  std::vector<int32_t> live;
  for (EventSlot& slot : slots) {
    if (!slot.used) continue;
    const int fd = OpenWriter(slot);
    if (fd >= 0) ::close(fd);
    if (slot.used) live.push_back(slot.pid);
  }
  return live;
}

}  // namespace zemtra::pci::sim

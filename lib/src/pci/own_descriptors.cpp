#include "pci/own_descriptors.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace zemtra::pci {

int OpenOwn(const char* path, int flags, mode_t mode) {
  const int fd = ::open(path, flags | O_CLOEXEC, mode);
  if (fd < 0 || fd > STDERR_FILENO) return fd;
  const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
  const int err = errno;
  ::close(fd);
  // EINVAL: the descriptor limit itself is 3 or less.
  if (moved < 0) errno = err == EINVAL ? EMFILE : err;
  return moved;
}

DIR* OpenOwnDir(const char* path) {
  const int fd = OpenOwn(path, O_RDONLY | O_DIRECTORY);
  if (fd < 0) return nullptr;
  DIR* dir = ::fdopendir(fd);
  if (dir == nullptr) {
    const int err = errno;
    ::close(fd);
    errno = err;
  }
  return dir;
}

}  // namespace zemtra::pci

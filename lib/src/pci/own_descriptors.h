// Descriptors the library opens for its own use: sysfs attributes and
// directories, BAR resource files, UIO nodes, the register trace. Each is
// close-on-exec and never 0, 1 or 2: in a program started with those closed,
// a descriptor of ours there would receive the program's output or error
// messages, or be read as its input.
#pragma once

#include <dirent.h>
#include <sys/types.h>

namespace zemtra::pci {

// open(2) with O_CLOEXEC added; a descriptor below 3 is moved to 3 or above.
// -1 with errno on failure, EMFILE when no descriptor above 2 is to be had.
int OpenOwn(const char* path, int flags, mode_t mode = 0);

// opendir(3) over a descriptor from OpenOwn; null with errno on failure.
DIR* OpenOwnDir(const char* path);

}  // namespace zemtra::pci

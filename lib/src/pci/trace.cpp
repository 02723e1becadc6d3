#include "pci/trace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "pci/own_descriptors.h"
#include "pci/pci_access.h"
#include "pci/sim/sim_config.h"

namespace zemtra::pci {
namespace detail {
std::atomic<bool> g_traceOn{false};
}  // namespace detail

namespace {
std::atomic<int> g_traceFd{-1};
std::atomic<bool> g_loaded{false};
std::mutex g_loadMutex;

// Whether `fd`, opened for `path` (or -1 with `openError`), is a file to trace
// to; if not, says why on standard error. Only a regular file of the user's
// own is taken: a symbolic link, or a file that another user planted at a
// predictable path, would hand the trace to someone else, and a FIFO or a
// device could block every register access.
bool Acceptable(const char* path, int fd, int openError) {
  struct stat st {};
  const char* refusal = nullptr;
  if (fd < 0 && openError == ELOOP) {
    refusal = "is a symbolic link";
  } else if (fd < 0 && openError == ENXIO) {
    refusal = "is not a regular file";  // a FIFO without a reader, a socket
  } else if (fd < 0) {
    std::fprintf(stderr, "libZemtra: ZEMTRA_TRACE: cannot open '%s' (%s); no register trace\n",
                 sim::Printable(path).c_str(), std::strerror(openError));
    return false;
  } else if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    refusal = "is not a regular file";
  } else if (st.st_uid != ::geteuid()) {
    refusal = "belongs to another user";
  } else {
    return true;
  }
  std::fprintf(stderr, "libZemtra: ZEMTRA_TRACE: '%s' %s; no register trace\n", sim::Printable(path).c_str(),
               refusal);
  return false;
}

void LoadLocked() {
  const char* path = ::secure_getenv("ZEMTRA_TRACE");
  if (path != nullptr && path[0] != '\0') {
    // O_NONBLOCK: opening a FIFO must not wait for a reader. It stays set: it
    // changes nothing for the regular file that is kept.
    const int fd = OpenOwn(path, O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0644);
    if (Acceptable(path, fd, errno)) {
      g_traceFd.store(fd, std::memory_order_relaxed);
      detail::g_traceOn.store(true, std::memory_order_release);
    } else if (fd >= 0) {
      ::close(fd);
    }
  }
  g_loaded.store(true, std::memory_order_release);
}
}  // namespace

namespace trace {

void EnsureLoaded() {
  if (g_loaded.load(std::memory_order_acquire)) return;
  std::lock_guard lock(g_loadMutex);
  if (!g_loaded.load(std::memory_order_relaxed)) LoadLocked();
}

void Reload() {
  std::lock_guard lock(g_loadMutex);
  detail::g_traceOn.store(false, std::memory_order_release);
  int old = g_traceFd.exchange(-1);
  if (old >= 0) ::close(old);
  LoadLocked();
}

bool Active() { return detail::g_traceOn.load(std::memory_order_acquire); }

}  // namespace trace

namespace detail {

void TraceAccess(char op, unsigned width, WindowKind kind, uint32_t offset,
                 uint32_t value) noexcept {
  int fd = g_traceFd.load(std::memory_order_relaxed);
  if (fd < 0) return;
  char line[64];
  int n = std::snprintf(line, sizeof line, "%c%u %s 0x%03X 0x%0*X\n", op, width,
                        kind == WindowKind::kRegister ? "reg" : "rev", offset,
                        width == 16 ? 4 : 8, value);
  if (n <= 0 || n >= static_cast<int>(sizeof line)) return;
  // One write per line on an O_APPEND descriptor: lines never interleave.
  [[maybe_unused]] ssize_t written = ::write(fd, line, static_cast<std::size_t>(n));
}

}  // namespace detail
}  // namespace zemtra::pci

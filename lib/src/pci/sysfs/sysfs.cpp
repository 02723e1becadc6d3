#include "pci/sysfs/sysfs.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/pci_regs.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <tuple>

#include "pci/own_descriptors.h"

namespace zemtra::pci::sysfs {
namespace {

std::string Root(const char* variable, const char* fallback) {
  const char* value = ::secure_getenv(variable);
  if (value == nullptr || value[0] == '\0') return fallback;
  return value;
}

std::string DevicesDir() { return SysfsRoot() + "/bus/pci/devices"; }

Result FromErrno(int err) {
  switch (err) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return kDeviceNotFound;
    case ENOMEM:
    case EMFILE:
    case ENFILE:
    case EAGAIN:
      return kInsufficientResources;
    default:
      return kDriverNotFound;  // EACCES, EPERM, EISDIR, EINVAL, ...
  }
}

// Reads a small sysfs attribute such as "0x1f3c\n" as a number.
bool ReadHexFile(const std::string& path, unsigned long* value) {
  int fd = OpenOwn(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  char text[32];
  ssize_t n = ::read(fd, text, sizeof text - 1);
  ::close(fd);
  if (n <= 0) return false;
  text[n] = '\0';
  char* end = nullptr;
  errno = 0;
  *value = std::strtoul(text, &end, 16);
  if (errno != 0 || end == text) return false;
  while (*end == '\n' || *end == ' ') ++end;
  return *end == '\0';
}

// "dddd:bb:dd.f" (hex fields) and nothing else.
bool ParseName(const char* name, Board* board) {
  unsigned domain, bus, device, function;
  int used = 0;
  if (std::sscanf(name, "%x:%x:%x.%x%n", &domain, &bus, &device, &function, &used) != 4) return false;
  if (name[used] != '\0' || bus > 0xFF || device > 0x1F || function > 7) return false;
  board->domain = domain;
  board->bus = bus;
  board->device = device;
  board->function = function;
  board->name = name;
  return true;
}

}  // namespace

std::string SysfsRoot() { return Root("ZEMTRA_SYSFS_ROOT", "/sys"); }
std::string DevRoot() { return Root("ZEMTRA_DEV_ROOT", "/dev"); }

bool Matches(const Board& board, const PciMatch& match) {
  const std::string base = DevicesDir() + "/" + board.name;
  unsigned long vendor = 0, device = 0;
  return ReadHexFile(base + "/vendor", &vendor) && vendor == match.vendor &&
         ReadHexFile(base + "/device", &device) && device == match.device;
}

std::vector<Board> Enumerate(const PciMatch& match) {
  std::vector<Board> boards;
  DIR* d = OpenOwnDir(DevicesDir().c_str());
  if (d == nullptr) return boards;
  while (const dirent* entry = ::readdir(d)) {
    Board board;
    if (ParseName(entry->d_name, &board) && Matches(board, match)) boards.push_back(std::move(board));
  }
  ::closedir(d);
  std::sort(boards.begin(), boards.end(), [](const Board& a, const Board& b) {
    return std::tie(a.domain, a.bus, a.device, a.function) <
           std::tie(b.domain, b.bus, b.device, b.function);
  });
  return boards;
}

Result Map(const Board& board, int bar, Mapping* mapping) {
  *mapping = Mapping{};
  const std::string path = DevicesDir() + "/" + board.name + "/resource" + std::to_string(bar);
  int fd = OpenOwn(path.c_str(), O_RDWR | O_NOCTTY);
  if (fd < 0) return FromErrno(errno);
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    int err = errno;
    ::close(fd);
    return FromErrno(err);
  }
  if (!S_ISREG(st.st_mode) || st.st_size <= 0) {  // not a memory BAR
    ::close(fd);
    return kDriverNotFound;
  }
  const auto length = static_cast<std::size_t>(st.st_size);
  void* base = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  int err = errno;
  ::close(fd);  // the mapping keeps the file
  if (base == MAP_FAILED) return FromErrno(err);
  mapping->base = static_cast<volatile uint8_t*>(base);
  mapping->length = length;
  return kSuccess;
}

void Unmap(Mapping* mapping) {
  if (mapping->base != nullptr) {
    ::munmap(const_cast<uint8_t*>(mapping->base), mapping->length);
  }
  *mapping = Mapping{};
}

Result UioNode(const Board& board, std::string* path) {
  const std::string dir = DevicesDir() + "/" + board.name + "/uio";
  DIR* d = OpenOwnDir(dir.c_str());
  if (d == nullptr) {
    const Result result = FromErrno(errno);
    return result == kInsufficientResources ? result : kDriverNotFound;
  }
  std::string found;
  while (const dirent* entry = ::readdir(d)) {
    unsigned number;
    int used = 0;
    if (std::sscanf(entry->d_name, "uio%u%n", &number, &used) == 1 && entry->d_name[used] == '\0') {
      if (found.empty() || entry->d_name < found) found = entry->d_name;
    }
  }
  ::closedir(d);
  if (found.empty()) return kDriverNotFound;
  *path = DevRoot() + "/" + found;
  return kSuccess;
}

Result UioControl(const Board& board, bool enable) {
  std::string node;
  Result result = UioNode(board, &node);
  if (result != kSuccess) return result;
  const std::string path = DevicesDir() + "/" + board.name + "/config";
  int fd = OpenOwn(path.c_str(), O_RDWR | O_NOCTTY);
  if (fd < 0) return FromErrno(errno);
  // Only the command register's high byte, so that nothing else the kernel
  // keeps there is written back.
  constexpr off_t kAt = PCI_COMMAND + 1;
  constexpr uint8_t kIntxDisable = PCI_COMMAND_INTX_DISABLE >> 8;
  uint8_t command = 0;
  errno = 0;
  bool done = ::pread(fd, &command, 1, kAt) == 1;
  if (done) {
    command = enable ? command & ~kIntxDisable : command | kIntxDisable;
    done = ::pwrite(fd, &command, 1, kAt) == 1;
  }
  const int err = errno;
  ::close(fd);
  return done ? kSuccess : FromErrno(err);
}

Result UioOpen(const Board& board, int* fd) {
  std::string path;
  Result result = UioNode(board, &path);
  if (result != kSuccess) return result;
  const int opened = OpenOwn(path.c_str(), O_RDWR | O_NOCTTY);
  if (opened < 0) return FromErrno(errno);
  *fd = opened;
  return kSuccess;
}

}  // namespace zemtra::pci::sysfs

// Helpers for the PCI access layer tests: temporary directories, a fake
// sysfs tree with fake boards, and a fixture that isolates every test from
// the machine (empty sysfs root, no ZEMTRA_SIM, no trace, no forced results).
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "pci/pci_access.h"
#include "pci/pci_match.h"
#include "pci/sim_control.h"
#include "pci/trace.h"

namespace zemtra::pci::testing {

namespace fs = std::filesystem;

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "zemtra-pci-XXXXXX").string();
    char* made = ::mkdtemp(pattern.data());
    if (made == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = made;
    ::chmod(path_.c_str(), 0755);
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

inline void WriteFile(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline std::vector<std::string> ReadLines(const fs::path& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A sysfs tree: <root>/sys/bus/pci/devices/<name>/{vendor,device,resource2,
// resource3,config[,uio/uioN]} and a dev directory <root>/dev.
class FakeSysfs {
 public:
  FakeSysfs() {
    fs::create_directories(Devices());
    fs::create_directories(Dev());
  }
  fs::path Sys() const { return dir_.Path() / "sys"; }
  fs::path Dev() const { return dir_.Path() / "dev"; }
  fs::path Devices() const { return Sys() / "bus/pci/devices"; }
  fs::path Device(const std::string& name) const { return Devices() / name; }

  // A device with the given IDs and BAR sizes (BAR files filled with zeros).
  void AddDevice(const std::string& name, uint32_t vendor = kVendorId, uint32_t device = kDeviceId,
                 std::size_t bar2 = 0x200, std::size_t bar3 = 0x10) {
    fs::path d = Device(name);
    fs::create_directories(d);
    char text[16];
    std::snprintf(text, sizeof text, "0x%04x\n", vendor);
    WriteFile(d / "vendor", text);
    std::snprintf(text, sizeof text, "0x%04x\n", device);
    WriteFile(d / "device", text);
    WriteFile(d / "resource2", std::string(bar2, '\0'));
    WriteFile(d / "resource3", std::string(bar3, '\0'));
    WriteFile(d / "config", std::string(64, '\0'));
    // Readable by everyone whatever the umask (one test runs as nobody).
    for (fs::path p = d; p != dir_.Path() && p.has_parent_path(); p = p.parent_path()) {
      fs::permissions(p, fs::perms(0755));
    }
    for (const char* f : {"vendor", "device", "resource2", "resource3", "config"}) {
      fs::permissions(d / f, fs::perms(0644));
    }
  }

  // Binds the device to a fake UIO node <dev>/uioN (a regular file).
  fs::path AddUio(const std::string& name, int number) {
    std::string uio = "uio" + std::to_string(number);
    fs::create_directories(Device(name) / "uio" / uio);
    fs::path node = Dev() / uio;
    WriteFile(node, "");
    return node;
  }

  // Points the library at this tree (ZEMTRA_SYSFS_ROOT, ZEMTRA_DEV_ROOT).
  void Use() const {
    ::setenv("ZEMTRA_SYSFS_ROOT", Sys().c_str(), 1);
    ::setenv("ZEMTRA_DEV_ROOT", Dev().c_str(), 1);
  }

 private:
  TempDir dir_;
};

// Every test starts with no board at all: an empty sysfs tree, no simulated
// board, no trace, no forced result, the board's own PCI identity.
class PciTest : public ::testing::Test {
 protected:
  void SetUp() override {
    empty_.Use();
    ::unsetenv("ZEMTRA_SIM");
    ::unsetenv("ZEMTRA_TRACE");
    trace::Reload();
    ::unsetenv("ZEMTRA_PCI_MATCH");
    ReloadPciMatch();
    sim::Configure("");
  }
  void TearDown() override {
    for (uint32_t device : opened_) DeviceClose(device);
    sim::Configure("");
    ::unsetenv("ZEMTRA_TRACE");
    trace::Reload();
    ::unsetenv("ZEMTRA_SYSFS_ROOT");
    ::unsetenv("ZEMTRA_DEV_ROOT");
  }

  // Opens the board at (bus, slot) (-1 = any) and returns its windows.
  uint32_t Open(int32_t bus = -1, int32_t slot = -1) {
    Location location;
    location.bus = bus;
    location.slot = slot;
    uint32_t device = 0;
    EXPECT_EQ(DeviceOpen(&location, &device), kSuccess);
    if (device != 0) opened_.push_back(device);
    return device;
  }
  void Close(uint32_t device) {
    EXPECT_EQ(DeviceClose(device), kSuccess);
    std::erase(opened_, device);
  }
  static Window Registers(uint32_t device) {
    Window windows[kBaseAddressCount];
    EXPECT_EQ(BaseAddressesGet(device, &windows), kSuccess);
    return windows[kRegisterBar];
  }
  static Window Revision(uint32_t device) {
    Window windows[kBaseAddressCount];
    EXPECT_EQ(BaseAddressesGet(device, &windows), kSuccess);
    return windows[kRevisionBar];
  }
  static uint32_t Count(Location location = Location()) {
    uint32_t request = kCountRequest;
    EXPECT_EQ(DeviceFind(&location, &request), kSuccess);
    return request;
  }

  FakeSysfs empty_;
  std::vector<uint32_t> opened_;
};

// Whether fd is readable within timeoutMs.
inline bool Readable(int fd, int timeoutMs = 0) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, timeoutMs) == 1 && (p.revents & POLLIN);
}

// What a child process gave: its exit status (-1 when it had to be killed at
// the deadline, or died of a signal) and what it wrote to standard error.
struct ChildOutcome {
  int status = -1;
  std::string err;
};

// Runs `body` in a forked child, its return value the exit status, and waits
// for it at most `timeoutMs`.
inline ChildOutcome RunInChild(const std::function<int()>& body, int timeoutMs = 10000) {
  int err[2];
  if (::pipe2(err, O_CLOEXEC) != 0) return {};
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(err[1], STDERR_FILENO);
    ::_exit(body());
  }
  ::close(err[1]);
  ChildOutcome outcome;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  int status = 0;
  char buffer[512];
  pollfd p{err[0], POLLIN, 0};
  while (::waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
      break;
    }
    if (::poll(&p, 1, 10) == 1) {
      const ssize_t n = ::read(p.fd, buffer, sizeof buffer);
      if (n > 0) outcome.err.append(buffer, static_cast<std::size_t>(n));
      if (n <= 0) p.fd = -1;  // closed by the child: just wait
    }
  }
  for (ssize_t n; (n = ::read(err[0], buffer, sizeof buffer)) > 0;) {
    outcome.err.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(err[0]);
  if (WIFEXITED(status)) outcome.status = WEXITSTATUS(status);
  return outcome;
}

}  // namespace zemtra::pci::testing

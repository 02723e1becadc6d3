// The library tests' set-ups: FakeSysfs, regular files standing in for BARs
// and UIO nodes; Library, a clean start that fails on a descriptor or mapping
// left behind.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <concepts>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "handle_faults.h"
#include "pci/pci_access.h"
#include "pci/sysfs/pci_match.h"
#include "pci/sim/sim_control.h"
#include "pci/trace.h"
#include "zemtra.h"

namespace zemtra::test {

namespace fs = std::filesystem;

inline constexpr char kTempPrefix[] = "zemtra-test-";

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / kTempPrefix).string() + "XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    fs::permissions(path_, fs::perms(0755));
  }
  ~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

inline void WriteFile(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

inline std::string ReadFile(const fs::path& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

// Descriptors held, and mappings of the fake boards' BARs.
inline long OpenDescriptors() {
  return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator());
}
inline long TestMappings() {
  std::ifstream maps("/proc/self/maps");
  long count = 0;
  for (std::string line; std::getline(maps, line);) count += line.find(kTempPrefix) != std::string::npos;
  return count;
}

inline bool Readable(int fd) {
  pollfd ready{fd, POLLIN, 0};
  return ::poll(&ready, 1, 0) == 1 && (ready.revents & POLLIN) != 0;
}

// A child's exit status (-1 if killed at the deadline or by a signal) and stderr.
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
  char buffer[512];
  while (true) {
    pollfd p{err[0], POLLIN, 0};
    if (::poll(&p, 1, 10) == 1) {
      const ssize_t n = ::read(err[0], buffer, sizeof buffer);
      if (n <= 0) break;
      outcome.err.append(buffer, static_cast<std::size_t>(n));
    } else if (std::chrono::steady_clock::now() > deadline) {
      ::kill(child, SIGKILL);
    }
  }
  ::close(err[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (WIFEXITED(status)) outcome.status = WEXITSTATUS(status);
  return outcome;
}

// <root>/sys/bus/pci/devices/<name>/{vendor,device,resource2,resource3,config,uio/uioN}
// and <root>/dev/uioN.
class FakeSysfs {
 public:
  fs::path Sys() const { return dir_.Path() / "sys"; }
  fs::path Dev() const { return dir_.Path() / "dev"; }
  fs::path Devices() const { return Sys() / "bus/pci/devices"; }
  fs::path Device(const std::string& name) const { return Devices() / name; }

  // A device with these IDs and BAR lengths, the BARs filled with zeros,
  // readable by everyone whatever the umask (one test runs as nobody).
  void AddDevice(const std::string& name, uint32_t vendor = pci::kVendorId, uint32_t device = pci::kDeviceId,
                 std::size_t bar2 = 0x200, std::size_t bar3 = 0x10) {
    char ids[2][16];
    std::snprintf(ids[0], sizeof ids[0], "0x%04x\n", vendor);
    std::snprintf(ids[1], sizeof ids[1], "0x%04x\n", device);
    const std::pair<const char*, std::string> files[] = {{"vendor", ids[0]},
                                                         {"device", ids[1]},
                                                         {"resource2", std::string(bar2, '\0')},
                                                         {"resource3", std::string(bar3, '\0')},
                                                         {"config", std::string(64, '\0')}};
    for (const auto& [file, content] : files) {
      WriteFile(Device(name) / file, content);
      fs::permissions(Device(name) / file, fs::perms(0644));
    }
    for (fs::path p = Device(name); p != dir_.Path(); p = p.parent_path())
      fs::permissions(p, fs::perms(0755));
  }

  // Binds the device to UIO node `number` (a regular file in dev).
  fs::path AddUio(const std::string& name, int number) {
    const std::string uio = "uio" + std::to_string(number);
    fs::create_directories(Device(name) / "uio" / uio);
    WriteFile(Dev() / uio, "");
    return Dev() / uio;
  }

  void Use() const {
    fs::create_directories(Devices());
    fs::create_directories(Dev());
    ::setenv("ZEMTRA_SYSFS_ROOT", Sys().c_str(), 1);
    ::setenv("ZEMTRA_DEV_ROOT", Dev().c_str(), 1);
  }

 private:
  TempDir dir_;
};

// Accesses in the trace's form, reads without value: "W16 reg 0x020 0x0222; R16 reg 0x020".
inline std::string Show(const std::vector<pci::Access>& accesses) {
  std::string text;
  for (const pci::Access& a : accesses) {
    char line[48];
    std::snprintf(line, sizeof line, "%s%c%u %s 0x%03X", text.empty() ? "" : "; ", a.op, a.width,
                  a.kind == pci::WindowKind::kRegister ? "reg" : "rev", a.offset);
    text += line;
    if (a.op == 'W') {
      std::snprintf(line, sizeof line, " 0x%0*X", a.width / 4, a.value);
      text += line;
    }
  }
  return text;
}

// A table row's name: what a failure shows and the name of its instance.
struct Named {
  const char* name;
};
template <std::derived_from<Named> Row>
void PrintTo(const Row& row, std::ostream* os) {
  *os << row.name;
}
using RowName = ::testing::PrintToStringParamName;

class Library : public ::testing::Test {
 protected:
  void SetUp() override {
    tree_.Use();
    ::unsetenv("ZEMTRA_SIM");
    ::unsetenv("ZEMTRA_TRACE");
    pci::trace::Reload();
    ::unsetenv("ZEMTRA_PCI_MATCH");
    pci::ReloadPciMatch();
    pci::sim::Configure("");
    descriptors_ = OpenDescriptors();
  }

  void TearDown() override {
    faults::Clear();
    pci::sim::ClearForcedResults();
    for (DeviceHandle& handle : handles_) ZemtraClose(&handle);  // 16 for those closed already
    for (const uint32_t device : devices_) pci::DeviceClose(device);
    for (const int event : events_) ::close(event);
    ::unsetenv("ZEMTRA_TRACE");
    pci::trace::Reload();
    // Before the boards go: a closed device's events must be gone already.
    EXPECT_EQ(OpenDescriptors(), descriptors_) << "descriptors leaked";
    EXPECT_EQ(TestMappings(), 0) << "a board's window stayed mapped";
    pci::sim::Configure("");
    ::unsetenv("ZEMTRA_SYSFS_ROOT");
    ::unsetenv("ZEMTRA_DEV_ROOT");
  }

  // Simulated boards as ZEMTRA_SIM would make them, every access logged.
  static void Boards(const char* config) {
    ASSERT_TRUE(pci::sim::Configure(config)) << config;
    for (int board = 0; board < pci::sim::BoardCount(); ++board) pci::sim::SetAccessLog(board, true);
  }
  // What simulated board `board` saw since the last call.
  static std::string Log(int board = 0) { return Show(pci::sim::TakeAccessLog(board)); }

  // ZemtraOpen, closed at the end of the test.
  DeviceHandle OpenBoard(DeviceLocation* where = nullptr) {
    DeviceHandle handle = 0;
    EXPECT_EQ(ZemtraOpen(where, &handle, nullptr), ZEMTRA_SUCCESS);
    return handles_.emplace_back(handle);
  }
  // An event descriptor, closed at the end of the test.
  uint32_t Keep(uint32_t event) {
    events_.push_back(static_cast<int>(event));
    return event;
  }

  // The access layer: a device closed at the end, its windows, a count.
  uint32_t OpenDevice(int32_t bus = -1, int32_t slot = -1) {
    pci::Location location{.bus = bus, .slot = slot};
    uint32_t device = 0;
    EXPECT_EQ(pci::DeviceOpen(&location, &device), pci::kSuccess);
    return devices_.emplace_back(device);
  }
  static pci::Window Registers(uint32_t device) { return Bar(device, pci::kRegisterBar); }
  static pci::Window Revision(uint32_t device) { return Bar(device, pci::kRevisionBar); }
  static pci::Window Bar(uint32_t device, int bar) {
    pci::Window windows[pci::kBaseAddressCount];
    EXPECT_EQ(pci::BaseAddressesGet(device, &windows), pci::kSuccess);
    return windows[bar];
  }
  static uint32_t Count(pci::Location location = {}) {
    uint32_t request = pci::kCountRequest;
    EXPECT_EQ(pci::DeviceFind(&location, &request), pci::kSuccess);
    return request;
  }
  // "bus/slot" of each board the filter matches, in the order found.
  static std::string Listed(const pci::Location& filter = {}) {
    std::string listed;
    for (uint32_t i = 0, count = Count(filter); i < count; ++i) {
      pci::Location location = filter;
      uint32_t request = i;
      EXPECT_EQ(pci::DeviceFind(&location, &request), pci::kSuccess);
      listed += (i ? " " : "") + std::to_string(location.bus) + "/" + std::to_string(location.slot);
    }
    return listed;
  }

  FakeSysfs tree_;  // no board until a test adds one

 private:
  std::vector<DeviceHandle> handles_;
  std::vector<uint32_t> devices_;
  std::vector<int> events_;
  long descriptors_ = 0;
};

}  // namespace zemtra::test

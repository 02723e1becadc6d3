// Real boards through a fake sysfs tree: enumeration and order, mapping with
// the file's length, permission failures, close, UIO enable and attach.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "pci_test_support.h"
#include "pci/sysfs.h"
#include "zemtra_registers.h"

namespace zemtra::pci::testing {
namespace {

class SysfsTest : public PciTest {
 protected:
  void SetUp() override {
    PciTest::SetUp();
    tree_.Use();
  }
  FakeSysfs tree_;
};

// Several boards, some of other kinds, created out of order.
void AddMixedBoards(FakeSysfs& tree) {
  tree.AddDevice("0000:05:00.0");
  tree.AddDevice("0001:00:02.0");
  tree.AddDevice("0000:03:00.0", 0x8086, 0x0A00);  // another vendor
  tree.AddDevice("0000:04:00.0", 0x1F3C, 0x0A01);  // another device
  tree.AddDevice("0000:03:01.0");
  tree.AddDevice("0000:0a:1f.0");
  tree.AddDevice("0000:02:00.0");
  tree.AddDevice("0000:03:01.1");                   // second function of 03:01
  fs::create_directories(tree.Devices() / "not-a-device");
  WriteFile(tree.Devices() / "0000:06:00.0/vendor", "garbage\n");  // unreadable IDs
  WriteFile(tree.Devices() / "0000:06:00.0/device", "0x0a00\n");
}

TEST_F(SysfsTest, EnumeratesMatchingBoardsInAddressOrder) {
  AddMixedBoards(tree_);
  std::vector<sysfs::Board> boards = sysfs::Enumerate(PciMatch());
  std::vector<std::string> names;
  for (const auto& b : boards) names.push_back(b.name);
  EXPECT_EQ(names, (std::vector<std::string>{"0000:02:00.0", "0000:03:01.0", "0000:03:01.1",
                                             "0000:05:00.0", "0000:0a:1f.0", "0001:00:02.0"}));
}

TEST_F(SysfsTest, FindCountsAndListsBusAndSlot) {
  AddMixedBoards(tree_);
  EXPECT_EQ(Count(), 6u);
  const std::pair<int32_t, int32_t> expected[] = {{2, 0}, {3, 1}, {3, 1}, {5, 0}, {10, 31}, {0, 2}};
  for (uint32_t i = 0; i < 6; ++i) {
    Location location;
    uint32_t request = i;
    ASSERT_EQ(DeviceFind(&location, &request), kSuccess) << i;
    EXPECT_EQ(location.bus, expected[i].first) << i;
    EXPECT_EQ(location.slot, expected[i].second) << i;
  }
  Location location;
  uint32_t request = 6;
  EXPECT_EQ(DeviceFind(&location, &request), kDeviceNotFound);
  EXPECT_EQ(location.bus, -1);
}

TEST_F(SysfsTest, FindFiltersByBusAndSlot) {
  AddMixedBoards(tree_);
  Location byBus;
  byBus.bus = 3;
  EXPECT_EQ(Count(byBus), 2u);
  Location bySlot;
  bySlot.slot = 0;
  EXPECT_EQ(Count(bySlot), 2u);
  Location both;
  both.bus = 10;
  both.slot = 31;
  EXPECT_EQ(Count(both), 1u);
  Location none;
  none.bus = 4;  // the board of another device ID
  EXPECT_EQ(Count(none), 0u);
  Location otherIds;
  otherIds.deviceId = 0x0A01;
  EXPECT_EQ(Count(otherIds), 0u);
  otherIds = Location();
  otherIds.vendorId = 0x8086;
  EXPECT_EQ(Count(otherIds), 0u);
}

TEST_F(SysfsTest, RealBoardsAreListedBeforeSimulatedOnes) {
  tree_.AddDevice("0000:07:03.0");
  ASSERT_TRUE(sim::Configure("boards=2"));
  EXPECT_EQ(Count(), 3u);
  Location location;
  uint32_t request = 0;
  ASSERT_EQ(DeviceFind(&location, &request), kSuccess);
  EXPECT_EQ(location.bus, 7);
  EXPECT_EQ(location.slot, 3);
  location = Location();
  request = 1;
  ASSERT_EQ(DeviceFind(&location, &request), kSuccess);
  EXPECT_EQ(location.bus, 240);
  EXPECT_EQ(location.slot, 0);
  // Open of any board takes the real one.
  uint32_t device = Open();
  EXPECT_EQ(Registers(device).Length(), 0x200u);
}

TEST_F(SysfsTest, OpenMapsBothBarsWithTheFilesLength) {
  tree_.AddDevice("0000:02:00.0", kVendorId, kDeviceId, 0x1000, 0x10);
  tree_.AddDevice("0000:03:00.0", kVendorId, kDeviceId, 0x134, 0x6);
  Location location;
  location.bus = 3;
  uint32_t device = 0;
  ASSERT_EQ(DeviceOpen(&location, &device), kSuccess);
  opened_.push_back(device);
  EXPECT_NE(device, 0u);
  EXPECT_EQ(location.bus, 3);
  EXPECT_EQ(location.slot, 0);
  Window windows[kBaseAddressCount];
  ASSERT_EQ(BaseAddressesGet(device, &windows), kSuccess);
  for (int i = 0; i < kBaseAddressCount; ++i) {
    EXPECT_EQ(windows[i].Mapped(), i == kRegisterBar || i == kRevisionBar) << i;
  }
  EXPECT_EQ(windows[kRegisterBar].Length(), 0x134u);
  EXPECT_EQ(windows[kRevisionBar].Length(), 0x6u);
  // The process maps one page for each, not more.
  std::string maps = ReadFile("/proc/self/maps");
  std::string bar2 = (tree_.Device("0000:03:00.0") / "resource2").string();
  std::size_t at = maps.find(bar2);
  ASSERT_NE(at, std::string::npos);
  std::size_t lineStart = maps.rfind('\n', at) + 1;
  unsigned long from = 0, to = 0;
  ASSERT_EQ(std::sscanf(maps.c_str() + lineStart, "%lx-%lx", &from, &to), 2);
  EXPECT_EQ(to - from, static_cast<unsigned long>(::sysconf(_SC_PAGESIZE)));
  EXPECT_NE(maps.substr(lineStart, at - lineStart).find("rw-s"), std::string::npos);
}

TEST_F(SysfsTest, WindowsReachTheResourceFiles) {
  tree_.AddDevice("0000:02:00.0");
  fs::path bar2 = tree_.Device("0000:02:00.0") / "resource2";
  fs::path bar3 = tree_.Device("0000:02:00.0") / "resource3";
  std::string rev(0x10, '\0');
  rev[0] = 0x12;
  rev[1] = 0x03;
  WriteFile(bar3, rev);
  uint32_t device = Open();
  Window reg = Registers(device);
  reg.Write32(ZEMTRA_REG_A1_PRESET, 0x11223344);
  reg.Write16(ZEMTRA_REG_SAMPLE, 0x0222);
  EXPECT_EQ(reg.Read32(ZEMTRA_REG_A1_PRESET), 0x11223344u);
  EXPECT_EQ(reg.Read16(ZEMTRA_REG_A1_PRESET + 2), 0x1122);
  EXPECT_EQ(Revision(device).Read16(0), 0x0312);
  std::string content = ReadFile(bar2);
  ASSERT_EQ(content.size(), 0x200u);
  EXPECT_EQ(static_cast<uint8_t>(content[0x11C]), 0x44);  // little-endian, as on the PCI bus
  EXPECT_EQ(static_cast<uint8_t>(content[0x11F]), 0x11);
  EXPECT_EQ(static_cast<uint8_t>(content[0x020]), 0x22);
  EXPECT_EQ(static_cast<uint8_t>(content[0x021]), 0x02);
}

TEST_F(SysfsTest, CloseUnmaps) {
  tree_.AddDevice("0000:02:00.0");
  uint32_t device = Open();
  Registers(device);
  std::string bar2 = (tree_.Device("0000:02:00.0") / "resource2").string();
  EXPECT_NE(ReadFile("/proc/self/maps").find(bar2), std::string::npos);
  Close(device);
  EXPECT_EQ(ReadFile("/proc/self/maps").find(bar2), std::string::npos);
  EXPECT_EQ(DeviceClose(device), kDeviceNotFound);
  Window windows[kBaseAddressCount];
  EXPECT_EQ(BaseAddressesGet(device, &windows), kInvalidHandle);
}

TEST_F(SysfsTest, OpenTwiceGivesTwoDevices) {
  tree_.AddDevice("0000:02:00.0");
  uint32_t a = Open();
  uint32_t b = Open();
  EXPECT_NE(a, b);
  Registers(a).Write32(ZEMTRA_REG_A2_PRESET, 99);
  EXPECT_EQ(Registers(b).Read32(ZEMTRA_REG_A2_PRESET), 99u);
  Close(a);
  EXPECT_EQ(Registers(b).Read32(ZEMTRA_REG_A2_PRESET), 99u);
}

TEST_F(SysfsTest, AResourceThatCannotBeOpenedGivesAFailureCode) {
  tree_.AddDevice("0000:02:00.0");
  fs::path bar2 = tree_.Device("0000:02:00.0") / "resource2";
  fs::remove(bar2);
  fs::create_directory(bar2);  // open(O_RDWR) fails even for root
  Location location;
  uint32_t device = 0;
  EXPECT_EQ(DeviceOpen(&location, &device), kDriverNotFound);
  EXPECT_EQ(device, 0u);
  // Still listed: it is there, only not ours to open.
  EXPECT_EQ(Count(), 1u);
}

TEST_F(SysfsTest, AMissingOrEmptyBarGivesAFailureCode) {
  tree_.AddDevice("0000:02:00.0");
  tree_.AddDevice("0000:03:00.0", kVendorId, kDeviceId, 0x200, 0);
  fs::remove(tree_.Device("0000:02:00.0") / "resource3");
  Location location;
  location.bus = 2;
  uint32_t device = 0;
  EXPECT_EQ(DeviceOpen(&location, &device), kDeviceNotFound);
  location.bus = 3;
  EXPECT_EQ(DeviceOpen(&location, &device), kDriverNotFound);
  EXPECT_EQ(device, 0u);
  // Nothing stays mapped from the failed opens.
  EXPECT_EQ(ReadFile("/proc/self/maps").find(tree_.Devices().string()), std::string::npos);
}

TEST_F(SysfsTest, NoPermissionGivesAFailureCodeNotACrash) {
  tree_.AddDevice("0000:02:00.0");
  fs::path bar2 = tree_.Device("0000:02:00.0") / "resource2";
  ::chmod(bar2.c_str(), 0600);
  // Root may open anything: try as nobody in a child process.
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(10);
    if (::access(bar2.c_str(), W_OK) == 0) ::_exit(11);  // still allowed: cannot test here
    Location location;
    uint32_t device = 0;
    Result result = DeviceOpen(&location, &device);
    ::_exit(result == kDriverNotFound && device == 0 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 10 || WEXITSTATUS(status) == 11) GTEST_SKIP() << "cannot drop privileges";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

struct IntxCase {
  bool enable;
  uint8_t before, after;  // the high byte of the command register (config 0x05)
};

class IntxTest : public SysfsTest, public ::testing::WithParamInterface<IntxCase> {};

// uio_pci_generic has no irqcontrol: the interrupt is masked and unmasked
// with INTx Disable (bit 10 of the command register), nothing else changes.
TEST_P(IntxTest, InterruptEnableTogglesIntxDisableInConfigSpace) {
  tree_.AddDevice("0000:02:00.0");
  fs::path node = tree_.AddUio("0000:02:00.0", 3);
  fs::path config = tree_.Device("0000:02:00.0") / "config";
  std::string bytes(64, '\x5A');
  bytes[5] = static_cast<char>(GetParam().before);
  WriteFile(config, bytes);
  uint32_t device = Open();
  InterruptSource source;
  ASSERT_EQ(GetParam().enable ? IntrEnable(device, &source) : IntrDisable(device, &source), kSuccess);
  bytes[5] = static_cast<char>(GetParam().after);
  EXPECT_EQ(ReadFile(config), bytes);
  EXPECT_EQ(ReadFile(node), "");
}

INSTANTIATE_TEST_SUITE_P(Values, IntxTest,
                         ::testing::Values(IntxCase{true, 0x04, 0x00}, IntxCase{true, 0x07, 0x03},
                                           IntxCase{true, 0x03, 0x03}, IntxCase{false, 0x00, 0x04},
                                           IntxCase{false, 0x03, 0x07}, IntxCase{false, 0x04, 0x04}));

TEST_F(SysfsTest, InterruptAttachOpensTheUioNode) {
  tree_.AddDevice("0000:02:00.0");
  tree_.AddUio("0000:02:00.0", 0);
  fs::path node = tree_.Dev() / "uio0";
  fs::remove(node);
  ASSERT_EQ(::mkfifo(node.c_str(), 0600), 0);
  uint32_t device = Open();
  uint32_t event = 0;
  ASSERT_EQ(IntrAttach(device, InterruptSource(), &event), kSuccess);
  int fd = static_cast<int>(event);
  struct stat a {}, b {};
  ASSERT_EQ(::fstat(fd, &a), 0);
  ASSERT_EQ(::stat(node.c_str(), &b), 0);
  EXPECT_EQ(a.st_ino, b.st_ino);
  EXPECT_TRUE(::fcntl(fd, F_GETFD) & FD_CLOEXEC);
  // The board interrupts: the node becomes readable with a 4-byte count.
  EXPECT_FALSE(Readable(fd));
  int writer = ::open(node.c_str(), O_WRONLY | O_NONBLOCK);
  ASSERT_GE(writer, 0);
  uint32_t count = 1;
  ASSERT_EQ(::write(writer, &count, 4), 4);
  EXPECT_TRUE(Readable(fd));
  uint32_t got = 0;
  EXPECT_EQ(::read(fd, &got, 4), 4);
  EXPECT_EQ(got, 1u);
  ::close(writer);
  ::close(fd);
  // The caller's close leaves the device as it was.
  Window windows[kBaseAddressCount];
  EXPECT_EQ(BaseAddressesGet(device, &windows), kSuccess);
}

TEST_F(SysfsTest, NoUioDriverGivesAFailureCode) {
  tree_.AddDevice("0000:02:00.0");
  uint32_t device = Open();
  InterruptSource source;
  uint32_t event = 5;
  EXPECT_EQ(IntrEnable(device, &source), kDriverNotFound);
  EXPECT_EQ(IntrDisable(device, &source), kDriverNotFound);
  EXPECT_EQ(IntrAttach(device, source, &event), kDriverNotFound);
  EXPECT_EQ(event, 5u);
  // Bound in sysfs, but no node in /dev.
  fs::create_directories(tree_.Device("0000:02:00.0") / "uio/uio7");
  EXPECT_EQ(IntrAttach(device, source, &event), kDeviceNotFound);
}

struct ParseCase {
  const char* text;
  bool ok;
  PciMatch match;  // when ok
};

class PciMatchParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(PciMatchParseTest, ReadsTheIdsAndBarsOrRefusesTheValue) {
  const PciMatch untouched{0xAAAA, 0xBBBB, 4, 4};
  PciMatch match = untouched;
  std::string error;
  EXPECT_EQ(ParsePciMatch(GetParam().text, &match, &error), GetParam().ok);
  const PciMatch& want = GetParam().ok ? GetParam().match : untouched;
  EXPECT_EQ(match.vendor, want.vendor);
  EXPECT_EQ(match.device, want.device);
  EXPECT_EQ(match.registerBar, want.registerBar);
  EXPECT_EQ(match.revisionBar, want.revisionBar);
  EXPECT_EQ(error.empty(), GetParam().ok) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Values, PciMatchParseTest,
    ::testing::Values(ParseCase{"1234:11e8", true, {0x1234, 0x11E8, 2, 3}},
                      ParseCase{"1234:11E8,regs=0,rev=0", true, {0x1234, 0x11E8, 0, 0}},
                      ParseCase{" 1f3c : 0a00 , rev = 5 ", true, {0x1F3C, 0x0A00, 2, 5}},
                      ParseCase{"abc:1,rev=1,regs=4", true, {0xABC, 0x1, 4, 1}},
                      ParseCase{"", false, {}}, ParseCase{"1234", false, {}},
                      ParseCase{"1234:", false, {}}, ParseCase{":11e8", false, {}},
                      ParseCase{"12345:11e8", false, {}}, ParseCase{"0x1234:11e8", false, {}},
                      ParseCase{"-1:11e8", false, {}}, ParseCase{"1234:11e8,", false, {}},
                      ParseCase{"1234:11e8,regs=6", false, {}}, ParseCase{"1234:11e8,regs=", false, {}},
                      ParseCase{"1234:11e8,regs=1x", false, {}}, ParseCase{"1234:11e8,bar=1", false, {}},
                      ParseCase{"1234:11e8 regs=1", false, {}}));

struct IdentityCase {
  const char* value;  // ZEMTRA_PCI_MATCH
  int32_t slot;       // of the board opened
  std::size_t registerBytes, revisionBytes;
  const char* message;  // the one line on standard error, if any
};

class PciMatchTest : public SysfsTest, public ::testing::WithParamInterface<IdentityCase> {};

// A board of the default identity at 02:00.0 (BARs 0x200 and 0x10 long) and
// another device at 00:04.0 (BARs 2 and 3 0x300 and 0x400 long).
TEST_P(PciMatchTest, TheVariableChoosesTheBoardsAndTheirBars) {
  tree_.AddDevice("0000:02:00.0");
  tree_.AddDevice("0000:00:04.0", 0x1234, 0x11E8, 0x300, 0x400);
  ::setenv("ZEMTRA_PCI_MATCH", GetParam().value, 1);
  ReloadPciMatch();
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(Count(), 1u);
  const uint32_t device = Open();
  EXPECT_EQ(Count(), 1u);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), GetParam().message);
  Location location;
  uint32_t request = 0;
  ASSERT_EQ(DeviceFind(&location, &request), kSuccess);
  EXPECT_EQ(location.slot, GetParam().slot);
  EXPECT_EQ(Registers(device).Length(), GetParam().registerBytes);
  EXPECT_EQ(Revision(device).Length(), GetParam().revisionBytes);
}

INSTANTIATE_TEST_SUITE_P(
    Values, PciMatchTest,
    ::testing::Values(
        IdentityCase{"", 0, 0x200, 0x10, ""}, IdentityCase{"1234:11e8", 4, 0x300, 0x400, ""},
        IdentityCase{"1234:11e8,regs=3,rev=3", 4, 0x400, 0x400, ""},
        IdentityCase{"1234:11e8,rev=2", 4, 0x300, 0x300, ""},
        IdentityCase{"1234", 0, 0x200, 0x10,
                     "libZemtra: ZEMTRA_PCI_MATCH: cannot read '1234': the IDs are not VVVV:DDDD "
                     "in hex; using 1f3c:0a00,regs=2,rev=3\n"},
        IdentityCase{"1234:11e8,\x1b]0;x\a", 0, 0x200, 0x10,
                     "libZemtra: ZEMTRA_PCI_MATCH: cannot read '1234:11e8,\\x1b]0;x\\x07': "
                     "'\\x1b]0;x\\x07' is not regs=N or rev=N with N from 0 to 5; using "
                     "1f3c:0a00,regs=2,rev=3\n"}));

// One use of the library's own descriptors; true when it worked. `given` gets
// a descriptor handed to the caller, if any.
struct OwnDescriptorUse {
  const char* name;
  bool (*use)(const sysfs::Board& board, int* given);
};

const OwnDescriptorUse kOwnDescriptorUses[] = {
    {"Trace", [](const sysfs::Board&, int*) { return trace::Reload(), trace::Active(); }},
    {"SysfsEnumeration", [](const sysfs::Board&, int*) { return sysfs::Enumerate(PciMatch()).size() == 1; }},
    {"ResourceFile",
     [](const sysfs::Board& board, int*) {
       sysfs::Mapping mapping;
       const bool mapped = sysfs::Map(board, kRegisterBar, &mapping) == kSuccess;
       sysfs::Unmap(&mapping);
       return mapped;
     }},
    {"UioControl", [](const sysfs::Board& board, int*) { return sysfs::UioControl(board, true) == kSuccess; }},
    {"UioNode", [](const sysfs::Board& board, int* given) { return sysfs::UioOpen(board, given) == kSuccess; }},
};

void PrintTo(const OwnDescriptorUse& use, std::ostream* out) { *out << use.name; }

class OwnDescriptorTest : public SysfsTest, public ::testing::WithParamInterface<OwnDescriptorUse> {};

// In a process started with 0, 1 and 2 closed, a descriptor of the library's
// there would take the place of standard input, output or error.
TEST_P(OwnDescriptorTest, NeverZeroOneOrTwoAndCloseOnExec) {
  tree_.AddDevice("0000:02:00.0");
  tree_.AddUio("0000:02:00.0", 0);
  TempDir dir;
  ::setenv("ZEMTRA_TRACE", (dir.Path() / "trace").c_str(), 1);
  sysfs::Board board;
  board.bus = 2;
  board.name = "0000:02:00.0";
  const ChildOutcome outcome = RunInChild([&] {
    for (int fd = 0; fd <= 2; ++fd) ::close(fd);
    // The lowest free descriptor is 0, then 1, then 2.
    for (int lowest = 0; lowest <= 2; ++lowest) {
      int given = -1;
      if (!GetParam().use(board, &given)) return 1;
      if (given != -1 && (given <= 2 || (::fcntl(given, F_GETFD) & FD_CLOEXEC) == 0)) return 2;
      for (int fd = lowest; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) >= 0) return 3;
      }
      ::open("/dev/null", O_RDONLY);
    }
    // With no descriptor above 2 to be had, the library must do without.
    for (int fd = 0; fd <= 2; ++fd) ::close(fd);
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = 3;
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) return 4;
    int given = -1;
    return GetParam().use(board, &given) ? 5 : 0;
  });
  EXPECT_EQ(outcome.status, 0) << "1 failed with 0, 1 or 2 free; 2 handed out 0, 1, 2 or without "
                                  "close-on-exec; 3 kept 0, 1 or 2; 5 took 0, 1 or 2";
}

INSTANTIATE_TEST_SUITE_P(Uses, OwnDescriptorTest, ::testing::ValuesIn(kOwnDescriptorUses),
                         [](const auto& param) { return std::string(param.param.name); });

// A count, its index requests and opens of the boards it listed walk the
// devices directory once: each walk opens it, and inotify counts the opens
// (the closes in between keep it from merging them).
TEST_F(SysfsTest, AFindAndOpeningWhatItListedWalkTheBusOnce) {
  for (const char* name : {"0000:02:00.0", "0000:03:00.0", "0000:04:05.0"}) tree_.AddDevice(name);
  const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  ASSERT_GE(::inotify_add_watch(watch, tree_.Devices().c_str(), IN_OPEN | IN_CLOSE_NOWRITE), 0);
  const uint32_t count = Count();
  EXPECT_EQ(count, 3u);
  for (uint32_t i = 0; i < count; ++i) {
    Location location;
    uint32_t request = i;
    ASSERT_EQ(DeviceFind(&location, &request), kSuccess);
    EXPECT_NE(Open(location.bus, location.slot), 0u);
  }
  alignas(inotify_event) char events[4096];
  const ssize_t length = ::read(watch, events, sizeof events);
  ::close(watch);
  int walks = 0;
  for (ssize_t at = 0; at < length;) {
    const auto* event = reinterpret_cast<const inotify_event*>(events + at);
    walks += event->len == 0 && (event->mask & IN_OPEN) != 0;  // the directory itself, not an entry
    at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
  }
  EXPECT_EQ(walks, 1);
}

TEST_F(SysfsTest, AnOpenByLocationSeesWhatChangedSinceTheFind) {
  tree_.AddDevice("0000:02:00.0");
  tree_.AddDevice("0000:03:00.0");
  ASSERT_TRUE(sim::Configure("boards=1"));
  ASSERT_EQ(Count(), 3u);
  WriteFile(tree_.Device("0000:02:00.0") / "device", "0x0a01\n");  // another card in that slot now
  tree_.AddDevice("0000:04:00.0");
  Location location;
  location.bus = 2;
  location.slot = 0;
  uint32_t device = 0;
  EXPECT_EQ(DeviceOpen(&location, &device), kDeviceNotFound);
  EXPECT_NE(Open(3, 0), 0u);
  EXPECT_NE(Open(4, 0), 0u);
  ASSERT_TRUE(sim::Configure("boards=1,id=0x1234"));
  EXPECT_EQ(Registers(Open(240, 0)).Read32(ZEMTRA_REG_FPGA1_PRODUCT), 0x1234u);
}

TEST_F(SysfsTest, TheRootsComeFromTheEnvironment) {
  EXPECT_EQ(sysfs::SysfsRoot(), tree_.Sys().string());
  EXPECT_EQ(sysfs::DevRoot(), tree_.Dev().string());
  ::unsetenv("ZEMTRA_SYSFS_ROOT");
  ::unsetenv("ZEMTRA_DEV_ROOT");
  EXPECT_EQ(sysfs::SysfsRoot(), "/sys");
  EXPECT_EQ(sysfs::DevRoot(), "/dev");
}

TEST_F(SysfsTest, AMissingSysfsMeansNoRealBoard) {
  ::setenv("ZEMTRA_SYSFS_ROOT", "/nonexistent/zemtra", 1);
  EXPECT_EQ(Count(), 0u);
  Location location;
  uint32_t device = 0;
  EXPECT_EQ(DeviceOpen(&location, &device), kDeviceNotFound);
}

}  // namespace
}  // namespace zemtra::pci::testing

// Real boards through a fake sysfs tree: listing, mapping, failed opens and
// interrupts through the UIO node.
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <tuple>

#include "library_fixture.h"
#include "pci/sysfs/pci_match.h"
#include "pci/sysfs/sysfs.h"
#include "zemtra_registers.h"

namespace zemtra::test {
namespace {

using namespace pci;

class Sysfs : public Library {};

const InterruptSource kSource;

// Boards among other devices, created out of order.
TEST_F(Sysfs, BoardsAreListedInAddressOrderWithBusAndSlotAndFiltered) {
  for (const char* name :
       {"0000:05:00.0", "0001:00:02.0", "0000:03:01.7", "0000:0a:1f.0", "0000:02:00.0", "0000:03:01.0"}) {
    tree_.AddDevice(name);
  }
  tree_.AddDevice("0000:03:00.0", 0x8086, 0x0A00);  // another vendor
  tree_.AddDevice("0000:04:00.0", 0x1F3C, 0x0A01);  // another device
  fs::create_directories(tree_.Devices() / "not-a-device");
  WriteFile(tree_.Devices() / "0000:06:00.0/vendor", "garbage\n");
  WriteFile(tree_.Devices() / "0000:06:00.0/device", "0x0a00\n");
  std::string names;
  for (const sysfs::Board& board : sysfs::Enumerate(PciMatch())) names += board.name + " ";
  EXPECT_EQ(names, "0000:02:00.0 0000:03:01.0 0000:03:01.7 0000:05:00.0 0000:0a:1f.0 0001:00:02.0 ");
  EXPECT_EQ(Listed(), "2/0 3/1 3/1 5/0 10/31 0/2");
  Location location;
  uint32_t request = 6;
  EXPECT_EQ(DeviceFind(&location, &request), kDeviceNotFound);
  EXPECT_EQ(location.bus, -1);
  const std::pair<Location, const char*> filters[] = {
      {{.bus = 3}, "3/1 3/1"}, {{.slot = 0}, "2/0 5/0"},     {{.bus = 10, .slot = 31}, "10/31"},
      {{.bus = 4}, ""},        {{.deviceId = 0x0A01}, ""}, {{.vendorId = 0x8086}, ""}};
  for (const auto& [filter, listed] : filters) {
    EXPECT_EQ(Listed(filter), listed) << std::hex << filter.vendorId << ":" << filter.deviceId;
  }
}

TEST_F(Sysfs, WindowsReachTheFilesLittleEndianUntilClosed) {
  tree_.AddDevice("0000:02:00.0");
  WriteFile(tree_.Device("0000:02:00.0") / "resource3", std::string("\x12\x03", 2) + std::string(14, '\0'));
  const uint32_t device = OpenDevice(), again = OpenDevice();
  EXPECT_NE(device, again);
  const Window reg = Registers(device);
  reg.Write32(ZEMTRA_REG_A1_PRESET, 0x11223344);
  reg.Write16(ZEMTRA_REG_SAMPLE, 0x0222);
  EXPECT_EQ(Registers(again).Read16(ZEMTRA_REG_A1_PRESET + 2), 0x1122);
  EXPECT_EQ(Revision(device).Read16(0), 0x0312);
  const std::string content = ReadFile(tree_.Device("0000:02:00.0") / "resource2");
  ASSERT_EQ(content.size(), 0x200u);
  EXPECT_EQ(content.substr(0x11C, 4), "\x44\x33\x22\x11");
  EXPECT_EQ(content.substr(0x020, 2), "\x22\x02");
  EXPECT_EQ(DeviceClose(device), kSuccess);  // the mapping stays while `again` has it
  EXPECT_EQ(Registers(again).Read32(ZEMTRA_REG_A1_PRESET), 0x11223344u);
}

// A board that is there but cannot be opened is still listed; nothing of a
// failed open stays mapped.
TEST_F(Sysfs, OpenFailuresGiveTheirCodes) {
  for (const char* name : {"0000:01:00.0", "0000:02:00.0", "0000:03:00.0"}) tree_.AddDevice(name);
  tree_.AddDevice("0000:04:00.0", kVendorId, kDeviceId, 0x200, 0);
  fs::remove(tree_.Device("0000:01:00.0") / "resource2");
  fs::create_directory(tree_.Device("0000:01:00.0") / "resource2");  // not openable, even for root
  fs::remove(tree_.Device("0000:02:00.0") / "resource3");
  const struct {
    int32_t bus;
    Result result;
  } cases[] = {{1, kDriverNotFound}, {2, kDeviceNotFound}, {4, kDriverNotFound}};
  for (const auto& c : cases) {
    Location location{.bus = c.bus};
    uint32_t device = 77;
    EXPECT_EQ(DeviceOpen(&location, &device), c.result) << c.bus;
    EXPECT_EQ(device, 77u);
  }
  EXPECT_EQ(Count(), 4u);
  // Nor is one whose BAR only root may read, by nobody (tried as root only).
  ::chmod((tree_.Device("0000:03:00.0") / "resource2").c_str(), 0600);
  const ChildOutcome outcome = RunInChild([] {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) return 10;
    Location location{.bus = 3};
    uint32_t device = 0;
    return DeviceOpen(&location, &device) == kDriverNotFound && device == 0 ? 0 : 1;
  });
  EXPECT_EQ(outcome.status, ::geteuid() == 0 ? 0 : 10) << outcome.err;
}

// Not bound to UIO, the interrupt calls fail. uio_pci_generic has no irqcontrol:
// INTx Disable (bit 10 of the command register) masks, nothing else changes.
TEST_F(Sysfs, IntxDisableIsClearedToEnableAndSetToDisable) {
  tree_.AddDevice("0000:02:00.0");
  const uint32_t device = OpenDevice();
  uint32_t event = 5;
  EXPECT_EQ(IntrEnable(device, &kSource), kDriverNotFound);
  EXPECT_EQ(IntrDisable(device, &kSource), kDriverNotFound);
  EXPECT_EQ(IntrAttach(device, kSource, &event), kDriverNotFound);
  fs::create_directories(tree_.Device("0000:02:00.0") / "uio/uio7");  // bound, but no node in dev
  EXPECT_EQ(IntrAttach(device, kSource, &event), kDeviceNotFound);
  EXPECT_EQ(event, 5u);
  const fs::path node = tree_.AddUio("0000:02:00.0", 3);
  const fs::path config = tree_.Device("0000:02:00.0") / "config";
  const struct {
    bool enable;
    uint8_t before, after;  // the high byte of the command register (config 0x05)
  } cases[] = {{true, 0x04, 0x00},  {true, 0x07, 0x03},  {true, 0x03, 0x03},
               {false, 0x00, 0x04}, {false, 0x03, 0x07}, {false, 0x04, 0x04}};
  for (const auto& c : cases) {
    std::string bytes(64, '\x5A');
    bytes[5] = static_cast<char>(c.before);
    WriteFile(config, bytes);
    ASSERT_EQ(c.enable ? IntrEnable(device, &kSource) : IntrDisable(device, &kSource), kSuccess);
    bytes[5] = static_cast<char>(c.after);
    EXPECT_EQ(ReadFile(config), bytes) << c.enable << " " << int{c.before};
    EXPECT_EQ(ReadFile(node), "");
  }
}

// Attach hands out the board's lowest UIO node, close-on-exec, whatever order
// the directory lists them in; an interrupt makes it readable, a 4-byte count.
TEST_F(Sysfs, AttachOpensTheLowestUioNodeOfTheBoard) {
  const struct {
    const char* name;
    int32_t bus;
    int nodes[3];
  } boards[] = {{"0000:02:00.0", 2, {3, 5, 6}}, {"0000:04:00.0", 4, {9, 7, 4}}, {"0000:05:00.0", 5, {8, 1, 2}}};
  for (const auto& b : boards) {
    tree_.AddDevice(b.name);
    for (const int n : b.nodes) tree_.AddUio(b.name, n);
    const fs::path lowest = tree_.Dev() / ("uio" + std::to_string(*std::ranges::min_element(b.nodes)));
    fs::remove(lowest);
    ASSERT_EQ(::mkfifo(lowest.c_str(), 0600), 0);
  }
  for (const auto& b : boards) {
    SCOPED_TRACE(b.name);
    uint32_t event = 0;
    ASSERT_EQ(IntrAttach(OpenDevice(b.bus), InterruptSource(), &event), kSuccess);
    const int fd = static_cast<int>(Keep(event));
    EXPECT_TRUE(::fcntl(fd, F_GETFD) & FD_CLOEXEC);
    EXPECT_FALSE(Readable(fd));
    const fs::path lowest = tree_.Dev() / ("uio" + std::to_string(*std::ranges::min_element(b.nodes)));
    const int board = ::open(lowest.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    const uint32_t one = 1;
    EXPECT_EQ(::write(board, &one, 4), 4);
    uint32_t got = 0;
    EXPECT_TRUE(Readable(fd) && ::read(fd, &got, 4) == 4 && got == 1);
    ::close(board);
  }
}

// What each value reads as, "vvvv:dddd,regs=N,rev=N"; "" when refused.
TEST(PciMatchValues, GiveTheIdsAndBarsOrAreRefused) {
  const std::pair<const char*, const char*> values[] = {
      {"1234:11e8", "1234:11e8,2,3"}, {"1234:11E8,regs=0,rev=0", "1234:11e8,0,0"},
      {" 1f3c : 0a00 , rev = 5 ", "1f3c:a00,2,5"}, {"abc:1,rev=1,regs=4", "abc:1,4,1"}, {"", ""},
      {"1234", ""}, {"1234:", ""}, {":11e8", ""}, {"12345:11e8", ""}, {"0x1234:11e8", ""}, {"-1:11e8", ""},
      {"1234:11e8,", ""}, {"1234:11e8,regs=6", ""}, {"1234:11e8,regs=", ""}, {"1234:11e8,regs=1x", ""},
      {"1234:11e8,bar=1", ""}, {"1234:11e8 regs=1", ""}};
  for (const auto& [text, reads] : values) {
    PciMatch match{0xAAAA, 0xBBBB, 4, 4};
    std::string error;
    const bool ok = ParsePciMatch(text, &match, &error);
    char got[32];
    std::snprintf(got, sizeof got, "%x:%x,%d,%d", match.vendor, match.device, match.registerBar,
                  match.revisionBar);
    EXPECT_EQ(ok ? got : "", std::string(reads)) << text;
    EXPECT_EQ(std::string(got) == "aaaa:bbbb,4,4", !ok) << text << ": changed although refused";
    EXPECT_EQ(error.empty(), ok) << text << ": " << error;
  }
}

struct Identity : Named {
  const char* value;  // ZEMTRA_PCI_MATCH
  int32_t slot;       // of the board opened
  std::size_t registerBytes, revisionBytes;
  const char* message;  // the one line on standard error, if any
};

class PciIdentity : public Sysfs, public ::testing::WithParamInterface<Identity> {};

// A board of the default identity at 02:00.0 (BARs 0x200 and 0x10 long) and
// another device at 00:04.0 (BARs 2 and 3 0x300 and 0x400 long).
TEST_P(PciIdentity, ChoosesTheBoardsAndTheirBars) {
  tree_.AddDevice("0000:02:00.0");
  tree_.AddDevice("0000:00:04.0", 0x1234, 0x11E8, 0x300, 0x400);
  ::setenv("ZEMTRA_PCI_MATCH", GetParam().value, 1);
  ReloadPciMatch();
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(Count(), 1u);
  const uint32_t device = OpenDevice();
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
    ZemtraPciMatch, PciIdentity,
    ::testing::Values(Identity{"Unset", "", 0, 0x200, 0x10, ""},
                      Identity{"Ids", "1234:11e8", 4, 0x300, 0x400, ""},
                      Identity{"OneBar", "1234:11e8,regs=3,rev=3", 4, 0x400, 0x400, ""},
                      Identity{"OtherRevisionBar", "1234:11e8,rev=2", 4, 0x300, 0x300, ""},
                      Identity{"Bad", "1234", 0, 0x200, 0x10,
                               "libZemtra: ZEMTRA_PCI_MATCH: cannot read '1234': the IDs are not VVVV:DDDD "
                               "in hex; using 1f3c:0a00,regs=2,rev=3\n"},
                      Identity{"BadShownEscaped", "1234:11e8,\x1b]0;x\a", 0, 0x200, 0x10,
                               "libZemtra: ZEMTRA_PCI_MATCH: cannot read '1234:11e8,\\x1b]0;x\\x07': "
                               "'\\x1b]0;x\\x07' is not regs=N or rev=N with N from 0 to 5; using "
                               "1f3c:0a00,regs=2,rev=3\n"}),
    RowName());

// One use of the library's own descriptors: kSuccess when it worked; `given`
// gets a descriptor handed to the caller, if any.
struct OwnDescriptorUse : Named {
  Result (*use)(const sysfs::Board& board, int* given);
  Result starved;  // with no descriptor above 2 to be had
};

class OwnDescriptors : public Sysfs, public ::testing::WithParamInterface<OwnDescriptorUse> {};

// With 0, 1 and 2 closed, a descriptor of the library's there would stand in
// for standard input, output or error. With none above 2 it does without.
TEST_P(OwnDescriptors, AreNeverZeroOneOrTwoAndCloseOnExec) {
  tree_.AddDevice("0000:02:00.0");
  tree_.AddUio("0000:02:00.0", 0);
  const TempDir dir;
  ::setenv("ZEMTRA_TRACE", (dir.Path() / "trace").c_str(), 1);
  sysfs::Board board;
  board.bus = 2;
  board.name = "0000:02:00.0";
  const ChildOutcome outcome = RunInChild([&] {
    for (int fd = 0; fd <= 2; ++fd) ::close(fd);
    // The lowest free descriptor is 0, then 1, then 2.
    for (int lowest = 0; lowest <= 2; ++lowest) {
      int given = -1;
      if (GetParam().use(board, &given) != kSuccess) return 1;
      if (given != -1 && (given <= 2 || (::fcntl(given, F_GETFD) & FD_CLOEXEC) == 0)) return 2;
      for (int fd = lowest; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) >= 0) return 3;
      }
      ::open("/dev/null", O_RDONLY);
    }
    for (int fd = 0; fd <= 2; ++fd) ::close(fd);
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = 3;
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) return 4;
    int given = -1;
    return GetParam().use(board, &given) == GetParam().starved ? 0 : 5;
  });
  EXPECT_EQ(outcome.status, 0) << "1 failed with 0, 1 or 2 free; 2 handed out 0, 1, 2 or without "
                                  "close-on-exec; 3 kept 0, 1 or 2; 5 not the code without descriptors";
}

Result Traced(const sysfs::Board&, int*) { return trace::Reload(), trace::Active() ? kSuccess : kDriverNotFound; }
Result Enumerated(const sysfs::Board&, int*) {
  return sysfs::Enumerate(PciMatch()).size() == 1 ? kSuccess : kDeviceNotFound;
}
Result Mapped(const sysfs::Board& board, int*) {
  sysfs::Mapping mapping;
  const Result result = sysfs::Map(board, kRegisterBar, &mapping);
  sysfs::Unmap(&mapping);
  return result;
}
Result UioControlled(const sysfs::Board& board, int*) { return sysfs::UioControl(board, true); }
Result UioOpened(const sysfs::Board& board, int* given) { return sysfs::UioOpen(board, given); }
// A simulated board's event: new at the first attach, shared after.
Result SimEventAttached(const sysfs::Board&, int* given) {
  static uint32_t device = 0;
  Location simulated{.bus = 240};
  if (device == 0 && (!sim::Configure("motion=off") || DeviceOpen(&simulated, &device) != kSuccess)) {
    return kDeviceNotFound;
  }
  uint32_t event = 0;
  const Result result = IntrAttach(device, InterruptSource(), &event);
  *given = result == kSuccess ? static_cast<int>(event) : -1;
  return result;
}

const OwnDescriptorUse kOwnDescriptorUses[] = {{"Trace", Traced, kDriverNotFound},
                                               {"SysfsEnumeration", Enumerated, kDeviceNotFound},
                                               {"ResourceFile", Mapped, kInsufficientResources},
                                               {"UioControl", UioControlled, kInsufficientResources},
                                               {"UioNode", UioOpened, kInsufficientResources},
                                               {"SimulatedEvent", SimEventAttached, kInsufficientResources}};

INSTANTIATE_TEST_SUITE_P(Uses, OwnDescriptors, ::testing::ValuesIn(kOwnDescriptorUses), RowName());

// A count, its index requests and opens walk the devices directory once:
// inotify counts its opens (the closes in between keep them apart).
TEST_F(Sysfs, AFindAndOpeningWhatItListedWalkTheBusOnce) {
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
    EXPECT_NE(OpenDevice(location.bus, location.slot), 0u);
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

TEST_F(Sysfs, AnOpenByLocationSeesWhatChangedSinceTheFind) {
  tree_.AddDevice("0000:02:00.0");
  tree_.AddDevice("0000:03:00.0");
  Boards("boards=1");
  ASSERT_EQ(Listed(), "2/0 3/0 240/0") << "real boards come first";
  WriteFile(tree_.Device("0000:02:00.0") / "device", "0x0a01\n");  // another card in that slot now
  tree_.AddDevice("0000:04:00.0");
  Location location{.bus = 2, .slot = 0};
  uint32_t device = 0;
  EXPECT_EQ(DeviceOpen(&location, &device), kDeviceNotFound);
  EXPECT_NE(OpenDevice(3, 0), 0u);
  EXPECT_NE(OpenDevice(4, 0), 0u);
  Boards("boards=1,id=0x1234");  // a new ZEMTRA_SIM forgets what the last find listed
  EXPECT_EQ(Registers(OpenDevice(240, 0)).Read32(ZEMTRA_REG_FPGA1_PRODUCT), 0x1234u);
}

}  // namespace
}  // namespace zemtra::test

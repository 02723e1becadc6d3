// The register trace: ZEMTRA_TRACE=PATH, one line per access, both backends.
#include <gtest/gtest.h>

#include <algorithm>

#include "pci_test_support.h"
#include "zemtra_registers.h"

namespace zemtra::pci::testing {
namespace {

class TraceTest : public PciTest {
 protected:
  void StartTrace() {
    ::setenv("ZEMTRA_TRACE", path_.c_str(), 1);
    trace::Reload();
    ASSERT_TRUE(trace::Active());
  }
  TempDir dir_;
  fs::path path_ = dir_.Path() / "trace.txt";
};

TEST_F(TraceTest, OneLinePerAccessInOrder) {
  ASSERT_TRUE(sim::Configure("motion=off"));
  StartTrace();
  uint32_t device = Open();
  Window reg = Registers(device), rev = Revision(device);
  reg.Write16(ZEMTRA_REG_SAMPLE, 0x0222);
  reg.Read16(ZEMTRA_REG_SAMPLE);
  reg.Write32(ZEMTRA_REG_A1_PRESET, 1000);
  reg.Read32(ZEMTRA_REG_FPGA1_PRODUCT);
  rev.Read16(ZEMTRA_REV_HARDWARE);
  reg.Read32(0x000);
  reg.Write16(0x1FE, 0xBEEF);
  rev.Read32(0x004);
  EXPECT_EQ(ReadLines(path_), (std::vector<std::string>{
                                  "W16 reg 0x020 0x0222",
                                  "R16 reg 0x020 0x0222",
                                  "W32 reg 0x11C 0x000003E8",
                                  "R32 reg 0x030 0x0004D27B",
                                  "R16 rev 0x000 0x0312",
                                  "R32 reg 0x000 0x00000000",
                                  "W16 reg 0x1FE 0xBEEF",
                                  "R32 rev 0x004 0x00000000",
                              }));
}

TEST_F(TraceTest, RealBoardsAreTracedToo) {
  FakeSysfs tree;
  tree.AddDevice("0000:02:00.0", kVendorId, kDeviceId, 0x2000, 0x10);
  tree.Use();
  StartTrace();
  uint32_t device = Open();
  Window reg = Registers(device);
  reg.Write32(0x1004, 0xCAFEF00D);
  reg.Read16(0x1006);
  EXPECT_EQ(ReadLines(path_),
            (std::vector<std::string>{"W32 reg 0x1004 0xCAFEF00D", "R16 reg 0x1006 0xCAFE"}));
}

TEST_F(TraceTest, TheTraceIsAppended) {
  WriteFile(path_, "earlier line\n");
  ASSERT_TRUE(sim::Configure("motion=off"));
  StartTrace();
  Registers(Open()).Read16(ZEMTRA_REG_FILTER);
  EXPECT_EQ(ReadLines(path_), (std::vector<std::string>{"earlier line", "R16 reg 0x01C 0x0000"}));
}

TEST_F(TraceTest, UnsetMeansNoTrace) {
  ASSERT_TRUE(sim::Configure("motion=off"));
  EXPECT_FALSE(trace::Active());
  Registers(Open()).Read16(ZEMTRA_REG_FILTER);
  EXPECT_FALSE(fs::exists(path_));
}

TEST_F(TraceTest, AnUnopenablePathGivesOneMessageAndTheLibraryWorksOn) {
  ASSERT_TRUE(sim::Configure("motion=off"));
  // The message shows the path with its control bytes escaped.
  std::string bad = (dir_.Path() / "no-such-dir\x1b]0;x\a" / "trace.txt").string();
  ::setenv("ZEMTRA_TRACE", bad.c_str(), 1);
  ::testing::internal::CaptureStderr();
  trace::Reload();
  Window reg = Registers(Open());
  reg.Write32(ZEMTRA_REG_A2_PRESET, 5);
  EXPECT_EQ(reg.Read32(ZEMTRA_REG_A2_PRESET), 5u);
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_FALSE(trace::Active());
  EXPECT_NE(err.find("ZEMTRA_TRACE"), std::string::npos) << err;
  EXPECT_NE(err.find((dir_.Path() / "no-such-dir\\x1b]0;x\\x07" / "trace.txt").string()), std::string::npos)
      << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

// What ZEMTRA_TRACE may name, made at `path`; a descriptor to close after
// the case, or -1.
struct TraceTarget {
  const char* name;
  int (*make)(const fs::path& path);
  bool traced;
  bool byAnotherUser = false;  // the library runs as nobody, the file is root's
};

const TraceTarget kTraceTargets[] = {
    {"RegularFile", [](const fs::path& path) { return WriteFile(path, ""), -1; }, true},
    {"SymbolicLink",
     [](const fs::path& path) {
       WriteFile(path.parent_path() / "target", "");
       fs::create_symlink(path.parent_path() / "target", path);
       return -1;
     },
     false},
    {"FifoWithoutReader", [](const fs::path& path) { return ::mkfifo(path.c_str(), 0600), -1; }, false},
    {"FifoWithReader",
     [](const fs::path& path) {
       ::mkfifo(path.c_str(), 0600);
       return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
     },
     false},
    {"Directory", [](const fs::path& path) { return fs::create_directory(path), -1; }, false},
    {"AnotherUsersFile",
     [](const fs::path& path) {
       WriteFile(path, "");
       fs::permissions(path, fs::perms(0666));
       return -1;
     },
     false, true},
};

void PrintTo(const TraceTarget& target, std::ostream* out) { *out << target.name; }

class TraceTargetTest : public TraceTest, public ::testing::WithParamInterface<TraceTarget> {};

// In a child process, with a deadline: an unsafe open of a FIFO never returns.
TEST_P(TraceTargetTest, OnlyARegularFileOfTheUsersOwnIsTraced) {
  const TraceTarget& target = GetParam();
  if (target.byAnotherUser && ::geteuid() != 0) GTEST_SKIP() << "needs root to own a file nobody may write";
  const int keep = target.make(path_);
  const ChildOutcome outcome = RunInChild([&] {
    if (target.byAnotherUser && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 10;
    ::setenv("ZEMTRA_TRACE", path_.c_str(), 1);
    trace::Reload();
    return trace::Active() ? 1 : 0;
  });
  if (keep >= 0) ::close(keep);
  EXPECT_EQ(outcome.status, target.traced ? 1 : 0) << "-1: hung or crashed\n" << outcome.err;
  EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), target.traced ? 0 : 1) << outcome.err;
}

INSTANTIATE_TEST_SUITE_P(Targets, TraceTargetTest, ::testing::ValuesIn(kTraceTargets),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(TraceTest, TheEnvironmentIsReadAtTheFirstFind) {
  ASSERT_TRUE(sim::Configure("motion=off"));
  ::setenv("ZEMTRA_TRACE", path_.c_str(), 1);
  // Reload marks the trace read; a fresh process reads it at the first find
  // or open. Here: read it now, as a fresh process would.
  trace::Reload();
  trace::EnsureLoaded();
  Registers(Open()).Read16(ZEMTRA_REG_SAMPLE);
  EXPECT_EQ(ReadLines(path_).size(), 1u);
}

}  // namespace
}  // namespace zemtra::pci::testing

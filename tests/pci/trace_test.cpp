// The register trace: ZEMTRA_TRACE=PATH appends one line per access.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "library_fixture.h"
#include "zemtra_registers.h"

namespace zemtra::test {
namespace {

using namespace pci;

class Trace : public Library {
 protected:
  void Start(const fs::path& path) {
    ::setenv("ZEMTRA_TRACE", path.c_str(), 1);
    trace::Reload();
  }
  TempDir dir_;
  fs::path path_ = dir_.Path() / "trace.txt";
};

// Simulated and real boards alike; nothing when unset. A path that cannot be
// opened gives one message, its control bytes escaped, and the library works on.
TEST_F(Trace, OneLinePerAccessInOrderAppended) {
  Boards("motion=off");
  Registers(OpenDevice()).Read16(ZEMTRA_REG_FILTER);
  EXPECT_FALSE(trace::Active() || fs::exists(path_));
  const std::string bad = (dir_.Path() / "no-such-dir\x1b]0;x\a" / "trace.txt").string();
  ::testing::internal::CaptureStderr();
  Start(bad);
  EXPECT_FALSE(trace::Active());
  Registers(OpenDevice()).Write32(ZEMTRA_REG_A2_PRESET, 5);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "libZemtra: ZEMTRA_TRACE: cannot open '" + (dir_.Path() / "no-such-dir\\x1b]0;x\\x07").string() +
                "/trace.txt' (No such file or directory); no register trace\n");
  tree_.AddDevice("0000:02:00.0", kVendorId, kDeviceId, 0x2000, 0x10);
  WriteFile(path_, "earlier line\n");
  Start(path_);
  ASSERT_TRUE(trace::Active());
  const Window real = Registers(OpenDevice(2));
  real.Write32(0x1004, 0xCAFEF00D);
  real.Read16(0x1006);
  const uint32_t device = OpenDevice(240);
  const Window reg = Registers(device), rev = Revision(device);
  reg.Write16(ZEMTRA_REG_SAMPLE, 0x0222);
  reg.Read16(ZEMTRA_REG_SAMPLE);
  reg.Write32(ZEMTRA_REG_A1_PRESET, 1000);
  reg.Read32(ZEMTRA_REG_FPGA1_PRODUCT);
  rev.Read16(ZEMTRA_REV_HARDWARE);
  reg.Write16(0x1FE, 0x8000);
  EXPECT_EQ(reg.Read32(ZEMTRA_REG_A2_PRESET), 5u);
  reg.Write32(ZEMTRA_REG_A2_PRESET, 0x80000000u);
  reg.Read32(ZEMTRA_REG_A2_PRESET);
  rev.Read32(0x004);
  EXPECT_EQ(ReadFile(path_),
            "earlier line\nW32 reg 0x1004 0xCAFEF00D\nR16 reg 0x1006 0xCAFE\nW16 reg 0x020 0x0222\n"
            "R16 reg 0x020 0x0222\nW32 reg 0x11C 0x000003E8\nR32 reg 0x030 0x0004D27B\nR16 rev 0x000 0x0312\n"
            "W16 reg 0x1FE 0x8000\nR32 reg 0x118 0x00000005\nW32 reg 0x118 0x80000000\nR32 reg 0x118 0x80000000\n"
            "R32 rev 0x004 0x00000000\n");
}

// What ZEMTRA_TRACE may name, made at `path`; a descriptor to close after, or -1.
struct TraceTarget : Named {
  int (*make)(const fs::path& path);
  bool traced;
  bool byAnotherUser = false;  // the library runs as nobody, the file is root's
};

class TraceTargets : public Trace, public ::testing::WithParamInterface<TraceTarget> {};

// In a child process, with a deadline: an unsafe open of a FIFO never returns.
TEST_P(TraceTargets, OnlyARegularFileOfTheUsersOwnIsTraced) {
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

INSTANTIATE_TEST_SUITE_P(
    Targets, TraceTargets,
    ::testing::Values(
        TraceTarget{"RegularFile", [](const fs::path& path) { return WriteFile(path, ""), -1; }, true},
        TraceTarget{"SymbolicLink",
                    [](const fs::path& path) {
                      WriteFile(path.parent_path() / "target", "");
                      fs::create_symlink(path.parent_path() / "target", path);
                      return -1;
                    },
                    false},
        TraceTarget{"FifoWithoutReader",
                    [](const fs::path& path) { return ::mkfifo(path.c_str(), 0600), -1; }, false},
        TraceTarget{"FifoWithReader",
                    [](const fs::path& path) {
                      ::mkfifo(path.c_str(), 0600);
                      return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
                    },
                    false},
        TraceTarget{"Directory", [](const fs::path& path) { return fs::create_directory(path), -1; }, false},
        TraceTarget{"AnotherUsersFile",
                    [](const fs::path& path) {
                      WriteFile(path, "");
                      fs::permissions(path, fs::perms(0666));
                      return -1;
                    },
                    false, true}),
    RowName());

}  // namespace
}  // namespace zemtra::test

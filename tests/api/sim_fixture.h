// Shared set-up of the library's tests: simulated boards with motion off, the
// first one opened, its access log on, and a way to compare what the board
// saw with what a function must do.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "handle_faults.h"
#include "pci/sim_control.h"
#include "zemtra.h"

namespace zemtra::test {

using pci::Access;
using pci::WindowKind;

// One access a function must make. Reads compare op, width, window and
// offset only: what a read returns is the board's business.
struct Expected {
  char op;
  uint8_t width;
  uint32_t offset;
  uint32_t value = 0;
  WindowKind kind = WindowKind::kRegister;
};

inline Expected R16(uint32_t offset) { return {'R', 16, offset}; }
inline Expected R32(uint32_t offset) { return {'R', 32, offset}; }
inline Expected W16(uint32_t offset, uint32_t value) { return {'W', 16, offset, value}; }
inline Expected W32(uint32_t offset, uint32_t value) { return {'W', 32, offset, value}; }
inline Expected Rev16(uint32_t offset) { return {'R', 16, offset, 0, WindowKind::kRevision}; }

inline std::string Describe(const Access& access) {
  char text[64];
  std::snprintf(text, sizeof text, "%c%u %s 0x%03X 0x%08X", access.op, access.width,
                access.kind == WindowKind::kRegister ? "reg" : "rev", access.offset, access.value);
  return text;
}

inline ::testing::AssertionResult SameSequence(const std::vector<Access>& seen,
                                               const std::vector<Expected>& wanted) {
  bool same = seen.size() == wanted.size();
  for (std::size_t i = 0; same && i < seen.size(); ++i) {
    const Access& a = seen[i];
    const Expected& e = wanted[i];
    same = a.op == e.op && a.width == e.width && a.offset == e.offset && a.kind == e.kind &&
           (a.op == 'R' || a.value == e.value);
  }
  if (same) {
    return ::testing::AssertionSuccess();
  }
  auto failure = ::testing::AssertionFailure() << "the board saw:\n";
  for (const Access& a : seen) {
    failure << "  " << Describe(a) << "\n";
  }
  failure << "wanted:\n";
  for (const Expected& e : wanted) {
    failure << "  " << e.op << int{e.width} << " 0x" << std::hex << e.offset << " 0x" << e.value
            << std::dec << "\n";
  }
  return failure;
}

class SimBoardTest : public ::testing::Test {
 protected:
  // The simulated boards these tests run on; a test may reconfigure.
  virtual const char* SimConfig() const { return "boards=2,motion=off"; }

  void SetUp() override {
    // Real boards of the machine running the tests would be listed first.
    ::setenv("ZEMTRA_SYSFS_ROOT", "/nonexistent/zemtra-tests", 1);
    ASSERT_TRUE(pci::sim::Configure(SimConfig()));
    ASSERT_EQ(ZemtraOpen(nullptr, &handle_, nullptr), ZEMTRA_SUCCESS);
    for (int board = 0; board < pci::sim::BoardCount(); ++board) {
      pci::sim::SetAccessLog(board, true);
    }
  }

  void TearDown() override {
    faults::Clear();
    pci::sim::ClearForcedResults();
    if (handle_ != 0) {
      EXPECT_EQ(ZemtraClose(&handle_), ZEMTRA_SUCCESS);
    }
    pci::sim::Configure("");
    ::unsetenv("ZEMTRA_SYSFS_ROOT");
  }

  // What board `board` saw since the last call.
  static std::vector<Access> Log(int board = 0) { return pci::sim::TakeAccessLog(board); }

  DeviceHandle handle_ = 0;
};

}  // namespace zemtra::test

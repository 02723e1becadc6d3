// peek and poke: the access the library makes (seen in its register trace) is
// exactly the one asked for, and bad offsets and values never reach the board.
#include <gtest/gtest.h>

#include <algorithm>

#include "tool_runner.h"

namespace zemtra::cli::test {
namespace {

struct Traced {
  ToolRun run;
  std::vector<std::string> trace;
};

Traced RunTraced(const std::vector<std::string>& args) {
  TraceFile trace;
  Traced result;
  result.run = RunTool(args, {.env = {{"ZEMTRA_SIM", "1"}, {"ZEMTRA_TRACE", trace.path()}}});
  result.trace = trace.lines();
  return result;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Accesses beyond the one ZemtraOpen makes for the board identification.
std::vector<std::string> AccessesAfterOpen(const std::vector<std::string>& trace) {
  return trace.empty() ? trace : std::vector<std::string>(trace.begin() + 1, trace.end());
}

TEST(Peek, PrintsWhatTheLibraryReadAtThatOffsetAndWidth) {
  const Traced product = RunTraced({"peek", "0x30"});
  ASSERT_EQ(product.run.status, 0) << product.run.err;
  EXPECT_EQ(product.run.out, "0x0004D27B\n");
  EXPECT_EQ(AccessesAfterOpen(product.trace), std::vector<std::string>{"R32 reg 0x030 0x0004D27B"});

  // Decimal offsets work too; 0x012 is a 16-bit register in the map.
  const Traced status = RunTraced({"peek", "18"});
  ASSERT_EQ(status.run.status, 0) << status.run.err;
  EXPECT_EQ(status.run.out, "0x0000\n");
  EXPECT_EQ(AccessesAfterOpen(status.trace), std::vector<std::string>{"R16 reg 0x012 0x0000"});

  // An explicit width overrides the map: the low half of a 32-bit register.
  const Traced half = RunTraced({"peek", "0x30", "--width", "16"});
  EXPECT_EQ(half.run.out, "0xD27B\n");
  EXPECT_EQ(AccessesAfterOpen(half.trace), std::vector<std::string>{"R16 reg 0x030 0xD27B"});
}

TEST(Poke, WritesExactlyTheValueGiven) {
  const Traced wide = RunTraced({"poke", "0x11C", "0x12345678"});
  ASSERT_EQ(wide.run.status, 0) << wide.run.err;
  EXPECT_EQ(AccessesAfterOpen(wide.trace), std::vector<std::string>{"W32 reg 0x11C 0x12345678"});

  const Traced negative = RunTraced({"poke", "0x118", "-2"});
  EXPECT_EQ(AccessesAfterOpen(negative.trace), std::vector<std::string>{"W32 reg 0x118 0xFFFFFFFE"});

  const Traced word = RunTraced({"poke", "28", "-1"});
  ASSERT_EQ(word.run.status, 0) << word.run.err;
  EXPECT_EQ(AccessesAfterOpen(word.trace), std::vector<std::string>{"W16 reg 0x01C 0xFFFF"});
}

TEST(Poke, ThenPeekOnTheSameBoardRoundTrips) {
  // Each run is a fresh process with a fresh simulated board, so the round trip
  // is checked in the trace: the value poked is the value the board was given,
  // and a peek prints the value the board gave back.
  const Traced poke = RunTraced({"poke", "0x018", "0x0BADCAFE"});
  EXPECT_TRUE(Contains(poke.trace, "W32 reg 0x018 0x0BADCAFE"));
  const Traced peek = RunTraced({"peek", "0x018"});
  ASSERT_EQ(peek.trace.size(), 2u);
  EXPECT_EQ(peek.trace[1], "R32 reg 0x018 " + peek.run.out.substr(0, peek.run.out.size() - 1));
}

TEST(RegisterAccess, OffsetsOutsideTheWindowNeverReachTheBoard) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"peek", "0x134", "--width", "16"},
           {"peek", "0x132", "--width", "32"},
           {"peek", "0x10000000", "--width", "32"},
           {"peek", "-4", "--width", "32"},
           {"poke", "0x7FFFFFFC", "1", "--width", "32"}}) {
    const Traced result = RunTraced(args);
    EXPECT_EQ(result.run.status, 2) << args[1];
    EXPECT_NE(result.run.err.find("outside the register window"), std::string::npos) << result.run.err;
    EXPECT_TRUE(result.trace.empty()) << args[1];
  }
}

TEST(RegisterAccess, MisalignedOffsetsAreRefusedByTheLibraryByName) {
  const Traced word = RunTraced({"peek", "0x11", "--width", "16"});
  EXPECT_EQ(word.run.status, 1);
  EXPECT_EQ(word.run.err,
            "zemtra: ZemtraReadRegisterWord: Invalid register address for this operation (21)\n");
  const Traced wide = RunTraced({"poke", "0x112", "5", "--width", "32"});
  EXPECT_EQ(wide.run.status, 1);
  EXPECT_NE(wide.run.err.find("ZemtraWriteRegisterLong: Invalid register address"), std::string::npos);
  EXPECT_EQ(AccessesAfterOpen(wide.trace), std::vector<std::string>{});
}

TEST(RegisterAccess, BadNumbersWidthsAndValuesAreUsageErrors) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"peek", "0xZZ"},
           {"peek", "0x002"},  // not the start of a register: the width must be given
           {"peek", "0x30", "--width", "8"},
           {"peek"},
           {"peek", "0x30", "0x40"},
           {"poke", "0x1C"},
           {"poke", "0x1C", "0x10000"},   // too wide for a 16-bit register
           {"poke", "0x1C", "-32769"},
           {"poke", "0x11C", "4294967296"},
           {"poke", "0x11C", "0x123456789"}}) {
    const Traced result = RunTraced(args);
    EXPECT_EQ(result.run.status, 2) << args.back();
    EXPECT_FALSE(result.run.err.empty());
    EXPECT_EQ(AccessesAfterOpen(result.trace), std::vector<std::string>{}) << args.back();
  }
}

}  // namespace
}  // namespace zemtra::cli::test

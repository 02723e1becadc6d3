// preset, clear and wait-irq: the board sees the intended sequence, signal
// errors are reported by name, and interrupt settings are put back.
#include <gtest/gtest.h>

#include "tool_runner.h"

namespace zemtra::cli::test {
namespace {

struct Traced {
  ToolRun run;
  std::vector<std::string> trace;
};

Traced RunTraced(const std::string& sim, const std::vector<std::string>& args) {
  TraceFile trace;
  Traced result;
  result.run = RunTool(args, {.env = {{"ZEMTRA_SIM", sim}, {"ZEMTRA_TRACE", trace.path()}}});
  result.trace = trace.lines();
  return result;
}

std::vector<std::string> Writes(const std::vector<std::string>& trace, const std::string& offset) {
  std::vector<std::string> values;
  for (const std::string& line : trace) {
    if (line.starts_with("W") && line.find(" reg " + offset + " ") != std::string::npos) {
      values.push_back(line.substr(line.rfind(' ') + 1));
    }
  }
  return values;
}

TEST(Preset, LoadsEachAxisItsOwnValue) {
  const Traced all = RunTraced("1", {"preset", "A1=5", "a2=-1", "A3=0x10"});
  ASSERT_EQ(all.run.status, 0) << all.run.err;
  EXPECT_EQ(Writes(all.trace, "0x11C"), std::vector<std::string>{"0x00000005"});
  EXPECT_EQ(Writes(all.trace, "0x118"), std::vector<std::string>{"0xFFFFFFFF"});
  EXPECT_EQ(Writes(all.trace, "0x018"), std::vector<std::string>{"0x00000010"});

  const Traced one = RunTraced("1", {"preset", "A3=7"});
  ASSERT_EQ(one.run.status, 0) << one.run.err;
  EXPECT_EQ(Writes(one.trace, "0x018"), std::vector<std::string>{"0x00000007"});
  EXPECT_TRUE(Writes(one.trace, "0x11C").empty());
  EXPECT_TRUE(Writes(one.trace, "0x118").empty());
}

TEST(Preset, ASignalErrorAfterThePresetFailsAndNamesIt) {
  const Traced run = RunTraced("nosig=A2", {"preset", "A1=1", "A2=2", "A3=3"});
  EXPECT_EQ(run.run.status, 1);
  EXPECT_EQ(run.run.err,
            "zemtra: ZemtraPresetRawAll: Error or invalid data on axis or reference (25); status 0x0001: A2 No Sig\n");
}

TEST(Preset, BadAssignmentsAreUsageErrors) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"preset"}, {"preset", "A4=1"}, {"preset", "A1"}, {"preset", "A1=x"}, {"preset", "A1=1", "A1=2"},
           {"preset", "=5"}, {"preset", "A1=99999999999"}}) {
    const Traced run = RunTraced("1", args);
    EXPECT_EQ(run.run.status, 2) << args.back();
    EXPECT_TRUE(run.trace.empty()) << args.back();
  }
}

TEST(Clear, ClearsWhatIsLatchedAndShowsWhatLatchesAgain) {
  const Traced run = RunTraced("nosig=A2+A3", {"clear"});
  ASSERT_EQ(run.run.status, 0) << run.run.err;
  EXPECT_EQ(Writes(run.trace, "0x112"), std::vector<std::string>{"0x0001"});
  EXPECT_EQ(Writes(run.trace, "0x012"), std::vector<std::string>{"0x0001"});
  EXPECT_EQ(run.run.out, "Status after clearing 0x0101  A3 No Sig, A2 No Sig\n");
}

TEST(WaitIrq, ReportsTheSourceThatLatchedAndRestoresTheSettings) {
  const Traced run = RunTraced("nosig=A2", {"wait-irq", "--source", "A2.nosig", "--timeout", "10"});
  ASSERT_EQ(run.run.status, 0) << run.run.err;
  EXPECT_EQ(run.run.out, "Interrupt: A2 No Sig\nStatus 0x0001  A2 No Sig\n");
  // Mask: A2 No Sig enabled, then the old (empty) mask back.
  EXPECT_EQ(Writes(run.trace, "0x016"), (std::vector<std::string>{"0x0001", "0x0000"}));
  // IRQ Enable lands at bits 12 and 4 of 0x010, and is taken back afterwards.
  EXPECT_EQ(Writes(run.trace, "0x010"), (std::vector<std::string>{"0x1010", "0x0000"}));
}

TEST(WaitIrq, SeveralSourcesInOneOption) {
  const Traced run = RunTraced("nosig=A3", {"wait-irq", "--source", "a1.glitch,A3.NOSIG", "--timeout", "10"});
  ASSERT_EQ(run.run.status, 0) << run.run.err;
  EXPECT_EQ(Writes(run.trace, "0x016").front(), "0x0210");
  EXPECT_EQ(run.run.out.substr(0, run.run.out.find('\n')), "Interrupt: A3 No Sig");
}

TEST(WaitIrq, TimesOutWhenNothingLatches) {
  const Traced run = RunTraced("1", {"wait-irq", "--source", "REF.nosig", "--timeout", "0.2"});
  EXPECT_EQ(run.run.status, 1);
  EXPECT_EQ(run.run.err, "zemtra: no interrupt within 0.2 s\n");
  EXPECT_EQ(Writes(run.trace, "0x016").back(), "0x0000");
}

TEST(WaitIrq, CtrlCEndsTheWaitAndRestoresTheSettings) {
  TraceFile trace;
  const ToolRun run = RunTool({"wait-irq", "--source", "A1.nosig"},
                              {.env = {{"ZEMTRA_SIM", "1"}, {"ZEMTRA_TRACE", trace.path()}}, .interruptAfterMs = 300});
  EXPECT_EQ(run.status, 130) << run.err;
  EXPECT_EQ(Writes(trace.lines(), "0x016").back(), "0x0000");
}

TEST(WaitIrq, BadSourcesAreUsageErrors) {
  for (const char* source : {"A4.nosig", "A1", "A1.noise", "REF.", ""}) {
    const ToolRun run = RunSim("1", {"wait-irq", "--source", source});
    EXPECT_EQ(run.status, 2) << source;
  }
  EXPECT_EQ(RunSim("1", {"wait-irq"}).status, 2);
  for (const char* timeout : {"0", "-1", "1e400", "nan"}) {
    EXPECT_EQ(RunSim("1", {"wait-irq", "--source", "A1.nosig", "--timeout", timeout}).status, 2) << timeout;
  }
}

}  // namespace
}  // namespace zemtra::cli::test

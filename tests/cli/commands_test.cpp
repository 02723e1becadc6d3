// Every command as a user runs it (exit status, output, register trace); read's units, pacing and summary.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <regex>
#include <set>

#include "pacing.h"
#include "tool_runner.h"

namespace zemtra::cli::test {
namespace {

struct Case {
  const char* name;
  const char* args;  // words separated by single spaces
  ToolSetup setup = {};
  int status = 0;
  std::string out = R"([\s\S]*)";  // a regular expression for the whole of standard output
  std::string err = "";            // all of standard error if it ends a line (or is ""), else a part
  std::vector<std::string> trace = {};  // exactly the trace's accesses of the kinds (R16, W32...) named here
};

const std::string kNoBoard =
    "zemtra: no Zemtra board found: set ZEMTRA_SIM=1 for a simulated board, or give your user access to the "
    "real one (README, \"Real boards on Linux\")\n";
const std::string kSimIds = "FPGA1 0x0004D27B rev 0x00020104  FPGA2 0x0004D27C rev 0x00020103  hardware rev 0x0312";
std::string SimJson(const char* slot, const char* product) {
  return std::string(R"(\{"bus": 240, "slot": )") + slot + R"(, "fpga1_product": )" + product +
         R"(, "fpga1_revision": 131332, "fpga2_product": 316028, "fpga2_revision": 131331, "hardware_revision": 786\})";
}
const std::string kFileBoardWarning = "zemtra: warning: board 3:14 identifies as 0xFFFFFFFF, not 0x4D27B\n";

// wait-irq writes the mask, IRQ Enable, the sources' status bits; at the end the (empty) mask and configuration.
std::vector<std::string> WaitIrqWrites(const std::string& mask, const std::string& a1a2, const std::string& a3ref) {
  return {"W16 reg 0x016 " + mask, "W16 reg 0x110 0x0000", "W16 reg 0x010 0x1010", "W16 reg 0x112 " + a1a2,
          "W16 reg 0x012 " + a3ref, "W16 reg 0x016 0x0000", "W16 reg 0x110 0x0000", "W16 reg 0x010 0x0000"};
}

const Case kCases[] = {
    // Without a board a command says in one line how to get one (every command opens its board alike).
    {"NoBoardList", "list", {.sim = ""}, 1, "", kNoBoard},
    {"NoBoardListJson", "list --json", {.sim = ""}, 1, R"(\[\n\]\n)", kNoBoard},
    {"NoBoardRead", "read --count 1", {.sim = ""}, 1, "", kNoBoard},

    // list: real boards in the order the library finds them, then the simulated ones.
    {"List", "list", {.sim = "2", .sysfs = SysfsBoard::kFile}, 0,
     "3:14    FPGA1 0xFFFFFFFF rev 0xFFFFFFFF  FPGA2 0xFFFFFFFF rev 0xFFFFFFFF  hardware rev 0xFFFF\n240:0   " +
         kSimIds + "\n240:1   " + kSimIds + "\n", kFileBoardWarning},
    {"ListJson", "list --json", {.sim = "boards=2,id=0x1"}, 0,
     "\\[\n  " + SimJson("0", "1") + ",\n  " + SimJson("1", "1") + "\n\\]\n",
     "zemtra: warning: board 240:0 identifies as 0x1, not 0x4D27B\n"
     "zemtra: warning: board 240:1 identifies as 0x1, not 0x4D27B\n"},
    {"ListUnopenable", "list", {.sysfs = SysfsBoard::kUnopenable}, 1,
     "3:14    cannot be read: ZemtraOpen: .*\n240:0   " + kSimIds + "\n"},
    {"ListUnopenableJson", "list --json", {.sysfs = SysfsBoard::kUnopenable}, 1,
     R"(\[\n  \{"bus": 3, "slot": 14, "error": "ZemtraOpen: .*"\},\n  )" + SimJson("0", "316027") + "\n\\]\n"},
    {"ListToAFullDisk", "list", {.stdoutTo = StdoutTo::kDevFull}, 1, "",
     "zemtra: cannot write the output: No space left on device\n"},

    // info: the words decoded into the names of the register map.
    {"Info", "info", {.sim = "nosig=REF"}, 0,
     "Board              240:0\nFPGA 1             product 0x0004D27B  revision 0x00020104\n"
     "FPGA 2             product 0x0004D27C  revision 0x00020103\nHardware revision  0x0312\n"
     "Library revision   0x10\nStatus             0x1105  Ref No Sig, A3 No Sig, A1 No Sig, A2 No Sig\n"
     "Configuration      0x0000  -\nInterrupt mask     0x0000  -\nFilter             0x0000  -\n"
     "Sample status      0x0000  -\n"},
    {"InfoEveryBit", "info 3:14", {.sysfs = SysfsBoard::kFile}, 0, "Board              3:14\n[\\s\\S]*\n"
     "Status             0xFFFF  Ref Glitch, Ref No Sig, A3 Glitch, A3 No Sig, A1 Glitch, A1 No Sig, A2 Glitch, "
     "A2 No Sig\nConfiguration      0xFFFF  IRQ Enable, A3 Dir, A1 Dir, A2 Dir\n"
     "Interrupt mask     0xFFFF  Ref Glitch, Ref No Sig, A1 Glitch, A1 No Sig, A3 Glitch, A3 No Sig, A2 Glitch, "
     "A2 No Sig\nFilter             0xFFFF  Enable, Kv1, Kv0, Kp1, Kp0\n"
     "Sample status      0xFFFF  A1 Smp Valid, A1 Pre Error, A3 Smp Valid, A3 Pre Error, A2 Smp Valid, A2 Pre Error\n",
     kFileBoardWarning},
    {"InfoSecondBoard", "info 240:1", {.sim = "2"}, 0, "Board              240:1\n[\\s\\S]*"},
    {"InfoNoSuchBoard", "info 240:14", {.sysfs = SysfsBoard::kFile}, 1, "",
     "zemtra: no board at 240:14; boards found: 3:14 240:0\n"},
    {"InfoBadBoard", "info 1:2:3", {}, 2, "", "expected BUS:SLOT"},

    // peek and poke: exactly the access asked for, on the board asked for.
    {"PeekHex", "peek 0x30", {}, 0, "0x0004D27B\n", "",
     {"R32 reg 0x030 0x0004D27B", "R32 reg 0x030 0x0004D27B"}},  // the first is the open's
    {"PeekDecimalWord", "peek 18", {}, 0, "0x0000\n", "", {"R16 reg 0x012 0x0000"}},
    {"PeekLowHalf", "peek 0x30 --width 16", {}, 0, "0xD27B\n", "", {"R16 reg 0x030 0xD27B"}},
    {"PeekLastLong", "peek 0x130", {}, 0, "0x0004D27C\n", "", {"R32 reg 0x030 0x0004D27B", "R32 reg 0x130 0x0004D27C"}},
    {"PeekPastWindow", "peek 0x134 --width 16", {}, 2, "",
     "outside the register window (0x000 to 0x132 for 16-bit access)"},
    {"PeekMisaligned", "peek 0x11 --width 16", {}, 1, "",
     "zemtra: ZemtraReadRegisterWord: Invalid register address for this operation (21)\n"},
    {"PeekSimBoard", "peek 240:0 0x30", {.sysfs = SysfsBoard::kFile}, 0, "0x0004D27B\n"},
    {"PokeNegativeLong", "poke 0x118 -2", {}, 0, "", "", {"W32 reg 0x118 0xFFFFFFFE"}},
    {"PokeNegativeWord", "poke 28 -1", {}, 0, "", "", {"W16 reg 0x01C 0xFFFF"}},
    {"PokeWordTopBit", "poke 0x16 0x8000", {}, 0, "", "", {"W16 reg 0x016 0x8000"}},
    {"PokeSimBoard", "poke 240:0 0x11C 5", {.sysfs = SysfsBoard::kFile}, 0, "", "",
     {"R32 reg 0x030 0x0004D27B", "W32 reg 0x11C 0x00000005"}},

    {"PresetEveryAxis", "preset A1=5 a2=-1 A3=0x10", {}, 0, "", "",
     {"W32 reg 0x11C 0x00000005", "W32 reg 0x118 0xFFFFFFFF", "W32 reg 0x018 0x00000010"}},
    {"PresetSimBoard", "preset 240:0 A2=9", {.sysfs = SysfsBoard::kFile}, 0, "", "", {"W32 reg 0x118 0x00000009"}},
    {"PresetWithoutSignal", "preset A1=1 A2=2 A3=3", {.sim = "nosig=A2"}, 1, "",
     "zemtra: ZemtraPresetRawAll: Error or invalid data on axis or reference (25); status 0x0001: A2 No Sig\n"},
    {"Clear", "clear", {.sim = "nosig=A2+A3"}, 0, "Status after clearing 0x0101  A3 No Sig, A2 No Sig\n", "",
     {"W16 reg 0x112 0x0001", "W16 reg 0x012 0x0001"}},
    {"WaitIrq", "wait-irq --source A2.nosig --timeout 10", {.sim = "nosig=A2"}, 0,
     "Interrupt: A2 No Sig\nStatus 0x0001  A2 No Sig\n", "", WaitIrqWrites("0x0001", "0x0001", "0x0000")},
    {"WaitIrqTwoSources", "wait-irq --source a1.glitch,A3.NOSIG --timeout 10", {.sim = "nosig=A3"}, 0,
     "Interrupt: A3 No Sig\nStatus 0x0100  A3 No Sig\n", "", WaitIrqWrites("0x0210", "0x0008", "0x0001")},
    {"WaitIrqTimesOut", "wait-irq --source REF.nosig --timeout 0.001", {}, 1, "",
     "zemtra: no interrupt within 0.001 s\n", WaitIrqWrites("0x1000", "0x0000", "0x0010")},
    {"WaitIrqCtrlC", "wait-irq --source A1.nosig", {.interruptAfterMs = 300}, 130, "",
     "zemtra wait-irq: stopped before any interrupt\n", WaitIrqWrites("0x0100", "0x0004", "0x0000")},

    // read: the forms of its records and the ways a run ends.
    {"ReadTableMm", "read --count 1 --units mm --preset A1=1000000,A2=-123456789,A3=-2147483648",
     {.sim = "motion=off"}, 0,
     "        time_s       a1_pos_mm     a1_vel_mm_s       a2_pos_mm     a2_vel_mm_s       a3_pos_mm     a3_vel_mm_s\n"
     " +[0-9]\\.[0-9]{9} +0\\.61798793 +0\\.0000 +-76\\.29480537 +0\\.0000 +-1327\\.11897249 +0\\.0000\n",
     "zemtra read: samples 1, invalid 0\n"},
    {"ReadTableInch", "read --count 1 --units inch --preset A2=-123456789,A3=-2147483648", {.sim = "motion=off"}, 0,
     "[\\s\\S]*_in_s\n +[0-9]\\.[0-9]{9} +0\\.000000000 +0\\.0000 +-3\\.003732495 +0\\.0000 +-52\\.248778445 "
     "+0\\.0000\n", "zemtra read: samples 1, invalid 0\n"},
    {"ReadTableMmGrouped", "read --count 1 --units mm --preset A3=-2147483648",
     {.sim = "motion=off", .env = {{"LC_ALL", "en_US.UTF-8"}}}, 0, "[\\s\\S]* -1,327\\.11897249 +0\\.0000\n",
     "zemtra read: samples 1, invalid 0\n"},
    {"ReadTableInvalid", "read --count 1", {.sim = "nosig=A3"}, 0,
     "[\\s\\S]*\n +[0-9]\\.[0-9]{9}( +-?[0-9]+){4}         invalid         invalid\n",
     "zemtra read: samples 1, invalid 1\n"},
    {"ReadCsvInvalid", "read --count 3 --format csv", {.sim = "nosig=A2"}, 0,
     "time_s,a1_pos,a1_vel,a1_valid,a2_pos,a2_vel,a2_valid,a3_pos,a3_vel,a3_valid\n"
     "([0-9]\\.[0-9]{9},-?[0-9]+,-?[0-9]+,1,,,0,-?[0-9]+,-?[0-9]+,1\n){3}", "zemtra read: samples 3, invalid 3, rate "},
    {"ReadJsonInvalid", "read --count 1 --format json", {.sim = "nosig=REF"}, 0,
     R"(\{"time_s": [0-9]\.[0-9]{9}, "a1_pos": null, "a1_vel": null, "a1_valid": false, "a2_pos": null, )"
     R"("a2_vel": null, "a2_valid": false, "a3_pos": null, "a3_vel": null, "a3_valid": false\}\n)",
     "zemtra read: samples 1, invalid 1\n"},
    {"ReadSlowestRate", "read --count 1 --rate 0.001", {}, 0, R"([\s\S]*)",
     "zemtra read: samples 1, invalid 0, lateness median "},
    {"ReadProgressInAFile", "read --count 130 --rate 100 --format csv", {}, 0, R"([\s\S]*)",
     "/130 samples\nzemtra read: samples 130, invalid 0, rate "},
    {"ReadPresetWithoutSignal", "read --count 1 --preset A2=5", {.sim = "nosig=A2"}, 1, "",
     "ZemtraPresetRaw: Error or invalid data on axis or reference (25)"},
    {"ReadCtrlC", "read --rate 100 --format csv", {.interruptAfterMs = 400}, 0,
     "time_s,[^\n]*\n([0-9.]+(,[^,\n]*){9}\n)+", "zemtra read: samples "},
    {"ReadToAFullDisk", "read --count 100000 --format csv", {.stdoutTo = StdoutTo::kDevFull}, 1, "",
     "zemtra: cannot write the output: No space left on device\n"},
    // zemtra read | less, with less not reading: the stop must not wait for it.
    {"ReadTermBlocked", "read --format csv", {.stdoutTo = StdoutTo::kStalledPipe, .stopSignal = SIGTERM}, 0, "",
     "zemtra read: samples "},
    {"ReadToAClosedPipe", "read --format csv", {.stdoutTo = StdoutTo::kClosedPipe}, 0, "", "zemtra read: samples "},
};

class Command : public testing::TestWithParam<Case> {};

TEST_P(Command, RunsAsDocumented) {
  const Case& expected = GetParam();
  ToolSetup setup = expected.setup;
  setup.trace = !expected.trace.empty() || expected.status == 2;
  const ToolRun run = RunTool(Split(expected.args, ' '), setup);
  EXPECT_EQ(run.status, expected.status) << run.err;
  EXPECT_TRUE(std::regex_match(run.out, std::regex(expected.out))) << run.out;
  const bool wholeError = expected.err.empty() || expected.err.ends_with('\n');
  EXPECT_TRUE(wholeError ? run.err == expected.err : run.err.find(expected.err) != std::string::npos) << run.err;
  std::set<std::string> kinds;
  for (const std::string& line : expected.trace) kinds.insert(line.substr(0, line.find(' ')));
  std::vector<std::string> accesses;
  std::ranges::copy_if(run.trace, std::back_inserter(accesses),
                       [&](const std::string& line) { return kinds.contains(line.substr(0, line.find(' '))); });
  EXPECT_EQ(accesses, expected.trace);
  EXPECT_TRUE(expected.status != 2 || run.trace.empty());
}

INSTANTIATE_TEST_SUITE_P(Cli, Command, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& row) { return std::string(row.param.name); });

// Arguments that are refused before any board is opened (a final space: an empty last word).
const char* const kUsageErrors[] = {
    "", "frobnicate", "list --bogus", "info x:1", "info 1:", "info -1:2", "read --count 0", "read --count x",
    "read --count 18446744073709551616", "read --count 5x", "read --rate nan", "read --rate 1e400", "read --rate 2e6",
    "read --rate -5", "read --units furlong", "read --fold 2,3,4", "read --fold 2,4", "read --format xml",
    "read --preset A1=0x1FFFFFFFF", "peek", "peek 0xZZ", "peek 0x002", "peek 0x30 --width 8", "peek 0x30 0x40",
    "peek 0x132 --width 32", "peek 0x10000000 --width 32", "peek -4 --width 32", "poke 0x1C", "poke 0x1C 0x10000",
    "poke 0x1C -32769", "poke 0x11C 0x123456789", "poke 0x7FFFFFFC 1 --width 32", "preset", "preset A4=1", "preset A1",
    "preset A1=1 A1=2", "preset A1=99999999999", "wait-irq", "wait-irq --source A4.nosig", "wait-irq --source A1",
    "wait-irq --source A1.noise", "wait-irq --source REF.", "wait-irq --source ",
    "wait-irq --source A1.nosig --timeout 0", "wait-irq --source A1.nosig --timeout 1e8",
};

TEST(UsageError, IsRefusedBeforeAnyBoardIsTouched) {
  for (const char* args : kUsageErrors) {
    const ToolRun run = RunTool(Split(args, ' '), {.trace = true});
    EXPECT_EQ(std::tuple(run.status, run.out, run.err.empty(), run.trace.size()), std::tuple(2, "", false, 0u))
        << args << ": " << run.err;
  }
}

// Helium-neon wavelength in air, in mm; one position count is lambda / 512 / fold,
// one velocity count is one position count per 4096 / 20 MHz.
constexpr long double kWavelengthMm = 632.819639441319e-6L, kCountsPerVelocityCount = 20e6L / 4096;

// The first record of a CSV or JSON run: its numbers by field name (true as 1).
std::map<std::string, long double> FirstRecord(const ToolRun& run) {
  std::map<std::string, long double> record;
  const std::vector<std::string> lines = Lines(run.out);
  if (lines.size() == 1) {
    const std::regex field(R"re("(\w+)": (true|false|[-0-9.e+]+))re");
    for (std::sregex_iterator it(lines[0].begin(), lines[0].end(), field), end; it != end; ++it) {
      record[(*it)[1]] = (*it)[2] == "true" ? 1 : std::strtold((*it)[2].str().c_str(), nullptr);
    }
  } else if (lines.size() == 2) {
    const auto names = Split(lines[0], ','), values = Split(lines[1], ',');
    for (size_t i = 0; i < names.size() && i < values.size(); ++i) record[names[i]] = std::stold(values[i]);
  }
  return record;
}

// The board in the fake sysfs tree reads -1 for every position and velocity count.
TEST(ReadUnits, FollowTheWavelengthAndEachAxisFold) {
  for (const std::string units : {"mm", "inch"}) {
    for (const std::string format : {"csv", "json"}) {
      const std::string args = "read 3:14 --count 1 --fold 2,4,8 --format " + format + " --units " + units;
      const ToolRun run = RunTool(Split(args, ' '), {.sysfs = SysfsBoard::kFile});
      ASSERT_EQ(run.status, 0) << run.err;
      const auto record = FirstRecord(run);
      const std::string suffix = units == "inch" ? "_in" : "_mm";
      for (int axis = 0; axis < 3; ++axis) {
        const std::string name = "a" + std::to_string(axis + 1);
        const long double position = -kWavelengthMm / 512 / (2 << axis) / (units == "inch" ? 25.4L : 1);
        const long double velocity = position * kCountsPerVelocityCount;
        SCOPED_TRACE(name + " " + format + "\n" + run.out);
        EXPECT_LE(std::fabs(record.at(name + "_pos" + suffix) / position - 1), 1e-15L);
        EXPECT_LE(std::fabs(record.at(name + "_vel" + suffix + "_s") / velocity - 1), 1e-15L);
        EXPECT_EQ(record.at(name + "_valid"), 1);
      }
    }
  }
}

TEST(Read, PacedSamplesKeepTheirDeadlinesAndTheSummaryTheirRate) {
  const ToolRun run = RunTool(Split("read --count 5 --rate 200 --format csv", ' '));
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 6u) << run.out << run.err;
  for (size_t k = 1; k < lines.size(); ++k) EXPECT_GE(std::stod(lines[k]), 0.005 * static_cast<double>(k - 1) - 1e-9);
  std::smatch rate;
  ASSERT_TRUE(std::regex_search(run.err, rate, std::regex(R"(, rate ([0-9.]+)/s, lateness median [0-9.]+ ms, )"
                                                           R"(worst [0-9.]+ ms, deadlines skipped [0-9]+\n)")))
      << run.err;
  // Four intervals between the first and the last sample start.
  EXPECT_NEAR(std::stod(rate[1]), 4 / (std::stod(lines[5]) - std::stod(lines[1])), 0.051) << run.err;
}

TEST(Pacer, KeepsTheGridWhenOnTimeAndSkipsAfterAStallInsteadOfBursting) {
  constexpr int64_t kPeriod = 1'000'000;  // 1 ms
  Pacer pacer(kPeriod, 5'000);
  pacer.Advance(5'000 + kPeriod + 999'999);  // late, but within a period
  EXPECT_EQ(pacer.deadlineNs(), 5'000 + kPeriod);
  pacer.Advance(5'000 + 4 * kPeriod + 500'000);  // stalled through deadlines 2, 3 and 4
  EXPECT_EQ(pacer.deadlineNs(), 5'000 + 4 * kPeriod) << "the latest deadline not after now";
  EXPECT_EQ(pacer.skipped(), 2u);
  pacer.Advance(5'000 + 4 * kPeriod + 600'000);
  EXPECT_EQ(pacer.deadlineNs(), 5'000 + 5 * kPeriod) << "and on the grid again";
  EXPECT_EQ(pacer.skipped(), 2u);
}

TEST(LatenessStats, WorstIsExactAndMedianWithinAMicrosecond) {
  LatenessStats stats;
  EXPECT_EQ(stats.medianNs(), 0);
  stats.Add(52'300);
  EXPECT_EQ(stats.medianNs(), 52'300) << "never above the worst";
  for (const int64_t ns : {10'500, 2'200, 7'900, 250'000'000}) stats.Add(ns);
  EXPECT_EQ(stats.worstNs(), 250'000'000);
  EXPECT_EQ(stats.medianNs(), 11'000);  // 10.5 us lies in the bucket up to 11 us
  stats.Add(-5'000);                    // early wake-ups count as on time
  EXPECT_EQ(stats.medianNs(), 8'000);
}

}  // namespace
}  // namespace zemtra::cli::test

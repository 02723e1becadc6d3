// read beyond the forms of its records: units checked against the physical
// definition, pacing and its summary, the stop of a blocked run, and what the
// pacer does after a stall (which a run of the binary cannot show reliably).
#include <gtest/gtest.h>

#include <signal.h>

#include <cmath>
#include <map>
#include <regex>

#include "pacing.h"
#include "tool_runner.h"

namespace zemtra::cli::test {
namespace {

// Helium-neon wavelength in air, in mm; one position count is lambda / 512 / fold,
// one velocity count is one position count per 4096 / 20 MHz.
constexpr long double kWavelengthMm = 632.819639441319e-6L;
constexpr long double kCountsPerVelocityCount = 20e6L / 4096;

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
    const auto names = Split(lines[0], ',');
    const auto values = Split(lines[1], ',');
    for (size_t i = 0; i < names.size() && i < values.size(); ++i) record[names[i]] = std::stold(values[i]);
  }
  return record;
}

class ReadUnits : public testing::TestWithParam<std::tuple<std::string, std::string>> {};

// The board in the fake sysfs tree reads -1 for every position and velocity count.
TEST_P(ReadUnits, FollowTheWavelengthAndEachAxisFold) {
  const auto& [units, format] = GetParam();
  const ToolRun run = RunTool({"read", "3:14", "--count", "1", "--format", format, "--units", units, "--fold", "2,4,8"},
                              {.sysfs = SysfsBoard::kFile});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto record = FirstRecord(run);
  const std::string suffix = units == "inch" ? "_in" : "_mm";
  for (int axis = 0; axis < 3; ++axis) {
    const std::string name = "a" + std::to_string(axis + 1);
    const long double position = -kWavelengthMm / 512 / (2 << axis) / (units == "inch" ? 25.4L : 1);
    const long double velocity = position * kCountsPerVelocityCount;
    EXPECT_LE(std::fabs(record.at(name + "_pos" + suffix) / position - 1), 1e-15L) << name << "\n" << run.out;
    EXPECT_LE(std::fabs(record.at(name + "_vel" + suffix + "_s") / velocity - 1), 1e-15L) << name << "\n" << run.out;
    EXPECT_EQ(record.at(name + "_valid"), 1) << name;
  }
}

INSTANTIATE_TEST_SUITE_P(Cli, ReadUnits,
                         testing::Combine(testing::Values("mm", "inch"), testing::Values("csv", "json")),
                         [](const auto& row) { return std::get<0>(row.param) + "_" + std::get<1>(row.param); });

TEST(Read, PacedSamplesKeepTheirDeadlinesAndTheSummaryTheirRate) {
  const ToolRun run = RunTool({"read", "--count", "5", "--rate", "200", "--format", "csv"});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 6u) << run.out;
  std::vector<double> times;
  for (size_t k = 1; k < lines.size(); ++k) times.push_back(std::stod(lines[k]));
  for (size_t k = 0; k < times.size(); ++k) EXPECT_GE(times[k], 0.005 * static_cast<double>(k) - 1e-9) << k;
  std::smatch rate;
  ASSERT_TRUE(std::regex_search(run.err, rate, std::regex(R"(, rate ([0-9.]+)/s, lateness median [0-9.]+ ms, )"
                                                           R"(worst [0-9.]+ ms, deadlines skipped [0-9]+\n)")))
      << run.err;
  // Four intervals between the first and the last sample start.
  EXPECT_NEAR(std::stod(rate[1]), 4 / (times.back() - times.front()), 0.051) << run.err;
}

// zemtra read | less, with less not reading: the stop must not wait for it.
class ReadStop : public testing::TestWithParam<int> {};

TEST_P(ReadStop, EndsARunWhoseOutputIsBlocked) {
  const ToolRun run =
      RunTool({"read", "--format", "csv"}, {.stdoutTo = StdoutTo::kStalledPipe, .stopSignal = GetParam()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("zemtra read: samples "), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(Signals, ReadStop, testing::Values(SIGINT, SIGTERM),
                         [](const testing::TestParamInfo<int>& stop) { return std::string(sigabbrev_np(stop.param)); });

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

// read: record counts, unit conversion checked against the physical
// definition, invalid axes, pacing, and the ways a run ends.
#include <gtest/gtest.h>

#include <locale.h>
#include <signal.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <regex>

#include "tool_runner.h"

namespace zemtra::cli::test {
namespace {

// Helium-neon wavelength in air, in mm; one position count is lambda / 512 / fold,
// one velocity count is one position count per 4096 / 20 MHz.
constexpr long double kWavelengthMm = 632.819639441319e-6L;
constexpr long double kVelocityFactor = 20e6L / 4096;
constexpr long double kMmPerInch = 25.4L;

long double ExpectedPosition(long double count, int fold, bool inch) {
  const long double mm = kWavelengthMm / 512 / fold * count;
  return inch ? mm / kMmPerInch : mm;
}

void ExpectClose(const std::string& text, long double expected) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  ASSERT_TRUE(!text.empty() && *end == '\0') << "not a number: \"" << text << "\"";
  EXPECT_LE(std::fabs(static_cast<long double>(value) - expected), std::fabs(expected) * 1e-15L + 1e-300L)
      << text << " vs " << static_cast<double>(expected);
}

// CSV output as rows of named fields.
std::vector<std::map<std::string, std::string>> CsvRows(const ToolRun& run) {
  const auto lines = run.outLines();
  std::vector<std::map<std::string, std::string>> rows;
  if (lines.empty()) return rows;
  const auto names = Split(lines[0], ',');
  for (size_t i = 1; i < lines.size(); ++i) {
    const auto fields = Split(lines[i], ',');
    EXPECT_EQ(fields.size(), names.size()) << lines[i];
    std::map<std::string, std::string> row;
    for (size_t f = 0; f < names.size() && f < fields.size(); ++f) row[names[f]] = fields[f];
    rows.push_back(row);
  }
  return rows;
}

const std::string kPresets = "A1=1000000,A2=-123456789,A3=-2147483648";
const long double kPresetCounts[] = {1000000, -123456789, -2147483648.0L};

TEST(Read, CountGivesExactlyThatManyRecordsInTimeOrder) {
  const ToolRun run = RunSim("1", {"read", "--count", "7", "--format", "csv"});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto rows = CsvRows(run);
  ASSERT_EQ(rows.size(), 7u);
  for (size_t i = 1; i < rows.size(); ++i) {
    EXPECT_LT(std::stod(rows[i - 1].at("time_s")), std::stod(rows[i].at("time_s")));
  }
  EXPECT_NE(run.err.find("samples 7, invalid 0"), std::string::npos) << run.err;
}

TEST(Read, ConvertsCountsToMillimetresAndInchesPerAxisFold) {
  const int folds[] = {2, 4, 8};
  for (const bool inch : {false, true}) {
    const ToolRun run = RunSim("motion=off", {"read", "--count", "1", "--format", "csv", "--units", inch ? "inch" : "mm",
                                              "--fold", "2,4,8", "--preset", kPresets});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto rows = CsvRows(run);
    ASSERT_EQ(rows.size(), 1u);
    for (int axis = 0; axis < 3; ++axis) {
      const std::string prefix = "a" + std::to_string(axis + 1);
      SCOPED_TRACE(prefix + (inch ? " inch" : " mm"));
      ExpectClose(rows[0].at(prefix + (inch ? "_pos_in" : "_pos_mm")),
                  ExpectedPosition(kPresetCounts[axis], folds[axis], inch));
      EXPECT_EQ(rows[0].at(prefix + (inch ? "_vel_in_s" : "_vel_mm_s")), "0");  // still: no motion
      EXPECT_EQ(rows[0].at(prefix + "_valid"), "1");
    }
  }
}

TEST(Read, JsonCarriesTheSameConvertedValues) {
  const ToolRun run = RunSim("motion=off", {"read", "--count", "1", "--format", "json", "--units", "mm",
                                            "--preset", kPresets});
  ASSERT_EQ(run.status, 0) << run.err;
  for (int axis = 0; axis < 3; ++axis) {
    const std::regex field("\"a" + std::to_string(axis + 1) + "_pos_mm\": ([-0-9.e+]+),");
    std::smatch match;
    ASSERT_TRUE(std::regex_search(run.out, match, field)) << run.out;
    ExpectClose(match[1], ExpectedPosition(kPresetCounts[axis], 2, false));
  }
}

TEST(Read, VelocityConversionMatchesTheRawCount) {
  // The simulated motion gives nearly the same velocity count at the start of
  // every run: a slow start (sanitizers, a busy machine) may drift it a little,
  // a wrong scale or fold factor changes it by a factor.
  const ToolRun raw = RunSim("1", {"read", "--count", "1", "--format", "csv"});
  const ToolRun mm = RunSim("1", {"read", "--count", "1", "--format", "csv", "--units", "mm", "--fold", "2,4,8"});
  const int folds[] = {2, 4, 8};
  for (int axis = 0; axis < 3; ++axis) {
    const std::string prefix = "a" + std::to_string(axis + 1);
    const long double rawCount = std::stold(CsvRows(raw).at(0).at(prefix + "_vel"));
    const long double converted = std::stold(CsvRows(mm).at(0).at(prefix + "_vel_mm_s"));
    const long double perCount = ExpectedPosition(1, folds[axis], false) * kVelocityFactor;
    const long double counts = converted / perCount;
    ASSERT_NE(rawCount, 0) << "the simulated axes move";
    EXPECT_NEAR(static_cast<double>(counts), std::round(static_cast<double>(counts)), 1e-6) << prefix;
    EXPECT_LE(std::fabs(counts - rawCount), 0.25L * std::fabs(rawCount) + 1) << prefix << ": " << rawCount;
  }
}

TEST(Read, TableUsesTheDisplayPatterns) {
  const ToolRun mm = RunSim("motion=off", {"read", "--count", "1", "--units", "mm", "--preset", kPresets});
  ASSERT_EQ(mm.status, 0) << mm.err;
  // The C locale has no thousands separator.
  EXPECT_NE(mm.out.find(" 0.61798793 "), std::string::npos) << mm.out;
  EXPECT_NE(mm.out.find(" -1327.11897249 "), std::string::npos) << mm.out;
  EXPECT_NE(mm.out.find(" 0.0000 "), std::string::npos) << "velocities with four decimals\n" << mm.out;
  const ToolRun inch = RunSim("motion=off", {"read", "--count", "1", "--units", "inch", "--preset", kPresets});
  EXPECT_NE(inch.out.find(" 0.024330233 "), std::string::npos) << inch.out;
  EXPECT_NE(inch.out.find(" -3.003732495 "), std::string::npos) << inch.out;
}

TEST(Read, TableGroupsThousandsWhereTheLocaleDoes) {
  const locale_t english = newlocale(LC_NUMERIC_MASK, "en_US.UTF-8", static_cast<locale_t>(nullptr));
  if (english == static_cast<locale_t>(nullptr)) GTEST_SKIP() << "en_US.UTF-8 is not installed";
  freelocale(english);
  const ToolRun grouped =
      RunTool({"read", "--count", "1", "--units", "mm", "--preset", kPresets},
              {.env = {{"ZEMTRA_SIM", "motion=off"}, {"LC_ALL", "en_US.UTF-8"}}});
  EXPECT_NE(grouped.out.find(" -1,327.11897249 "), std::string::npos) << grouped.out;
}

TEST(Read, InvalidAxesAreMarkedNeverZero) {
  const ToolRun csv = RunSim("nosig=A2", {"read", "--count", "3", "--format", "csv"});
  ASSERT_EQ(csv.status, 0) << csv.err;
  for (const auto& row : CsvRows(csv)) {
    EXPECT_EQ(row.at("a2_pos"), "");
    EXPECT_EQ(row.at("a2_vel"), "");
    EXPECT_EQ(row.at("a2_valid"), "0");
    EXPECT_EQ(row.at("a1_valid"), "1");
    EXPECT_NE(row.at("a1_pos"), "");
    EXPECT_EQ(row.at("a3_valid"), "1");
  }
  EXPECT_NE(csv.err.find("samples 3, invalid 3"), std::string::npos) << csv.err;

  const ToolRun json = RunSim("nosig=REF", {"read", "--count", "1", "--format", "json"});
  for (const char* axis : {"a1", "a2", "a3"}) {
    EXPECT_NE(json.out.find(std::string("\"") + axis + "_pos\": null"), std::string::npos) << json.out;
    EXPECT_NE(json.out.find(std::string("\"") + axis + "_valid\": false"), std::string::npos) << json.out;
  }
  const ToolRun table = RunSim("nosig=A3", {"read", "--count", "1"});
  const auto lines = table.outLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].substr(lines[1].size() - 32), std::string(9, ' ') + "invalid" + std::string(9, ' ') + "invalid");
}

TEST(Read, PacedSamplesNeverStartBeforeTheirDeadline) {
  const ToolRun run = RunSim("1", {"read", "--count", "10", "--rate", "200", "--format", "csv"});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto rows = CsvRows(run);
  ASSERT_EQ(rows.size(), 10u);
  for (size_t k = 0; k < rows.size(); ++k) EXPECT_GE(std::stod(rows[k].at("time_s")), 0.005 * k - 1e-9) << k;
  EXPECT_NE(run.err.find("lateness median"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("deadlines skipped"), std::string::npos) << run.err;
}

TEST(Read, ShowsProgressWhenWritingToAFile) {
  const ToolRun run = RunSim("1", {"read", "--count", "130", "--rate", "100", "--format", "csv"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(std::regex_search(run.err, std::regex(R"(zemtra read: \d+/130 samples)"))) << run.err;
}

TEST(Read, CtrlCEndsWithCompleteRecordsAndASummary) {
  const ToolRun run = RunTool({"read", "--rate", "100", "--format", "csv"},
                              {.env = {{"ZEMTRA_SIM", "1"}}, .interruptAfterMs = 400});
  EXPECT_EQ(run.status, 0) << run.err;
  ASSERT_FALSE(run.out.empty());
  EXPECT_EQ(run.out.back(), '\n');
  EXPECT_GE(CsvRows(run).size(), 1u);
  EXPECT_NE(run.err.find("zemtra read: samples "), std::string::npos) << run.err;
}

// zemtra read | less, with less not reading: the stop must not wait for it.
class ReadStop : public testing::TestWithParam<int> {};

TEST_P(ReadStop, EndsARunWhoseOutputIsBlocked) {
  const ToolRun run = RunTool({"read", "--format", "csv"}, {.env = {{"ZEMTRA_SIM", "1"}},
                                                            .stdoutTo = StdoutTo::kStalledPipe,
                                                            .stopSignal = GetParam()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("zemtra read: samples "), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(Signals, ReadStop, testing::Values(SIGINT, SIGTERM),
                         [](const testing::TestParamInfo<int>& stop) { return std::string(sigabbrev_np(stop.param)); });

TEST(Read, AFullDiskIsAnErrorAndAClosedPipeAnEnd) {
  const ToolRun full = RunTool({"read", "--count", "100000", "--format", "csv"},
                               {.env = {{"ZEMTRA_SIM", "1"}}, .stdoutTo = StdoutTo::kDevFull});
  EXPECT_EQ(full.status, 1);
  EXPECT_NE(full.err.find("cannot write the output"), std::string::npos) << full.err;

  const ToolRun gone = RunTool({"read", "--format", "csv"},
                               {.env = {{"ZEMTRA_SIM", "1"}}, .stdoutTo = StdoutTo::kClosedPipe});
  EXPECT_EQ(gone.status, 0) << gone.err;
  EXPECT_NE(gone.err.find("zemtra read: samples "), std::string::npos) << gone.err;
}

TEST(Read, BadArgumentsAreUsageErrors) {
  const std::vector<std::vector<std::string>> cases = {
      {"--count", "0"},       {"--count", "x"},          {"--count", "-1"},         {"--count", "18446744073709551616"},
      {"--count", "5x"},      {"--rate", "nan"},         {"--rate", "1e400"},       {"--rate", "2e6"},          {"--rate", "0"},           {"--rate", "-5"},
      {"--units", "furlong"}, {"--fold", "2,3,4"},       {"--fold", "2,4"},         {"--format", "xml"},
      {"--preset", "A4=1"},   {"--preset", "A1=1,A1=2"}, {"--preset", "A1=0x1FFFFFFFF"}, {"1:2:3"}};
  for (auto args : cases) {
    args.insert(args.begin(), "read");
    const ToolRun run = RunSim("1", args);
    EXPECT_EQ(run.status, 2) << args[1] << " " << (args.size() > 2 ? args[2] : "");
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(run.err.empty());
  }
}

TEST(Read, APresetThatTheBoardFlagsStopsBeforeSampling) {
  const ToolRun run = RunSim("nosig=A2", {"read", "--count", "1", "--preset", "A2=5"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("ZemtraPresetRaw: Error or invalid data on axis or reference (25)"), std::string::npos)
      << run.err;
}

}  // namespace
}  // namespace zemtra::cli::test

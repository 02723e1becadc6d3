// The parts of read that a run of the binary cannot show reliably: what the
// pacer does after a stall, and the lateness figures of the summary.
#include <gtest/gtest.h>

#include "pacing.h"

namespace zemtra::cli {
namespace {

constexpr int64_t kPeriod = 1'000'000;  // 1 ms

TEST(Pacer, KeepsTheGridWhenOnTime) {
  Pacer pacer(kPeriod, 5'000);
  pacer.Advance(5'000 + 300'000);  // the sample took 0.3 ms
  EXPECT_EQ(pacer.deadlineNs(), 5'000 + kPeriod);
  pacer.Advance(5'000 + kPeriod + 999'999);  // late, but within a period
  EXPECT_EQ(pacer.deadlineNs(), 5'000 + 2 * kPeriod);
  EXPECT_EQ(pacer.skipped(), 0u);
}

TEST(Pacer, SkipsMissedDeadlinesAfterAStallInsteadOfBursting) {
  Pacer pacer(kPeriod, 0);
  pacer.Advance(3 * kPeriod + 500'000);  // stalled through deadlines 1, 2 and 3
  EXPECT_EQ(pacer.deadlineNs(), 3 * kPeriod) << "the latest deadline not after now";
  EXPECT_EQ(pacer.skipped(), 2u);
  pacer.Advance(3 * kPeriod + 600'000);
  EXPECT_EQ(pacer.deadlineNs(), 4 * kPeriod) << "and on the grid again";
  EXPECT_EQ(pacer.skipped(), 2u);
}

TEST(LatenessStats, WorstIsExactAndMedianWithinAMicrosecond) {
  LatenessStats stats;
  EXPECT_EQ(stats.medianNs(), 0);
  for (const int64_t ns : {10'500, 2'200, 7'900, 3'100, 250'000'000}) stats.Add(ns);
  EXPECT_EQ(stats.worstNs(), 250'000'000);
  EXPECT_EQ(stats.medianNs(), 8'000);  // 7.9 us lies in the bucket up to 8 us
  stats.Add(-5'000);                   // early wake-ups count as on time
  EXPECT_EQ(stats.medianNs(), 4'000);
}

TEST(LatenessStats, MedianNeverExceedsTheWorst) {
  LatenessStats stats;
  stats.Add(52'300);
  EXPECT_EQ(stats.medianNs(), 52'300);
}

}  // namespace
}  // namespace zemtra::cli

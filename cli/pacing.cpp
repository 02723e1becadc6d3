#include "pacing.h"

#include <sys/prctl.h>
#include <time.h>

#include <algorithm>
#include <cerrno>

namespace zemtra::cli {

namespace {

constexpr int64_t kNsPerSecond = 1'000'000'000;
constexpr int64_t kBucketNs = 1'000;
constexpr size_t kBucketCount = 100'001;  // up to 100 ms, then one overflow bucket

}  // namespace

int64_t MonotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * kNsPerSecond + now.tv_nsec;
}

Pacer::Pacer(int64_t periodNs, int64_t startNs) : periodNs_(periodNs), deadlineNs_(startNs) {
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
}

bool Pacer::SleepUntilDeadline() const {
  const timespec due{static_cast<time_t>(deadlineNs_ / kNsPerSecond), static_cast<long>(deadlineNs_ % kNsPerSecond)};
  return clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, nullptr) != EINTR;
}

void Pacer::Advance(int64_t nowNs) {
  deadlineNs_ += periodNs_;
  if (nowNs - deadlineNs_ >= periodNs_) {
    const int64_t missed = (nowNs - deadlineNs_) / periodNs_;
    deadlineNs_ += missed * periodNs_;
    skipped_ += static_cast<uint64_t>(missed);
  }
}

LatenessStats::LatenessStats() : buckets_(kBucketCount) {}

void LatenessStats::Add(int64_t latenessNs) {
  const int64_t lateness = std::max<int64_t>(latenessNs, 0);
  worstNs_ = std::max(worstNs_, lateness);
  const auto bucket = static_cast<size_t>(lateness / kBucketNs);
  ++buckets_[std::min(bucket, kBucketCount - 1)];
  ++count_;
}

int64_t LatenessStats::medianNs() const {
  if (count_ == 0) return 0;
  uint64_t seen = 0;
  for (size_t bucket = 0; bucket < buckets_.size(); ++bucket) {
    seen += buckets_[bucket];
    if (2 * seen >= count_) return std::min(static_cast<int64_t>(bucket + 1) * kBucketNs, worstNs_);
  }
  return worstNs_;
}

}  // namespace zemtra::cli

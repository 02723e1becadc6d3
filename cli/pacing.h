// Steady sampling: absolute deadlines on the monotonic clock, so the time a
// sample takes does not shift the ones after it, and a record of how late each
// sample started.
#pragma once

#include <cstdint>
#include <vector>

namespace zemtra::cli {

int64_t MonotonicNs();

class Pacer {
 public:
  // Also asks the kernel for the least timer slack, so that wake-ups are not
  // deferred by the default 50 us for the sake of batching.
  Pacer(int64_t periodNs, int64_t startNs);

  // Sleeps until the current deadline; false when a signal cut the sleep short.
  bool SleepUntilDeadline() const;
  int64_t deadlineNs() const { return deadlineNs_; }
  // To the next deadline. After a stall longer than a period the missed
  // deadlines are skipped (and counted) rather than caught up in a burst.
  void Advance(int64_t nowNs);
  uint64_t skipped() const { return skipped_; }

 private:
  int64_t periodNs_;
  int64_t deadlineNs_;
  uint64_t skipped_ = 0;
};

// Lateness of sample starts: exact worst, median to the microsecond.
class LatenessStats {
 public:
  LatenessStats();
  void Add(int64_t latenessNs);
  int64_t worstNs() const { return worstNs_; }
  // Upper bound of the microsecond bucket holding the median (never above the
  // worst); 0 when empty.
  int64_t medianNs() const;

 private:
  std::vector<uint64_t> buckets_;  // 1 us each; the last one holds everything beyond
  uint64_t count_ = 0;
  int64_t worstNs_ = 0;
};

}  // namespace zemtra::cli

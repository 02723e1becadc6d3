// When the plot's samples fall due: deadlines one period apart on a clock the
// caller reads. A timer tick that comes late (the GUI thread was painting)
// takes the samples it missed, so the rate holds; after a longer stall the
// missed deadlines are dropped rather than taken in one burst. Plain C++.
#pragma once

#include <cstdint>

namespace zemtra::plot {

class SamplePacer {
 public:
  // Longest delay that is still made up for.
  static constexpr int64_t kMaxCatchUpNs = 50'000'000;

  explicit SamplePacer(int64_t periodNs) : periodNs_(periodNs) {}

  // The first sample falls due at `nowNs`.
  void Start(int64_t nowNs) { nextNs_ = nowNs; }

  // How many samples are due at `nowNs`; their deadlines are then passed.
  int Due(int64_t nowNs) {
    if (nowNs < nextNs_) return 0;
    const int64_t lateNs = nowNs - nextNs_;
    if (lateNs > kMaxCatchUpNs && lateNs >= periodNs_) {
      nextNs_ = nowNs + periodNs_;
      return 1;
    }
    const int64_t due = lateNs / periodNs_ + 1;
    nextNs_ += due * periodNs_;
    return static_cast<int>(due);
  }

  int64_t periodNs() const { return periodNs_; }

 private:
  int64_t periodNs_;
  int64_t nextNs_ = 0;
};

}  // namespace zemtra::plot

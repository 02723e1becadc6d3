#include "progress_line.h"

#include <cinttypes>
#include <cstdio>

namespace zemtra::cli {

namespace {

constexpr int64_t kTerminalIntervalNs = 200'000'000;
constexpr int64_t kLogIntervalNs = 1'000'000'000;

}  // namespace

ProgressLine::ProgressLine(uint64_t total, bool enabled, bool terminal)
    : total_(total), enabled_(enabled), terminal_(terminal) {}

void ProgressLine::Update(uint64_t done, int64_t nowNs) {
  if (!enabled_ || nowNs < nextNs_) return;
  if (nextNs_ != 0) {
    std::fprintf(stderr, "%szemtra read: %" PRIu64 "/%" PRIu64 " samples%s", terminal_ ? "\r" : "", done, total_,
                 terminal_ ? "" : "\n");
    shown_ = true;
  }
  nextNs_ = nowNs + (terminal_ ? kTerminalIntervalNs : kLogIntervalNs);
}

void ProgressLine::Finish() {
  if (shown_ && terminal_) std::fputc('\n', stderr);
}

}  // namespace zemtra::cli

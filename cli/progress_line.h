// "N/M samples" on standard error while records go to a file or pipe, so a
// long logging run shows it is alive. Rewritten in place on a terminal, one
// line a second otherwise.
#pragma once

#include <cstdint>

namespace zemtra::cli {

class ProgressLine {
 public:
  ProgressLine(uint64_t total, bool enabled, bool terminal);
  void Update(uint64_t done, int64_t nowNs);
  // Ends the rewritten line so that what follows starts on a fresh one.
  void Finish();

 private:
  uint64_t total_;
  bool enabled_;
  bool terminal_;
  bool shown_ = false;
  int64_t nextNs_ = 0;
};

}  // namespace zemtra::cli

// Axis ticks at round numbers (1, 2 or 5 times a power of ten). Plain C++,
// without Qt.
#pragma once

namespace zemtra::plot {

struct Ticks {
  double first = 0;  // the first tick at or above the range's low end
  double step = 1;
  int count = 0;
  int decimals = 0;  // enough to tell neighbouring ticks apart
};

// At most `maxCount` ticks over [low, high], never closer than `minStep`.
Ticks RoundTicks(double low, double high, int maxCount, double minStep = 0);

}  // namespace zemtra::plot

#include "plot_ticks.h"

#include <algorithm>
#include <cmath>

namespace zemtra::plot {

Ticks RoundTicks(double low, double high, int maxCount, double minStep) {
  Ticks ticks;
  const double span = high - low;
  if (!(span > 0) || !std::isfinite(span) || maxCount < 2) return ticks;
  const double rough = std::max(span / (maxCount - 1), minStep);
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
    ticks.step = factor * power;
    if (ticks.step >= rough) break;
  }
  ticks.first = std::ceil(low / ticks.step) * ticks.step;
  ticks.count = static_cast<int>(std::floor((high - ticks.first) / ticks.step + 1e-9)) + 1;
  ticks.decimals = std::max(0, static_cast<int>(-std::floor(std::log10(ticks.step) + 1e-9)));
  return ticks;
}

}  // namespace zemtra::plot

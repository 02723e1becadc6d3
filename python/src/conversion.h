// Raw counts into the units asked for, with the display units the monitor and
// the command-line tool use; an axis without a valid sample becomes nan.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "display_units.h"
#include "zemtra_registers.h"

namespace zemtra::python {

using FoldFactors = std::array<int64_t, ZEMTRA_AXIS_COUNT>;

class Conversion {
 public:
  // units: "raw", "mm" or "inch"; fold factors 1 to 65535, A1 first. Raises
  // ValueError for anything else.
  Conversion(const std::string& units, const FoldFactors& folds);

  double Position(int axis, int32_t count) const { return Convert(settings_.positionScale, axis, count); }
  double Velocity(int axis, int32_t count) const { return Convert(settings_.velocityScale, axis, count); }

 private:
  double Convert(double scale, int axis, int32_t count) const {
    return raw_ ? static_cast<double>(count) : units::ConvertCount(scale, folds_[axis], count);
  }

  bool raw_;
  units::ModeSettings settings_;
  std::array<uint16_t, ZEMTRA_AXIS_COUNT> folds_{};
};

inline constexpr double kNotValid = std::numeric_limits<double>::quiet_NaN();

}  // namespace zemtra::python

#include "conversion.h"

#include "python_types.h"

namespace zemtra::python {

namespace {

units::DisplayMode ModeOf(const std::string& units) {
  if (units == "raw") return units::DisplayMode::kRawDec;
  if (units == "mm") return units::DisplayMode::kMillimetre;
  if (units == "inch") return units::DisplayMode::kInch;
  throw py::value_error("units must be \"raw\", \"mm\" or \"inch\", not \"" + units + "\"");
}

}  // namespace

Conversion::Conversion(const std::string& units, const FoldFactors& folds)
    : raw_(ModeOf(units) == units::DisplayMode::kRawDec), settings_(units::SettingsFor(ModeOf(units))) {
  for (size_t axis = 0; axis < folds.size(); ++axis) {
    if (folds[axis] < 1 || folds[axis] > UINT16_MAX) throw py::value_error("fold factors must be 1 to 65535");
    folds_[axis] = static_cast<uint16_t>(folds[axis]);
  }
}

}  // namespace zemtra::python

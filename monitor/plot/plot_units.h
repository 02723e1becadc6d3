// The main window's display settings (scales, raw hex, fold factors) as the
// plot draws and exports its values.
#pragma once

#include <QString>
#include <array>
#include <cstdint>

#include "record_format.h"

class TForm1;

namespace zemtra::plot {

struct PlotUnits {
  double positionScale = 1.0;
  double velocityScale = 1.0;
  bool hex = false;
  std::array<uint16_t, 3> folds{2, 2, 2};

  static PlotUnits Of(const TForm1& form);
  bool operator==(const PlotUnits&) const = default;

  // A raw count of a series in display units: the main window's conversion,
  // or the count itself in the raw modes.
  double Value(int series, int32_t count) const;
  // "mm", "mm/s", "in", "in/s" or "counts".
  QString Name(bool velocity) const;
  records::Units RecordUnits() const;
  // A tick label: a decimal in the user's number format, or 0x and eight hex
  // digits in Raw Hex.
  QString Text(double value, int decimals) const;
};

}  // namespace zemtra::plot

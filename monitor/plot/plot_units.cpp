#include "plot_units.h"

#include <QLocale>
#include <cmath>

#include "display_units.h"
#include "sample_ring.h"
#include "unit1.h"

namespace zemtra::plot {

PlotUnits PlotUnits::Of(const TForm1& form) {
  return {form.PositionScale, form.VelocityScale, form.ShowHex, form.FoldFactor};
}

double PlotUnits::Value(int series, int32_t count) const {
  const double scale = series < ZEMTRA_AXIS_COUNT ? positionScale : velocityScale;
  const uint16_t fold = folds[static_cast<size_t>(AxisOf(series))];
  // As the main window: a fold factor of 0 has no length, so its count stays raw.
  if (scale == 1.0 || fold == 0) return count;
  return units::ConvertCount(scale, fold, count);
}

records::Units PlotUnits::RecordUnits() const {
  if (positionScale == units::kMmPositionScale) return records::Units::kMillimetre;
  if (positionScale == units::kInchPositionScale) return records::Units::kInch;
  return records::Units::kRaw;
}

QString PlotUnits::Name(bool velocity) const {
  switch (RecordUnits()) {
    case records::Units::kMillimetre:
      return velocity ? QStringLiteral("mm/s") : QStringLiteral("mm");
    case records::Units::kInch:
      return velocity ? QStringLiteral("in/s") : QStringLiteral("in");
    case records::Units::kRaw:
      break;
  }
  return QStringLiteral("counts");
}

QString PlotUnits::Text(double value, int decimals) const {
  if (hex && RecordUnits() == records::Units::kRaw)
    return QString::fromStdString(units::FormatRawValue(static_cast<int32_t>(std::llround(value)), true, 8));
  return QLocale().toString(value, 'f', decimals);
}

}  // namespace zemtra::plot

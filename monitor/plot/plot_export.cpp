#include "plot_export.h"

#include <QSaveFile>

namespace zemtra::plot {

std::optional<QString> WriteCsv(const SampleRing& ring, size_t first, size_t last, const PlotUnits& units,
                                const QString& path) {
  // The CSV format ignores the locale's separators.
  const records::RecordFormatter formatter(records::Format::kCsv, units.RecordUnits(), units.folds, {});
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return file.errorString();
  const std::string header = formatter.Header();
  file.write(header.data(), static_cast<qint64>(header.size()));
  records::LineBuilder line;
  for (size_t i = first; i < last; ++i) {
    line.clear();
    formatter.AddRecord(ring[i].Record(), line);
    file.write(line.view().data(), static_cast<qint64>(line.view().size()));
  }
  if (!file.commit()) return file.errorString();
  return std::nullopt;
}

}  // namespace zemtra::plot

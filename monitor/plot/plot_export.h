// "Export CSV..." of the position plot: the samples shown, in the columns and
// units of `zemtra read --format csv`.
#pragma once

#include <QString>
#include <cstddef>
#include <optional>

#include "plot_units.h"
#include "sample_ring.h"

namespace zemtra::plot {

// Writes the samples [first, last) of the ring to `path`, replacing it only
// once everything is written. Returns the reason when it could not.
std::optional<QString> WriteCsv(const SampleRing& ring, size_t first, size_t last, const PlotUnits& units,
                                const QString& path);

}  // namespace zemtra::plot

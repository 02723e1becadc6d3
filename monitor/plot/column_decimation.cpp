#include "column_decimation.h"

#include <algorithm>

namespace zemtra::plot {

std::vector<Column> Decimate(const SampleRing& ring, int64_t startNs, int64_t columnNs, int columns) {
  std::vector<Column> result(static_cast<size_t>(std::max(columns, 0)));
  size_t first = ring.LowerBound(startNs);
  for (size_t c = 0; c < result.size(); ++c) {
    const size_t last = ring.LowerBound(startNs + static_cast<int64_t>(c + 1) * columnNs, first);
    Column& column = result[c];
    column.count = last - first;
    if (column.count > 0) {
      column.summary = ring.Summarize(first, last);
      column.first = ring[first];
      column.last = ring[last - 1];
    }
    first = last;
  }
  return result;
}

const std::vector<Column>& ColumnCache::Get(const SampleRing& ring, int64_t startNs, int64_t columnNs, int columns) {
  if (&ring != ring_ || ring.version() != version_ || startNs != startNs_ || columnNs != columnNs_ ||
      columns_.size() != static_cast<size_t>(std::max(columns, 0))) {
    columns_ = Decimate(ring, startNs, columnNs, columns);
    ring_ = &ring;
    version_ = ring.version();
    startNs_ = startNs;
    columnNs_ = columnNs;
  }
  return columns_;
}

bool Joined(const Column& before, const Column& after, int axis) {
  const auto bit = static_cast<uint8_t>(1u << axis);
  return before.count > 0 && after.count > 0 && ((before.summary.invalidAxes | after.summary.invalidAxes) & bit) == 0 &&
         !after.first.breakBefore;
}

}  // namespace zemtra::plot

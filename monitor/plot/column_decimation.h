// Min/max decimation for drawing: the samples of a time span cut into one
// column per pixel, each column reduced to what its pixel shows. Plain C++,
// without Qt.
#pragma once

#include <cstdint>
#include <vector>

#include "sample_ring.h"

namespace zemtra::plot {

struct Column {
  size_t count = 0;  // samples in the column; the rest of the fields need one
  Summary summary;
  PlotSample first;  // the column's first and last samples, to join neighbours
  PlotSample last;
};

// Columns of `columnNs` each, the first starting at `startNs`.
std::vector<Column> Decimate(const SampleRing& ring, int64_t startNs, int64_t columnNs, int columns);

// The columns of the span last asked for, made again only when the ring or the
// span changed: both charts draw from the same columns.
class ColumnCache {
 public:
  const std::vector<Column>& Get(const SampleRing& ring, int64_t startNs, int64_t columnNs, int columns);

 private:
  const SampleRing* ring_ = nullptr;
  uint64_t version_ = 0;
  int64_t startNs_ = 0;
  int64_t columnNs_ = 0;
  std::vector<Column> columns_;
};

// Whether an axis's line runs from column `before` into the next non-empty
// column `after`: both hold only valid samples of the axis and no break lies
// between them.
bool Joined(const Column& before, const Column& after, int axis);

}  // namespace zemtra::plot

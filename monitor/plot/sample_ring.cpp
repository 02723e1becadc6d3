#include "sample_ring.h"

#include <algorithm>

namespace zemtra::plot {

void Summary::Add(const PlotSample& sample) {
  latched |= sample.newlyLatched;
  for (int axis = 0; axis < ZEMTRA_AXIS_COUNT; ++axis) {
    const auto bit = static_cast<uint8_t>(1u << axis);
    if (!sample.Valid(axis)) {
      invalidAxes |= bit;
      continue;
    }
    const bool first = (validAxes & bit) == 0;
    validAxes |= bit;
    for (const int series : {axis, axis + ZEMTRA_AXIS_COUNT}) {
      const auto s = static_cast<size_t>(series);
      const int32_t value = sample.Value(series);
      min[s] = first ? value : std::min(min[s], value);
      max[s] = first ? value : std::max(max[s], value);
    }
  }
}

void Summary::Merge(const Summary& other) {
  latched |= other.latched;
  invalidAxes |= other.invalidAxes;
  for (int axis = 0; axis < ZEMTRA_AXIS_COUNT; ++axis) {
    const auto bit = static_cast<uint8_t>(1u << axis);
    if ((other.validAxes & bit) == 0) continue;
    const bool first = (validAxes & bit) == 0;
    validAxes |= bit;
    for (const int series : {axis, axis + ZEMTRA_AXIS_COUNT}) {
      const auto s = static_cast<size_t>(series);
      min[s] = first ? other.min[s] : std::min(min[s], other.min[s]);
      max[s] = first ? other.max[s] : std::max(max[s], other.max[s]);
    }
  }
}

SampleRing::SampleRing(size_t capacity) { Resize(capacity); }

void SampleRing::Resize(size_t capacity) {
  capacity = std::max<size_t>(capacity, 1);
  std::vector<PlotSample> kept;
  const size_t keep = std::min(size(), capacity);
  kept.reserve(keep);
  for (size_t i = size() - keep; i < size(); ++i) kept.push_back((*this)[i]);
  // The old storage goes before the new is made, so that a resize never holds both.
  std::vector<PlotSample>().swap(slots_);
  slots_.resize(capacity);
  // A block is reused only after every sample of its previous use was overwritten.
  blocks_.assign(capacity / kBlockSize + 2, Summary{});
  first_ = next_ = 0;
  firstSlot_ = 0;
  for (const PlotSample& sample : kept) Append(sample);
  ++version_;
}

void SampleRing::Clear() {
  first_ = next_ = 0;
  firstSlot_ = 0;
  ++version_;
}

void SampleRing::Append(const PlotSample& sample) {
  if (next_ % kBlockSize == 0) BlockOf(next_) = Summary{};
  BlockOf(next_).Add(sample);
  slots_[next_ % slots_.size()] = sample;
  ++next_;
  if (size() > slots_.size()) {
    ++first_;
    firstSlot_ = Slot(firstSlot_ + 1);
  }
  ++version_;
}

size_t SampleRing::LowerBound(int64_t elapsedNs, size_t from) const {
  // Galloping from `from`: a column's end lies a few hundred samples on at most.
  size_t low = std::min(from, size());
  size_t step = 1;
  size_t high = low;
  while (high < size() && (*this)[high].elapsedNs < elapsedNs) {
    low = high + 1;
    high = std::min(size(), high + step);
    step *= 2;
  }
  while (low < high) {
    const size_t middle = low + (high - low) / 2;
    if ((*this)[middle].elapsedNs < elapsedNs)
      low = middle + 1;
    else
      high = middle;
  }
  return low;
}

Summary SampleRing::Summarize(size_t first, size_t last) const {
  Summary summary;
  const uint64_t from = first_ + first;
  const uint64_t to = first_ + std::max(first, last);
  const auto addSamples = [&](uint64_t begin, uint64_t end) {
    for (uint64_t sequence = begin; sequence < end; ++sequence) summary.Add((*this)[sequence - first_]);
  };
  const uint64_t wholeFrom = (from + kBlockSize - 1) / kBlockSize * kBlockSize;
  const uint64_t wholeTo = to / kBlockSize * kBlockSize;
  if (wholeFrom >= wholeTo) {
    addSamples(from, to);
    return summary;
  }
  addSamples(from, wholeFrom);
  for (uint64_t block = wholeFrom; block < wholeTo; block += kBlockSize) summary.Merge(BlockOf(block));
  addSamples(wholeTo, to);
  return summary;
}

}  // namespace zemtra::plot

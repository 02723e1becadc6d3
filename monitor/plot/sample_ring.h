// The samples of the position plot: a ring of at most `capacity` samples (the
// window length times the rate), with a min/max summary per block of samples
// so that drawing a full ring touches a few thousand summaries instead of
// every sample. Plain C++, without Qt.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "record_format.h"
#include "zemtra_registers.h"

namespace zemtra::plot {

// Six series: the positions of A1, A2, A3, then their velocities.
inline constexpr int kSeriesCount = 2 * ZEMTRA_AXIS_COUNT;
inline constexpr int AxisOf(int series) { return series % ZEMTRA_AXIS_COUNT; }

struct PlotSample {
  int64_t elapsedNs = 0;  // since sampling began
  std::array<int32_t, ZEMTRA_AXIS_COUNT> position{};
  std::array<int32_t, ZEMTRA_AXIS_COUNT> velocity{};
  uint16_t sampleStatus = 0;  // the sample valid bits tell which axes were read
  uint16_t newlyLatched = 0;  // status word bits set now but clear at the sample before
  bool breakBefore = false;   // not joined to the sample before (start, resume, failed call)

  bool Valid(int axis) const { return (sampleStatus & ZemtraAxisRegisters[axis].sampleValid) != 0; }
  int32_t Value(int series) const {
    const auto axis = static_cast<size_t>(AxisOf(series));
    return series < ZEMTRA_AXIS_COUNT ? position[axis] : velocity[axis];
  }
  records::Sample Record() const { return {elapsedNs, position, velocity, sampleStatus}; }
};

// What a run of samples holds: per series the extremes of the samples valid
// for its axis, which axes had valid and invalid samples, and the status bits
// that latched.
struct Summary {
  std::array<int32_t, kSeriesCount> min{};
  std::array<int32_t, kSeriesCount> max{};
  uint8_t validAxes = 0;
  uint8_t invalidAxes = 0;
  uint16_t latched = 0;

  void Add(const PlotSample& sample);
  void Merge(const Summary& other);
  bool operator==(const Summary&) const = default;
};

class SampleRing {
 public:
  static constexpr size_t kBlockSize = 16;

  explicit SampleRing(size_t capacity = 1);

  // A new capacity keeps the newest samples that fit.
  void Resize(size_t capacity);
  void Clear();
  void Append(const PlotSample& sample);

  size_t size() const { return static_cast<size_t>(next_ - first_); }
  size_t capacity() const { return slots_.size(); }
  bool empty() const { return next_ == first_; }
  // Goes up with every change, so a reader sees whether anything changed.
  uint64_t version() const { return version_; }

  // 0 is the oldest sample kept.
  const PlotSample& operator[](size_t index) const { return slots_[Slot(firstSlot_ + index)]; }
  const PlotSample& newest() const { return (*this)[size() - 1]; }

  // Index of the first sample at or after `elapsedNs` (size() when none),
  // searched from `from` on, where callers walking forward know it lies.
  size_t LowerBound(int64_t elapsedNs, size_t from = 0) const;

  // The samples [first, last), from block summaries where whole blocks lie inside.
  Summary Summarize(size_t first, size_t last) const;

 private:
  // Wraps an index below twice the capacity; cheaper than a division per sample.
  size_t Slot(size_t index) const { return index >= slots_.size() ? index - slots_.size() : index; }
  Summary& BlockOf(uint64_t sequence) { return blocks_[(sequence / kBlockSize) % blocks_.size()]; }
  const Summary& BlockOf(uint64_t sequence) const { return blocks_[(sequence / kBlockSize) % blocks_.size()]; }

  // Samples are numbered from 0 since the last Clear; [first_, next_) are kept.
  std::vector<PlotSample> slots_;
  std::vector<Summary> blocks_;
  uint64_t first_ = 0;
  uint64_t next_ = 0;
  size_t firstSlot_ = 0;  // where sample first_ is
  uint64_t version_ = 0;
};

}  // namespace zemtra::plot

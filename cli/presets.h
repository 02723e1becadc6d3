// Presetting positions: "A1=V" assignments in raw counts, and loading them
// into the board, all three axes at once when all three are given.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "zemtra.h"
#include "zemtra_registers.h"

namespace zemtra::cli {

using AxisPresets = std::array<std::optional<int32_t>, ZEMTRA_AXIS_COUNT>;

// Each word "A1=COUNT" (axis names in any case, counts decimal or 0x hex);
// at least one, each axis at most once. UsageError otherwise.
AxisPresets ParsePresets(const std::vector<std::string>& words);

// Throws when the board refuses, or when a signal error right after the preset
// command means the position may not hold the value (naming the error).
void ApplyPresets(DeviceHandle board, const AxisPresets& presets);

}  // namespace zemtra::cli

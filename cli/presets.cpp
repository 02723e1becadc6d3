#include "presets.h"

#include <strings.h>

#include "failures.h"
#include "hex_text.h"
#include "number_entry.h"
#include "register_names.h"

namespace zemtra::cli {

namespace {

constexpr const char* kAxisNames[ZEMTRA_AXIS_COUNT] = {"A1", "A2", "A3"};

int AxisIndex(const std::string& name) {
  for (int axis = 0; axis < ZEMTRA_AXIS_COUNT; ++axis) {
    if (strcasecmp(name.c_str(), kAxisNames[axis]) == 0) return axis;
  }
  return -1;
}

void CheckPreset(const char* function, ErrorCode code, uint16_t status) {
  if (code == ZEMTRA_ERR_INVALID_DATA) {
    throw BoardError(LibraryError(function, code).what() + std::string("; status ") + Hex(status, 4) + ": " +
                     JoinNames(StatusWordBitNames(status)));
  }
  Check(function, code);
}

}  // namespace

AxisPresets ParsePresets(const std::vector<std::string>& words) {
  if (words.empty()) throw UsageError("expected at least one of A1=COUNT A2=COUNT A3=COUNT");
  AxisPresets presets;
  for (const std::string& word : words) {
    const size_t equals = word.find('=');
    const int axis = AxisIndex(word.substr(0, equals));
    const auto value = equals == std::string::npos ? std::nullopt : units::ParseInteger(word.substr(equals + 1));
    if (axis < 0 || !value) {
      throw UsageError("bad preset \"" + word + "\": expected A1, A2 or A3 = a raw count (decimal or 0x hex)");
    }
    auto& slot = presets[static_cast<size_t>(axis)];
    if (slot) throw UsageError(std::string(kAxisNames[axis]) + " is preset twice");
    slot = value;
  }
  return presets;
}

void ApplyPresets(DeviceHandle board, const AxisPresets& presets) {
  uint16_t status = 0;
  if (presets[0] && presets[1] && presets[2]) {
    const ErrorCode code = ZemtraPresetRawAll(board, *presets[0], *presets[1], *presets[2], &status);
    CheckPreset("ZemtraPresetRawAll", code, status);
    return;
  }
  for (int16_t axis = 0; axis < ZEMTRA_AXIS_COUNT; ++axis) {
    const auto& value = presets[static_cast<size_t>(axis)];
    if (!value) continue;
    const ErrorCode code = ZemtraPresetRaw(board, axis, *value, &status);
    CheckPreset("ZemtraPresetRaw", code, status);
  }
}

}  // namespace zemtra::cli

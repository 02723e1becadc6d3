#include "device_commands.h"

#include <cstdint>
#include <limits>

#include <nlohmann/json.hpp>

#include "failures.h"

namespace zemtra::cli {

namespace {

std::optional<std::string> Failure(const char* function, ErrorCode code) {
  if (code == ZEMTRA_SUCCESS) return std::nullopt;
  return LibraryError(function, code).what();
}

bool IsCount(const nlohmann::json& value) {
  return value.is_number_integer() && value.get<int64_t>() >= std::numeric_limits<int32_t>::min() &&
         value.get<int64_t>() <= std::numeric_limits<int32_t>::max();
}

}  // namespace

std::optional<std::string> CarryOutCommand(DeviceHandle board, const std::string& payload) {
  const nlohmann::json command = nlohmann::json::parse(payload, nullptr, false);
  if (!command.is_object() || !command.contains("command") || !command["command"].is_string()) {
    return "not a JSON object with a \"command\" text";
  }
  const std::string name = command["command"].get<std::string>();
  uint16_t status = 0;
  if (name == "clear_status") return Failure("ZemtraClearStatusAll", ZemtraClearStatusAll(board, &status));
  if (name == "preset") {
    const nlohmann::json positions = command.value("positions", nlohmann::json());
    if (!positions.is_array() || positions.size() != 3 || !IsCount(positions[0]) || !IsCount(positions[1]) ||
        !IsCount(positions[2])) {
      return "preset needs \"positions\": three raw counts (32-bit integers)";
    }
    return Failure("ZemtraPresetRawAll", ZemtraPresetRawAll(board, positions[0].get<int32_t>(),
                                                            positions[1].get<int32_t>(), positions[2].get<int32_t>(),
                                                            &status));
  }
  return "unknown command \"" + name + "\" (known: clear_status, preset)";
}

}  // namespace zemtra::cli

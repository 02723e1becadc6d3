// Register values as the register readouts show them: "0x" and upper-case
// hexadecimal digits with leading zeros.
#pragma once

#include <cstdint>
#include <string>

#include "display_units.h"

namespace zemtra::cli {

inline std::string Hex(uint32_t value, int digits) {
  return units::FormatRawValue(static_cast<int32_t>(value), true, digits);
}

}  // namespace zemtra::cli

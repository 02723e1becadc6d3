// Reading a whole number typed by the user: decimal with an optional sign, or
// hexadecimal after "$", "0x" or "0X" (1 to 8 digits, read as a 32-bit
// pattern). Leading blanks are skipped; anything else around the number, an
// empty text, or a decimal value outside the signed 32-bit range is refused.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace zemtra::units {

std::optional<int32_t> ParseInteger(std::string_view text);

}  // namespace zemtra::units

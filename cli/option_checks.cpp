#include "option_checks.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace zemtra::cli {

CLI::Validator WholeCount() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        uint64_t value = 0;
        const char* end = text.data() + text.size();
        const auto [stop, error] = std::from_chars(text.data(), end, value);
        if (text.empty() || error != std::errc() || stop != end || value == 0) {
          return "expected a whole number from 1 to " + std::to_string(UINT64_MAX) + ", got " + text;
        }
        return {};
      },
      "COUNT");
}

CLI::Validator RealBetween(double lowest, double highest) {
  const std::string range = CLI::detail::to_string(lowest) + " to " + CLI::detail::to_string(highest);
  return CLI::Validator(
      [lowest, highest, range](std::string& text) -> std::string {
        double value = 0;
        const char* end = text.data() + text.size();
        const auto [stop, error] = std::from_chars(text.data(), end, value);
        if (text.empty() || error != std::errc() || stop != end || !std::isfinite(value) || value < lowest ||
            value > highest) {
          return "expected a number from " + range + ", got " + text;
        }
        return {};
      },
      "NUMBER");
}

}  // namespace zemtra::cli

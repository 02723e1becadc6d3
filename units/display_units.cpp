#include "display_units.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace zemtra::units {

ModeSettings SettingsFor(DisplayMode mode) {
  switch (mode) {
    case DisplayMode::kMillimetre:
      return {kMmPositionScale, kMmVelocityScale, kMmPositionPattern};
    case DisplayMode::kInch:
      return {kInchPositionScale, kInchVelocityScale, kInchPositionPattern};
    case DisplayMode::kRawDec:
    case DisplayMode::kRawHex:
      break;
  }
  return {1.0, 1.0, {}};
}

std::string FormatRawValue(int32_t value, bool hex, int digits) {
  char text[32];
  if (hex) {
    std::snprintf(text, sizeof text, "0x%0*X", digits, static_cast<uint32_t>(value));
  } else {
    std::snprintf(text, sizeof text, "%d", value);
  }
  return text;
}

double ConvertCount(double scale, uint16_t fold, int32_t count) {
  return scale / static_cast<double>(fold) * static_cast<double>(count);
}

namespace {

// The exact decimal expansion of a finite double: a double is M x 2^(e-53), so
// 53 - e fractional digits hold every digit it has. std::to_chars writes them
// exactly and, unlike printf, never takes the decimal point from the C locale
// (which a GUI program sets from the user's environment).
std::string ExactDecimal(double value, int minimumDecimals) {
  int exponent = 0;
  std::frexp(value, &exponent);
  const int precision = std::max(minimumDecimals, 53 - exponent);
  std::string text(static_cast<size_t>(precision) + 400, '\0');
  const auto result =
      std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed, precision);
  text.resize(static_cast<size_t>(result.ptr - text.data()));
  return text;
}

// Adds one unit in the last place of a string of decimal digits.
void IncrementDigits(std::string& digits) {
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    if (*it != '9') {
      ++*it;
      return;
    }
    *it = '0';
  }
  digits.insert(digits.begin(), '1');
}

std::string Grouped(const std::string& integer, const std::string& separator) {
  std::string out;
  const size_t n = integer.size();
  for (size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out += separator;
    out += integer[i];
  }
  return out;
}

}  // namespace

std::string FormatPattern(double value, std::string_view pattern, const Separators& separators) {
  // Only a fold factor of 0 could get here; show what it is rather than digits.
  if (!std::isfinite(value)) return std::isnan(value) ? "NaN" : value < 0 ? "-INF" : "INF";
  const size_t point = pattern.find('.');
  const int decimals = point == std::string_view::npos ? 0 : static_cast<int>(pattern.size() - point - 1);
  const bool grouping = pattern.substr(0, point).find(',') != std::string_view::npos;

  std::string text = ExactDecimal(value, decimals + 1);
  const bool negative = text.front() == '-';
  if (negative) text.erase(0, 1);
  const size_t dot = text.find('.');
  std::string integer = text.substr(0, dot);
  const std::string fraction = text.substr(dot + 1);

  // Half away from zero on the exact value: the magnitude goes up exactly when
  // the first dropped digit is 5 or more.
  std::string kept = integer + fraction.substr(0, static_cast<size_t>(decimals));
  if (fraction[static_cast<size_t>(decimals)] >= '5') IncrementDigits(kept);
  integer = kept.substr(0, kept.size() - static_cast<size_t>(decimals));
  const std::string decimalsText = kept.substr(integer.size());

  const bool zero = kept.find_first_not_of('0') == std::string::npos;
  std::string out = negative && !zero ? "-" : "";
  out += grouping ? Grouped(integer, separators.group) : integer;
  if (decimals > 0) out += separators.decimal + decimalsText;
  return out;
}

}  // namespace zemtra::units

// Display units of positions and velocities: raw counts in decimal or hex, or
// lengths and speeds from a helium-neon wavelength and an optic fold factor.
// Free of any GUI toolkit so that every client of the library shares it.
#pragma once

#include <bit>
#include <cstdint>
#include <string>
#include <string_view>

namespace zemtra::units {

// One raw position count is lambda / (512 x fold) with lambda = 632.819639441319 nm;
// one raw velocity count is one position count per 204.8 us (20 MHz / 4096).
inline constexpr double kMmPositionScale = 0.000632819639441319 / 512;
inline constexpr double kMmVelocityScale = kMmPositionScale * 4882.8125;
inline constexpr double kInchPositionScale = kMmPositionScale / 25.4;
inline constexpr double kInchVelocityScale = kMmVelocityScale / 25.4;

static_assert(std::bit_cast<uint64_t>(kMmPositionScale) == 0x3EB4BC79D3ECE53FULL);
static_assert(std::bit_cast<uint64_t>(kMmVelocityScale) == 0x3F78B83246E77DC4ULL);
static_assert(std::bit_cast<uint64_t>(kInchPositionScale) == 0x3E6A1FD7F8D9D234ULL);
static_assert(std::bit_cast<uint64_t>(kInchVelocityScale) == 0x3F2F2487E87241B9ULL);

// Number patterns: grouped integer part, then a fixed count of decimals.
inline constexpr std::string_view kMmPositionPattern = "#,##0.#######0";    // 8 decimals
inline constexpr std::string_view kInchPositionPattern = "#,##0.########0"; // 9 decimals
inline constexpr std::string_view kVelocityPattern = "#,##0.###0";          // 4 decimals

enum class DisplayMode { kRawDec = 0, kRawHex = 1, kMillimetre = 2, kInch = 3 };

// The scales and pattern a mode sets; 1.0 marks the raw modes.
struct ModeSettings {
  double positionScale;
  double velocityScale;
  std::string_view positionPattern;  // empty in the raw modes
};
ModeSettings SettingsFor(DisplayMode mode);

// Separators of the user's locale, as UTF-8 text ("" = no grouping).
struct Separators {
  std::string decimal = ".";
  std::string group = ",";
};

// Raw count as "%ld" decimal, or "0x" + at least `digits` upper-case hex digits
// of its 32-bit pattern.
std::string FormatRawValue(int32_t value, bool hex, int digits);

// scale / fold x count, in double arithmetic.
double ConvertCount(double scale, uint16_t fold, int32_t count);

// Formats with a pattern of the form "#,##0.###0": rounded half away from zero
// on the exact binary value to as many decimals as the pattern has placeholders
// after its point, grouped in threes when the pattern has a comma. A result
// that rounds to zero is shown without a minus sign; infinities and NaN are
// shown as "INF", "-INF" and "NaN".
std::string FormatPattern(double value, std::string_view pattern, const Separators& separators);

}  // namespace zemtra::units

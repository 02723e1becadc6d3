// Number forms of converted positions and velocities: examples in English and
// German whatever the process locale, and every form against an exact
// reference computed here in integer arithmetic: a double is m x 2^e, so
// value x 10^d = m x 5^d x 2^(e+d), rounded half away from zero by looking at
// the bits shifted out.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <tuple>

#include "display_units.h"

namespace {

namespace units = zemtra::units;
__extension__ typedef unsigned __int128 u128;  // wide enough for m x 5^9

const units::Separators kEnglish{".", ","};
const units::Separators kGerman{",", "."};
constexpr auto kMm = units::kMmPositionPattern;
constexpr auto kInch = units::kInchPositionPattern;
constexpr auto kVelocity = units::kVelocityPattern;

// |value| x 10^decimals, rounded half away from zero, exactly.
u128 ScaleExactly(double value, int decimals) {
  int exponent = 0;
  const double fraction = std::frexp(std::fabs(value), &exponent);
  u128 n = static_cast<uint64_t>(std::ldexp(fraction, 53));
  for (int i = 0; i < decimals; ++i) n *= 5;
  const int shift = 53 - exponent - decimals;  // value x 10^d = n / 2^shift
  if (shift <= 0) return n << -shift;
  if (shift >= 100) return 0;  // far below one unit of the last place
  const u128 dropped = n & ((u128{1} << shift) - 1);
  return (n >> shift) + (dropped >= (u128{1} << (shift - 1)) ? 1 : 0);
}

std::string Reference(double value, int decimals, const units::Separators& separators) {
  std::string digits;
  for (u128 rest = ScaleExactly(value, decimals); rest != 0 || digits.size() <= static_cast<size_t>(decimals);
       rest /= 10) {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(rest % 10)));
  }
  const std::string integer = digits.substr(0, digits.size() - decimals);
  std::string grouped;
  for (size_t i = 0; i < integer.size(); ++i) {
    if (i > 0 && (integer.size() - i) % 3 == 0) grouped += separators.group;
    grouped += integer[i];
  }
  const bool negative = std::signbit(value) && digits.find_first_not_of('0') != std::string::npos;
  return (negative ? "-" : "") + grouped + separators.decimal + digits.substr(integer.size());
}

double Convert(double scale, uint16_t fold, int32_t count) { return units::ConvertCount(scale, fold, count); }

struct Example {
  double value;
  std::string_view pattern;
  const char* english;
  const char* german;
};

const double kInfinity = std::numeric_limits<double>::infinity();
const Example kExamples[] = {
    {Convert(units::kMmPositionScale, 2, 1000000), kMm, "0.61798793", "0,61798793"},
    {Convert(units::kMmPositionScale, 2, INT32_MIN), kMm, "-1,327.11897249", "-1.327,11897249"},
    {Convert(units::kInchPositionScale, 2, -123456789), kInch, "-3.003732495", "-3,003732495"},
    {Convert(units::kMmVelocityScale, 2, 1000), kVelocity, "3.0175", "3,0175"},
    {Convert(units::kInchVelocityScale, 2, 1000), kVelocity, "0.1188", "0,1188"},
    {1235.975858283826, kMm, "1,235.97585828", "1.235,97585828"},
    {-372533.2293584966, kVelocity, "-372,533.2294", "-372.533,2294"},
    {123.0, kVelocity, "123.0000", "123,0000"},
    {-1e-10, kMm, "0.00000000", "0,00000000"},  // no minus sign on a zero
    // Binary fractions exactly on a half in the last place, and the doubles just short of one.
    {1.0 / 32, kVelocity, "0.0313", "0,0313"},
    {-1.0 / 1024, kInch, "-0.000976563", "-0,000976563"},
    {std::nextafter(1.0 / 32, 0.0), kVelocity, "0.0312", "0,0312"},
    {std::nextafter(-1.0 / 512, 0.0), kMm, "-0.00195312", "-0,00195312"},
    // Rounding up carries into a new group of the integer part.
    {999999.99996, kVelocity, "1,000,000.0000", "1.000.000,0000"},
    {-999.99999999951, kInch, "-1,000.000000000", "-1.000,000000000"},
    // Only a fold factor of 0 could give these.
    {kInfinity, kVelocity, "INF", "INF"},
    {-kInfinity, kMm, "-INF", "-INF"},
    {std::nan(""), kInch, "NaN", "NaN"},
};

void PrintTo(const Example& example, std::ostream* os) { *os << example.english; }

class FormatPattern : public testing::TestWithParam<Example> {};

TEST_P(FormatPattern, InEnglishAndGermanWhateverTheProcessLocale) {
  // A GUI program runs with the C library's locale taken from the user's
  // environment; a German one must not turn the decimal point into a comma.
  const Example& example = GetParam();
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  for (const char* process : {"C", "de_DE.UTF-8"}) {
    if (std::setlocale(LC_ALL, process) == nullptr) continue;  // not installed here
    EXPECT_EQ(units::FormatPattern(example.value, example.pattern, kEnglish), example.english) << process;
    EXPECT_EQ(units::FormatPattern(example.value, example.pattern, kGerman), example.german) << process;
  }
  std::setlocale(LC_ALL, previous.c_str());
}

INSTANTIATE_TEST_SUITE_P(Units, FormatPattern, testing::ValuesIn(kExamples));

TEST(DisplayUnits, SeparatorsOfOtherLocales) {
  const units::Separators swiss{".", "\xE2\x80\x99"};  // right single quotation mark
  EXPECT_EQ(units::FormatPattern(-1234567.5, kVelocity, swiss), "-1\xE2\x80\x99" "234\xE2\x80\x99" "567.5000");
  EXPECT_EQ(units::FormatPattern(1234567.5, kVelocity, {",", ""}), "1234567,5000");
}

TEST(DisplayUnits, EveryFormAgreesWithTheExactReference) {
  struct Form {
    double scale;
    std::string_view pattern;
    int decimals;
  };
  const Form forms[] = {{units::kMmPositionScale, kMm, 8}, {units::kInchPositionScale, kInch, 9},
                        {units::kMmVelocityScale, kVelocity, 4}, {units::kInchVelocityScale, kVelocity, 4}};
  std::mt19937 random(4711);
  std::uniform_int_distribution<int32_t> anyCount(INT32_MIN, INT32_MAX);
  std::uniform_int_distribution<int32_t> smallCount(-100000, 100000);
  for (const Form& form : forms) {
    for (const uint16_t fold : {2, 4, 8}) {
      for (int i = 0; i < 20006; ++i) {
        const int32_t edges[] = {INT32_MIN, INT32_MIN + 1, -1, 0, 1, INT32_MAX};
        const int32_t count = i < 6 ? edges[i] : i % 2 ? anyCount(random) : smallCount(random);
        const double value = Convert(form.scale, fold, count);
        ASSERT_EQ(units::FormatPattern(value, form.pattern, kGerman), Reference(value, form.decimals, kGerman))
            << "fold " << fold << " count " << count;
      }
    }
  }
}

TEST(DisplayUnits, ModesSetTheScalesOfTheWavelengthAndTheirPatterns) {
  // One position count is lambda / 512 (with lambda in mm), one velocity count that per 204.8 us.
  const double mm = 0.000632819639441319 / 512;
  const units::ModeSettings metric = units::SettingsFor(units::DisplayMode::kMillimetre);
  const units::ModeSettings inch = units::SettingsFor(units::DisplayMode::kInch);
  EXPECT_EQ(std::tuple(metric.positionScale, metric.velocityScale, metric.positionPattern),
            std::tuple(mm, mm * 4882.8125, kMm));
  EXPECT_EQ(std::tuple(inch.positionScale, inch.velocityScale, inch.positionPattern),
            std::tuple(mm / 25.4, mm * 4882.8125 / 25.4, kInch));
  EXPECT_EQ(units::SettingsFor(units::DisplayMode::kRawHex).positionScale, 1.0);
  // Scale over fold, then times the count: the order shows in the last bit for this count.
  EXPECT_EQ(Convert(units::kMmPositionScale, 8, 123456789), units::kMmPositionScale / 8.0 * 123456789.0);
}

TEST(DisplayUnits, RawForms) {
  EXPECT_EQ(units::FormatRawValue(INT32_MIN, false, 8), "-2147483648");
  EXPECT_EQ(units::FormatRawValue(-1, true, 8), "0xFFFFFFFF");
  EXPECT_EQ(units::FormatRawValue(255, true, 8), "0x000000FF");
  EXPECT_EQ(units::FormatRawValue(INT32_MIN, true, 4), "0x80000000");
}

}  // namespace

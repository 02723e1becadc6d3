// Number forms of converted positions and velocities, checked against an
// exact reference computed here in integer arithmetic: a double is m x 2^e,
// so value x 10^d = m x 5^d x 2^(e+d), rounded half away from zero by looking
// at the bits shifted out.
#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

#include "display_units.h"

namespace {

namespace units = zemtra::units;
__extension__ typedef unsigned __int128 u128;  // wide enough for m x 5^9

const units::Separators kEnglish{".", ","};
const units::Separators kGerman{",", "."};

std::string ToDecimal(u128 value) {
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(value % 10)));
    value /= 10;
  } while (value != 0);
  return digits;
}

// |value| x 10^decimals rounded half away from zero, exactly, and whether the
// exact product lies close to the rounding boundary.
struct Scaled {
  u128 rounded;
  bool nearTie;  // the dropped part is within 2^-14 of one half
};

Scaled ScaleExactly(double value, int decimals) {
  int exponent = 0;
  const double fraction = std::frexp(std::fabs(value), &exponent);
  u128 n = static_cast<uint64_t>(std::ldexp(fraction, 53));
  for (int i = 0; i < decimals; ++i) n *= 5;
  const int shift = 53 - exponent - decimals;  // value x 10^d = n / 2^shift
  if (shift <= 0) return {n << -shift, false};
  if (shift >= 100) return {0, false};  // far below one unit of the last place
  const u128 one = u128{1} << shift;
  const u128 dropped = n & (one - 1);
  const u128 half = one >> 1;
  const u128 distance = dropped > half ? dropped - half : half - dropped;
  return {(n >> shift) + (dropped >= half ? 1 : 0), shift > 14 && distance < (one >> 14)};
}

std::string Reference(double value, int decimals, const units::Separators& separators) {
  const u128 rounded = ScaleExactly(value, decimals).rounded;
  std::string digits = ToDecimal(rounded);
  if (digits.size() <= static_cast<size_t>(decimals)) digits.insert(0, decimals + 1 - digits.size(), '0');
  const std::string integer = digits.substr(0, digits.size() - decimals);
  std::string grouped;
  for (size_t i = 0; i < integer.size(); ++i) {
    if (i > 0 && (integer.size() - i) % 3 == 0) grouped += separators.group;
    grouped += integer[i];
  }
  const bool negative = std::signbit(value) && rounded != 0;
  return (negative ? "-" : "") + grouped + separators.decimal + digits.substr(integer.size());
}

struct Form {
  double scale;
  std::string_view pattern;
  int decimals;
};
const Form kForms[] = {
    {units::kMmPositionScale, units::kMmPositionPattern, 8},
    {units::kInchPositionScale, units::kInchPositionPattern, 9},
    {units::kMmVelocityScale, units::kVelocityPattern, 4},
    {units::kInchVelocityScale, units::kVelocityPattern, 4},
};
const uint16_t kFolds[] = {2, 4, 8};

std::string Show(const Form& form, uint16_t fold, int32_t count, const units::Separators& separators) {
  return units::FormatPattern(units::ConvertCount(form.scale, fold, count), form.pattern, separators);
}

TEST(DisplayUnits, ScalesFollowTheWavelengthRule) {
  const double lambdaMm = 0.000632819639441319;
  EXPECT_EQ(std::bit_cast<uint64_t>(lambdaMm / 512), 0x3EB4BC79D3ECE53FULL);
  EXPECT_EQ(std::bit_cast<uint64_t>(lambdaMm / 512 * 4882.8125), 0x3F78B83246E77DC4ULL);
  EXPECT_EQ(std::bit_cast<uint64_t>(lambdaMm / 512 / 25.4), 0x3E6A1FD7F8D9D234ULL);
  EXPECT_EQ(std::bit_cast<uint64_t>(lambdaMm / 512 * 4882.8125 / 25.4), 0x3F2F2487E87241B9ULL);
  EXPECT_EQ(units::SettingsFor(units::DisplayMode::kMillimetre).positionScale, units::kMmPositionScale);
  EXPECT_EQ(units::SettingsFor(units::DisplayMode::kInch).velocityScale, units::kInchVelocityScale);
  EXPECT_EQ(units::SettingsFor(units::DisplayMode::kRawHex).positionScale, 1.0);
}

TEST(DisplayUnits, ConversionIsScaleOverFoldTimesCount) {
  // The order matters in the last bit; this count tells the orders apart.
  const double expected = units::kMmPositionScale / 8.0 * 123456789.0;
  EXPECT_EQ(std::bit_cast<uint64_t>(units::ConvertCount(units::kMmPositionScale, 8, 123456789)),
            std::bit_cast<uint64_t>(expected));
}

TEST(DisplayUnits, RawForms) {
  EXPECT_EQ(units::FormatRawValue(-1, false, 8), "-1");
  EXPECT_EQ(units::FormatRawValue(2147483647, false, 8), "2147483647");
  EXPECT_EQ(units::FormatRawValue(INT32_MIN, false, 8), "-2147483648");
  EXPECT_EQ(units::FormatRawValue(-1, true, 8), "0xFFFFFFFF");
  EXPECT_EQ(units::FormatRawValue(255, true, 8), "0x000000FF");
  EXPECT_EQ(units::FormatRawValue(INT32_MIN, true, 8), "0x80000000");
  EXPECT_EQ(units::FormatRawValue(2147483647, true, 8), "0x7FFFFFFF");
}

TEST(DisplayUnits, DocumentedExamplesInEnglishAndGerman) {
  struct Example {
    int form;
    uint16_t fold;
    int32_t count;
    const char* english;
    const char* german;
  };
  const Example examples[] = {
      {0, 2, 1000000, "0.61798793", "0,61798793"},
      {0, 2, 1, "0.00000062", "0,00000062"},
      {0, 2, 0, "0.00000000", "0,00000000"},
      {0, 2, INT32_MIN, "-1,327.11897249", "-1.327,11897249"},
      {0, 8, 1000, "0.00015450", "0,00015450"},
      {1, 2, 1000000, "0.024330233", "0,024330233"},
      {1, 2, -123456789, "-3.003732495", "-3,003732495"},
      {2, 2, 1000, "3.0175", "3,0175"},
      {3, 2, 1000, "0.1188", "0,1188"},
      {3, 8, 1, "0.0000", "0,0000"},
  };
  for (const Example& example : examples) {
    const Form& form = kForms[example.form];
    EXPECT_EQ(Show(form, example.fold, example.count, kEnglish), example.english) << example.count;
    EXPECT_EQ(Show(form, example.fold, example.count, kGerman), example.german) << example.count;
  }
  EXPECT_EQ(units::FormatPattern(1235.975858283826, units::kMmPositionPattern, kEnglish), "1,235.97585828");
  EXPECT_EQ(units::FormatPattern(-372533.2293584966, units::kVelocityPattern, kEnglish), "-372,533.2294");
  EXPECT_EQ(units::FormatPattern(-372533.2293584966, units::kVelocityPattern, kGerman), "-372.533,2294");
}

TEST(DisplayUnits, ExactTiesRoundAwayFromZero) {
  // Binary fractions that land exactly on a half in the last decimal place.
  EXPECT_EQ(units::FormatPattern(1.0 / 32, units::kVelocityPattern, kEnglish), "0.0313");
  EXPECT_EQ(units::FormatPattern(-1.0 / 32, units::kVelocityPattern, kEnglish), "-0.0313");
  EXPECT_EQ(units::FormatPattern(1.0 / 512, units::kMmPositionPattern, kEnglish), "0.00195313");
  EXPECT_EQ(units::FormatPattern(-1.0 / 1024, units::kInchPositionPattern, kEnglish), "-0.000976563");
  EXPECT_EQ(units::FormatPattern(999999.96875, units::kVelocityPattern, kEnglish), "999,999.9688");
  // Rounding up carries into a new group of the integer part.
  EXPECT_EQ(units::FormatPattern(999999.99996, units::kVelocityPattern, kEnglish), "1,000,000.0000");
  EXPECT_EQ(units::FormatPattern(-999.99999999951, units::kInchPositionPattern, kGerman), "-1.000,000000000");
}

TEST(DisplayUnits, GroupingAndSeparatorsOfOtherLocales) {
  const units::Separators swiss{".", "\xE2\x80\x99"};  // right single quotation mark
  EXPECT_EQ(units::FormatPattern(-1234567.5, units::kVelocityPattern, swiss), "-1\xE2\x80\x99" "234\xE2\x80\x99" "567.5000");
  const units::Separators ungrouped{",", ""};
  EXPECT_EQ(units::FormatPattern(1234567.5, units::kVelocityPattern, ungrouped), "1234567,5000");
  EXPECT_EQ(units::FormatPattern(123.0, units::kVelocityPattern, kEnglish), "123.0000");
  EXPECT_EQ(units::FormatPattern(1234.0, units::kVelocityPattern, kEnglish), "1,234.0000");
}

TEST(DisplayUnits, ValuesWithoutDigitsAreNamed) {
  const double infinity = std::numeric_limits<double>::infinity();
  EXPECT_EQ(units::FormatPattern(infinity, units::kVelocityPattern, kEnglish), "INF");
  EXPECT_EQ(units::FormatPattern(-infinity, units::kMmPositionPattern, kEnglish), "-INF");
  EXPECT_EQ(units::FormatPattern(std::nan(""), units::kInchPositionPattern, kEnglish), "NaN");
}

TEST(DisplayUnits, TheProcessLocaleDoesNotChangeTheDigits) {
  // A GUI program runs with the C library's locale taken from the user's
  // environment; a German one must not turn the decimal point into a comma
  // before the pattern puts in the separators it was given.
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
  const std::string text = units::FormatPattern(-372533.2293584966, units::kVelocityPattern, kGerman);
  const std::string english = units::FormatPattern(1235.975858283826, units::kMmPositionPattern, kEnglish);
  std::setlocale(LC_ALL, previous.c_str());
  EXPECT_EQ(text, "-372.533,2294");
  EXPECT_EQ(english, "1,235.97585828");
}

TEST(DisplayUnits, EveryFormAgreesWithTheExactReference) {
  std::mt19937 random(4711);
  std::uniform_int_distribution<int32_t> anyCount(INT32_MIN, INT32_MAX);
  std::uniform_int_distribution<int32_t> smallCount(-100000, 100000);
  for (const Form& form : kForms) {
    for (uint16_t fold : kFolds) {
      for (int32_t count : {INT32_MIN, INT32_MIN + 1, -1, 0, 1, INT32_MAX}) {
        const double value = units::ConvertCount(form.scale, fold, count);
        ASSERT_EQ(Show(form, fold, count, kEnglish), Reference(value, form.decimals, kEnglish)) << count;
        ASSERT_EQ(Show(form, fold, count, kGerman), Reference(value, form.decimals, kGerman)) << count;
      }
      for (int i = 0; i < 20000; ++i) {
        const int32_t count = i % 2 ? anyCount(random) : smallCount(random);
        const double value = units::ConvertCount(form.scale, fold, count);
        ASSERT_EQ(Show(form, fold, count, kGerman), Reference(value, form.decimals, kGerman)) << count;
      }
    }
  }
}

TEST(DisplayUnits, CountsNearARoundingBoundary) {
  // Collects counts whose exact product lies within 2^-14 of a half in the
  // last decimal place, where a rounding through decimal text would slip.
  int found = 0;
  for (const Form& form : kForms) {
    for (uint16_t fold : kFolds) {
      for (int32_t count = -2000000; count <= 2000000 && found < 2000; count += 7) {
        const double value = units::ConvertCount(form.scale, fold, count);
        if (!ScaleExactly(value, form.decimals).nearTie) continue;
        ++found;
        ASSERT_EQ(Show(form, fold, count, kEnglish), Reference(value, form.decimals, kEnglish))
            << "fold " << fold << " count " << count;
      }
    }
  }
  EXPECT_GT(found, 10);
}

}  // namespace
